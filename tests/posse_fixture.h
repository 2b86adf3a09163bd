// Shared set-up for the posse runtime tests: a fresh state block, a recording host with the
// player at the origin, and a view of the orders given (task and deletion natives only, so
// the tests do not depend on how a pursuit point is picked).
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "natives/native_hashes.h"
#include "recording_host.h"
#include "state/plugin_state.h"

struct Order {
    uint64_t hash;
    uint32_t ped;
    bool operator==(const Order&) const = default;
};

inline bool IsOrderNative(uint64_t h) {
    return h == nh::SET_PED_PATH_CAN_USE_CLIMBOVERS || h == nh::SET_PED_PATH_CAN_USE_LADDERS ||
           h == nh::SET_BLOCKING_OF_EVENTS || h == nh::TASK_COMBAT_PED ||
           h == nh::SET_PED_KEEP_TASK || h == nh::CLEAR_PED_TASKS ||
           h == nh::TASK_FOLLOW_TO_OFFSET || h == nh::TASK_FLEE_PED ||
           h == nh::TASK_SECOND_STAGE_PURSUIT || h == nh::TASK_DISMOUNT || h == nh::DELETE_ENTITY;
}

class PosseTest : public ::testing::Test {
  protected:
    RecordingHost host;
    static constexpr Ped Player = 1;

    void SetUp() override {
        ResetPluginState();
        host.timerMs = 100000;
        host.Install();
        host.entities[Player].pos = Vec3{0, 0, 0};
    }
    void TearDown() override { host.Uninstall(); }

    // A tracked human hunter standing `metres` east of the player.
    Ped Hunter(float metres) {
        Ped p = host.AddPed(Vec3{metres, 0, 0});
        G.spawn.SpawnedPeds.push_back(p);
        return p;
    }
    HostEntity& E(Ped p) { return host.entities.at(p); }

    std::vector<Order> Orders() const {
        std::vector<Order> out;
        for (const RecordedCall& c : host.calls)
            if (IsOrderNative(c.hash))
                out.push_back({c.hash, c.hash == nh::DELETE_ENTITY ? 0u : c.U32(0)});
        return out;
    }
    // Handles deleted so far, read through the pointer the plug-in passed.
    std::vector<Ped> deleted;
    void TrackDeletes() {
        host.handlers[nh::DELETE_ENTITY] = [this](RecordedCall& c, uint64_t*) {
            auto* handle = reinterpret_cast<uint32_t*>(c.args[0]);
            const std::vector<Ped>& list = G.spawn.SpawnedPeds;
            // The host may write through the pointer: it must never be an element of our list.
            if (!list.empty()) {
                EXPECT_FALSE(handle >= list.data() && handle < list.data() + list.size())
                    << "delete was handed a pointer into SpawnedPeds";
            }
            deleted.push_back(*handle);
            if (host.entities.count(*handle)) host.entities[*handle].exists = false;
            *handle = 0;
        };
    }
};

// The standard approach as issued: climb-overs, ladders, follow.
inline std::vector<Order> ApproachFor(Ped p) {
    return {{nh::SET_PED_PATH_CAN_USE_CLIMBOVERS, p},
            {nh::SET_PED_PATH_CAN_USE_LADDERS, p},
            {nh::TASK_FOLLOW_TO_OFFSET, p}};
}
inline std::vector<Order> AttackFor(Ped p) {
    return {{nh::SET_BLOCKING_OF_EVENTS, p}, {nh::TASK_COMBAT_PED, p}, {nh::SET_PED_KEEP_TASK, p}};
}
inline std::vector<Order> Cat(std::initializer_list<std::vector<Order>> parts) {
    std::vector<Order> out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline void PrintTo(const Order& o, std::ostream* os) {
    const NativeInfo* info = FindNative(o.hash);
    *os << (info ? info->name : "?") << "(" << o.ped << ")";
}
