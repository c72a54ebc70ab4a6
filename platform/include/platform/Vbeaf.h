// The VBE/AF accelerator driver file ("VBEAF.DRV") as this system makes and
// reads it, and the simulated accelerator's side of it. A real driver image
// holds native code for another machine; ours never runs a byte of the file:
// the code places hold small tagged stubs naming our accelerator, which the
// platform dispatches to. Image slots stay 32 bits on every host: data
// pointers (mode list, bank routine) are offsets into the image, and code
// entries, callbacks and mapped addresses are 32-bit handles that the
// platform's tables resolve.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace platform::vbeaf {

// Fields of the image (byte offsets from its start).
enum : uint32_t {
    kSignature = 0x000, // "VBEAF.DRV" and its NUL
    kVersion = 0x00C,   // BCD, 0x200 = 2.0
    kModeList = 0x0B4,  // offset of the 16-bit mode numbers, ended by 0FFFFh
    kMemoryKB = 0x0B8,
    kAttributes = 0x0BC, // 10h acceleration, 4000h and 8000h stereo connectors
    kBankSizeKB = 0x0C0,
    kBankAddress = 0x0C4,
    kLinearSizeKB = 0x0C8,
    kLinearAddress = 0x0CC,   // 0: no linear framebuffer
    kRegisterAddress = 0x0D8, // four areas; 0: none
    kRegisterLength = 0x0E8,
    kSelectors = 0x108,       // five, written for drivers older than 2.0
    kMappedRegisters = 0x120, // four, written
    kMappedBank = 0x130,
    kMappedLinear = 0x134,
    kOffscreenWidth = 0x14C, // the driver's offscreen area, set with the mode
    kActiveOffset = 0x154,
    kOffscreenStart = 0x158,
    kOffscreenTop = 0x15C,
    kOffscreenBottom = 0x160,
    kBankLength = 0x18C,
    kBankRoutine = 0x190,     // offset of the bank routine (0: none)
    kIntCallback = 0x194,     // written
    kFarCallCallback = 0x198, // written
    kInitEntry = 0x19C,       // offset of the initialisation stub
    kModeTable = 0x1A0,       // our accelerator's own mode records (offset)
    kModeTableCount = 0x1A4,  // and their number
    kMonoImageField = 0x224,  // non-null: the driver draws 1-bit images
    kFirstEntry2 = 0x240,     // offset of the stub called first by 2.0 drivers
    kEntries = 0x24C,         // the service and rendering entries
    kEntriesEnd = 0x328,      // one past the last entry slot
    kHeaderSize = kEntriesEnd,
};

// Entry slots (offsets of their handles).
enum : uint32_t {
    kGetModeInfo = 0x24C,
    kSetMode = 0x250,
    kRestoreTextMode = 0x254,
    kClosestClock = 0x258,
    kSetDisplayStart = 0x260,
    kSetActiveBuffer = 0x264,
    kSetVisibleBuffer = 0x268,
    kDisplayStartStatus = 0x26C,
    kEnableStereo = 0x270,
    kSetPalette = 0x274,
    kSetBank = 0x27C,
    kSetCursor = 0x280,
    kSetCursorPos = 0x284,
    kSetCursorColor = 0x288,
    kShowCursor = 0x28C,
    kWaitIdle = 0x290,
    kEnableDirect = 0x294,
    kDisableDirect = 0x298,
    kSetMix = 0x29C,
    kSet8x8MonoPattern = 0x2A0,
    kSet8x8ColorPattern = 0x2A4,
    kUse8x8ColorPattern = 0x2A8,
    kSetLineStipple = 0x2AC,
    kSetLineStippleCount = 0x2B0,
    kSetClipRect = 0x2B4,
    kDrawScan = 0x2B8,
    kDrawPattScan = 0x2BC,
    kDrawColorPattScan = 0x2C0,
    kDrawScanList = 0x2C4,
    kDrawPattScanList = 0x2C8,
    kDrawColorPattScanList = 0x2CC,
    kDrawRect = 0x2D0,
    kDrawPattRect = 0x2D4,
    kDrawColorPattRect = 0x2D8,
    kDrawLine = 0x2DC,
    kDrawStippleLine = 0x2E0,
    kDrawTrap = 0x2E4,
    kDrawExtra5 = 0x2E8,
    kDrawExtra6 = 0x2EC,
    kPutMonoImage = 0x2F0,
    kBitBlt = 0x2FC,
    kBitBltSys = 0x304,
    kSrcTransBlt = 0x30C,
    kSrcTransBltSys = 0x314,
    kDstTransBlt = 0x31C,
    kDstTransBltSys = 0x324,
};
constexpr uint32_t kSlotCount = (kEntriesEnd - kEntries) / 4;

// The name of an entry slot ("DrawRect"), or null for a slot the system
// never calls.
const char* EntryName(uint32_t slot);
// The slot of a name, or 0.
uint32_t EntrySlot(const char* name);

