// The bound applied to every count read from the settings, in one place for every loader.
#include "config/count_bounds.h"

#include <string>
#include <string_view>

#include "config/ini_access.h"
#include "config/setting_units.h"
#include "state/plugin_state.h"

int32_t LimitCount(const char* section, const char* key, int32_t value, int32_t bound) {
    if (value <= bound) return value;
    if (ConfigDiagnostics* d = G.config.Diagnostics)
        NoteConfigKey(*d, section, key,
                      std::to_string(value) + " is above the bound of " + std::to_string(bound) +
                          "; " +
                          (std::string_view(section) == "Extras"
                               ? std::to_string(bound) + " chances are kept"
                               : ValueInPlay(section, key, bound) + " is used"));
    return bound;
}
