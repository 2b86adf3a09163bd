// Opens the default run's report.html in headless Chromium and checks it through the page itself:
// no console errors or outside requests, one marker per posse sent, the slider at a posse's
// spawn time shows exactly its members, a timeline filter hides the other kinds, a click on an
// entry moves the map to its moment. Leaves screenshots for a person to look at.
//
// node report_test.js --sim HARKVANE_SIM --work DIR --shots DIR
// Exits 77 (skipped) when no Chromium is installed.
"use strict";
const { execFileSync } = require("child_process");
const fs = require("fs");
const path = require("path");
const { launch, runPageTest } = require("./chromium");

async function main({ args, chromium, check, problems }) {
  fs.rmSync(args.work, { recursive: true, force: true });
  fs.mkdirSync(args.work, { recursive: true });
  const report = path.resolve(args.work, "report.html");
  const summaryPath = path.resolve(args.work, "summary.json");
  execFileSync(args.sim, ["--quiet", "--workdir", path.join(args.work, "run"), "--report", report,
    "--summary", summaryPath], { stdio: "inherit" });
  const summary = JSON.parse(fs.readFileSync(summaryPath, "utf8"));
  const size = fs.statSync(report).size;
  check(size < 5 * 1024 * 1024, `report.html is under 5 MB (${(size / 1024).toFixed(0)} KB)`);

  const browser = await launch(chromium, { width: 1400, height: 1000 });
  try {
    const page = await browser.openPage("file://" + report, problems);

    const markers = await page.evaluate(
      `Array.from(document.querySelectorAll("#map .posse-marker"), (m) => Number(m.dataset.ms))`);
    check(markers.length === summary.posses.total,
      `posse markers on the map: ${markers.length}, summary.json posses: ${summary.posses.total}`);
    check(markers.length > 0, "the default run sends posses");

    // Each posse's members, as the timeline tells them, appear on the map at its spawn time and
    // not a moment before.
    const posses = await page.evaluate(`Array.from(document.querySelectorAll("#map .posse-marker"),
      (m) => ({ posse: m.dataset.posse, ms: Number(m.dataset.ms) }))`);
    for (const { posse, ms } of posses) {
      const seen = await page.evaluate(`(() => {
        const slider = document.getElementById("slider");
        const count = () => {
          const c = { human: 0, dog: 0, horse: 0 };
          for (const s of document.querySelectorAll('#live .ped[data-posse="${posse}"]')) c[s.dataset.kind]++;
          return c;
        };
        slider.value = ${ms} - 1;
        slider.dispatchEvent(new Event("input"));
        const before = count();
        slider.value = ${ms};
        slider.dispatchEvent(new Event("input"));
        const sent = Array.from(document.querySelectorAll('#timeline li[data-ms="${ms}"]'))
          .map((li) => li.textContent).find((t) => t.includes("posse sent:")) || "";
        return { before, at: count(), sent, slider: Number(slider.value) };
      })()`);
      const m = /(\d+) hunters, (\d+) dogs, (\d+) horses placed/.exec(seen.sent);
      check(m !== null, `posse ${posse}: the timeline has its "posse sent" entry at ${ms} ms`);
      if (!m) continue;
      const want = { human: Number(m[1]), dog: Number(m[2]), horse: Number(m[3]) };
      check(seen.slider === ms && JSON.stringify(seen.at) === JSON.stringify(want),
        `posse ${posse}: slider at ${ms} ms shows ${JSON.stringify(seen.at)}, sent ${JSON.stringify(want)}`);
      check(seen.before.human + seen.before.dog + seen.before.horse === 0,
        `posse ${posse}: none of its members shows just before it was sent`);
    }

    // Filters: only despawns, then everything again.
    const filtered = await page.evaluate(`(() => {
      document.getElementById("show-none").click();
      document.querySelector('#filters input[value="despawn"]').click();
      const items = Array.from(document.querySelectorAll("#timeline li"));
      const shown = items.filter((li) => li.offsetParent !== null);
      const chip = Number(document.querySelector("#filters .chip.despawn .n").textContent);
      const result = { total: items.length, shown: shown.length, chip,
        otherShown: shown.filter((li) => li.dataset.kind !== "despawn").length,
        reasons: shown.filter((li) => /despawned \\d+ \\(.*\\): ./.test(li.textContent)).length };
      document.getElementById("show-all").click();
      result.afterAll = items.filter((li) => li.offsetParent !== null).length;
      return result;
    })()`);
    check(filtered.shown > 0 && filtered.shown === filtered.chip && filtered.otherShown === 0,
      `despawn filter shows ${filtered.shown} despawns (chip says ${filtered.chip}) and ` +
      `${filtered.otherShown} other entries of ${filtered.total}`);
    check(filtered.reasons > 0, `despawns give their reasons (${filtered.reasons})`);
    check(filtered.afterAll === filtered.total, `"all" shows every entry again (${filtered.afterAll})`);

    // A click on a timeline entry moves the map to its moment.
    const jump = await page.evaluate(`(() => {
      const li = Array.from(document.querySelectorAll('#timeline li[data-kind="army"]'))[2];
      li.click();
      return { ms: Number(li.dataset.ms), slider: Number(document.getElementById("slider").value),
        current: li.classList.contains("current"), clock: document.getElementById("clock").textContent,
        alive: document.querySelectorAll("#live .ped").length };
    })()`);
    check(jump.slider === jump.ms && jump.current,
      `clicking the entry at ${jump.ms} ms moves the slider there (${jump.slider}) and marks it`);
    check(jump.alive > 0, `the army is on the map then (${jump.alive} peds)`);

    // A click on a posse's badge moves the map to its moment; the wheel zooms in and a
    // double-click shows the whole map again.
    const badge = await page.evaluate(`(() => {
      const m = document.querySelectorAll("#map .posse-marker")[1];
      m.dispatchEvent(new MouseEvent("click", { bubbles: true }));
      const map = document.getElementById("map"), r = map.getBoundingClientRect();
      const whole = map.getAttribute("viewBox");
      map.dispatchEvent(new WheelEvent("wheel", { deltaY: -100, clientX: r.left + r.width / 2,
        clientY: r.top + r.height / 2, bubbles: true, cancelable: true }));
      const zoomed = map.getAttribute("viewBox");
      map.dispatchEvent(new MouseEvent("dblclick", { bubbles: true }));
      return { ms: Number(m.dataset.ms), slider: Number(document.getElementById("slider").value),
        whole, zoomed, back: map.getAttribute("viewBox") };
    })()`);
    check(badge.slider === badge.ms, `clicking posse 2's badge moves the slider to ${badge.ms} (${badge.slider})`);
    const box = (v) => v.split(" ").map(Number).join(" ");
    check(box(badge.zoomed) !== box(badge.whole) && box(badge.back) === box(badge.whole),
      `the wheel zooms (${badge.whole} -> ${badge.zoomed}) and a double-click restores (${badge.back})`);

    // The settings and the charts are there.
    const parts = await page.evaluate(`({
      settings: document.getElementById("settings").textContent.includes("[Spawner]"),
      charts: document.querySelectorAll("svg.chart").length })`);
    check(parts.settings, "the effective settings are shown");
    check(parts.charts === 3, `three summary charts (${parts.charts})`);

    // Screenshots: the map in the middle of the army's second wave, the page from its top.
    await page.evaluate(`(() => {
      const li = Array.from(document.querySelectorAll('#timeline li[data-kind="army"]'))
        .find((e) => e.textContent.includes("wave B")) ||
        document.querySelector('#timeline li[data-kind="army"]');
      li.click();
      const slider = document.getElementById("slider");
      slider.value = Number(li.dataset.ms) + 6000;
      slider.dispatchEvent(new Event("input"));
    })()`);
    await page.screenshot(path.join(args.shots, "report.png"));
    await page.screenshot(path.join(args.shots, "report-full.png"), { fullPage: true });
    console.log("screenshots in " + args.shots);
  } finally {
    await browser.close();
  }
}

runPageTest("report_test.js", main);
