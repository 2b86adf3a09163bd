// The answers about what the player sees of the plug-in: map blips, on-screen notices built from
// text strings, and the name hashes behind them.
#include "natives/native_hashes.h"
#include "world/native_answers.h"
#include "world/world_story.h"

namespace {

void AddBlipForEntity(World& w, Args a, uint64_t* r) {
    SimPed* p = FindPed(w, a.U(1));
    if (!p) return;
    SimBlip b;
    b.handle = w.nextBlip++;
    b.entity = p->handle;
    b.style = a.U(0);
    w.blips[b.handle] = b;
    p->blip = b.handle;
    Tally(w, &WorldCounters::blipsCreated);
    r[0] = b.handle;
}

void RemoveBlip(World& w, Args a, uint64_t*) {
    uint32_t* handle = a.P<uint32_t>(0);
    if (!handle) return;
    auto it = w.blips.find(*handle);
    if (it != w.blips.end()) {
        if (SimPed* p = FindPed(w, it->second.entity); p && p->blip == *handle) p->blip = 0;
        w.blips.erase(it);
        Tally(w, &WorldCounters::blipsRemoved);
    }
    *handle = 0;
}

void ShowNotice(World& w, Args, uint64_t*) {
    Tally(w, &WorldCounters::notices, w.pendingNotice);
    std::string esc;
    for (char c : w.pendingNotice) {
        if (c == '"' || c == '\\') esc += '\\';
        esc += c;
    }
    WorldLog(w, "notice", "notice \"" + w.pendingNotice + "\"", "\"text\":\"" + esc + "\"");
}

const NativeAnswer Blips[] = {
    {nh::ADD_BLIP_FOR_ENTITY, AddBlipForEntity},
    {nh::BLIP_ADD_MODIFIER,
     [](World& w, Args a, uint64_t*) {
         auto it = w.blips.find(a.U(0));
         if (it != w.blips.end()) it->second.modifiers.push_back(a.U(1));
     }},
    {nh::SET_BLIP_NAME,
     [](World& w, Args a, uint64_t*) {
         auto it = w.blips.find(a.U(0));
         const char* name = a.P<const char>(1);
         if (it != w.blips.end() && name) it->second.name = name;
     }},
    {nh::DOES_ENTITY_HAVE_BLIP,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = FindPed(w, a.U(0));
         r[0] = p && p->blip && w.blips.count(p->blip) ? 1 : 0;
     }},
    {nh::GET_BLIP_FROM_ENTITY,
     [](World& w, Args a, uint64_t* r) {
         const SimPed* p = FindPed(w, a.U(0));
         r[0] = p && w.blips.count(p->blip) ? p->blip : 0;
     }},
    {nh::BLIP_RELEASE_STEP,
     [](World& w, Args a, uint64_t*) {
         auto it = w.blips.find(a.U(0));
         if (it != w.blips.end()) it->second.released = true;
     }},
    {nh::REMOVE_BLIP, RemoveBlip},
};

const NativeAnswer Texts[] = {
    {nh::CREATE_VAR_STRING,
     [](World& w, Args a, uint64_t* r) {
         const char* text = a.P<const char>(2);
         const uint64_t h = w.nextText++;
         w.texts[h] = text ? text : "";
         if (w.texts.size() > 4096) w.texts.erase(w.texts.begin()); // the game recycles them
         r[0] = h;
     }},
    {nh::SET_NOTICE_TEXT,
     [](World& w, Args a, uint64_t*) {
         auto it = w.texts.find(a.Q(0));
         w.pendingNotice = it != w.texts.end() ? it->second : std::string();
     }},
    {nh::SHOW_NOTICE, ShowNotice},
};

const NativeAnswer Names[] = {
    {nh::GET_HASH_KEY,
     [](World&, Args a, uint64_t* r) { r[0] = GameNameHash(a.P<const char>(0)); }},
};

} // namespace

std::span<const NativeAnswer> BlipAnswers() {
    return Blips;
}
std::span<const NativeAnswer> TextAnswers() {
    return Texts;
}
std::span<const NativeAnswer> NameAnswers() {
    return Names;
}
