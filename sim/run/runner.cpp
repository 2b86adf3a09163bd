// The in-process run: sets up the world, drives the plug-in's start-up and frame passes, watches
// its bookkeeping into the run's record, and unloads it. The pages are drawn elsewhere (report/).
#include "run/runner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <span>
#include <sstream>
#include <unordered_map>

#include "config/config_checks.h"
#include "config/config_report.h"
#include "host/main_loop.h"
#include "hostkit/text_file.h"
#include "os/os.h"
#include "platform/atomic_file.h"
#include "platform/crt_rand.h"
#include "platform/file_writes.h"
#include "platform/host_link.h"
#include "platform/keys.h"
#include "platform/log_file.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "posse/despawn.h"
#include "scenario/plugin_files.h"
#include "state/plugin_state.h"
#include "state/story.h"
#include "world/sim_host.h"
#include "world/trace_file.h"
#include "world/world_story.h"

namespace fs = std::filesystem;

namespace {

const char* const StateFiles[] = {"Harkvane.ini", "Harkvane.dat", "BountyPools.dat"};

// The report's replay samples positions this often (and at every frame that places peds).
constexpr uint32_t ReplaySampleMs = 1000;

const HostFunctions SimHost = {SimScriptRegister, SimScriptUnregister, SimScriptWait,
                               SimNativeInit,     SimNativePush64,     SimNativeCall,
                               SimNativeAnswer};

// The plug-in's files as they stand now (in the work directory).
std::map<std::string, std::string> StateFilesNow() {
    std::map<std::string, std::string> files;
    for (const char* name : StateFiles) {
        std::string text;
        if (ReadTextFile(name, &text)) files[name] = std::move(text);
    }
    return files;
}

std::string Stamp(const World& w) {
    int y, mo, d, h, mi;
    ClockFields(w, &y, &mo, &d, &h, &mi);
    const uint32_t ms = ElapsedMs(w);
    char buf[48];
    std::snprintf(buf, sizeof buf, "[%3u:%02u.%01u %02d:%02d]", ms / 60000, (ms / 1000) % 60,
                  (ms / 100) % 10, h, mi);
    return buf;
}

// A log name that stays inside the work folder: only such a log is cleared before a run.
bool InsideWorkFolder(const std::string& name) {
    const fs::path p(name);
    if (name.empty() || p.is_absolute() || p.has_root_name()) return false;
    for (const fs::path& part : p)
        if (part == "..") return false;
    return true;
}

std::string ReadFrom(const std::string& path, uint64_t offset) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::string();
    in.seekg(static_cast<std::streamoff>(offset));
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Trimmed(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r'))
        s.pop_back();
    return s;
}

const char* StageName(ArmyStage stage) {
    switch (stage) {
    case WaveAFilling:
        return "wave A filling";
    case WaitingForB:
        return "waiting for wave B";
    case WaveBFilling:
        return "wave B arriving";
    case WaitingForC:
        return "waiting for wave C";
    case WaveCFilling:
        return "wave C arriving";
    case AllWavesOut:
        return "all waves out";
    }
    return "unknown stage";
}

// Tells the story of posses and the army from what the plug-in says it decided (state/story.h),
// heard during the frame and told after it, with what the world saw of it.
struct Observer {
    // This frame's posses and army events, each with the number of peds the world had placed in
    // the frame when it was told: a posse's members are the last ones placed before its event.
    struct Heard {
        StoryEvent event;
        size_t placedBefore;
    };
    std::vector<Heard> heard;
    // Why the plug-in deleted peds, as it told it since the world's events were last told: a
    // despawn of one ped just before its deletion, a clear-out of the posse just after its
    // deletions; each with the number of world events there were when it was told.
    struct Despawn {
        bool clearOut = false;
        Ped ped = 0; // a single despawn's
        std::string reason;
        size_t eventsBefore = 0;
        bool matched = false;
    };
    std::vector<Despawn> despawns;
    const World* world = nullptr;
    RunRecord* record = nullptr; // the run's, with the world's story in it
    // Where each plug-in ped stands on the map: its group and its place in it, kept by handle
    // with the ped's serial (a reused handle names another ped).
    struct Place {
        uint64_t serial = 0;
        int posse = -1, member = -1;
    };
    std::unordered_map<Ped, Place> places;
    bool armyOn = false; // the army event runs, as the plug-in told it
    ArmyStage armyStage = WaveAFilling;
    ArmyEnd armyEnd = ArmyEnd::Cleared; // how it last ended
    int toldStage = -1;                 // the stage the timeline last told, -1 for none
    bool waveOpened = false;            // a new wave's group was opened this frame
    bool armyOnBefore = false;          // at the end of the previous frame
    int32_t streak = -1;
    bool queueWaiting = false;
    uint32_t queueSinceMs = 0;
    std::map<std::string, std::string> files;
    uint32_t nextFileCheckMs = 0;
    uint64_t filesWrittenAtRead = 0; // FilesWrittenSoFar() when they were last read
    int framesAboveCap = 0;
    std::unordered_map<Ped, int> replayIndex; // handle -> index into the record's peds
    uint32_t nextReplayMs = 0;
    std::string logPath; // the player's log being followed, and how much of it is read
    uint64_t logRead = 0;
    std::string logPartial; // a line not yet ended
};

// The player's log ([Debug] LogFile) of the laid-out settings file starts empty, so the run's
// timeline holds only this run's lines; a log outside the work folder is left alone and followed
// from where it stands.
void StartPluginLog(Observer& ob) {
    char name[MaxLogPathBytes + 1];
    GetPrivateProfileStringA("Debug", "LogFile", "", name, sizeof name, ".\\Harkvane.ini");
    if (name[0] == '\0') return;
    const std::string path = PlatformPath(name);
    std::error_code ec;
    if (InsideWorkFolder(path)) {
        fs::remove(path, ec);
        fs::remove(path + ".1", ec);
    }
    ob.logPath = path;
    const uint64_t size = fs::file_size(path, ec);
    ob.logRead = ec ? 0 : size;
}

// One timeline line: the stamped text for the readable account, and the moment and kind beside
// the bare text for the report page.
void Line(RunOutcome& out, const RunOptions& o, const char* kind, uint32_t ms,
          const std::string& stamp, const std::string& text) {
    const std::string line = stamp + " " + text;
    out.timeline.push_back(line);
    out.record.entries.push_back({ms, kind, text});
    if (o.printTimeline) std::printf("%s\n", line.c_str());
}

// The player's log as the plug-in writes it: each line it gained joins the timeline as a "log"
// entry at this moment. A log rolled over since the last look is read on in "<name>.1" first.
void FollowPluginLog(const World& w, Observer& ob, RunOutcome& out, const RunOptions& o) {
    const std::string& name = G.settings.Debug.LogFile;
    if (name.empty()) return;
    const std::string path = PlatformPath(name.c_str());
    if (path != ob.logPath) {
        ob.logPath = path;
        ob.logRead = 0;
        ob.logPartial.clear();
    }
    std::error_code ec;
    const uint64_t size = fs::file_size(path, ec);
    if (ec) return;
    std::string added;
    if (size < ob.logRead) {
        added = ReadFrom(path + ".1", ob.logRead);
        ob.logRead = 0;
    }
    if (size > ob.logRead) added += ReadFrom(path, ob.logRead);
    ob.logRead = size;
    if (added.empty()) return;
    ob.logPartial += added;
    size_t start = 0;
    for (size_t end; (end = ob.logPartial.find('\n', start)) != std::string::npos; start = end + 1)
        Line(out, o, "log", ElapsedMs(w), Stamp(w),
             "log: " + ob.logPartial.substr(start, end - start));
    ob.logPartial.erase(0, start);
}

// The ped's group on the map, or nullptr when it has none.
const Observer::Place* PlaceOf(const Observer& ob, const SimPed& p) {
    const auto it = ob.places.find(p.handle);
    return it != ob.places.end() && it->second.serial == p.serial ? &it->second : nullptr;
}

int NewPosse(const World& w, Observer& ob, const std::string& label, PosseGroup group) {
    PosseLabel l;
    l.label = label;
    l.group = group;
    l.spawnMs = ElapsedMs(w);
    std::vector<PosseLabel>& posses = ob.record->posses;
    posses.push_back(l);
    return static_cast<int>(posses.size()) - 1;
}

// Puts the peds among `peds` that have no group yet into the posse's group on the map.
void AdoptCreated(World& w, Observer& ob, int posse, std::span<const Ped> peds) {
    if (posse < 0) return;
    for (Ped h : peds) {
        SimPed* p = FindPed(w, h);
        if (!p || PlaceOf(ob, *p)) continue;
        PosseLabel& l = ob.record->posses[posse];
        ob.places[h] = {p->serial, posse, static_cast<int>(l.paths.size())};
        l.paths.push_back({p->pos});
        l.spawnPoints.push_back(p->pos);
        l.members.push_back(h);
    }
}

// The rest of a posse gathers around its anchor, which must be the first member the world took.
void NoteAnchor(const World& w, std::span<const Ped> members, RunStats& st) {
    const SimPed* first = nullptr;
    for (Ped h : members) {
        const SimPed* p = FindPed(w, h);
        if (p && p->kind != ModelKind::Horse) {
            first = p;
            break;
        }
    }
    if (!first) return;
    const Ped anchor = G.spawn.AnchorPed;
    const SimPed* a = FindPed(w, anchor);
    if (!a || std::find(members.begin(), members.end(), anchor) == members.end()) {
        ++st.anchorMissing;
        return;
    }
    if (a == first) ++st.anchoredOnFirstPlaced;
    for (Ped h : members)
        if (const SimPed* p = FindPed(w, h))
            st.maxSpreadFromAnchor =
                std::max(st.maxSpreadFromAnchor, std::hypot(p->createdAt.x - a->createdAt.x,
                                                            p->createdAt.y - a->createdAt.y));
}

// Why a ped was deleted, in the words the summary has always counted.
const char* DespawnWords(DespawnReason reason) {
    switch (reason) {
    case DespawnReason::FellBehind:
        return "fell far behind";
    case DespawnReason::ListCap:
        return "list cap";
    case DespawnReason::OldHorse:
    case DespawnReason::UnpairedHorse:
        return "horse clean-up";
    case DespawnReason::Unloaded:
        return "plug-in unloaded";
    }
    return "unknown reason";
}

// Why the posse was cleared; a shelter is named by where the player stands as it is cleared.
std::string ClearWords(const World& w, ClearReason reason) {
    switch (reason) {
    case ClearReason::Camp:
    case ClearReason::Town:
        if (const SimPed* player = FindPed(w, w.playerPed))
            if (const Landmark* l = ShelterHolding(w, player->pos.x, player->pos.y))
                return "shelter: " + l->name;
        return "shelter";
    case ClearReason::PlayerDied:
        return "player died";
    case ClearReason::Mission:
        return "story mission";
    }
    return "unknown reason";
}

// The reason for the deletion the world told as its event `index`: the despawn told for that ped
// before it, else the clear-out told after it.
std::string DespawnReasonOf(Observer& ob, size_t index, Ped ped) {
    for (Observer::Despawn& d : ob.despawns) {
        if (d.clearOut || d.matched || d.ped != ped || d.eventsBefore > index) continue;
        d.matched = true;
        return d.reason;
    }
    for (const Observer::Despawn& d : ob.despawns)
        if (d.clearOut && d.eventsBefore > index) return d.reason;
    return "no reason told";
}

// The plug-in's own account, kept until the frame is observed: its posses and its army (plain
// values only, so the events outlive the call), and why it deleted peds.
void HearStory(void* observer, const StoryEvent& e) {
    Observer& ob = *static_cast<Observer*>(observer);
    const size_t events = ob.record->world.events.size();
    switch (e.kind) {
    case StoryKind::PedDespawned:
        ob.despawns.push_back({false, e.despawned.ped, DespawnWords(e.despawned.reason), events});
        break;
    case StoryKind::PosseCleared:
        ob.despawns.push_back({true, 0, ClearWords(*ob.world, e.cleared.reason), events});
        break;
    case StoryKind::PosseSent:
    case StoryKind::ArmyStarted:
    case StoryKind::ArmyStageChanged:
    case StoryKind::ArmyEnded: {
        ob.heard.push_back({e, ob.record->world.createdThisPass.size()});
        break;
    }
    default:
        break;
    }
}

// What the world saw placed, by kind and model.
struct Placed {
    int humans = 0, dogs = 0, horses = 0;
    std::map<std::string, int> models;
};

Placed PlacedAmong(const World& w, std::span<const Ped> peds) {
    Placed placed;
    for (Ped h : peds) {
        const SimPed* p = FindPed(w, h);
        if (!p) continue;
        if (p->kind == ModelKind::Dog)
            ++placed.dogs;
        else if (p->kind == ModelKind::Horse)
            ++placed.horses;
        else
            ++placed.humans;
        ++placed.models[ModelName(w, p->model)];
    }
    return placed;
}

const char* VariantName(int32_t variant) {
    return variant == VariantHorse ? "Horse" : variant == VariantDogs ? "Dogs" : "Foot";
}

// The members a posse or the army placed as the plug-in counted them; the rest the world saw
// placed in the same frame came from the retry queue.
void TellArmyStarted(World& w, Observer& ob, RunOutcome& out, const RunOptions& o,
                     const StoryArmy& army, std::span<const Ped> leader, const std::string& stamp) {
    RunStats& st = out.stats;
    ++st.harkvaneStarted;
    ++st.harkvaneWaves;
    st.sent.push_back({ElapsedMs(w), "HV", "Army", army.leaderPlaced ? 1 : 0, 0, 0});
    AdoptCreated(w, ob, NewPosse(w, ob, "Harkvane wave A", PosseGroup::Army), leader);
    Line(out, o, "army", ElapsedMs(w), stamp,
         "HARKVANE event started (tier " + std::to_string(army.tier) + "): army leader " +
             (army.leaderPlaced ? "placed" : "could not be placed"));
}

void TellPosseSent(World& w, Observer& ob, RunOutcome& out, const RunOptions& o,
                   const StoryPosse& posse, std::span<const Ped> members,
                   const std::string& stamp) {
    RunStats& st = out.stats;
    char tier[16]; // formatted: GCC 12's optimiser warns falsely on "T" + std::to_string
    std::snprintf(tier, sizeof tier, "T%d", posse.tier);
    const std::string tag = tier;
    const char* variant = VariantName(posse.variant);
    ++st.posses;
    ++st.possesByTier[tag];
    ++st.possesByVariant[variant];
    ++st.possesByTierVariant[tag + " " + variant];
    st.sent.push_back({ElapsedMs(w), tag, variant, posse.hunters, posse.dogs, posse.horses});
    st.membersDeferred += posse.deferred;
    std::string list;
    for (const auto& kv : PlacedAmong(w, members).models)
        list += (list.empty() ? "" : ", ") + kv.first + " x" + std::to_string(kv.second);
    NoteAnchor(w, members, st);
    AdoptCreated(w, ob,
                 NewPosse(w, ob, "posse " + std::to_string(st.posses) + " " + tag + " " + variant,
                          PosseGroup::Posse),
                 members);
    Line(out, o, "posse", ElapsedMs(w), stamp,
         "posse sent: " + tag + " " + variant + ", " + std::to_string(posse.hunters) +
             " hunters, " + std::to_string(posse.dogs) + " dogs, " + std::to_string(posse.horses) +
             " horses placed; " + std::to_string(posse.deferred) +
             " deferred; models: " + (list.empty() ? "none" : list));
}

// Peds placed that no posse or army start of the frame claims: deferred members, or the army's
// next soldiers (a new wave's leader opens a group of its own on the map).
void TellMorePlaced(World& w, Observer& ob, RunOutcome& out, const RunOptions& o, int posse,
                    std::span<const Ped> others, const std::string& stamp) {
    RunStats& st = out.stats;
    const bool newWave = ob.armyStage == WaveBFilling || ob.armyStage == WaveCFilling;
    if (ob.armyOn && ob.armyStage != ob.toldStage && newWave && !ob.waveOpened) {
        ob.waveOpened = true;
        ++st.harkvaneWaves;
        posse =
            NewPosse(w, ob, ob.armyStage == WaveBFilling ? "Harkvane wave B" : "Harkvane wave C",
                     PosseGroup::Army);
    }
    const Placed placed = PlacedAmong(w, others); // those still in the world
    const int count = placed.humans + placed.dogs + placed.horses;
    if (!ob.armyOn) st.deferredPlaced += count;
    if (posse < 0) posse = NewPosse(w, ob, "untracked peds", PosseGroup::Untracked);
    AdoptCreated(w, ob, posse, others);
    const PosseLabel& label = out.record.posses[posse];
    Line(out, o, label.group == PosseGroup::Army ? "army" : "posse", ElapsedMs(w), stamp,
         std::to_string(count) + " more placed (" + label.label + ")");
}

// The army's stage as the frame leaves it, told when it moved; and its end, told once.
void TellArmyProgress(World& w, Observer& ob, RunOutcome& out, const RunOptions& o,
                      const std::function<const std::string&()>& stamp) {
    RunStats& st = out.stats;
    if (ob.armyOn && ob.armyStage != ob.toldStage) {
        ob.toldStage = ob.armyStage;
        const StoryArmy army = ArmyStoryNow();
        Line(out, o, "army", ElapsedMs(w), stamp(),
             std::string("HARKVANE stage: ") + StageName(ob.armyStage) + " (" +
                 std::to_string(army.spawned) + " spawned, " + std::to_string(army.dead) +
                 " dead)");
    }
    if (ob.armyOnBefore && !ob.armyOn) {
        const bool won = ob.armyEnd == ArmyEnd::Won;
        if (won) {
            ++st.harkvaneWon;
            for (Ped h : w.pedOrder) {
                const SimPed* p = FindPed(static_cast<const World&>(w), h);
                if (p && p->fromPlugin && !p->dying && p->model == G.settings.Harkvane.Model)
                    ++st.harkvaneSoldiersAliveWhenWon;
            }
        }
        Line(out, o, "army", ElapsedMs(w), stamp(),
             won ? "HARKVANE event won: the army is wiped out"
                 : "HARKVANE event ended without a win");
        ob.toldStage = -1;
    }
    ob.armyOnBefore = ob.armyOn;
}

void TellStateFiles(World& w, Observer& ob, RunOutcome& out, const RunOptions& o,
                    const std::function<const std::string&()>& stamp) {
    if (G.loop.StreakCount != ob.streak) {
        if (ob.streak >= 0)
            Line(out, o, "streak", ElapsedMs(w), stamp(),
                 "streak " + std::to_string(ob.streak) + " -> " +
                     std::to_string(G.loop.StreakCount));
        ob.streak = G.loop.StreakCount;
    }
    if (w.timerMs < ob.nextFileCheckMs) return;
    ob.nextFileCheckMs = w.timerMs + 1000;
    // Nothing written since the last look: they read as they did then.
    if (FilesWrittenSoFar() == ob.filesWrittenAtRead) return;
    ob.filesWrittenAtRead = FilesWrittenSoFar();
    for (const char* name : StateFiles) {
        std::string text;
        const bool exists = ReadTextFile(name, &text);
        auto it = ob.files.find(name);
        if (exists && (it == ob.files.end() || it->second != text)) {
            if (std::string(name) != "Harkvane.ini")
                Line(out, o, "state_file", ElapsedMs(w), stamp(),
                     std::string("state file ") + name + " written: " + Trimmed(text));
            ob.files[name] = text;
        }
    }
}

void WatchLists(const World& w, Observer& ob, RunStats& st) {
    const int tracked = static_cast<int>(G.spawn.SpawnedPeds.size());
    st.maxTrackedPeds = std::max(st.maxTrackedPeds, tracked);
    st.trackedCap = TrackedListTrimAbove();
    ob.framesAboveCap = tracked > st.trackedCap ? ob.framesAboveCap + 1 : 0;
    st.longestFramesAboveCap = std::max(st.longestFramesAboveCap, ob.framesAboveCap);
    if (G.spawn.DeferredSpawns.empty()) {
        ob.queueWaiting = false;
    } else {
        if (!ob.queueWaiting) ob.queueSinceMs = w.timerMs;
        ob.queueWaiting = true;
        st.deferredLongestQueueMs =
            std::max(st.deferredLongestQueueMs, w.timerMs - ob.queueSinceMs);
    }
}

void Observe(World& w, Observer& ob, RunOutcome& out, const RunOptions& o) {
    // Stamped only when a line is told: most frames tell nothing.
    std::string stamp;
    const std::function<const std::string&()> at = [&]() -> const std::string& {
        if (stamp.empty()) stamp = Stamp(w);
        return stamp;
    };
    // The newest group before the frame.
    const int latest = static_cast<int>(out.record.posses.size()) - 1;
    ob.waveOpened = false;
    const std::vector<Ped>& placed = out.record.world.createdThisPass;
    // Each ped placed this frame and the group it joins on the map: a posse's or the army
    // leader's peds are the last ones placed before the plug-in told of it; any other joins the
    // group that was newest when it was placed (retried members, the army's next soldiers).
    std::vector<bool> claimed(placed.size(), false);
    std::vector<std::pair<size_t, int>> opened; // (peds placed before it, group) in order
    auto members = [&](size_t placedBefore, int count) {
        const size_t end = std::min(placedBefore, placed.size());
        const size_t begin = end - std::min(end, static_cast<size_t>(std::max(count, 0)));
        std::fill(claimed.begin() + static_cast<std::ptrdiff_t>(begin),
                  claimed.begin() + static_cast<std::ptrdiff_t>(end), true);
        return std::span<const Ped>(placed.data() + begin, end - begin);
    };
    for (const Observer::Heard& h : ob.heard) {
        const StoryEvent& e = h.event;
        if (e.kind == StoryKind::ArmyStarted) {
            TellArmyStarted(w, ob, out, o, e.army, members(h.placedBefore, e.army.leaderPlaced),
                            at());
            ob.armyOn = true;
            ob.armyStage = WaveAFilling;
        } else if (e.kind == StoryKind::PosseSent) {
            const int count = e.posse.hunters + e.posse.dogs + e.posse.horses;
            TellPosseSent(w, ob, out, o, e.posse, members(h.placedBefore, count), at());
        } else if (e.kind == StoryKind::ArmyStageChanged) {
            ob.armyStage = e.army.stage;
            continue;
        } else {
            if (e.kind == StoryKind::ArmyEnded && e.army.how != ArmyEnd::Reinforced) {
                ob.armyOn = false;
                ob.armyEnd = e.army.how;
            }
            continue;
        }
        opened.push_back({h.placedBefore, static_cast<int>(out.record.posses.size()) - 1});
    }
    ob.heard.clear();
    // The rest, in runs that join the same group.
    std::vector<Ped> others;
    int joins = latest, othersJoin = latest;
    size_t next = 0;
    for (size_t i = 0; i < placed.size(); ++i) {
        while (next < opened.size() && opened[next].first <= i)
            joins = opened[next++].second;
        if (claimed[i]) continue;
        if (!others.empty() && joins != othersJoin) {
            TellMorePlaced(w, ob, out, o, othersJoin, others, at());
            others.clear();
        }
        othersJoin = joins;
        others.push_back(placed[i]);
    }
    if (!others.empty()) TellMorePlaced(w, ob, out, o, othersJoin, others, at());
    WatchLists(w, ob, out.stats);
    TellArmyProgress(w, ob, out, o, at);
    TellStateFiles(w, ob, out, o, at);
}

// Samples the player and the plug-in's living peds for the report's replay: every second, and at
// each frame that placed peds, so that a posse shows at the very moment it was sent.
void SampleReplay(const World& w, Observer& ob, RunRecord& rec) {
    const std::vector<Ped>& created = rec.world.createdThisPass;
    for (Ped h : created) {
        const SimPed* p = FindPed(w, h);
        if (!p) continue;
        ob.replayIndex[h] = static_cast<int>(rec.peds.size());
        const Observer::Place* place = PlaceOf(ob, *p);
        rec.peds.push_back({place ? place->posse : -1, p->kind});
    }
    const uint32_t now = ElapsedMs(w);
    if (created.empty() && now < ob.nextReplayMs) return;
    if (now >= ob.nextReplayMs) ob.nextReplayMs = now - now % ReplaySampleMs + ReplaySampleMs;
    ReplayFrame f;
    f.ms = now;
    if (const SimPed* pl = FindPed(w, w.playerPed)) f.player = {pl->pos.x, pl->pos.y};
    f.playerDead = w.playerDead;
    f.bounty = w.bounty;
    f.tracked = static_cast<int>(G.spawn.SpawnedPeds.size());
    for (Ped h : w.pedOrder) {
        const SimPed* p = FindPed(w, h);
        if (!p || !p->fromPlugin || p->dying) continue;
        const auto it = ob.replayIndex.find(h);
        if (it != ob.replayIndex.end()) f.peds.push_back({it->second, {p->pos.x, p->pos.y}});
    }
    rec.frames.push_back(std::move(f));
}

// Where each posse member went, sampled when the world samples the player's path.
void SamplePosses(void* keeper, World& w) {
    Observer& ob = *static_cast<Observer*>(keeper);
    for (auto it = ob.places.begin(); it != ob.places.end();) {
        const SimPed* p = FindPed(w, it->first);
        if (!p || p->serial != it->second.serial) {
            it = ob.places.erase(it); // gone from the world, or its handle was given again
            continue;
        }
        if (!p->dying) {
            auto& path = ob.record->posses[it->second.posse].paths[it->second.member];
            if (path.empty() ||
                std::hypot(path.back().x - p->pos.x, path.back().y - p->pos.y) > 2.0)
                path.push_back(p->pos);
        }
        ++it;
    }
}

bool IsSoldier(void* keeper, const SimPed& p) {
    const Observer& ob = *static_cast<const Observer*>(keeper);
    const Observer::Place* place = PlaceOf(ob, p);
    return place && ob.record->posses[place->posse].group == PosseGroup::Army;
}

// The world's events since the last look, as timeline lines; a despawn with the reason the
// plug-in told for it (every deletion and its reason are told within the same plug-in call).
void PrintEvents(World& w, Observer& ob, RunOutcome& out, const RunOptions& o) {
    WorldStory& story = out.record.world;
    for (; story.eventsTold < story.events.size(); ++story.eventsTold) {
        const WorldEvent& e = story.events[story.eventsTold];
        const uint32_t ms = e.tMs - w.startTimerMs;
        int y, mo, d, h, mi;
        ClockFields(w, &y, &mo, &d, &h, &mi);
        char stamp[48];
        std::snprintf(stamp, sizeof stamp, "[%3u:%02u.%01u %02d:%02d]", ms / 60000,
                      (ms / 1000) % 60, (ms / 100) % 10, h, mi);
        if (e.kind == "despawned") {
            const std::string why = DespawnReasonOf(ob, story.eventsTold, e.ped);
            ++out.stats.despawnReasons[why];
            Line(out, o, e.kind.c_str(), ms, stamp, e.text + ": " + why);
        } else {
            Line(out, o, e.kind.c_str(), ms, stamp, e.text);
        }
    }
    ob.despawns.clear();
}

std::string Table(const RunOutcome& out, const World& w) {
    const RunStats& s = out.stats;
    const WorldCounters& c = out.record.world.counters;
    std::string t = "\n== summary ==\n";
    char buf[160];
    auto row = [&](const char* k, const std::string& v) {
        std::snprintf(buf, sizeof buf, "  %-28s %s\n", k, v.c_str());
        t += buf;
    };
    row("scenario", s.scenario + " (seed " + std::to_string(s.seed) + ")");
    row("game-timer seconds", std::to_string(static_cast<int>(s.seconds)));
    row("frames", std::to_string(w.frame));
    row("native calls", std::to_string(w.nativeCalls));
    row("posses sent", std::to_string(s.posses));
    for (const auto& kv : s.possesByTierVariant)
        row(("  " + kv.first).c_str(), std::to_string(kv.second));
    row("members deferred", std::to_string(s.membersDeferred));
    row("  placed later", std::to_string(s.deferredPlaced));
    for (const auto& kv : c.pedsByKind)
        row(("peds created: " + kv.first).c_str(), std::to_string(kv.second));
    row("plug-in peds killed", std::to_string(c.hunterDeaths));
    for (const auto& kv : c.killedByKind)
        row(("  " + kv.first + "s").c_str(), std::to_string(kv.second));
    row("deletions", std::to_string(c.deletions));
    for (const auto& kv : s.despawnReasons)
        row(("  " + kv.first).c_str(), std::to_string(kv.second));
    row("blips created/removed",
        std::to_string(c.blipsCreated) + "/" + std::to_string(c.blipsRemoved));
    row("harkvane started/won",
        std::to_string(s.harkvaneStarted) + "/" + std::to_string(s.harkvaneWon));
    row("max tracked peds", std::to_string(s.maxTrackedPeds) + " (cap " +
                                std::to_string(s.trackedCap) + ", above it for at most " +
                                std::to_string(s.longestFramesAboveCap) + " frames in a row)");
    row("player deaths/respawns",
        std::to_string(c.playerDeaths) + "/" + std::to_string(c.playerRespawns));
    row("final bounty", FormatCents(w.bounty));
    row("notices shown", std::to_string([&] {
            int n = 0;
            for (const auto& kv : c.notices)
                n += kv.second;
            return n;
        }()));
    return t;
}

// The world of a run, set up for the scenario (with its native-call watches and trace file);
// nullptr when the trace file cannot be created.
World* StartWorld(const Scenario& scenario, const std::string& tracePath) {
    static World w; // large; one run at a time
    w = World();
    WorldInit(w, scenario.world);
    for (const NativeExpectation& n : scenario.expect.natives)
        w.watches.push_back(n.watch);
    HostGlue& glue = SimHostGlue();
    glue = HostGlue();
    glue.pressKey = FeedKeyPress;
    if (!tracePath.empty() && !(glue.trace = OpenTraceFile(tracePath))) return nullptr;
    return &w;
}

// The frame passes until the scenario's time is up, watching the plug-in after each.
void RunFrames(World& w, Observer& ob, const Scenario& scenario, RunOutcome& out,
               const RunOptions& options, bool sampleReplay) {
    const uint64_t endMs = static_cast<uint64_t>(scenario.seconds * 1000.0);
    int lastPercent = -1;
    while (ElapsedMs(w) < endMs) {
        out.record.world.createdThisPass.clear();
        if (options.beforeFrame) options.beforeFrame(options.afterFrameContext);
        ScriptFramePass();
        PrintEvents(w, ob, out, options);
        FollowPluginLog(w, ob, out, options);
        Observe(w, ob, out, options);
        if (sampleReplay) SampleReplay(w, ob, out.record);
        const std::vector<FilesAtExpectation>& snaps = scenario.expect.filesAt;
        while (out.filesAt.size() < snaps.size() &&
               ElapsedMs(w) >= snaps[out.filesAt.size()].at * 1000.0)
            out.filesAt.push_back(StateFilesNow());
        if (options.afterFrame) options.afterFrame(options.afterFrameContext);
        scriptWait(0);
        PrintEvents(w, ob, out, options);
        if (options.progress) {
            const int pc = static_cast<int>(ElapsedMs(w) * 100 / std::max<uint64_t>(1, endMs));
            if (pc != lastPercent) {
                lastPercent = pc;
                std::fprintf(stderr, "\r[%-50s] %3d%%", std::string(pc / 2, '#').c_str(), pc);
                std::fflush(stderr);
            }
        }
    }
    if (options.progress) std::fprintf(stderr, "\n");
}

// What the run's end shows of the plug-in's lists and of the world before the plug-in unloads.
void NoteEnd(const World& w, RunOutcome& out) {
    const Ped takenHorse = out.record.world.takenHorse.horse;
    out.stats.finalTrackedPeds = static_cast<int>(G.spawn.SpawnedPeds.size());
    out.stats.deferredPending = static_cast<int>(G.spawn.DeferredSpawns.size());
    out.stats.streak = G.loop.StreakCount;
    if (const SimPed* taken = FindPed(w, takenHorse)) {
        out.stats.takenHorseExistsAtEnd = true;
        out.stats.takenHorseBlipAtEnd = taken->blip != 0 && w.blips.count(taken->blip) != 0;
    }
    out.stats.armedNeverOrderedToAttack = 0;
    for (Ped h : w.pedOrder) {
        const SimPed* p = FindPed(static_cast<const World&>(w), h);
        if (p && p->fromPlugin && p->kind == ModelKind::Human && !p->dying && !p->weapons.empty() &&
            !p->engaged)
            ++out.stats.armedNeverOrderedToAttack;
    }
}

// Unloads the plug-in (its clean-up runs), keeps the files it left and lets go of the world.
void Unload(World& w, Observer& ob, HostModule module, RunOutcome& out, const RunOptions& options) {
    out.record.world.pluginUnloading = true;
    PluginDetach(module);
    PrintEvents(w, ob, out, options);
    FollowPluginLog(w, ob, out, options);
    out.stats.pluginPedsAfterUnload = CountPluginPeds(w);
    for (const char* name : StateFiles) {
        std::string text;
        const bool exists = ReadTextFile(name, &text);
        if (exists && std::string(name) != "Harkvane.ini") out.files[name] = text;
    }
    out.stats.files = out.files;
    for (const NativeWatch& watch : w.watches)
        out.nativeCalls.push_back(watch.calls);
    InstallHost(nullptr);
    SimAttachWorld(nullptr);
    AttachWorldStory(w, nullptr);
    HostGlue& glue = SimHostGlue();
    if (glue.trace) CloseTraceFile(glue.trace);
    glue = HostGlue();
}

// The summary and the readable timeline, each when its path is given (made absolute before the
// run moved into its work folder). Returns the name given of a file that could not be written.
std::string WriteRunFiles(const World& w, RunOutcome& out, const RunOptions& o,
                          const std::string& summaryPath, const std::string& timelinePath) {
    out.summaryJson = SummaryJson(w, out.record.world, out.stats);
    out.summaryTable = Table(out, w);
    out.world = &w;
    if (!summaryPath.empty() && !WriteTextFile(summaryPath, out.summaryJson)) return o.summaryPath;
    if (!timelinePath.empty()) {
        std::string all;
        for (const std::string& l : out.timeline)
            all += l + "\n";
        all += out.summaryTable;
        if (!WriteTextFile(timelinePath, all)) return o.timelinePath;
    }
    return std::string();
}

} // namespace

