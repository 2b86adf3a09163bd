// Reading and writing the frames fuzz target's input, shared by the target and the seed
// recorder so that both agree on every byte.
#include "frames_input.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "hostkit/slots.h"
#include "natives/native_hashes.h"

namespace frames {

namespace {

uint32_t FloatBits(uint64_t slot) {
    return static_cast<uint32_t>(slot);
}

// The catalogue entry of a hash, looked up once per hash (answers are read for every call).
const NativeInfo* Info(uint64_t hash) {
    static const std::unordered_map<uint64_t, const NativeInfo*> byHash = [] {
        std::unordered_map<uint64_t, const NativeInfo*> m;
        for (const NativeInfo& n : NativeCatalogue)
            m.emplace(n.hash, &n);
        return m;
    }();
    const auto it = byHash.find(hash);
    return it == byHash.end() ? nullptr : it->second;
}

} // namespace

uint8_t Reader::Byte() {
    if (p_ == end_) {
        exhausted_ = true;
        return 0;
    }
    return *p_++;
}

uint64_t Reader::Varint() {
    uint64_t v = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        const uint8_t b = Byte();
        v |= static_cast<uint64_t>(b & 0x7F) << shift;
        if (!(b & 0x80)) break;
    }
    return v;
}

uint32_t Reader::U32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(Byte()) << (8 * i);
    return v;
}

File Reader::ReadFile() {
    File f;
    const uint64_t n = Varint();
    if (n == 0 || !ok()) return f;
    f.present = true;
    const size_t want = static_cast<size_t>(std::min<uint64_t>(n - 1, MaxFileBytes));
    const size_t take = std::min(want, static_cast<size_t>(end_ - p_));
    f.text.assign(reinterpret_cast<const char*>(p_), take);
    p_ += take;
    return f;
}

namespace {

// Reading and writing walk an answer's fields with the same code, so the two cannot drift
// apart: the coder either fills a slot from the input or sends what the slot holds.
struct ReadCoder {
    Reader& r;
    void Flag(uint64_t& slot) { slot = r.Byte(); } // the byte taken whole
    void Word(uint64_t& slot) { slot = static_cast<uint32_t>(r.Varint()); }
    void Wide(uint64_t& slot) { slot = r.Varint(); }
    void Bits(uint64_t& slot) { slot = r.U32(); }
    void Float(float* f) {
        const uint32_t bits = r.U32();
        std::memcpy(f, &bits, sizeof bits);
    }
    void Zeroed(uint32_t* handle) {
        if (r.Byte() & 1) *handle = 0;
    }
};

struct WriteCoder {
    Writer& w;
    void Flag(uint64_t slot) { w.Byte(static_cast<uint8_t>(slot != 0)); }
    void Word(uint64_t slot) { w.Varint(static_cast<uint32_t>(slot)); }
    void Wide(uint64_t slot) { w.Varint(slot); }
    void Bits(uint64_t slot) { w.U32(FloatBits(slot)); }
    void Float(const float* f) {
        uint32_t bits;
        std::memcpy(&bits, f, sizeof bits);
        w.U32(bits);
    }
    void Zeroed(const uint32_t* handle) { w.Byte(*handle == 0 ? 1 : 0); }
};

// The result slots of one answer; gives the integer result (what an 'N' slot counts).
template <typename Coder, typename Slot> int64_t CodeResult(Coder& c, char kind, Slot* result) {
    switch (kind) {
    case 'b':
        c.Flag(result[0]);
        break;
    case 'i':
    case 'e':
    case 'h':
        c.Word(result[0]);
        return static_cast<int32_t>(static_cast<uint32_t>(result[0]));
    case 'f':
        c.Bits(result[0]);
        break;
    case 'V':
        for (int i = 0; i < 3; ++i)
            c.Bits(result[i]);
        break;
    case 'q':
        c.Wide(result[0]);
        break;
    default:
        break;
    }
    return 0;
}

// One out-parameter of an answer, in its slot (as the call left it, when written).
template <typename Coder> void CodeOutSlot(Coder& c, char kind, uint64_t arg, int64_t resultInt) {
    switch (kind) {
    case 'F':
        c.Float(SlotPointer<float>(arg));
        break;
    case 'V': {
        uint64_t* slots = SlotPointer<uint64_t>(arg);
        for (int k = 0; k < 3; ++k)
            c.Bits(slots[k]);
        break;
    }
    case 'E':
    case 'B':
        c.Zeroed(SlotPointer<uint32_t>(arg));
        break;
    case 'N': {
        uint64_t* slots = SlotPointer<uint64_t>(arg);
        const int64_t n = std::clamp<int64_t>(resultInt, 0, NearbySlots);
        for (int64_t k = 0; k < n; ++k)
            c.Word(slots[1 + k]);
        break;
    }
    default:
        break;
    }
}

// The result first, then every out-parameter in argument order.
template <typename Coder, typename Slot>
void CodeAnswer(Coder& c, const NativeInfo& info, const uint64_t* args, size_t count,
                Slot* result) {
    const int64_t resultInt = CodeResult(c, info.result[0], result);
    const size_t slots = std::min(std::strlen(info.args), count);
    for (size_t i = 0; i < slots; ++i)
        CodeOutSlot(c, info.args[i], args[i], resultInt);
}

} // namespace

bool Reader::Answer(uint64_t hash, const uint64_t* args, size_t count, uint64_t* result) {
    if (p_ == end_) {
        exhausted_ = true;
        return false;
    }
    const NativeInfo* info = Info(hash);
    if (!info) return true; // not one of ours: zeroes, nothing read
    ReadCoder c{*this};
    CodeAnswer(c, *info, args, count, result);
    return true;
}

void Writer::Varint(uint64_t v) {
    do {
        uint8_t b = v & 0x7F;
        v >>= 7;
        if (v) b |= 0x80;
        Byte(b);
    } while (v);
}

void Writer::U32(uint32_t v) {
    for (int i = 0; i < 4; ++i)
        Byte(static_cast<uint8_t>(v >> (8 * i)));
}

void Writer::WriteFile(const File& f) {
    if (!f.present) {
        Varint(0);
        return;
    }
    const size_t n = std::min(f.text.size(), MaxFileBytes);
    Varint(n + 1);
    bytes.insert(bytes.end(), f.text.begin(), f.text.begin() + static_cast<std::ptrdiff_t>(n));
}

void Writer::Answer(uint64_t hash, const uint64_t* args, size_t count, const uint64_t* result) {
    const NativeInfo* info = Info(hash);
    if (!info) return;
    WriteCoder c{*this};
    CodeAnswer(c, *info, args, count, result);
}

} // namespace frames
