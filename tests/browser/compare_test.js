// Opens a small comparison's compare.html in headless Chromium: the evening under settings that
// send a posse about every game hour (A) and ten times as often (B). No console errors or outside
// requests, one row per figure of compare.json with its A and B boxes drawn, the mark exactly on
// the figures whose interval excludes zero, among them posses per game hour. Leaves a
// screenshot for a person to look at.
//
// node compare_test.js --sim HARKVANE_SIM --work DIR --shots DIR
// Exits 77 (skipped) when no Chromium is installed.
"use strict";
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const { launch, runPageTest } = require("./chromium");

async function main({ args, chromium, check, problems }) {
  fs.rmSync(args.work, { recursive: true, force: true });
  fs.mkdirSync(args.work, { recursive: true });
  const ini = (min, max) => `[Spawner]\nMinSpawnHours=${min}\nMaxSpawnHours=${max}\n` +
    "[WitnessTracker]\nEnabled=false\n";
  fs.writeFileSync(path.join(args.work, "a.ini"), ini(1, 1.2));
  fs.writeFileSync(path.join(args.work, "b.ini"), ini(0.1, 0.12));
  const scenario = path.join(__dirname, "..", "..", "scenarios", "evening.json");
  execFileSync(args.sim, [scenario, "--sweep", "6", "--jobs", "2", "--seconds", "720",
    "--ini", path.join(args.work, "a.ini"), "--compare", path.join(args.work, "b.ini"),
    "--quiet", "--workdir", args.work], { stdio: "inherit" });
  const compare = JSON.parse(fs.readFileSync(path.join(args.work, "compare.json"), "utf8"));
  const page = path.resolve(args.work, "compare.html");

  const browser = await launch(chromium, { width: 1400, height: 1000 });
  try {
    const tab = await browser.openPage("file://" + page, problems);
    const seen = await tab.evaluate(`(() => Array.from(document.querySelectorAll("#figures tbody tr"),
      (tr) => ({ key: tr.dataset.key, sure: tr.classList.contains("sure"),
                 mark: tr.querySelector("td.mark").textContent.trim(),
                 boxes: tr.querySelectorAll("svg.spread g.box").length,
                 seeds: tr.querySelectorAll("svg.difference circle.seed").length })))()`);
    const figures = compare.figures;
    check(seen.length === figures.length, `one row per figure (${seen.length} of ${figures.length})`);
    check(seen.every((r, i) => r.key === figures[i].key), "rows in compare.json's order");
    check(seen.every((r, i) => r.sure === figures[i].difference.excludes_zero &&
                               (r.mark !== "") === figures[i].difference.excludes_zero),
      "marked exactly where the interval excludes zero");
    const rate = seen.find((r) => r.key === "posses_per_hour");
    check(rate && rate.sure, "posses per game hour is marked: ten times the rate is no noise");
    check(rate && rate.boxes === 2 && rate.seeds === 6,
      `posses per hour draws A's and B's boxes and six seeds' differences (${JSON.stringify(rate)})`);
    const headline = await tab.evaluate(`document.querySelector(".headline").textContent`);
    check(/posses per game hour/.test(headline), "the headline names the rate among what changed");
    await tab.screenshot(path.join(args.shots, "compare.png"), { fullPage: true });
  } finally {
    await browser.close();
  }
}

runPageTest("compare_test.js", main);
