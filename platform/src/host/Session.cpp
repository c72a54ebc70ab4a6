#include "platform/Session.h"

#include "SessionParts.h"
#include "platform/Clock.h"

namespace platform {

namespace {

void Defaults() {
    ResetUserState();
    ResetSoundDevice();
    ResetTimers();
    ResetModuleOverrides();
    RegistryReset();
    ResetMemoryDesktop();
    ResetAdapter();
    ClockUseVirtual(false);
}

} // namespace

Session::Session(const SessionOptions& options) {
    if (options.host) hostReady_ = UseHost(*options.host);
    Defaults();
    if (options.virtualClockFrom) ClockUseVirtual(true, *options.virtualClockFrom);
}

Session::~Session() {
    Defaults();
}

} // namespace platform
