// A host that answers every native in constant time from flat tables: entities live in an
// array indexed by handle, and each native is one branch of a switch. It can also record the
// exact traffic it receives so the same calls can later be pushed again without the plug-in.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "hostkit/entity_table.h"
#include "natives/types.h"

namespace bench {

inline constexpr uint32_t MaxEntities = 8192;
inline constexpr int NearbyLimit = 64;

// One recorded stretch of traffic: per call the hash, the slot count and the slots, with
// out-pointers and texts redirected to storage that outlives the frame that pushed them.
struct Recording {
    std::vector<uint64_t> words;
    std::vector<size_t> frameStart; // offset of each frame's first word; one past the last
    std::deque<std::string> texts;

    size_t Frames() const { return frameStart.empty() ? 0 : frameStart.size() - 1; }
    size_t Calls() const;
};

struct TableHost : TablePlayer {
    HostEntity entities[MaxEntities];
    uint32_t nextHandle = 2;
    Hash zone = 0;
    Hash horseModel = 0;
    Hash dogModel = 0;
    int nearbyCount = 0;
    Ped nearby[NearbyLimit] = {};
    uint64_t textHandle = 0x10000;
    uint64_t calls = 0;
    Recording* recorder = nullptr;

    // Installs this host as the process's script host.
    void Install();
    void Uninstall();
    Ped Add(const HostEntity& e);
    HostEntity& At(Ped p) { return entities[p]; }
};

// Starts a new recorded frame (call before each frame while a recorder is attached).
void BeginRecordedFrame(Recording& rec);
void EndRecording(Recording& rec);
// Pushes frame `frame` of the recording into the installed host, call for call.
void ReplayFrame(const Recording& rec, size_t frame);

} // namespace bench
