// report.html: one self-contained page per run. The map with a replay of the player and the
// living hunters, the timeline filterable by kind, charts of the summary and the effective
// settings. Plain HTML, SVG and a small script; nothing is fetched from anywhere.
#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "report/report.h"
#include "report/svg_chart.h"

namespace {

// The timeline's filter groups: the name used in the page, its caption, and the entry kinds it
// holds. Kinds not listed fall under "other".
struct KindGroup {
    const char* name;
    const char* caption;
    std::vector<std::string> kinds;
};

const std::vector<KindGroup>& KindGroups() {
    static const std::vector<KindGroup> groups = {
        {"posse", "posses", {"posse", "ped_created"}},
        {"army", "army waves", {"army"}},
        {"fight", "fights", {"engaged", "gave_up", "horse_taken", "dismount"}},
        {"death", "deaths", {"ped_died", "player_died", "player_respawned"}},
        {"despawn", "despawns", {"despawned", "vanished"}},
        {"notice", "notices", {"notice"}},
        {"bounty", "bounty", {"bounty", "pursued", "law_region"}},
        {"state", "state files", {"state_file", "streak", "write_ini"}},
        {"other", "other", {}},
    };
    return groups;
}

const char* GroupOf(const std::string& kind) {
    for (const KindGroup& g : KindGroups())
        if (std::find(g.kinds.begin(), g.kinds.end(), kind) != g.kinds.end()) return g.name;
    return "other";
}

std::string RunTime(uint32_t ms) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%u:%02u.%u", ms / 60000, (ms / 1000) % 60, (ms / 100) % 10);
    return buf;
}

const char* KindCode(ModelKind k) {
    return k == ModelKind::Dog ? "d" : (k == ModelKind::Horse ? "m" : "h");
}

// The replay's data for the script: the frame of the map, the posse labels, the peds and the
// sampled positions in map pixels.
std::string ReplayJson(const World& w, const RunStats& stats, const RunRecord& r,
                       const MapFrame& f) {
    std::string s = "{\"end\":" + std::to_string(static_cast<uint64_t>(stats.seconds * 1000)) +
                    ",\"clock\":[" + std::to_string(w.opt.hour * 60 + w.opt.minute) + "," +
                    Num1(w.opt.clockRate) + "],\"posses\":[";
    for (size_t i = 0; i < w.posses.size(); ++i) {
        const PosseLabel& l = w.posses[i];
        const char* group = l.group == PosseGroup::Army
                                ? "army"
                                : (l.group == PosseGroup::Posse ? "posse" : "untracked");
        std::string label;
        for (char c : l.label)
            if (c != '"' && c != '\\' && c != '<') label += c;
        s += std::string(i ? "," : "") + "[\"" + PosseColour(static_cast<int>(i)) + "\",\"" +
             group + "\",\"" + label + "\"]";
    }
    s += "],\"peds\":[";
    for (size_t i = 0; i < r.peds.size(); ++i)
        s += std::string(i ? "," : "") + "[" + std::to_string(r.peds[i].posse) + ",\"" +
             KindCode(r.peds[i].kind) + "\"]";
    s += "],\"frames\":[";
    for (size_t i = 0; i < r.frames.size(); ++i) {
        const ReplayFrame& fr = r.frames[i];
        s += std::string(i ? ",\n" : "\n") + "[" + std::to_string(fr.ms) + "," +
             Num1(f.X(fr.player.x)) + "," + Num1(f.Y(fr.player.y)) + "," +
             (fr.playerDead ? "1" : "0") + "," + std::to_string(fr.bounty) + "," +
             std::to_string(fr.tracked) + ",[";
        for (size_t k = 0; k < fr.peds.size(); ++k)
            s += std::string(k ? "," : "") + std::to_string(fr.peds[k].first) + "," +
                 Num1(f.X(fr.peds[k].second.x)) + "," + Num1(f.Y(fr.peds[k].second.y));
        s += "]]";
    }
    s += "]}";
    return s;
}

