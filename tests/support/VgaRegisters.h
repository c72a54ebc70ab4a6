// The VGA's indexed registers as tests set them: index and value in one
// 16-bit port write.
#pragma once

#include "platform/Vga.h"

#include <cstdint>

namespace testsupport {

inline void VgaGraphics(int index, uint8_t value) {
    platform::VgaOutPortWord(0x3CE, uint16_t(index | value << 8));
}
inline void VgaSequencer(int index, uint8_t value) {
    platform::VgaOutPortWord(0x3C4, uint16_t(index | value << 8));
}

} // namespace testsupport
