#pragma once
#include "export/export_look.h"

// The export look kept between runs in settings.ini in the person's settings
// folder (osSettingsFolder).

// The look last saved; the defaults for whatever is missing or cannot be read.
ExportLook loadSettings();

// Writes the look through a safe save; false when it could not be written.
bool saveSettings(const ExportLook* look);