// A numbered badge at the first spawn point of each posse, a lettered one for each army wave.
std::string Markers(const World& w, const RunRecord& r, const MapFrame& f) {
    std::string s;
    int posseNumber = 0;
    for (size_t i = 0; i < w.posses.size(); ++i) {
        const PosseLabel& l = w.posses[i];
        if (l.group == PosseGroup::Untracked) continue;
        const bool army = l.group == PosseGroup::Army;
        std::string text = army ? std::string(1, l.label.back()) : std::to_string(++posseNumber);
        // A posse whose members all failed to appear has no spawn point; its badge sits where the
        // player was when it was sent, so that every posse has one.
        Point2 at{w.opt.playerStart.x, w.opt.playerStart.y};
        for (const ReplayFrame& fr : r.frames)
            if (fr.ms <= l.spawnMs) at = fr.player;
        if (!l.spawnPoints.empty()) at = {l.spawnPoints.front().x, l.spawnPoints.front().y};
        s += "<g class=\"" + std::string(army ? "army-marker" : "posse-marker") +
             "\" data-posse=\"" + std::to_string(i) + "\" data-ms=\"" + std::to_string(l.spawnMs) +
             "\" transform=\"translate(" + Num1(f.X(at.x) + 14) + "," + Num1(f.Y(at.y) - 14) +
             ")\"><title>" + EscapeXml(l.label) + " at " + RunTime(l.spawnMs) + "</title>";
        if (army)
            s += "<rect x=\"-11\" y=\"-11\" width=\"22\" height=\"22\" rx=\"3\"";
        else
            s += "<circle r=\"12\"";
        s += " fill=\"" + PosseColour(static_cast<int>(i)) +
             "\" stroke=\"#fff\" stroke-width=\"2\"/><text y=\"5\" text-anchor=\"middle\">" + text +
             "</text></g>\n";
    }
    return s;
}

std::string Legend() {
    auto item = [](const std::string& svg, const char* text) {
        return "<span class=\"key\"><svg width=\"22\" height=\"16\" viewBox=\"-11 -8 22 16\">" +
               svg + "</svg>" + text + "</span>";
    };
    return "<div class=\"legend\">" +
           item("<circle r=\"6\" fill=\"#111\" stroke=\"#fff\" stroke-width=\"2\"/>", "player") +
           item("<circle r=\"5\" fill=\"#fff\" stroke=\"#000\" stroke-width=\"2.5\"/>", "start") +
           item("<line x1=\"-10\" x2=\"10\" stroke=\"#000\" stroke-width=\"2.5\" "
                "stroke-dasharray=\"5,3\"/>",
                "player's path") +
           item("<circle r=\"5\" fill=\"#d62728\" stroke=\"#fff\" stroke-width=\"1.5\"/>",
                "hunter") +
           item("<path d=\"M0 -5 L5 0 L0 5 L-5 0 Z\" fill=\"#d62728\" stroke=\"#fff\"/>", "dog") +
           item("<rect x=\"-5\" y=\"-5\" width=\"10\" height=\"10\" fill=\"#d62728\" "
                "stroke=\"#fff\"/>",
                "horse") +
           item("<circle r=\"7\" fill=\"#1f77b4\"/><text y=\"3.5\" font-size=\"9\" "
                "text-anchor=\"middle\" fill=\"#fff\">1</text>",
                "posse sent") +
           item("<rect x=\"-7\" y=\"-7\" width=\"14\" height=\"14\" fill=\"#9467bd\"/><text "
                "y=\"3.5\" font-size=\"9\" text-anchor=\"middle\" fill=\"#fff\">A</text>",
                "army wave") +
           item("<rect x=\"-3\" y=\"-3\" width=\"6\" height=\"6\" fill=\"#1f77b4\"/>",
                "spawn point") +
           item("<line x1=\"-10\" x2=\"10\" stroke=\"#1f77b4\" stroke-width=\"1.5\"/>",
                "posse path") +
           item("<text y=\"4\" font-size=\"12\" text-anchor=\"middle\">x</text>", "death") +
           item("<circle r=\"6\" fill=\"#b6e3a8\" stroke=\"#2e7d32\"/>", "camp") +
           item("<circle r=\"6\" fill=\"#ffe08a\" stroke=\"#a07800\"/>", "town") +
           item("<line x1=\"-10\" x2=\"10\" stroke=\"#8b6b3d\" stroke-width=\"3\"/>", "road") +
           item("<rect x=\"-8\" y=\"-6\" width=\"16\" height=\"12\" fill=\"#6fa8dc\"/>", "water") +
           "</div>\n";
}

