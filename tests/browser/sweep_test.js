// Opens a small sweep's sweep.html in headless Chromium: no console errors or outside requests,
// one box per figure with values, one row per seed that sorts on a click, the same figures as
// sweep.json. Leaves a screenshot for a person to look at.
//
// node sweep_test.js --sim HARKVANE_SIM --work DIR --shots DIR
// Exits 77 (skipped) when no Chromium is installed.
"use strict";
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const { launch, runPageTest } = require("./chromium");

async function main({ args, chromium, check, problems }) {
  fs.rmSync(args.work, { recursive: true, force: true });
  const seeds = 5;
  execFileSync(args.sim, ["--sweep", String(seeds), "--jobs", "2", "--seconds", "300", "--quiet",
    "--workdir", args.work], { stdio: "inherit" });
  const sweep = JSON.parse(fs.readFileSync(path.join(args.work, "sweep.json"), "utf8"));
  const page = path.resolve(args.work, "sweep.html");
  check(fs.existsSync(page), "the sweep wrote sweep.html beside sweep.json");

  const browser = await launch(chromium, { width: 1400, height: 1000 });
  try {
    const tab = await browser.openPage("file://" + page, problems);
    const seen = await tab.evaluate(`(() => {
      const boxes = {};
      for (const svg of document.querySelectorAll("svg.chart"))
        boxes[svg.id] = svg.querySelectorAll("g.box").length;
      const rows = Array.from(document.querySelectorAll("#seeds tbody tr"),
        (tr) => Array.from(tr.cells, (td) => td.textContent));
      const medianCell = Array.from(document.querySelectorAll("#distributions tbody tr"))
        .find((tr) => tr.cells[0].textContent === "posses_per_hour");
      return { boxes, rows, median: medianCell ? Number(medianCell.cells[4].textContent) : NaN };
    })()`);
    check(seen.rows.length === seeds, `one row per seed (${seen.rows.length})`);
    check(seen.rows.every((r, i) => Number(r[0]) === sweep.first_seed + i), "rows in seed order");
    check(seen.rows.every((r, i) => Number(r[1]) === sweep.runs[i].posses),
      "each row's posse count is sweep.json's");
    check(seen.median === sweep.distributions.posses_per_hour.median,
      `median posses per hour as in sweep.json (${seen.median})`);
    check(seen.boxes["chart-rate"] >= 1 && seen.boxes["chart-size"] >= 1 &&
          seen.boxes["chart-minutes"] >= 1,
      `the distribution charts draw their boxes (${JSON.stringify(seen.boxes)})`);

    // A click on a heading sorts the seeds by that column, a second click the other way; the
    // first column (after the seed) whose values differ between seeds shows it.
    const sorted = await tab.evaluate(`(() => {
      const heads = Array.from(document.querySelectorAll("#seeds th"));
      const column = (i) => Array.from(document.querySelectorAll("#seeds tbody tr"),
        (tr) => Number(tr.cells[i].textContent));
      for (let i = 1; i < heads.length; i++) {
        if (new Set(column(i)).size < 2) continue;
        heads[i].click();
        const up = column(i);
        heads[i].click();
        return { name: heads[i].textContent, up, down: column(i) };
      }
      return null;
    })()`);
    const ascending = (a) => a.every((v, i) => i === 0 || a[i - 1] <= v);
    check(sorted !== null, "some column differs between the seeds");
    if (sorted)
      check(ascending(sorted.up) && ascending(sorted.down.slice().reverse()) &&
            sorted.up.join() !== sorted.down.join(),
        `sorting by ${sorted.name}: ${sorted.up} then ${sorted.down}`);
    await tab.screenshot(path.join(args.shots, "sweep.png"), { fullPage: true });
  } finally {
    await browser.close();
  }
}

runPageTest("sweep_test.js", main);
