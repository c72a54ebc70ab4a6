// The graphics library started on the simulated accelerator: a VBE/AF
// driver file written into the test's folder, the ACCEL drivers registered
// and the 640 x 480 mode of a depth set through them.
#pragma once

#include "LinkedDrivers.h"
#include "TempDir.h"
#include "VbeafWriter.h"

#include "gdl/driver.h"
#include "platform/Adapter.h"

namespace testsupport {

inline bool StartAccelLibrary(const TempDir& folder, int32_t bits,
                              const tools::VbeafOptions& options, const char* card = "accel") {
    if (!platform::UseAdapter(card)) return false;
    folder.Write("VBEAF.DRV", tools::WriteVbeaf(options));
    RegisterLinkedDrivers({"ACCEL"});
    int32_t driver = GDL_TYPE_ACCEL_SVGA, mode = ModeOf(640, 480, bits);
    return GDL_init(&driver, &mode, ".");
}

} // namespace testsupport
