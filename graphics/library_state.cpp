// The library's one state object, its start values and its reset.
#include "library_state.h"
#include "gdl/vbeaf.h"
#include "gdl/vesavbe.h"

#include "gdl/mouse.h"

namespace gdl_internal {

namespace {

// Rows 0 to 19 of the arrow, each a 32-bit word whose first byte is the most
// significant; the rows below are empty in both masks.
constexpr uint32_t kArrowXor[20] = {0x00000000, 0x40000000, 0x60000000, 0x70000000, 0x78000000,
                                    0x7c000000, 0x7e000000, 0x7f000000, 0x7f800000, 0x7fc00000,
                                    0x7e000000, 0x76000000, 0x66000000, 0x43000000, 0x03000000,
                                    0x01800000, 0x01800000, 0x00c00000, 0x00c00000, 0x00000000};
constexpr uint32_t kArrowAnd[20] = {0xc0000000, 0xe0000000, 0xf0000000, 0xf8000000, 0xfc000000,
                                    0xfe000000, 0xff000000, 0xff800000, 0xffc00000, 0xffe00000,
                                    0xfff00000, 0xff000000, 0xff000000, 0xef800000, 0xc7800000,
                                    0x83c00000, 0x03c00000, 0x01e00000, 0x01e00000, 0x00c00000};

constexpr GdlCursor makeArrow() {
    GdlCursor arrow{};
    for (size_t row = 0; row < 20; ++row)
        for (size_t b = 0; b < 4; ++b) {
            arrow.xorMask[row * 4 + b] = static_cast<uint8_t>(kArrowXor[row] >> (24 - 8 * b));
            arrow.andMask[row * 4 + b] = static_cast<uint8_t>(kArrowAnd[row] >> (24 - 8 * b));
        }
    arrow.hotX = 1;
    arrow.hotY = 1;
    return arrow;
}

constexpr LibraryState initialState() {
    LibraryState s;
    s.arrow = makeArrow();
    return s;
}

} // namespace

constinit LibraryState g_library = initialState();

void LibraryState::reset() {
    GDL_exit();
    // What outlives GDL_exit goes back through the hooks that made it.
    GDL_setTimerTick(0);
    GDL_setMouseDC(nullptr);
    for (BlitState::RowBuffer& row : blits.rows)
        GDL_free(row.data);
    for (GdlDriverState*& shared : packedStates)
        GDL_free(shared);
    GDL_free(windowed.shared);
    VBE_resetModule();
    AF_resetLoader();
    static constexpr LibraryState kInitial = initialState();
    *this = kInitial;
}

} // namespace gdl_internal

// The public names of two topics, kept for the drivers, the engine and tests.
GdlDeviceContext& GDL_stateBlock = gdl_internal::g_library.stateBlock;
GdlFileHooks& GDL_fileHooks = gdl_internal::g_library.fileHooks;

void GDL_resetLibrary() {
    gdl_internal::g_library.reset();
}
