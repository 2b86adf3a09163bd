// The world's answers to the plug-in's natives, one table per group of the native catalogue
// (clock, law, entity queries, geometry, models, weapons, orders, mounts, blips, text, names).
// Kept apart from the call itself (world_natives.cpp: lookup, trace, watches) so that one
// native's answer can be read and changed on its own. Private to the world.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "hostkit/slots.h"
#include "world/world.h"

// The pushed slots of the call in progress, read by kind.
struct Args {
    const uint64_t* s;
    int32_t I(size_t i) const { return SlotInt(s[i]); }
    uint32_t U(size_t i) const { return SlotU32(s[i]); }
    float F(size_t i) const { return SlotFloat(s[i]); }
    uint64_t Q(size_t i) const { return s[i]; }
    template <typename T> T* P(size_t i) const { return SlotPointer<T>(s[i]); }
};

// One native's answer: reads the arguments, changes the world, fills the result slots (which
// start zeroed, so "false", 0 and a null handle need no writing).
struct NativeAnswer {
    uint64_t hash;
    void (*answer)(World& w, Args a, uint64_t* r);
};

std::span<const NativeAnswer> ClockAnswers();
std::span<const NativeAnswer> LawAnswers();
std::span<const NativeAnswer> EntityQueryAnswers();
std::span<const NativeAnswer> GeometryAnswers();
std::span<const NativeAnswer> ModelAnswers();
std::span<const NativeAnswer> WeaponAnswers();
std::span<const NativeAnswer> OrderAnswers();
std::span<const NativeAnswer> MountAnswers();
std::span<const NativeAnswer> BlipAnswers();
std::span<const NativeAnswer> TextAnswers();
std::span<const NativeAnswer> NameAnswers();

// The hostile-answers fault: may replace the sane answer just given (answers_hostile.cpp).
void SpoilAnswer(World& w, uint64_t hash, Args a, uint64_t* r);

// Helpers the groups share.
inline void NoAnswer(World&, Args, uint64_t*) {}
inline void SetFloat(uint64_t* r, float f) {
    r[0] = FloatSlot(f);
}
inline void SetVec(uint64_t* r, const Point3& p) {
    WriteVec3Slots(r, static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
}
inline bool Exists(const World& w, Entity h) {
    return PeekPed(w, h) != nullptr;
}
// DOES_ENTITY_EXIST and IS_ENTITY_A_PED (every entity here is a ped); the call itself answers
// the plain ones of these without a lookup.
inline void AnswerExists(World& w, Args a, uint64_t* r) {
    r[0] = Exists(w, a.U(0)) ? 1 : 0;
}
inline bool DeadOrDying(const World& w, const SimPed* p) {
    if (!p) return false;
    if (p->isPlayer) return w.playerDead;
    return p->dying || p->health <= 0;
}
