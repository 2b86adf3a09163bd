// Arbitrary bytes as the settings file: the whole configuration load (settings, rosters,
// variant weights, loadouts and pools) and direct profile queries with small buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "config/loadouts.h"
#include "config/rosters.h"
#include "config/settings_loader.h"
#include "fuzz_support.h"
#include "platform/profile.h"
#include "state/plugin_state.h"

namespace {
constexpr const char* IniPath = ".\\Harkvane.ini";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::WriteFile(IniPath, data, size);
    ResetPluginState();
    LoadSettings(G.settings);
    LoadVariantWeights();
    LoadLoadouts();
    LoadTierLoadoutPools();

    // The first line of the input names a section and key to query with every small size.
    const uint8_t* eol = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
    const std::string name(reinterpret_cast<const char*>(data),
                           eol ? static_cast<size_t>(eol - data) : (size < 16 ? size : 16));
    const std::string section = name.c_str(); // up to the first NUL
    char out[8];
    for (uint32_t room = 0; room <= sizeof out; ++room) {
        std::memset(out, 'x', sizeof out);
        GetPrivateProfileSectionA(section.c_str(), out, room, IniPath);
        GetPrivateProfileStringA(section.c_str(), section.c_str(), "dflt", out, room, IniPath);
        GetPrivateProfileStringA(section.c_str(), nullptr, "", out, room, IniPath);
        GetPrivateProfileStringA(nullptr, nullptr, "", out, room, IniPath);
    }
    GetPrivateProfileIntA(section.c_str(), section.c_str(), -7, IniPath);
    return 0;
}
