// A small DevTools-protocol driver for headless Chromium over its debugging pipe (file
// descriptors 3 and 4, messages ended by a NUL byte): no WebSocket client and no packages needed.
"use strict";
const { spawn } = require("child_process");
const fs = require("fs");
const os = require("os");
const path = require("path");

const ChromiumPaths = ["/usr/bin/chromium", "/usr/bin/chromium-browser"];

function findChromium() {
  if (process.env.CHROMIUM) return process.env.CHROMIUM;
  return ChromiumPaths.find((p) => fs.existsSync(p)) || null;
}

// Starts the browser; resolves to a connection with send(method, params, sessionId), on(event,
// handler), openPage(url) and close().
async function launch(executable, { width = 1400, height = 1000 } = {}) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), "harkvane-chromium-"));
  const child = spawn(
    executable,
    [
      "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync",
      "--disable-extensions", "--hide-scrollbars", "--mute-audio",
      `--user-data-dir=${profile}`, `--window-size=${width},${height}`,
      "--remote-debugging-pipe", "about:blank",
    ],
    { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
  let stderr = "";
  child.stderr.on("data", (d) => { stderr += d; });
  const toBrowser = child.stdio[3], fromBrowser = child.stdio[4];
  let nextId = 1, buffer = Buffer.alloc(0);
  const pending = new Map(), listeners = new Map();
  let exited = null;
  child.on("exit", (code, signal) => {
    exited = `chromium exited (${code === null ? signal : code})`;
    for (const { reject } of pending.values()) reject(new Error(exited + "\n" + stderr));
    pending.clear();
  });
  fromBrowser.on("data", (chunk) => {
    buffer = Buffer.concat([buffer, chunk]);
    for (let end = buffer.indexOf(0); end >= 0; end = buffer.indexOf(0)) {
      const message = JSON.parse(buffer.subarray(0, end).toString("utf8"));
      buffer = buffer.subarray(end + 1);
      if (message.id !== undefined && pending.has(message.id)) {
        const { resolve, reject, method } = pending.get(message.id);
        pending.delete(message.id);
        if (message.error) reject(new Error(`${method}: ${message.error.message}`));
        else resolve(message.result);
      } else if (message.method) {
        for (const handler of listeners.get(message.method) || []) handler(message.params, message.sessionId);
      }
    }
  });
  const send = (method, params = {}, sessionId) => new Promise((resolve, reject) => {
    if (exited) { reject(new Error(exited + "\n" + stderr)); return; }
    const id = nextId++;
    pending.set(id, { resolve, reject, method });
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    toBrowser.write(JSON.stringify(message) + "\0");
  });
  const on = (event, handler) => {
    if (!listeners.has(event)) listeners.set(event, []);
    listeners.get(event).push(handler);
  };
  const once = (event, sessionId, timeoutMs) => new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error(`no ${event} within ${timeoutMs} ms`)), timeoutMs);
    on(event, (params, sid) => {
      if (sid === sessionId) { clearTimeout(timer); resolve(params); }
    });
  });

  // A page of its own, attached in flat mode; its commands carry the session id.
  async function openPage(url, problems) {
    const { targetId } = await send("Target.createTarget", { url: "about:blank" });
    const { sessionId } = await send("Target.attachToTarget", { targetId, flatten: true });
    const page = (method, params) => send(method, params, sessionId);
    on("Runtime.exceptionThrown", (p, sid) => {
      if (sid === sessionId) problems.push("exception: " + p.exceptionDetails.text + " " +
        JSON.stringify(p.exceptionDetails.exception && p.exceptionDetails.exception.description));
    });
    on("Runtime.consoleAPICalled", (p, sid) => {
      if (sid === sessionId && (p.type === "error" || p.type === "assert"))
        problems.push("console " + p.type + ": " + p.args.map((a) => a.value ?? a.description).join(" "));
    });
    on("Log.entryAdded", (p, sid) => {
      if (sid === sessionId && p.entry.level === "error") problems.push("log error: " + p.entry.text);
    });
    on("Network.requestWillBeSent", (p, sid) => {
      if (sid === sessionId && !/^(file|data|about):/.test(p.request.url))
        problems.push("network request: " + p.request.url);
    });
    await page("Page.enable");
    await page("Runtime.enable");
    await page("Log.enable");
    await page("Network.enable");
    await page("Emulation.setDeviceMetricsOverride",
      { width, height, deviceScaleFactor: 1, mobile: false });
    const loaded = once("Page.loadEventFired", sessionId, 30000);
    const nav = await page("Page.navigate", { url });
    if (nav.errorText) throw new Error(`cannot open ${url}: ${nav.errorText}`);
    await loaded;
    // Runs an expression in the page; returns its value (promises are awaited).
    page.evaluate = async (expression) => {
      const r = await page("Runtime.evaluate",
        { expression, returnByValue: true, awaitPromise: true });
      if (r.exceptionDetails)
        throw new Error("in the page: " + (r.exceptionDetails.exception?.description || r.exceptionDetails.text));
      return r.result.value;
    };
    page.screenshot = async (file, { fullPage = false } = {}) => {
      const params = { format: "png" };
      if (fullPage) {
        const { cssContentSize } = await page("Page.getLayoutMetrics");
        params.captureBeyondViewport = true;
        params.clip = { x: 0, y: 0, width: cssContentSize.width, height: cssContentSize.height, scale: 1 };
      }
      const { data } = await page("Page.captureScreenshot", params);
      fs.mkdirSync(path.dirname(file), { recursive: true });
      fs.writeFileSync(file, Buffer.from(data, "base64"));
    };
    return page;
  }

  async function close() {
    if (!exited) {
      try { await send("Browser.close"); } catch (e) { /* already gone */ }
      await new Promise((resolve) => {
        if (exited) resolve(); else child.on("exit", resolve);
        setTimeout(() => { if (!exited) child.kill("SIGKILL"); resolve(); }, 5000);
      });
    }
    fs.rmSync(profile, { recursive: true, force: true });
  }

  return { send, on, openPage, close };
}

// The frame of a page test run as `node SCRIPT --sim HARKVANE_SIM --work DIR --shots DIR`: skips
// (exit 77) without Chromium, gives main the arguments, the browser, a check function and the
// list the page's console errors and outside requests go to, then fails (exit 1) when a check
// failed, the page had problems or main threw.
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
