// An in-process host for tests: records every native call (hash and pushed slots, in order),
// answers from a small entity table and per-hash scripted results. Never calls rand().
#pragma once
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "hostkit/entity_table.h"
#include "hostkit/name_hash.h"
#include "hostkit/slots.h"
#include "natives/native_hashes.h"
#include "natives/types.h"

struct RecordedCall {
    uint64_t hash = 0;
    std::vector<uint64_t> args;     // raw 64-bit slots as pushed
    std::vector<std::string> texts; // copies of the text arguments, in order
    uint64_t result = 0;            // first result slot as answered

    // Slot i decoded as the plug-in encodes it.
    int32_t Int(size_t i) const { return SlotInt(args.at(i)); }
    uint32_t U32(size_t i) const { return SlotU32(args.at(i)); }
    float Float(size_t i) const { return SlotFloat(args.at(i)); }
    const char* Name() const;
    // "NAME(args) -> result", each argument decoded by its kind; what the game fills in is "&".
    std::string Describe() const;
};

struct RecordingHost : TablePlayer {
    std::vector<RecordedCall> calls;
    std::unordered_map<uint32_t, HostEntity> entities;
    // Scripted results: consumed in order before the defaults answer.
    std::unordered_map<uint64_t, std::deque<uint64_t>> queued;
    // Fixed results for a hash (after the queue is empty).
    std::unordered_map<uint64_t, uint64_t> fixed;
    // Full override for a hash: gets the call and the result slots to fill.
    std::unordered_map<uint64_t, std::function<void(RecordedCall&, uint64_t* result)>> handlers;

    float groundZ = 0.0f;
    bool groundFound = true;
    bool safeCoordFound = false; // when true the safe coordinate is the probe point at groundZ
    std::unordered_set<Hash> invalidModels;
    std::unordered_set<Hash> horseModels;
    uint32_t nextHandle = 1000;
    uint64_t nextTextHandle = 0x10000;
    std::vector<std::string> notices;
    std::vector<uint32_t> waits;
    bool registered = false;
    void (*registeredEntry)() = nullptr;

    // Installs this host as the process's script host (and resets the key state).
    void Install();
    void Uninstall();

    Ped AddPed(const Vec3& pos, bool human = true);
    void ClearCalls() { calls.clear(); }
    // Calls of one hash, in order.
    std::vector<const RecordedCall*> CallsOf(uint64_t hash) const;
    size_t CountOf(uint64_t hash) const;
    // The hashes of all recorded calls, in order.
    std::vector<uint64_t> Hashes() const;
};
