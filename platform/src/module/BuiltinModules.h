// Export tables of the modules compiled into the program besides the
// system's own, registered on first use of the module registry.
#pragma once

#include "platform/Module.h"

namespace platform {

// "dsound.dll": DirectSoundCreate and DirectSoundEnumerateA.
const ModuleExport* DirectSoundExports(size_t* count);
// "ddraw.dll": DirectDrawCreate and DirectDrawCreateClipper.
const ModuleExport* DirectDrawExports(size_t* count);

} // namespace platform