std::string Timeline(const RunRecord& r) {
    std::map<std::string, int> counts;
    std::string items;
    for (const TimelineEntry& e : r.entries) {
        const char* group = GroupOf(e.kind);
        ++counts[group];
        items += "<li data-kind=\"" + std::string(group) + "\" data-ms=\"" + std::to_string(e.ms) +
                 "\"><time>" + RunTime(e.ms) + "</time><span class=\"tag " + group + "\">" + group +
                 "</span>" + EscapeXml(e.text) + "</li>\n";
    }
    std::string s = "<div class=\"filters\" id=\"filters\">";
    for (const KindGroup& g : KindGroups())
        s += "<label class=\"chip " + std::string(g.name) +
             "\"><input type=\"checkbox\" checked value=\"" + g.name + "\">" + g.caption +
             " <span class=\"n\">" + std::to_string(counts[g.name]) + "</span></label>";
    s += "<button type=\"button\" id=\"show-all\">all</button><button type=\"button\" "
         "id=\"show-none\">none</button></div>\n";
    s += "<ol id=\"timeline\">\n" + items + "</ol>\n";
    return s;
}

std::string Tile(const std::string& value, const std::string& caption) {
    return "<div class=\"tile\"><b>" + EscapeXml(value) + "</b><span>" + EscapeXml(caption) +
           "</span></div>";
}

std::string Charts(const RunStats& stats, const RunRecord& r) {
    std::vector<double> ms, bounty, tracked;
    for (const ReplayFrame& f : r.frames) {
        ms.push_back(f.ms);
        bounty.push_back(f.bounty / 100.0);
        tracked.push_back(f.tracked);
    }
    const double end = stats.seconds * 1000;
    std::vector<BarStack> bars;
    const std::vector<std::string> variants = {"Foot", "Dogs", "Horse"};
    for (const char* tier : {"T1", "T2", "T3", "T4", "T5"}) {
        BarStack b{tier, {}};
        for (const std::string& v : variants) {
            const auto it = stats.possesByTierVariant.find(std::string(tier) + " " + v);
            b.values.push_back(it == stats.possesByTierVariant.end() ? 0 : it->second);
        }
        bars.push_back(b);
    }
    return "<section class=\"charts\">"
           "<div class=\"card\"><h2>Bounty</h2>" +
           TimeChart("chart-bounty", ms, bounty, end, "#b8860b", "$") +
           "</div><div class=\"card\"><h2>Tracked peds</h2>" +
           TimeChart("chart-tracked", ms, tracked, end, "#1f77b4", "") +
           "</div><div class=\"card\"><h2>Posses by tier and variant</h2>" +
           StackedBarChart("chart-posses", bars, variants, {"#8c6d46", "#d98c2b", "#4f7cac"}) +
           "</div></section>\n";
}

