#include "config/settings_loader.h"

void LoadSettings(Settings&) {}