// Our accelerator's code stubs: EBh, 07h (jump over the tag), 'A', 'F', the
// kind, the accelerator id (32 bits), C3h (return).
constexpr size_t kStubSize = 10;
enum StubKind : uint8_t { kStubInit = 1, kStubFirst2 = 2, kStubBank = 3 };
constexpr uint32_t kSimulatedAccelerator = 0x53414631u; // "1FAS" read as bytes
void WriteStub(uint8_t* at, StubKind kind, uint32_t accelerator);
// The stub's kind at `at` (reading at most `size` bytes) and its
// accelerator, or 0 when the bytes are no stub of ours.
int StubKindAt(const uint8_t* at, size_t size, uint32_t* accelerator);

// Before initialisation a slot holds kEntryWanted when the driver offers the
// entry; its initialisation replaces that by the entry's handle.
constexpr uint32_t kEntryWanted = 0xFFFFFFFFu;

// Our accelerator's record of one mode in its table.
struct ModeRecord {
    uint16_t number = 0;
    uint16_t width = 0, height = 0;
    uint8_t bits = 0;        // 8, 15, 16, 24, 32
    uint8_t pages = 1;       // image pages the mode can hold
    uint16_t attributes = 0; // mode attributes (1h, 8h linear, 10h accelerated, 40h cursor...)
};
constexpr size_t kModeRecordSize = 10;

} // namespace platform::vbeaf

namespace platform {

// --- Handles -------------------------------------------------------------------------
// A 32-bit handle for an address the platform hands out (a mapping, the
// device's driver image): the same address gives the same handle; 0 for null.
uint32_t VbeafHandleOf(void* address);
// The address of a handle, or null for one the platform never gave.
void* VbeafAddressOf(uint32_t handle);

// The DPMI real-mode call block the driver hands to the two callbacks.
struct DpmiRegs {
    uint32_t edi, esi, ebp, reserved, ebx, edx, ecx, eax;
    uint16_t flags, es, ds, fs, gs, ip, cs, sp, ss;
};
// The loader's callbacks: a real-mode interrupt (number in BL, the block in
// EDI) and a real-mode far call (the block in EDI).
typedef void (*VbeafIntCallback)(uint32_t interrupt, DpmiRegs* regs);
typedef void (*VbeafFarCallback)(DpmiRegs* regs);
uint32_t VbeafCallbackHandle(VbeafIntCallback callback);
uint32_t VbeafCallbackHandle(VbeafFarCallback callback);

// --- Calling the driver ----------------------------------------------------------------
// Runs the code at `offset` of the image (its initialisation, the 2.0 first
// entry) with the image in EBX. Only our accelerator's stub of the adapter's
// accelerator runs; anything else (foreign code, an offset outside the image,
// no accelerator) answers non-zero.
uint32_t VbeafCallCode(uint8_t* image, size_t size, uint32_t offset);
// Calls the entry whose handle the image holds at `slot`, with the image as
// the first argument. Pointers travel as intptr_t. An unknown handle answers -1.
int64_t VbeafCallEntry(uint8_t* image, size_t size, uint32_t slot,
                       std::initializer_list<intptr_t> args);

// --- The simulated accelerator ---------------------------------------------------------
// Our accelerator's mode information (entry GetVideoModeInfo).
struct AfModeInfo {
    uint16_t attributes;
    uint16_t xResolution, yResolution;
    uint16_t bytesPerScanLine;
    uint16_t bitsPerPixel;
    uint16_t maxBuffers; // image pages - 1
    uint8_t redMaskSize, redFieldPosition, greenMaskSize, greenFieldPosition;
    uint8_t blueMaskSize, blueFieldPosition, rsvdMaskSize, rsvdFieldPosition;
    uint16_t linBytesPerScanLine;
    uint32_t maxPixelClock;
};

// The hardware cursor's shape (entry SetCursor): 32 rows of 32 pixels, bit
// 31 the leftmost; where the AND mask is clear the XOR bit shows the
// cursor's colour, where both are set the screen is inverted.
struct AfCursor {
    uint32_t xorMask[32];
    uint32_t andMask[32];
    uint32_t hotX, hotY;
};

// A palette entry as SetPaletteData takes it.
struct AfPalette {
    uint8_t blue, green, red, alpha;
};

// Every entry called, in order, with its arguments (the driver left out;
// pointers as 0 or 1 so logs compare across runs).
struct VbeafCall {
    uint32_t slot;
    std::vector<int64_t> args;
};
std::vector<VbeafCall> VbeafCallLog();
void VbeafClearCallLog();
// Drawing the accelerator still holds (it draws at wait-idle, direct
// access, a call that reads memory, and scan-out).
size_t VbeafQueuedOperations();

// The hardware cursor as the accelerator holds it.
struct VbeafCursorState {
    bool shown = false;
    int x = 0, y = 0;
    uint32_t red = 0, green = 0, blue = 0;
    bool shapeSet = false;
};
VbeafCursorState VbeafCursor();
// The scan-out without the cursor overlay (false: with it, the default).
void VbeafShowCursorOverlay(bool on);

} // namespace platform
