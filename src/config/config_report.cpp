#include "config/config_report.h"

std::string RenderEffectiveConfig() {
    return std::string();
}
