// Headless Chromium for the page tests, driven by playwright-core (pinned in package.json and
// package-lock.json beside this file; tools/deps.sh --test installs it with `npm ci`). It drives
// Debian's /usr/bin/chromium and never downloads a browser of its own.
"use strict";
const fs = require("fs");
const path = require("path");

const ChromiumPaths = ["/usr/bin/chromium", "/usr/bin/chromium-browser"];

// This machine's network is closed: without these flags Chromium keeps trying to reach its
// update, sync and field-trial services at every start.
const ChromiumFlags = [
  "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
  "--disable-background-networking", "--disable-component-update", "--disable-sync",
  "--disable-extensions", "--hide-scrollbars", "--mute-audio",
];

function findChromium() {
  if (process.env.CHROMIUM) return process.env.CHROMIUM;
  return ChromiumPaths.find((p) => fs.existsSync(p)) || null;
}

function loadDriver() {
  try {
    return require("playwright-core");
  } catch (e) {
    return null;
  }
}

// Starts the browser; resolves to { openPage(url, problems), close() }. A page records its
// console errors, uncaught exceptions and requests that leave the file in `problems`.
async function launch(executable, { width = 1400, height = 1000 } = {}) {
  const { chromium } = loadDriver();
  const browser = await chromium.launch({ executablePath: executable, headless: true,
    args: ChromiumFlags, timeout: 60000 });
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: 1 });

  async function openPage(url, problems) {
    const page = await context.newPage();
    page.on("pageerror", (e) => problems.push("exception: " + (e.stack || e.message)));
    page.on("console", (m) => {
      if (m.type() === "error" || m.type() === "assert")
        problems.push("console " + m.type() + ": " + m.text());
    });
    page.on("request", (r) => {
      if (!/^(file|data|about):/.test(r.url())) problems.push("network request: " + r.url());
    });
    await page.goto(url, { waitUntil: "load", timeout: 30000 });
    return {
      // Runs an expression in the page; returns its value (promises are awaited).
      evaluate: (expression) => page.evaluate(expression),
      screenshot: async (file, { fullPage = false } = {}) => {
        fs.mkdirSync(path.dirname(file), { recursive: true });
        await page.screenshot({ path: file, fullPage });
      },
    };
  }

  async function close() {
    await browser.close();
  }

  return { openPage, close };
}

// The frame of a page test run as `node SCRIPT --sim HARKVANE_SIM --work DIR --shots DIR`: skips
// (exit 77) without Chromium or the driver, gives main the arguments, the browser, a check
// function and the list the page's console errors and outside requests go to, then fails
// (exit 1) when a check failed, the page had problems or main threw.
function runPageTest(script, main) {
  const args = {};
  for (let i = 2; i + 1 < process.argv.length; i += 2) args[process.argv[i].slice(2)] = process.argv[i + 1];
  if (!args.sim || !args.work || !args.shots) {
    console.log(`usage: node ${script} --sim HARKVANE_SIM --work DIR --shots DIR`);
    process.exit(2);
  }
  const chromium = findChromium();
  if (!chromium) {
    console.log("SKIP: no Chromium (Debian package chromium; tools/deps.sh --test installs it)");
    process.exit(77);
  }
  if (!loadDriver()) {
    console.log("SKIP: no playwright-core in tests/browser/node_modules " +
      "(tools/deps.sh --test installs it with npm ci)");
    process.exit(77);
  }
  const failures = [];
  const check = (ok, what) => {
    console.log((ok ? "ok   " : "FAIL ") + what);
    if (!ok) failures.push(what);
  };
  const problems = [];
  main({ args, chromium, check, problems }).then(() => {
    check(problems.length === 0, "no console errors or outside requests" +
      (problems.length ? ":\n  " + problems.join("\n  ") : ""));
    if (failures.length) {
      console.log(`${failures.length} check(s) failed`);
      process.exit(1);
    }
  }, (e) => {
    console.log("FAIL " + (e.stack || e));
    process.exit(1);
  });
}

module.exports = { findChromium, launch, runPageTest };
