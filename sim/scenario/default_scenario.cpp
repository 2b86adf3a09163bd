// The built-in scenarios: a wanted player's afternoon, from a first small posse to the army, and
// the representative evening of scenarios/evening.json.
#include "scenario/scenario.h"

#include <nlohmann/json.hpp>

#include "scenario/evening_json.h"

std::string EveningScenarioJson() {
    nlohmann::json evening = nlohmann::json::parse(EveningJson);
    evening.erase("ini_path");
    return evening.dump(2) + "\n";
}

const char* DefaultScenarioJson() {
    return R"json({
  "name": "default",
  "seed": 1899,
  "seconds": 600,
  "clock": {"year": 1899, "month": 6, "day": 1, "hour": 14, "minute": 0, "rate": 30},
  "player": {"start": [1320, -1180], "heading": 120, "bounty": 0},
  "route": [
    {"to": [1300, -1150], "speed": 1.5, "wait": 20},
    {"to": [1150, -1000], "speed": 1.8},
    {"to": [1000, -950], "speed": 6, "mounted": true},
    {"to": [850, -1150], "speed": 6, "mounted": true},
    {"to": [700, -1225], "speed": 5, "mounted": true, "wait": 40},
    {"to": [600, -1000], "speed": 1.8, "wait": 30},
    {"to": [450, -800], "speed": 6, "mounted": true},
    {"to": [400, -550], "speed": 1.6, "wait": 60},
    {"to": [300, -300], "speed": 1.6, "wait": 90},
    {"to": [0, -150], "speed": 6, "mounted": true},
    {"to": [-100, -80], "speed": 1.5, "wait": 300}
  ],
  "ini": [
    "[Spawner]",
    "MinSpawnHours=0.45",
    "MaxSpawnHours=0.6",
    "MaxAlive=30",
    "[WitnessTracker]",
    "Enabled=true",
    "WitnessAmount=3",
    "[BountyGates]",
    "BountyPooling=false",
    "[Harkvane]",
    "Enabled=true",
    "TriggerEvery=6",
    "ResetOnPlayerDeath=true",
    "[Bounty]",
    "BountyCap=1500",
    "[CampShield]",
    "HoldoffSeconds=20",
    "[Extras]",
    "T1=0.5",
    "T5=0.9,0.5",
    "[Dogs]",
    "Models=A_C_DogHound_01, A_C_DogBluetickCoonhound_01, A_C_DogAmericanFoxHound_01",
    "[DogCounts]",
    "T1=1", "T2=1-2", "T3=2", "T4=2-3", "T5=3",
    "[Horse_T1]", "Models=A_C_Horse_Morgan_Bay, A_C_Horse_Mustang_Grullo",
    "[Horse_T2]", "Models=A_C_Horse_Morgan_Bay, A_C_Horse_Tennessee_Chestnut",
    "[Horse_T3]", "Models=A_C_Horse_KentuckySaddle_Black, A_C_Horse_Tennessee_Chestnut",
    "[Horse_T4]", "Models=A_C_Horse_Arabian_White, A_C_Horse_KentuckySaddle_Black",
    "[Horse_T5]", "Models=A_C_Horse_Arabian_White",
    "[HorseCounts]",
    "T1=2", "T2=3", "T3=4", "T4=5", "T5=6",
    "[VariantWeights_T1]", "Foot=60", "Dog=20", "Horse=20",
    "[VariantWeights_T2]", "Foot=30", "Dog=50", "Horse=20",
    "[VariantWeights_T3]", "Foot=20", "Dog=20", "Horse=60"
  ],
  "harkvane_dat": "0\n",
  "world": {"bystanders": 24},
  "timeline": [
    {"at": 2, "set_bounty": 250},
    {"at": 8, "key": "F7"},
    {"at": 110, "set_bounty": 520},
    {"at": 200, "set_bounty": 830},
    {"at": 290, "set_bounty": 1150},
    {"at": 380, "set_bounty": 1450}
  ]
})json";
}
