// The export table of "ddraw.dll".
#include "BuiltinModules.h"
#include "platform/DirectDraw.h"

#include <iterator>

namespace platform {

const ModuleExport* DirectDrawExports(size_t* count) {
    static const ModuleExport kExports[] = {
        {"DirectDrawCreate", ExportOf(&DirectDrawCreate)},
        {"DirectDrawCreateClipper", ExportOf(&DirectDrawCreateClipper)},
    };
    *count = std::size(kExports);
    return kExports;
}

} // namespace platform
