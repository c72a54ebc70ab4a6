#include "platform/DirectSound.h"
#include "BuiltinModules.h"

#include <iterator>

namespace platform {

const ModuleExport* DirectSoundExports(size_t* count) {
    static const ModuleExport exports[] = {
        {"DirectSoundCreate", ExportOf(&DirectSoundCreate)},
        {"DirectSoundEnumerateA", ExportOf(&DirectSoundEnumerateA)},
    };
    *count = std::size(exports);
    return exports;
}

} // namespace platform
