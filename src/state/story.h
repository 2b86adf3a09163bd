// The plug-in's own account of what it decides, told as it happens: a posse sent (tier, variant,
// members placed and deferred) or a due posse held back and the gate that held it, the hotkeys,
// the army event's start, stages and end with its outcome, clear-outs and single despawns with
// their reasons, the settings loaded (and on the reload key what the loaders found wrong in the
// file) and the state files read and written (a failed write included: the values then live on
// in memory only).
//
// Each subsystem tells an event with one call at the point where it decides (the Tell...
// functions below), and this module forwards it to every listener attached through the state
// block (G.story). In the game none is attached unless a consumer is switched on: each call then
// costs one test, builds nothing and allocates nothing. A listener is told during the plug-in's
// frame, in the order things happen; it must not call natives or draw random numbers (that would
// change the game), and it gets plain values and texts that live only for the call.
//
// Adding a consumer: write `void Hear(void* context, const StoryEvent& event)` that switches on
// `event.kind` and reads the member named for it, then `AttachStoryListener({Hear, context})`
// where the consumer switches on (and `DetachStoryListener` with the same pair when it goes).
// Up to MaxStoryListeners listeners at once; ResetPluginState detaches them all. A new kind of
// event goes in StoryKind with its payload below and one Tell function; existing listeners
// ignore kinds they do not know.
#pragma once
#include <cstdint>

#include "natives/types.h"
#include "state/posse_state.h"

enum class StoryKind : uint8_t {
    SettingsLoaded,   // settings
    SettingsProblem,  // problem: one finding of the loaders, in the settings checker's words
    StateFileRead,    // file
    StateFileWritten, // file
    KeyPressed,       // key
    PosseSent,        // posse
    PosseHeldBack,    // heldBack
    ArmyStarted,      // army
    ArmyStageChanged, // army
    ArmyEnded,        // army
    PosseCleared,     // cleared
    PedDespawned,     // despawned
};

// The plug-in's hotkeys, by what they do.
enum class StoryKey : uint8_t { SendPosse, ReloadSettings };

// The gate that kept a due posse at home. The loop tests its own gates in this order; the
// bounty gate is the driver's (F7 meets it too); the witness gate holds a due timer until enough
// bystanders have seen the player, told once when the wait begins.
enum class SpawnGate : uint8_t {
    InCamp,
    CampHoldoff,
    InTown,
    TownHoldoff,
    Mission,
    PlayerDead, // the clean-up on death has just sent the posse away
    NoBounty,
    AwaitingWitnesses,
};

// Why the whole posse was cleared at once.
enum class ClearReason : uint8_t { Camp, Town, PlayerDied, Mission };

// Why one tracked ped was deleted on its own.
enum class DespawnReason : uint8_t {
    FellBehind,    // a living hunter far behind the player
    ListCap,       // the tracked list grew well past Spawner.MaxAlive: oldest first
    OldHorse,      // a horse of an earlier posse, riderless or (when allowed) ridden by another
    UnpairedHorse, // a new horse that found no rider
    Unloaded,      // the plug-in is unloading
};

struct StorySettings {
    const char* path; // the settings file as the plug-in names it
    bool found;       // the file was there to read (missing: every value is its default)
    bool reload;      // false at start, true on the reload key
};

struct StoryFile {
    const char* name;      // as the plug-in names it
    bool ok;               // read: the file gave its values; written: the write went through
    bool created;          // read: the file was missing and a fresh one was written first
    const char* text;      // written: the whole text (also when the write failed)
    const int32_t* values; // read: the values taken from it (none when it could not be read)
    int valueCount;
};

struct StoryPosse {
    int32_t attempt;           // the spawn attempt's number
    int tier;                  // 1..5
    int32_t variant;           // VariantFoot, VariantDogs or VariantHorse (state/settings.h)
    int hunters, dogs, horses; // placed now
    int deferred;              // members that found no place yet and wait in the retry queue
};

struct StoryArmy {
    int tier;          // started: the event's tier
    bool leaderPlaced; // started: wave A's leader stands
    bool reinforced;   // started: over a running event, whose soldiers it takes in
    ArmyStage stage;   // the stage now (WaveAFilling when started or ended)
    ArmyEnd how;       // ended: the outcome
    int32_t spawned;   // soldiers placed since the event began, leaders included
    int32_t dead;      // of them, seen dead
};

struct StoryCleared {
    ClearReason reason;
    int removed; // tracked peds deleted (the player's claimed horse is kept)
};

struct StoryDespawn {
    DespawnReason reason;
    Ped ped;
};

struct StoryEvent {
    StoryKind kind;
    union {
        StorySettings settings;
        const char* problem;
        StoryFile file;
        StoryKey key;
        StoryPosse posse;
        SpawnGate heldBack;
        StoryArmy army;
        StoryCleared cleared;
        StoryDespawn despawned;
    };
};

struct StoryListener {
    void (*hear)(void* context, const StoryEvent& event) = nullptr;
    void* context = nullptr;
};

inline constexpr int MaxStoryListeners = 4;

struct StoryState {
    StoryListener Listeners[MaxStoryListeners];
    int ListenerCount = 0; // the one test each event costs when nobody listens
};

// False when every slot is taken.
bool AttachStoryListener(StoryListener listener);
void DetachStoryListener(StoryListener listener);
// Whether anyone listens: for work a teller does only to fill an event in.
bool StoryHeard();
// The army as the plug-in counts it now (tier, stage, soldiers placed and dead), for a listener
// that tells it at its own pace rather than as it changes.
StoryArmy ArmyStoryNow();

void TellSettingsLoaded(const char* path, bool found, bool reload);
void TellSettingsProblem(const char* text);
void TellStateFileRead(const char* name, bool found, bool created, const int32_t* values,
                       int valueCount);
void TellStateFileWritten(const char* name, bool ok, const char* text);
void TellKeyPressed(StoryKey key);
void TellPosseSent(const StoryPosse& posse);
void TellPosseHeldBack(SpawnGate gate);
void TellArmyStarted(bool leaderPlaced, bool reinforced);
void TellArmyStage();
void TellArmyEnded(ArmyEnd how);
void TellPosseCleared(ClearReason reason, int removed);
void TellPedDespawned(DespawnReason reason, Ped ped);
