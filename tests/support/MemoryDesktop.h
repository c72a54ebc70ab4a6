// A fresh desktop for display tests: the memory host, a new user state, the
// virtual clock and a 1024 x 768 desktop of the given depth.
#pragma once

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/Registry.h"

#include <cstdlib>
#include <string>

namespace testsupport {

inline void UseMemoryDesktop(int bitsPerPixel = 16) {
    platform::UseHost(platform::HostKind::Memory);
    platform::ClockUseVirtual(true, 1000);
    platform::SetMemoryDesktop(1024, 768, bitsPerPixel);
}

// The same with the registry in a folder of the test's own, for code that
// writes settings (full screen sets the AutoRun policy bit).
inline void UseMemoryDesktopWithRegistryIn(const std::string& folder, int bitsPerPixel = 16) {
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    UseMemoryDesktop(bitsPerPixel);
}

} // namespace testsupport
