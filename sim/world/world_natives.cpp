// One native call into the world: the catalogue lookup and its checks, the answer of the
// native's group (native_answers.h), the trace line of the call and the counts a scenario watches.
#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "natives/native_hashes.h"
#include "world/native_answers.h"
#include "world/sim_host.h"
#include "world/world_story.h"

namespace {

// A catalogue entry with what each call needs worked out once, and the world's answer to it.
struct KnownNative {
    uint64_t hash = 0;
    void (*answer)(World& w, Args a, uint64_t* r) = nullptr; // nullptr: an empty slot
    const NativeInfo* info = nullptr;
    uint32_t argCount = 0;
    uint32_t floatArgs = 0; // bit i set: slot i is a float
};

// A mistake in the world's tables: stops before the plug-in runs.
[[noreturn]] void Refuse(const char* what, uint64_t hash) {
    std::fprintf(stderr, "harkvane-sim: native 0x%016" PRIX64 " %s; stopping\n", hash, what);
    std::abort();
}

// The catalogue by hash, with each group's answers filled in. Every native of the catalogue has
// exactly one answer: anything else is a mistake in the world's tables, found at the first call.
std::unordered_map<uint64_t, KnownNative> IndexCatalogue() {
    std::unordered_map<uint64_t, KnownNative> m;
    for (const NativeInfo& n : NativeCatalogue) {
        KnownNative& k = m[n.hash];
        k.hash = n.hash;
        k.info = &n;
        k.argCount = static_cast<uint32_t>(std::strlen(n.args));
        if (k.argCount > NativeCall::MaxArgs) Refuse("takes more slots than a call holds", n.hash);
        for (uint32_t i = 0; i < k.argCount; ++i)
            if (n.args[i] == 'f') k.floatArgs |= 1u << i;
    }
    const std::span<const NativeAnswer> groups[] = {
        ClockAnswers(), LawAnswers(),    EntityQueryAnswers(), GeometryAnswers(),
        ModelAnswers(), WeaponAnswers(), OrderAnswers(),       MountAnswers(),
        BlipAnswers(),  TextAnswers(),   NameAnswers()};
    for (std::span<const NativeAnswer> group : groups) {
        for (const NativeAnswer& a : group) {
            auto it = m.find(a.hash);
            if (it == m.end() || it->second.answer)
                Refuse("is answered twice or not catalogued", a.hash);
            it->second.answer = a.answer;
        }
    }
    for (const auto& [hash, known] : m)
        if (!known.answer) Refuse("has no answer in the world", hash);
    return m;
}

// Every native call looks its hash up: an open-addressed table with a power-of-two size holding
// the entries themselves. The multiplier is chosen when the table is built so that no two
// catalogued hashes share a home slot, so a lookup is a multiply, a shift and one compare within
// one cache line; probing stays for safety should no such multiplier turn up.
constexpr int LookupBits = 10; // 1,024 slots for the eighty or so natives of the catalogue
constexpr size_t LookupMask = (size_t{1} << LookupBits) - 1;

size_t LookupHome(uint64_t hash, uint64_t multiplier) {
    return static_cast<size_t>((hash * multiplier) >> (64 - LookupBits));
}

struct LookupTable {
    uint64_t multiplier = 0;
    KnownNative slots[LookupMask + 1];
};

// The first of a fixed series of odd multipliers under which every hash has a home of its own.
uint64_t CollisionFreeMultiplier(const std::unordered_map<uint64_t, KnownNative>& catalogue) {
    constexpr uint64_t First = 0x9E3779B97F4A7C15ull;
    constexpr int Tries = 4096;
    uint64_t m = First;
    for (int t = 0; t < Tries; ++t, m += 2 * First) {
        bool taken[LookupMask + 1] = {};
        bool clash = false;
        for (const auto& entry : catalogue) {
            bool& home = taken[LookupHome(entry.first, m | 1)];
            clash = clash || home;
            home = true;
        }
        if (!clash) return m | 1;
    }
    return First;
}

// Built at the first call, so a mistake in the world's tables stops the run there.
LookupTable Table; // multiplier 0: not built yet

[[gnu::noinline]] void BuildLookup() {
    const std::unordered_map<uint64_t, KnownNative> catalogue = IndexCatalogue();
    if (catalogue.size() > LookupMask / 2) Refuse("fills the lookup table past half", 0);
    const uint64_t multiplier = CollisionFreeMultiplier(catalogue);
    for (const auto& [h, known] : catalogue) {
        size_t i = LookupHome(h, multiplier);
        while (Table.slots[i].answer)
            i = (i + 1) & LookupMask;
        Table.slots[i] = known;
    }
    Table.multiplier = multiplier; // odd, so never 0
}

[[gnu::noinline]] const KnownNative* ProbeLookup(uint64_t hash) {
    if (Table.multiplier == 0) BuildLookup();
    for (size_t i = LookupHome(hash, Table.multiplier);; i = (i + 1) & LookupMask) {
        const KnownNative& slot = Table.slots[i];
        if (!slot.answer) return nullptr;
        if (slot.hash == hash) return &slot;
    }
}

// Nearly always the home slot holds the native asked for; anything else (a table not yet built
// is all empty slots) takes the long way.
inline const KnownNative* Lookup(uint64_t hash) {
    const KnownNative& home = Table.slots[LookupHome(hash, Table.multiplier)];
    if (home.hash == hash && home.answer) [[likely]]
        return &home;
    return ProbeLookup(hash);
}

void AppendNumber(std::string& out, double v) {
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.9g", v);
    out += buf;
}

void AppendText(std::string& out, const char* s) {
    out += '"';
    for (; s && *s; ++s) {
        const unsigned char c = static_cast<unsigned char>(*s);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

void AppendVec(std::string& out, const void* p) {
    const char* c = static_cast<const char*>(p);
    float v[3];
    for (int i = 0; i < 3; ++i)
        std::memcpy(&v[i], c + 8 * i, sizeof(float));
    out += '[';
    for (int i = 0; i < 3; ++i) {
        if (i) out += ',';
        AppendNumber(out, v[i]);
    }
    out += ']';
}

void AppendHash(std::string& out, uint32_t h) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\"0x%08X\"", h);
    out += buf;
}

// An integer, handle, hash, float or 64-bit slot as the trace writes it; false for other kinds.
bool AppendSlot(std::string& out, char kind, uint64_t slot) {
    const uint32_t lo = static_cast<uint32_t>(slot);
    switch (kind) {
    case 'i':
        out += std::to_string(static_cast<int32_t>(lo));
        return true;
    case 'e':
        out += std::to_string(lo);
        return true;
    case 'h':
        AppendHash(out, lo);
        return true;
    case 'f':
        AppendNumber(out, SlotFloat(slot));
        return true;
    case 'q':
        out += std::to_string(slot);
        return true;
    default:
        return false;
    }
}

// The game makes nothing of a position or heading of NaN, infinity or far off any map; such a
// call (a hostile answer passed back by the plug-in) changes nothing and answers as a failure,
// so the world itself stays sane.
constexpr float WildFloatLimit = 1e7f;

bool HasWildFloat(uint32_t floatArgs, const uint64_t* s) {
    for (size_t i = 0; floatArgs; ++i, floatArgs >>= 1)
        if ((floatArgs & 1) && !(std::fabs(SlotFloat(s[i])) <= WildFloatLimit)) return true;
    return false;
}

// Writes the trace line of one call; in-out handles are shown as they were before the call.
void TraceCall(World& w, const NativeCall& call, const NativeInfo& info, const uint64_t* before) {
    std::string& line = SimHostGlue().traceLine;
    line.clear();
    char head[96];
    std::snprintf(head, sizeof head,
                  "{\"frame\":%" PRIu64 ",\"t_ms\":%u,\"native\":\"0x%016" PRIX64 "\",", w.frame,
                  w.timerMs, info.hash);
    line += head;
    line += "\"name\":\"";
    line += info.name;
    line += "\",\"args\":[";
    const uint64_t* s = call.args;
    for (size_t i = 0; i < call.argCount; ++i) {
        if (i) line += ',';
        if (AppendSlot(line, info.args[i], s[i])) continue;
        const void* ptr = reinterpret_cast<const void*>(static_cast<uintptr_t>(s[i]));
        switch (info.args[i]) {
        case 's':
            AppendText(line, static_cast<const char*>(ptr));
            break;
        case 'F':
            if (ptr && call.result[0]) {
                float f;
                std::memcpy(&f, ptr, sizeof f);
                AppendNumber(line, f);
            } else {
                line += "null";
            }
            break;
        case 'V':
            if (ptr && call.result[0])
                AppendVec(line, ptr);
            else
                line += "null";
            break;
        case 'E':
        case 'B':
        case 'Z':
            line += std::to_string(before[i]);
            break;
        case 'N': {
            const uint64_t* slots = static_cast<const uint64_t*>(ptr);
            line += '[';
            // Never past the buffer the plug-in gave, whatever count was answered.
            const int capacity =
                slots ? std::clamp(static_cast<int>(static_cast<int32_t>(slots[0])), 0, 64) : 0;
            const int n =
                std::clamp(static_cast<int>(static_cast<int32_t>(call.result[0])), 0, capacity);
            for (int k = 0; k < n; ++k) {
                if (k) line += ',';
                line += std::to_string(static_cast<uint32_t>(slots[1 + k]));
            }
            line += ']';
            break;
        }
        default:
            line += std::to_string(s[i]);
        }
    }
    line += "],\"ret\":";
    const char kind = info.result[0];
    if (kind == 'v')
        line += "null";
    else if (kind == 'b')
        line += static_cast<uint32_t>(call.result[0]) ? "true" : "false";
    else if (kind == 'V')
        AppendVec(line, call.result);
    else if (!AppendSlot(line, kind, call.result[0]))
        line += std::to_string(call.result[0]);
    line += "}\n";
    std::fputs(line.c_str(), SimHostGlue().trace);
}

// Out of line: most runs watch nothing, and every call passes here.
[[gnu::noinline]] void CountWatched(World& w, const NativeCall& call, const NativeInfo& info) {
    const uint32_t now = ElapsedMs(w);
    for (NativeWatch& watch : w.watches) {
        if (watch.hash != info.hash || now < watch.fromMs || now >= watch.toMs) continue;
        bool match = true;
        for (size_t i = 0; i < watch.args.size() && match; ++i) {
            const NativeArgMatch& m = watch.args[i];
            if (m.any) continue;
            const uint64_t slot = call.args[i];
            switch (info.args[i]) {
            case 'f':
                match = std::fabs(SlotFloat(slot) - m.number) <=
                        1e-3 * std::max(1.0, std::fabs(m.number));
                break;
            case 's': {
                const char* t = reinterpret_cast<const char*>(static_cast<uintptr_t>(slot));
                match = t && m.text == t;
                break;
            }
            case 'q':
                match = slot == m.bits;
                break;
            default:
                match = static_cast<uint32_t>(slot) == static_cast<uint32_t>(m.bits);
            }
        }
        if (match) ++watch.calls;
    }
}

// The world's answer to a known call, or a failure when it carries a wild float (false).
inline bool Answer(World& w, const KnownNative& known, NativeCall& call) {
    std::memset(call.result, 0, sizeof call.result);
    if (HasWildFloat(known.floatArgs, call.args)) [[unlikely]] {
        Tally(w, &WorldCounters::wildCalls);
        return false;
    }
    known.answer(w, Args{call.args}, call.result);
    return true;
}

// The answer, which the hostile-answers fault may then spoil.
void AnswerPerhapsSpoilt(World& w, const KnownNative& known, NativeCall& call) {
    if (Answer(w, known, call) && w.opt.faults.hostileAnswers > 0)
        SpoilAnswer(w, known.hash, Args{call.args}, call.result);
}

// A call while a trace is written: the in-out handles as they were before the call, then the
// answer, then its line. Kept apart so an untraced call carries none of this.
[[gnu::noinline]] void AnswerTraced(World& w, const KnownNative& known, NativeCall& call) {
    const NativeInfo& info = *known.info;
    uint64_t before[NativeCall::MaxArgs];
    for (size_t i = 0; i < call.argCount; ++i) {
        before[i] = 0;
        const char k = info.args[i];
        const void* ptr = reinterpret_cast<const void*>(static_cast<uintptr_t>(call.args[i]));
        if ((k == 'E' || k == 'B') && ptr) {
            uint32_t v;
            std::memcpy(&v, ptr, sizeof v);
            before[i] = v;
        } else if (k == 'Z' && ptr) {
            std::memcpy(&before[i], ptr, sizeof(uint64_t));
        }
    }
    AnswerPerhapsSpoilt(w, known, call);
    TraceCall(w, call, info, before);
}

// A call the run looks at more closely: traced, counted for a watch or spoilt by the hostile
// answers fault. Kept apart so a plain call keeps nothing of the world in hand past its answer.
[[gnu::noinline]] void AnswerWithCare(World& w, const KnownNative& known, NativeCall& call) {
    if (SimHostGlue().trace)
        AnswerTraced(w, known, call);
    else
        AnswerPerhapsSpoilt(w, known, call);
    if (!w.watches.empty()) CountWatched(w, call, *known.info);
}

[[noreturn, gnu::noinline]] void RefuseCall(const NativeCall& call, const KnownNative* known) {
    if (!known) {
        std::fprintf(stderr,
                     "harkvane-sim: the plug-in called native 0x%016" PRIX64
                     ", which is not in the catalogue; stopping the run\n",
                     call.hash);
    } else {
        std::fprintf(stderr,
                     "harkvane-sim: native %s (0x%016" PRIX64 ") takes %zu arguments but %zu were "
                     "pushed; stopping the run\n",
                     known->info->name, known->info->hash, static_cast<size_t>(known->argCount),
                     call.argCount);
    }
    std::abort();
}

} // namespace

bool CallsNeedCare(const World& w) {
    return SimHostGlue().trace || !w.watches.empty() || w.opt.faults.hostileAnswers > 0;
}

void WorldCall(World& w, NativeCall& call) {
    ++w.nativeCalls;
    // More than half of all calls ask whether an entity exists, or is a ped (the same answer in
    // this world): a plain one is answered before the catalogue lookup.
    if ((call.hash == nh::DOES_ENTITY_EXIST || call.hash == nh::IS_ENTITY_A_PED) &&
        call.argCount == 1 && !w.callsWithCare) [[likely]] {
        std::memset(call.result, 0, sizeof call.result);
        AnswerExists(w, Args{call.args}, call.result);
        return;
    }
    const KnownNative* known = Lookup(call.hash);
    if (!known || call.argCount != known->argCount) [[unlikely]]
        RefuseCall(call, known);
    if (w.callsWithCare) [[unlikely]]
        AnswerWithCare(w, *known, call);
    else
        Answer(w, *known, call); // nothing after it: tens of millions of calls pass here
}