RunOutcome RunScenario(Scenario scenario, const RunOptions& options) {
    RunOutcome out;
    const fs::path original = fs::current_path();
    auto absolute = [&](const std::string& p) {
        return p.empty() ? p : os::Utf8(fs::absolute(os::Path(p)));
    };
    const std::string tracePath = absolute(options.tracePath);
    const std::string summaryPath = absolute(options.summaryPath);
    const std::string timelinePath = absolute(options.timelinePath);
    const std::string reportPath = absolute(options.reportPath);
    std::error_code ec;
    const fs::path workdir = os::Path(options.workdir);
    fs::create_directories(workdir, ec);
    if (!fs::is_directory(workdir, ec)) {
        out.error = "cannot create the work directory " + options.workdir;
        return out;
    }
    fs::current_path(workdir);
    LayOutPluginFiles(scenario);

    World* world = StartWorld(scenario, tracePath);
    if (!world) {
        fs::current_path(original);
        out.error = "cannot create the trace file " + tracePath;
        return out;
    }
    World& w = *world;
    out.stats.scenario = scenario.name;
    out.stats.seed = scenario.world.seed;
    out.stats.seconds = scenario.seconds;
    PinCalendarTime(static_cast<int64_t>(scenario.world.seed));
    ResetPluginState();
    ResetKeyState();
    SetStateFilesFlushedToDisk(false); // the work folder is the run's alone
    SimAttachWorld(&w);
    InstallHost(options.host ? options.host : &SimHost);
    HostModule module = &w;
    Observer ob;
    StartPluginLog(ob);
    ob.world = &w;
    ob.record = &out.record;
    WorldStory& story = out.record.world;
    story.keeper = &ob;
    story.samplePaths = SamplePosses;
    story.isSoldier = IsSoldier;
    AttachWorldStory(w, &story);
    const StoryListener listener{HearStory, &ob};
    AttachStoryListener(listener);
    ob.filesWrittenAtRead = FilesWrittenSoFar();
    for (const char* name : StateFiles) {
        std::string text;
        const bool exists = ReadTextFile(name, &text);
        if (exists) ob.files[name] = text;
    }
    Line(out, options, "run", 0, Stamp(w),
         "run \"" + scenario.name + "\" starts; bounty " + FormatCents(w.bounty));
    PluginAttach(module);
    ScriptStartup();
    PrintEvents(w, ob, out, options);
    FollowPluginLog(w, ob, out, options);
    RunFrames(w, ob, scenario, out, options, !reportPath.empty());
    NoteEnd(w, out);
    if (!reportPath.empty()) out.settingsText = RenderEffectiveConfig();
    Unload(w, ob, module, out, options);
    DetachStoryListener(listener);
    story.keeper = nullptr; // the observer ends with the run; its record stays
    story.samplePaths = nullptr;
    story.isSoldier = nullptr;
    fs::current_path(original);

    const std::string unwritten = WriteRunFiles(w, out, options, summaryPath, timelinePath);
    if (!unwritten.empty()) {
        out.error = "cannot write " + unwritten;
        return out;
    }
    out.ok = true;
    return out;
}

void LoadConfigurationOnly(const Scenario& scenario, const std::string& iniPath,
                           bool everyModelValid, ConfigDiagnostics* diagnostics) {
    auto w = std::make_unique<World>();
    WorldInit(*w, scenario.world);
    w->everyModelValid = everyModelValid;
    ResetPluginState();
    G.settings.IniPath = iniPath;
    G.config.Diagnostics = diagnostics;
    SimAttachWorld(w.get());
    InstallHost(&SimHost);
    ReloadConfiguration();
    if (diagnostics) NoteSettingsThatSwitchOff(*diagnostics);
    InstallHost(nullptr);
    SimAttachWorld(nullptr);
    G.config.Diagnostics = nullptr;
}
