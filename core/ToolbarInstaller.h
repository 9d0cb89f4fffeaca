// Installing the plug-in's toolbar into the host's workspace, once per
// release: the version key in the settings file says whether this release's
// bar is in; otherwise the old bar goes and the workspace file for the host's
// generation is imported.
//
// Threads: the host's user-interface thread.
#pragma once

#include "core/host/ComPtr.h"
#include "core/host/VGCore.h"

#include <cstdint>

namespace mosvik {

constexpr int32_t ToolbarVersion = 2016060402;
extern const char* const ToolbarSettingsSection; // "插件配置"
extern const char* const ToolbarVersionKey;      // "版本号"

// The bar the workspace created, or null when the host has none by that
// name. Throws HostError for a failure other than the look-up itself.
com::ComPtr<com::ICUICommandBar> findCommandBar(com::IVGApplication* app);

// Steps 2 to 7 of the installation (the commands are registered before).
// Returns the bar when it was already there (the caller keeps it), else null
// after importing and showing it. Throws on failure; the version key is
// written even when deleting the old bar failed.
com::ComPtr<com::ICUICommandBar> installToolbarWorkspace(com::IVGApplication* app);

} // namespace mosvik
