#pragma once
// The running desktop's pointer speed and wheel lines: GNOME's mouse speed key
// when GNOME's settings are installed, otherwise libinput's acceleration
// property of the X server's pointers; KDE's wheel scroll lines when KDE is
// running. What the desktop does not have fails its "get".
#include <memory>

#include "settings/host_settings.h"

namespace orv::settings {

std::unique_ptr<HostSettings> MakeDesktopHostSettings();

}  // namespace orv::settings
