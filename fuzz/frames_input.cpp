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

// The result slots of one answer, read; gives the integer result (what an 'N' slot counts).
int64_t ReadResult(Reader& r, char kind, uint64_t* result) {
    int64_t resultInt = 0;
    switch (kind) {
    case 'b':
        result[0] = r.Byte();
        break;
    case 'i':
    case 'e':
    case 'h':
        result[0] = static_cast<uint32_t>(r.Varint());
        resultInt = static_cast<int32_t>(static_cast<uint32_t>(result[0]));
        break;
    case 'f':
        result[0] = r.U32();
        break;
    case 'V':
        for (int i = 0; i < 3; ++i)
            result[i] = r.U32();
        break;
    case 'q':
        result[0] = r.Varint();
        break;
    default:
        break;
    }
    return resultInt;
}

// One out-parameter of an answer, read into its slot.
void ReadOutSlot(Reader& r, char kind, uint64_t arg, int64_t resultInt) {
    switch (kind) {
    case 'F': {
        const uint32_t bits = r.U32();
        std::memcpy(SlotPointer<float>(arg), &bits, sizeof bits);
        break;
    }
    case 'V': {
        uint64_t* slots = SlotPointer<uint64_t>(arg);
        for (int k = 0; k < 3; ++k)
            slots[k] = r.U32();
        break;
    }
    case 'E':
    case 'B':
        if (r.Byte() & 1) *SlotPointer<uint32_t>(arg) = 0;
        break;
    case 'N': {
        uint64_t* slots = SlotPointer<uint64_t>(arg);
        const int64_t n = std::clamp<int64_t>(resultInt, 0, NearbySlots);
        for (int64_t k = 0; k < n; ++k)
            slots[1 + k] = static_cast<uint32_t>(r.Varint());
        break;
    }
    default:
        break;
    }
}

// The result slots of one answer, written; gives the integer result (what an 'N' slot counts).
int64_t WriteResult(Writer& w, char kind, const uint64_t* result) {
    int64_t resultInt = 0;
    switch (kind) {
    case 'b':
        w.Byte(static_cast<uint8_t>(result[0] != 0));
        break;
    case 'i':
    case 'e':
    case 'h':
        w.Varint(static_cast<uint32_t>(result[0]));
        resultInt = static_cast<int32_t>(static_cast<uint32_t>(result[0]));
        break;
    case 'f':
        w.U32(FloatBits(result[0]));
        break;
    case 'V':
        for (int i = 0; i < 3; ++i)
            w.U32(FloatBits(result[i]));
        break;
    case 'q':
        w.Varint(result[0]);
        break;
    default:
        break;
    }
    return resultInt;
}

// One out-parameter of an answer, written from its slot as the call left it.
void WriteOutSlot(Writer& w, char kind, uint64_t arg, int64_t resultInt) {
    switch (kind) {
    case 'F': {
        uint32_t bits;
        std::memcpy(&bits, SlotPointer<float>(arg), sizeof bits);
        w.U32(bits);
        break;
    }
    case 'V': {
        const uint64_t* slots = SlotPointer<uint64_t>(arg);
        for (int k = 0; k < 3; ++k)
            w.U32(FloatBits(slots[k]));
        break;
    }
    case 'E':
    case 'B':
        w.Byte(*SlotPointer<uint32_t>(arg) == 0 ? 1 : 0);
        break;
    case 'N': {
        const uint64_t* slots = SlotPointer<uint64_t>(arg);
        const int64_t n = std::clamp<int64_t>(resultInt, 0, NearbySlots);
        for (int64_t k = 0; k < n; ++k)
            w.Varint(static_cast<uint32_t>(slots[1 + k]));
        break;
    }
    default:
        break;
    }
}

} // namespace

bool Reader::Answer(uint64_t hash, const uint64_t* args, size_t count, uint64_t* result) {
    if (p_ == end_) {
        exhausted_ = true;
        return false;
    }
    const NativeInfo* info = Info(hash);
    if (!info) return true; // not one of ours: zeroes, nothing read
    const int64_t resultInt = ReadResult(*this, info->result[0], result);
    const size_t slots = std::min(std::strlen(info->args), count);
    for (size_t i = 0; i < slots; ++i)
        ReadOutSlot(*this, info->args[i], args[i], resultInt);
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
    const int64_t resultInt = WriteResult(*this, info->result[0], result);
    const size_t slots = std::min(std::strlen(info->args), count);
    for (size_t i = 0; i < slots; ++i)
        WriteOutSlot(*this, info->args[i], args[i], resultInt);
}

} // namespace frames
