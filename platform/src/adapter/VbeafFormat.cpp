// The names of the VBE/AF entry slots and our accelerator's code stubs.
#include "platform/Vbeaf.h"

#include <cstring>
#include <iterator>

namespace platform::vbeaf {

namespace {

struct Named {
    uint32_t slot;
    const char* name;
};
constexpr Named kNames[] = {
    {kGetModeInfo, "GetVideoModeInfo"},
    {kSetMode, "SetVideoMode"},
    {kRestoreTextMode, "RestoreTextMode"},
    {kClosestClock, "GetClosestPixelClock"},
    {kSetDisplayStart, "SetDisplayStart"},
    {kSetActiveBuffer, "SetActiveBuffer"},
    {kSetVisibleBuffer, "SetVisibleBuffer"},
    {kDisplayStartStatus, "GetDisplayStartStatus"},
    {kEnableStereo, "EnableStereoMode"},
    {kSetPalette, "SetPaletteData"},
    {kSetBank, "SetBank"},
    {kSetCursor, "SetCursor"},
    {kSetCursorPos, "SetCursorPos"},
    {kSetCursorColor, "SetCursorColor"},
    {kShowCursor, "ShowCursor"},
    {kWaitIdle, "WaitTillIdle"},
    {kEnableDirect, "EnableDirectAccess"},
    {kDisableDirect, "DisableDirectAccess"},
    {kSetMix, "SetMix"},
    {kSet8x8MonoPattern, "Set8x8MonoPattern"},
    {kSet8x8ColorPattern, "Set8x8ColorPattern"},
    {kUse8x8ColorPattern, "Use8x8ColorPattern"},
    {kSetLineStipple, "SetLineStipple"},
    {kSetLineStippleCount, "SetLineStippleCount"},
    {kSetClipRect, "SetClipRect"},
    {kDrawScan, "DrawScan"},
    {kDrawPattScan, "DrawPattScan"},
    {kDrawColorPattScan, "DrawColorPattScan"},
    {kDrawScanList, "DrawScanList"},
    {kDrawPattScanList, "DrawPattScanList"},
    {kDrawColorPattScanList, "DrawColorPattScanList"},
    {kDrawRect, "DrawRect"},
    {kDrawPattRect, "DrawPattRect"},
    {kDrawColorPattRect, "DrawColorPattRect"},
    {kDrawLine, "DrawLine"},
    {kDrawStippleLine, "DrawStippleLine"},
    {kDrawTrap, "DrawTrap"},
    {kDrawExtra5, "DrawExtra5"},
    {kDrawExtra6, "DrawExtra6"},
    {kPutMonoImage, "PutMonoImage"},
    {kBitBlt, "BitBlt"},
    {kBitBltSys, "BitBltOffscreen"},
    {kSrcTransBlt, "SrcTransBlt"},
    {kSrcTransBltSys, "SrcTransBltOffscreen"},
    {kDstTransBlt, "DstTransBlt"},
    {kDstTransBltSys, "DstTransBltOffscreen"},
};

} // namespace

const char* EntryName(uint32_t slot) {
    for (const Named& n : kNames)
        if (n.slot == slot) return n.name;
    return nullptr;
}

uint32_t EntrySlot(const char* name) {
    for (const Named& n : kNames)
        if (name && std::strcmp(n.name, name) == 0) return n.slot;
    return 0;
}

void WriteStub(uint8_t* at, StubKind kind, uint32_t accelerator) {
    const uint8_t stub[kStubSize] = {0xEB,
                                     0x07,
                                     'A',
                                     'F',
                                     uint8_t(kind),
                                     uint8_t(accelerator),
                                     uint8_t(accelerator >> 8),
                                     uint8_t(accelerator >> 16),
                                     uint8_t(accelerator >> 24),
                                     0xC3};
    std::memcpy(at, stub, kStubSize);
}

int StubKindAt(const uint8_t* at, size_t size, uint32_t* accelerator) {
    if (!at || size < kStubSize) return 0;
    if (at[0] != 0xEB || at[1] != 0x07 || at[2] != 'A' || at[3] != 'F' || at[9] != 0xC3) return 0;
    if (at[4] < kStubInit || at[4] > kStubBank) return 0;
    if (accelerator)
        *accelerator =
            uint32_t(at[5]) | uint32_t(at[6]) << 8 | uint32_t(at[7]) << 16 | uint32_t(at[8]) << 24;
    return at[4];
}

} // namespace platform::vbeaf