const char* const Style = R"css(
*{box-sizing:border-box}
body{margin:0;font:14px/1.45 "DejaVu Sans",Verdana,sans-serif;color:#222;background:#f3f1ec}
header{background:#3b2f25;color:#f7efe2;padding:14px 24px 16px}
header h1{margin:0;font-size:22px;font-weight:600;letter-spacing:.3px}
header p{margin:2px 0 10px;color:#d9c9b0}
.tiles{display:flex;flex-wrap:wrap;gap:8px}
.tile{background:#524234;border-radius:6px;padding:5px 12px;min-width:98px}
.tile b{display:block;font-size:19px;color:#fff}
.tile span{font-size:12px;color:#d9c9b0}
main{padding:16px 24px;display:grid;grid-template-columns:minmax(520px,3fr) minmax(420px,2fr);gap:16px;max-width:1680px}
.card{background:#fff;border:1px solid #ddd6ca;border-radius:8px;padding:12px 14px}
.card h2{margin:0 0 8px;font-size:15px;font-weight:600;color:#3b2f25}
#map{width:100%;height:auto;display:block;border-radius:4px;background:#fff;cursor:grab;touch-action:none}
#map polyline,#map line{vector-effect:non-scaling-stroke}
.posse-marker,.army-marker{cursor:pointer}
.hint{font-size:12px;font-weight:normal;color:#777;float:right;margin-top:2px}
#map text{font-family:"DejaVu Sans",Verdana,sans-serif}
.posse-marker text,.army-marker text{font-size:14px;font-weight:bold;fill:#fff;pointer-events:none}
.posse-marker.future,.army-marker.future{opacity:.35}
.path{stroke-opacity:.3}
#player.dead circle{fill:#999}
.path.live{stroke-opacity:1;stroke-width:2}
.controls{display:flex;align-items:center;gap:10px;margin-top:10px}
.controls input[type=range]{flex:1}
.controls button{font:inherit;padding:4px 12px;border:1px solid #8b7b66;background:#f7efe2;border-radius:4px;cursor:pointer;min-width:78px}
#clock{font-variant-numeric:tabular-nums;min-width:128px;text-align:right}
#status{margin-top:6px;color:#444;font-size:13px;min-height:19px}
.legend{display:flex;flex-wrap:wrap;gap:4px 14px;margin-top:8px;font-size:12px;color:#444}
.key{display:inline-flex;align-items:center;gap:4px}
.filters{display:flex;flex-wrap:wrap;gap:6px;margin-bottom:8px}
.chip{border:1px solid #ccc;border-radius:14px;padding:1px 9px 1px 5px;font-size:12px;cursor:pointer;user-select:none;background:#faf8f4}
.chip input{margin:0 4px 0 0;vertical-align:-2px}
.chip .n{color:#777}
.filters button{font:inherit;font-size:12px;border:1px solid #ccc;border-radius:14px;background:#fff;padding:1px 10px;cursor:pointer}
#timeline-card{display:flex;flex-direction:column}
#timeline{list-style:none;margin:0;padding:0;flex:1 1 0;min-height:300px;overflow-y:auto;position:relative;border-top:1px solid #eee;font-size:12.5px}
#timeline li{padding:2px 6px;border-bottom:1px solid #f1eee8;cursor:pointer;display:flex;gap:8px;align-items:baseline}
#timeline li[hidden]{display:none}
#timeline li:hover{background:#f7f1e6}
#timeline li.past{color:#222}
#timeline li.future{color:#999}
#timeline li.current{background:#fde9b8}
#timeline time{font-variant-numeric:tabular-nums;color:#666;min-width:48px}
.tag{font-size:10.5px;border-radius:3px;padding:0 5px;color:#fff;min-width:52px;text-align:center;flex:none}
.tag.posse{background:#1f77b4}.tag.army{background:#7b3fa0}.tag.fight{background:#d35400}
.tag.death{background:#222}.tag.despawn{background:#7f7f7f}.tag.notice{background:#2a9d8f}
.tag.bounty{background:#b8860b}.tag.state{background:#556b2f}.tag.other{background:#aaa}
.charts{grid-column:1/-1;display:flex;flex-wrap:wrap;gap:16px}
.charts .card{flex:1;min-width:440px}
.chart{display:block;max-width:100%;height:auto}
.lower{grid-column:1/-1;display:grid;grid-template-columns:1fr 1fr;gap:16px}
table{border-collapse:collapse;font-size:13px;width:100%}
td{padding:2px 8px;border-bottom:1px solid #f0ece4}
td:last-child{text-align:right;font-variant-numeric:tabular-nums}
pre{font-size:12px;background:#faf8f4;border:1px solid #eee;padding:8px;max-height:520px;overflow:auto;margin:0}
details{margin-top:10px}
)css";

const char* const Script = R"js(
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
)js";

} // namespace

std::string ReportHtml(const World& w, const RunStats& stats, const RunRecord& record,
                       const std::string& summaryJson, const std::string& settingsText) {
    const MapFrame f = FrameMap(w);
    const WorldCounters& c = w.counters;
    const std::string title =
        "Harkvane run report: " + stats.scenario + " (seed " + std::to_string(stats.seed) + ")";
    int notices = 0, peds = 0;
    for (const auto& kv : c.notices)
        notices += kv.second;
    for (const auto& kv : c.pedsByKind)
        peds += kv.second;
    const uint64_t endMs = static_cast<uint64_t>(stats.seconds * 1000);

    std::string s = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
    // The page may load nothing: its styles and script are inline and it has no other sources.
    s += "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
         "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n";
    s += "<title>" + EscapeXml(title) + "</title>\n<style>" + Style + "</style>\n</head>\n<body>\n";
    s += "<header><h1>" + EscapeXml(title) + "</h1><p>" + RunTime(static_cast<uint32_t>(endMs)) +
         " of game-timer time, " + std::to_string(w.frame) + " frames</p><div class=\"tiles\">" +
         Tile(std::to_string(stats.posses), "posses sent") +
         Tile(std::to_string(stats.harkvaneStarted) + " / " + std::to_string(stats.harkvaneWon),
              "army events / won") +
         Tile(std::to_string(peds), "peds created") +
         Tile(std::to_string(c.hunterDeaths), "hunters killed") +
         Tile(std::to_string(c.deletions), "despawned") +
         Tile(std::to_string(stats.maxTrackedPeds), "most tracked peds") +
         Tile(std::to_string(c.playerDeaths), "player deaths") +
         Tile(FormatCents(w.bounty), "final bounty") +
         Tile(std::to_string(notices), "notices shown") + "</div></header>\n<main>\n";

    s += "<section class=\"card\" id=\"map-card\"><h2>Map<span class=\"hint\">wheel: zoom · "
         "drag: move · double-click: whole map · click a badge: its moment</span></h2>\n";
    s += "<svg id=\"map\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + Num1(f.size) +
         " " + Num1(f.size) + "\">\n" + MapLayers(w, f) + "<g id=\"markers\">\n" +
         Markers(w, record, f) +
         "</g>\n<g id=\"live\"></g>\n<g id=\"player\"><circle r=\"10\" fill=\"#111\" "
         "stroke=\"#fff\" stroke-width=\"2.5\"/><title>player</title></g>\n</svg>\n";
    s += "<div class=\"controls\"><button type=\"button\" id=\"play\">▶ Play</button>"
         "<input type=\"range\" id=\"slider\" min=\"0\" max=\"" +
         std::to_string(endMs) +
         "\" step=\"1\" value=\"0\" aria-label=\"run time\"><span id=\"clock\"></span>"
         "<select id=\"speed\" aria-label=\"speed\"><option value=\"10\">10×</option>"
         "<option value=\"30\" selected>30×</option><option value=\"60\">60×</option>"
         "<option value=\"120\">120×</option></select></div>\n<div id=\"status\"></div>\n";
    s += Legend() + "</section>\n";

    s += "<section class=\"card\" id=\"timeline-card\"><h2>Timeline</h2>\n" + Timeline(record) +
         "</section>\n";
    s += Charts(stats, record);

    s += "<section class=\"lower\"><div class=\"card\"><h2>Summary</h2><table>\n";
    auto row = [&](const std::string& k, const std::string& v) {
        s += "<tr><td>" + EscapeXml(k) + "</td><td>" + EscapeXml(v) + "</td></tr>\n";
    };
    row("posses sent", std::to_string(stats.posses));
    for (const auto& kv : stats.possesByTierVariant)
        row("  " + kv.first, std::to_string(kv.second));
    row("members deferred / placed later",
        std::to_string(stats.membersDeferred) + " / " + std::to_string(stats.deferredPlaced));
    for (const auto& kv : c.pedsByKind)
        row("peds created: " + kv.first, std::to_string(kv.second));
    row("hunters killed", std::to_string(c.hunterDeaths));
    for (const auto& kv : c.despawnReasons)
        row("despawned: " + kv.first, std::to_string(kv.second));
    row("army events started / won / waves", std::to_string(stats.harkvaneStarted) + " / " +
                                                 std::to_string(stats.harkvaneWon) + " / " +
                                                 std::to_string(stats.harkvaneWaves));
    row("most tracked peds (cap)",
        std::to_string(stats.maxTrackedPeds) + " (" + std::to_string(stats.trackedCap) + ")");
    row("player deaths / respawns",
        std::to_string(c.playerDeaths) + " / " + std::to_string(c.playerRespawns));
    row("final bounty", FormatCents(w.bounty));
    for (const auto& kv : stats.files)
        row("file " + kv.first + " at the end", kv.second);
    s += "</table>\n<details><summary>summary.json</summary><pre>" + EscapeXml(summaryJson) +
         "</pre></details></div>\n";
    s += "<div class=\"card\"><h2>Effective settings</h2><pre id=\"settings\">" +
         EscapeXml(settingsText) + "</pre></div></section>\n</main>\n";

    // The data goes in a JSON block; "</" is written "<\/" so it cannot end the script element.
    std::string json = ReplayJson(w, stats, record, f);
    for (size_t at = json.find("</"); at != std::string::npos; at = json.find("</", at + 3))
        json.replace(at, 2, "<\\/");
    s += "<script id=\"replay\" type=\"application/json\">" + json + "</script>\n";
    s += "<script>" + std::string(Script) + "</script>\n</body>\n</html>\n";
    return s;
}
