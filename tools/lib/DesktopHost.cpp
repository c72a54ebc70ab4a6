#include "DesktopHost.h"

#include "platform/Host.h"

#include <cstdio>
#include <string>

namespace tools {

bool OnDesktop(const char* program, const char* note) {
    if (platform::CurrentHost() == platform::HostKind::Sdl) return true;
    std::string reason = platform::NoDesktopReason();
    if (reason.empty()) reason = "no display";
    std::fprintf(stderr, "%s: %s: %s\n", program, reason.c_str(), note);
    return false;
}

} // namespace tools
