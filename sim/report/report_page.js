"use strict";
const data = JSON.parse(document.getElementById("replay").textContent);
const frames = data.frames;
const svgNs = "http://www.w3.org/2000/svg";
const slider = document.getElementById("slider");
const clock = document.getElementById("clock");
const statusLine = document.getElementById("status");
const live = document.getElementById("live");
const player = document.getElementById("player");
const playButton = document.getElementById("play");
const speed = document.getElementById("speed");
const entries = Array.from(document.querySelectorAll("#timeline li"));
const list = document.getElementById("timeline");
const markers = Array.from(document.querySelectorAll(".posse-marker,.army-marker"));
const paths = Array.from(document.querySelectorAll("#map .path"));
const cursors = Array.from(document.querySelectorAll("svg.chart[data-t1]"));
const shapes = new Map();
const map = document.getElementById("map");
const whole = map.viewBox.baseVal.width;
let view = [0, 0, whole, whole];
// Zoomed in, badges and peds keep their size on screen.
function markScale() { return view[2] / whole; }
let now = 0, playing = false, lastTick = 0, current = null;

function pad(n, w) { return String(n).padStart(w, "0"); }
function runTime(ms) {
  return Math.floor(ms / 60000) + ":" + pad(Math.floor(ms / 1000) % 60, 2) + "." +
         Math.floor(ms / 100) % 10;
}
function gameClock(ms) {
  const minutes = Math.floor(data.clock[0] + ms / 1000 * data.clock[1] / 60) % 1440;
  return pad(Math.floor(minutes / 60), 2) + ":" + pad(minutes % 60, 2);
}
function money(cents) { return "$" + (cents / 100).toFixed(2); }
// The last sampled frame at or before t.
function frameAt(t) {
  let lo = 0, hi = frames.length - 1;
  if (hi < 0 || frames[0][0] > t) return -1;
  while (lo < hi) {
    const mid = (lo + hi + 1) >> 1;
    if (frames[mid][0] <= t) lo = mid; else hi = mid - 1;
  }
  return lo;
}
function shapeFor(index) {
  let s = shapes.get(index);
  if (s) return s;
  const ped = data.peds[index], posse = data.posses[ped[0]];
  const kind = ped[1] === "d" ? "dog" : ped[1] === "m" ? "horse" : "human";
  if (kind === "human") {
    s = document.createElementNS(svgNs, "circle");
    s.setAttribute("r", "8");
  } else if (kind === "dog") {
    s = document.createElementNS(svgNs, "path");
    s.setAttribute("d", "M0 -8 L8 0 L0 8 L-8 0 Z");
  } else {
    s = document.createElementNS(svgNs, "rect");
    s.setAttribute("x", "-7"); s.setAttribute("y", "-7");
    s.setAttribute("width", "14"); s.setAttribute("height", "14");
  }
  s.setAttribute("class", "ped");
  s.dataset.posse = ped[0];
  s.dataset.kind = kind;
  s.setAttribute("fill", posse ? posse[0] : "#555");
  s.setAttribute("stroke", "#fff");
  s.setAttribute("stroke-width", "1.5");
  const title = document.createElementNS(svgNs, "title");
  title.textContent = (posse ? posse[2] : "ped") + " (" + kind + ")";
  s.appendChild(title);
  shapes.set(index, s);
  return s;
}
function draw(follow) {
  const i = frameAt(now);
  slider.value = now;
  clock.textContent = runTime(now) + "  ·  " + gameClock(now);
  const seen = new Set(), livePosses = new Set();
  let humans = 0, dogs = 0, horses = 0;
  if (i >= 0) {
    const f = frames[i], next = frames[i + 1];
    const a = next && next[0] > f[0] ? Math.min(1, (now - f[0]) / (next[0] - f[0])) : 0;
    const ahead = new Map();
    if (next) for (let k = 0; k < next[6].length; k += 3) ahead.set(next[6][k], k);
    let px = f[1], py = f[2];
    if (next && !f[3] && !next[3]) { px += (next[1] - px) * a; py += (next[2] - py) * a; }
    player.setAttribute("transform", "translate(" + px.toFixed(1) + "," + py.toFixed(1) + ") scale(" + markScale() + ")");
    player.classList.toggle("dead", f[3] === 1);
    const p = f[6];
    for (let k = 0; k < p.length; k += 3) {
      const index = p[k];
      let x = p[k + 1], y = p[k + 2];
      const j = ahead.get(index);
      if (j !== undefined) { x += (next[6][j + 1] - x) * a; y += (next[6][j + 2] - y) * a; }
      const s = shapeFor(index);
      s.setAttribute("transform", "translate(" + x.toFixed(1) + "," + y.toFixed(1) + ") scale(" + markScale() + ")");
      if (s.parentNode !== live) live.appendChild(s);
      seen.add(index);
      livePosses.add(String(data.peds[index][0]));
      const kind = data.peds[index][1];
      if (kind === "d") dogs++; else if (kind === "m") horses++; else humans++;
    }
    statusLine.textContent = "bounty " + money(f[4]) + "  ·  alive: " + humans + " hunters, " +
        dogs + " dogs, " + horses + " horses  ·  tracked " + f[5] + (f[3] ? "  ·  player dead" : "");
  }
  for (const [index, s] of shapes) if (!seen.has(index) && s.parentNode) s.remove();
  for (const m of markers) m.classList.toggle("future", Number(m.dataset.ms) > now);
  for (const l of paths) l.classList.toggle("live", livePosses.has(l.dataset.posse));
  for (const c of cursors) {
    const x0 = Number(c.dataset.x0), x1 = Number(c.dataset.x1), t1 = Number(c.dataset.t1);
    const x = (x0 + (x1 - x0) * Math.min(1, now / t1)).toFixed(1);
    const line = c.querySelector(".cursor");
    line.setAttribute("x1", x); line.setAttribute("x2", x);
  }
  let last = null;
  for (const e of entries) {
    const past = Number(e.dataset.ms) <= now;
    e.classList.toggle("future", !past);
    if (past && !e.hidden) last = e;
  }
  if (last !== current) {
    if (current) current.classList.remove("current");
    if (last) last.classList.add("current");
    current = last;
    if (follow && current) list.scrollTop = current.offsetTop - list.clientHeight / 2;
  }
}
// follow: keep the timeline's current entry in view (not when the entry was just clicked).
function setTime(t, follow) { now = Math.max(0, Math.min(data.end, t)); draw(follow); }
function tick(stamp) {
  if (!playing) return;
  if (lastTick) setTime(now + (stamp - lastTick) * Number(speed.value), true);
  lastTick = stamp;
  if (now >= data.end) { pause(); return; }
  requestAnimationFrame(tick);
}
function pause() { playing = false; playButton.textContent = "▶ Play"; }
playButton.addEventListener("click", () => {
  if (playing) { pause(); return; }
  if (now >= data.end) now = 0;
  playing = true; lastTick = 0; playButton.textContent = "❚❚ Pause";
  requestAnimationFrame(tick);
});
slider.addEventListener("input", () => { pause(); setTime(Number(slider.value), true); });
list.addEventListener("click", (ev) => {
  const li = ev.target.closest("li");
  if (!li) return;
  pause();
  setTime(Number(li.dataset.ms));
});
function applyFilters() {
  const on = new Set();
  for (const box of document.querySelectorAll("#filters input")) if (box.checked) on.add(box.value);
  for (const e of entries) e.hidden = !on.has(e.dataset.kind);
  current = null;
  draw();
}
document.getElementById("filters").addEventListener("change", applyFilters);
function setAll(checked) {
  for (const box of document.querySelectorAll("#filters input")) box.checked = checked;
  applyFilters();
}
document.getElementById("show-all").addEventListener("click", () => setAll(true));
document.getElementById("show-none").addEventListener("click", () => setAll(false));
// Wheel: zoom about the pointer; drag: pan; double-click: the whole map again.
function setView(v) {
  const w = Math.min(whole, Math.max(whole / 12, v[2]));
  const x = Math.min(whole - w, Math.max(0, v[0])), y = Math.min(whole - w, Math.max(0, v[1]));
  view = [x, y, w, w];
  map.setAttribute("viewBox", view.map((n) => n.toFixed(1)).join(" "));
  for (const m of markers) m.setAttribute("transform", m.dataset.at + " scale(" + markScale() + ")");
  draw(false);
}
for (const m of markers) {
  m.dataset.at = m.getAttribute("transform");
  m.addEventListener("click", () => { pause(); setTime(Number(m.dataset.ms), true); });
}
map.addEventListener("wheel", (ev) => {
  ev.preventDefault();
  const r = map.getBoundingClientRect();
  const fx = (ev.clientX - r.left) / r.width, fy = (ev.clientY - r.top) / r.height;
  const w = Math.min(whole, Math.max(whole / 12, view[2] * (ev.deltaY < 0 ? 0.8 : 1.25)));
  setView([view[0] + fx * (view[2] - w), view[1] + fy * (view[2] - w), w]);
}, { passive: false });
let drag = null;
map.addEventListener("pointerdown", (ev) => {
  if (ev.target.closest(".posse-marker,.army-marker")) return;
  drag = { x: ev.clientX, y: ev.clientY, view: view.slice() };
  map.setPointerCapture(ev.pointerId);
});
map.addEventListener("pointermove", (ev) => {
  if (!drag) return;
  const k = view[2] / map.getBoundingClientRect().width;
  setView([drag.view[0] - (ev.clientX - drag.x) * k, drag.view[1] - (ev.clientY - drag.y) * k, view[2]]);
});
map.addEventListener("pointerup", () => { drag = null; });
map.addEventListener("dblclick", () => setView([0, 0, whole]));
setTime(0);
