// The input of the `frames` fuzz target: everything the game could tell the plug-in, in the
// order the plug-in asks. The same bytes are written by the seed recorder from a scenario run
// of the simulated world, so a recorded run replays call for call until a mutation turns it.
//
//   seed        4 bytes, little-endian: the calendar time the plug-in seeds rand() with
//   files       Harkvane.ini, Harkvane.dat, BountyPools.dat, each as a file (below)
//   answers     the start-up's native answers
//   frames      per frame a control byte, then the frame's native answers:
//                 bit 0 F7 pressed, bit 1 F9 pressed,
//                 bits 2, 3, 4: Harkvane.ini, Harkvane.dat, BountyPools.dat replaced before the
//                 frame (a file follows each, in that order),
//                 bit 5: other keys pressed (after the files, a varint count, then each key's
//                 virtual-key code as one byte), for hotkeys moved off F7 and F9,
//                 bit 7: no frame; the library is unloaded (the unload's answers follow)
//   file        varint n: 0 = no file, else n - 1 bytes of content (at most MaxFileBytes)
//
// Each native call reads its answer by the kinds of the catalogue (natives/native_list.h): the
// result first, then every out-parameter in argument order. A bool is one byte, taken whole as
// the slot; a handle the host may zero (delete, remove blip) one byte, bit 0 zeroing it; an
// integer, handle or hash a varint of its 32 bits, a 64-bit value a varint; a float 4 bytes; a
// vector 12 (x, y, z).
// The nearby-ped query answers a count (a varint, any value) and then as many handles as fit
// the plug-in's 64 slots. An input that ends early answers the rest from the host's own model.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace frames {

inline constexpr size_t MaxFileBytes = 1 << 16;
inline constexpr int NearbySlots = 64;

enum Control : uint8_t {
    PressF7 = 1,
    PressF9 = 2,
    ReplaceIni = 4,
    ReplaceStreak = 8,
    ReplacePools = 16,
    PressOtherKeys = 32,
    Unload = 128,
};

// The plug-in's three files in the order the input carries them.
inline constexpr const char* FileNames[3] = {".\\Harkvane.ini", "Harkvane.dat",
                                             ".\\BountyPools.dat"};

struct File {
    bool present = false;
    std::string text;
};

// Reads the input front to back; past its end every read gives `ok() == false` and zeroes.
class Reader {
  public:
    Reader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    bool ok() const { return !exhausted_; }
    bool AtEnd() const { return p_ == end_; }
    size_t Left() const { return static_cast<size_t>(end_ - p_); }
    uint8_t Byte();
    uint64_t Varint();
    uint32_t U32();
    File ReadFile();
    // One native call's answer: fills the result slots and the out-parameters among `args`.
    // False (and nothing written) once the input is used up.
    bool Answer(uint64_t hash, const uint64_t* args, size_t count, uint64_t* result);

  private:
    const uint8_t* p_;
    const uint8_t* end_;
    bool exhausted_ = false;
};

// Builds an input; the recorder's side of the format.
class Writer {
  public:
    std::vector<uint8_t> bytes;
    void Byte(uint8_t b) { bytes.push_back(b); }
    void Varint(uint64_t v);
    void U32(uint32_t v);
    void WriteFile(const File& f);
    // The answer the host gave to one call: its result slots and, after the call, the
    // out-parameters among `args`.
    void Answer(uint64_t hash, const uint64_t* args, size_t count, const uint64_t* result);
};

} // namespace frames
