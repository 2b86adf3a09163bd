// Starting the Harkvane army event (also over a running one), apart from the event's frame
// pass (harkvane_event.cpp), which runs only once an event has begun.
#include <algorithm>

#include "bounty/streak_and_notices.h"
#include "natives/natives.h"
#include "platform/crt_rand.h"
#include "posse/harkvane_event.h"
#include "spawn/placement.h"
#include "state/plugin_state.h"
#include "state/story.h"

namespace {

constexpr float MinLeaderDistance = 2.0f;
constexpr float HeadingSpreadDegrees = 20.0f;

} // namespace

void StartHarkvaneEvent(int tier, const Vec3& playerPos, float bearing) {
    HarkvaneState& hv = G.harkvane;
    const Settings& s = G.settings;

    // Started over a running event, the new army joins the old one: its soldiers stay members,
    // counted and leashed, and must be beaten too; only its marker gives way to the new one.
    const bool running = hv.HarkvaneActive;

    HarkvaneTick();

    if (running) EndHarkvaneEvent(ArmyEnd::Reinforced);
    hv.HarkvaneActive = true;
    hv.HarkvaneStage = WaveAFilling;
    hv.HarkvaneTier = tier;
    if (running) {
        RebuildHarkvanePeds(WaveA);
        RebuildHarkvanePeds(WaveB);
        RebuildHarkvanePeds(WaveC);
    } else {
        for (std::vector<Ped>& peds : hv.HarkvanePeds)
            peds.clear();
        hv.HarkvaneMembers.clear();
        hv.HarkvaneDeaths = 0;
        hv.HarkvaneSpawned = 0;
    }
    hv.HarkvaneTickNextMs = 0;
    hv.DeadStreakSaved = false;

    int32_t volume = game::CreateBoxVolume(playerPos.x, playerPos.y, playerPos.z);
    hv.HarkvaneMarker = game::CreateEventMarker(volume);

    // The leader of wave A; the rest of the army gathers around it over the next frames.
    Vec3 point;
    bool leaderPlaced = false;
    float inner = std::max(s.Spawner.SpawnNearMinMeters, MinLeaderDistance);
    if (BoundedRingSearch(playerPos, inner, s.Harkvane.AnchorRadiusMeters, &point)) {
        const float r01 = CrtUnitDraw();
        Ped leader =
            CreateHunter(s.Harkvane.Model, point, bearing + (r01 - 0.5f) * HeadingSpreadDegrees);
        if (leader != 0) {
            TrackSpawnedPed(leader);
            if (s.Blip.Style != 0) game::AddBlipForEntity(s.Blip.Style, leader);
            hv.HarkvaneMembers.push_back(HarkvaneMember{static_cast<int32_t>(leader), WaveA});
            hv.HarkvanePeds[WaveA].push_back(leader);
            ++hv.HarkvaneSpawned;
            hv.HarkvaneAnchors[WaveA].position = game::EntityCoords(leader);
            hv.HarkvaneAnchors[WaveA].valid = true;
            leaderPlaced = true;
        }
    }

    hv.HarkvaneWaveCount = 0;
    hv.HarkvaneWaveTarget = WaveTarget(WaveA);
    hv.HarkvaneNextMemberMs = game::GameTimer();
    hv.HarkvaneStage = WaveAFilling;

    TellArmyStarted(leaderPlaced, running);
    if (s.Harkvane.Toasts) ShowToast(s.Harkvane.ToastStart.c_str());
}
