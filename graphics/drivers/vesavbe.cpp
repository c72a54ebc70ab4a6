// VESAVBE over the full-screen support library: every block goes through the
// real-mode transfer buffer; strings, the mode list and the protected-mode
// table are copied with their bounds checked (the string area stops at 512
// bytes, a table's offsets must lie inside its length).
#include "gdl/vesavbe.h"
#include "gdl/vbe.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "gdl/fsdirect.h"
#include "gdl/memory.h"
#include "platform/ByteStream.h"
#include "platform/User.h"

namespace {

constexpr size_t kStringArea = 512;
constexpr size_t kBankRoutineSize = 64;
constexpr uint32_t kOk = 0x004F;

struct Module {
    uint32_t bufferLength = 0;
    uint16_t bufferSelector = 0;
    uint32_t bufferOffset = 0;
    uint16_t bufferSegment = 0, bufferRealOffset = 0;
    int32_t version = 0;
    int32_t memoryKB = 0;
    bool trustFilter = false;
    alignas(2) char strings[kStringArea]{};
    uint8_t* pmTable = nullptr;
    uint32_t pmLength = 0;
    bool pmAsked = false;
    uint16_t memorySelector = 0;
    void* linear[5]{};
    uint8_t bankRoutine[kBankRoutineSize]{};
};

Module& mod() {
    static Module m;
    return m;
}

[[noreturn]] void fatal(const char* text) {
    MessageBoxA(nullptr, text, "VESAVBE Fatal Error!", 0x30);
    std::exit(1);
}

bool ok(const VbeCallRegs& r) {
    return (r.ax & 0xFFFF) == kOk;
}

VbeCallRegs plain(uint32_t ax, uint32_t bx = 0, uint32_t cx = 0, uint32_t dx = 0) {
    platform::PmiRegs in{ax, bx, cx, dx, 0, 0, 0}, out{};
    PMI_int86(0x10, &in, &out);
    return {out.ax, out.bx, out.cx, out.dx, out.si, out.di, out.cflag};
}

platform::FsdRegs386 call386(uint32_t eax, uint32_t ebx, uint32_t ecx = 0, uint32_t edx = 0) {
    platform::FsdRegs386 in{eax, ebx, ecx, edx, 0, 0, 0}, out{};
    FSD_int386(0x10, &in, &out);
    return out;
}

bool ok386(const platform::FsdRegs386& r) {
    return (r.eax & 0xFFFF) == kOk;
}

void freeSelector(uint16_t selector) {
    if (const GdlFsDirect* f = GDL_fsDirect(); f && selector) f->freeSelector(selector);
}

// Bytes of a far pointer's string up to and including its NUL, into `dest`
// of `room` bytes (a string cut there still ends in NUL). The byte behind it.
char* copyRealString(char* dest, size_t room, uint32_t far) {
    if (room == 0) return dest;
    uint16_t selector = 0;
    uint32_t offset = 0;
    PMI_mapRealPointer(&selector, &offset, uint16_t(far >> 16), uint16_t(far));
    size_t n = 0;
    for (; n + 1 < room; ++n)
        if ((dest[n] = char(PMI_getByte(selector, offset + uint32_t(n)))) == 0) break;
    dest[n] = 0;
    freeSelector(selector);
    return dest + n + 1;
}

// The mode list up to its 0FFFFh into `room` bytes; a list cut short still
// ends in 0FFFFh.
void copyRealModeList(uint16_t* dest, size_t room, uint32_t far) {
    const size_t words = room / 2;
    if (words == 0) return;
    uint16_t selector = 0;
    uint32_t offset = 0;
    PMI_mapRealPointer(&selector, &offset, uint16_t(far >> 16), uint16_t(far));
    size_t n = 0;
    for (; n + 1 < words; ++n)
        if ((dest[n] = PMI_getWord(selector, offset + uint32_t(2 * n))) == 0xFFFF) break;
    dest[n] = 0xFFFF;
    freeSelector(selector);
}

// Parses the controller block, copying what it points at into the area.
void takeStrings(const uint8_t* block, VbeControllerInfo* info) {
    Module& m = mod();
    platform::ByteReader r(block, 512);
    r.Skip(4);
    info->version = r.U16();
    const uint32_t oem = r.U32();
    info->capabilities = r.U32();
    const uint32_t modes = r.U32();
    info->totalMemory = r.U16();
    info->oemSoftwareRev = r.U16();
    const uint32_t vendor = r.U32(), product = r.U32(), revision = r.U32();
    if (info->version >= 0x0200 && vendor == 0) info->version = 0x0102;
    char* const area = m.strings;
    // The strings leave the last word for the mode list's end.
    char* const end = area + kStringArea - 2;
    std::memset(area, 0, kStringArea);
    char* at = area;
    info->oemString = at;
    at = copyRealString(at, size_t(end - at), oem);
    info->vendorName = info->productName = info->productRevision = nullptr;
    if (info->version >= 0x0200) {
        const uint32_t fars[3] = {vendor, product, revision};
        const char** fields[3] = {&info->vendorName, &info->productName, &info->productRevision};
        for (int i = 0; i < 3; ++i) {
            *fields[i] = at < end ? at : nullptr;
            at = copyRealString(at, size_t(end - std::min(at, end)), fars[i]);
        }
    }
    // The mode list starts on a word boundary behind the strings.
    at = area + ((std::min(at, end) - area + 1) & ~1);
    info->modes = reinterpret_cast<const uint16_t*>(at);
    copyRealModeList(reinterpret_cast<uint16_t*>(at), size_t(area + kStringArea - at), modes);
}

void parseModeInfo(const uint8_t* block, VbeModeInfo* i) {
    platform::ByteReader r(block, 256);
    i->modeAttributes = r.U16();
    i->winAAttributes = r.U8(), i->winBAttributes = r.U8();
    i->winGranularity = r.U16(), i->winSize = r.U16();
    i->winASegment = r.U16(), i->winBSegment = r.U16();
    i->winFuncPtr = r.U32();
    i->bytesPerScanLine = r.U16(), i->xResolution = r.U16(), i->yResolution = r.U16();
    uint8_t* bytes1[] = {&i->xCharSize,    &i->yCharSize,         &i->numberOfPlanes,
                         &i->bitsPerPixel, &i->numberOfBanks,     &i->memoryModel,
                         &i->bankSize,     &i->numberOfImagePages};
    for (uint8_t* b : bytes1)
        *b = r.U8();
    r.Skip(1);
    uint8_t* fields[] = {&i->redMaskSize,        &i->redFieldPosition,  &i->greenMaskSize,
                         &i->greenFieldPosition, &i->blueMaskSize,      &i->blueFieldPosition,
                         &i->rsvdMaskSize,       &i->rsvdFieldPosition, &i->directColorModeInfo};
    for (uint8_t* b : fields)
        *b = r.U8();
    i->physBasePtr = r.U32(), i->offScreenMemOffset = r.U32(), i->offScreenMemSize = r.U16();
    i->linBytesPerScanLine = r.U16();
    uint8_t* lin[] = {&i->bnkNumberOfImagePages, &i->linNumberOfImagePages,
                      &i->linRedMaskSize,        &i->linRedFieldPosition,
                      &i->linGreenMaskSize,      &i->linGreenFieldPosition,
                      &i->linBlueMaskSize,       &i->linBlueFieldPosition,
                      &i->linRsvdMaskSize,       &i->linRsvdFieldPosition};
    for (uint8_t* b : lin)
        *b = r.U8();
    i->maxPixelClock = r.U32();
}

// Packed-pixel modes deeper than 8 bits become direct colour with the usual
// layouts; a 16-bit mode with a 1-bit reserved field is 15 bits.
void fixUp(VbeModeInfo* i) {
    if (mod().trustFilter) i->modeAttributes &= 0xF3FF;
    if (i->memoryModel == 4 && i->bitsPerPixel > 8) {
        static const uint8_t k15[8] = {5, 10, 5, 5, 5, 0, 1, 15},
                             k16[8] = {5, 11, 6, 5, 5, 0, 0, 0}, k24[8] = {8, 16, 8, 8, 8, 0, 0, 0};
        const uint8_t* f = i->bitsPerPixel == 15   ? k15
                           : i->bitsPerPixel == 16 ? k16
                           : i->bitsPerPixel == 24 ? k24
                                                   : nullptr;
        i->memoryModel = 6;
        if (f) {
            uint8_t* to[8] = {&i->redMaskSize,        &i->redFieldPosition, &i->greenMaskSize,
                              &i->greenFieldPosition, &i->blueMaskSize,     &i->blueFieldPosition,
                              &i->rsvdMaskSize,       &i->rsvdFieldPosition};
            for (int k = 0; k < 8; ++k)
                *to[k] = f[k];
        }
    }
    if (i->bitsPerPixel == 16 && i->rsvdMaskSize == 1) i->bitsPerPixel = 15;
}

int depthIndex(int bits) {
    switch (bits) {
        case 8: return 0;
        case 15: return 1;
        case 16: return 2;
        case 24: return 3;
        case 32: return 4;
        default: return -1;
    }
}

// The word at `at` of the table, or false past its end.
bool tableWord(uint32_t at, uint16_t* out) {
    const Module& m = mod();
    if (!m.pmTable || uint64_t(at) + 2 > m.pmLength) return false;
    *out = uint16_t(m.pmTable[at] | m.pmTable[at + 1] << 8);
    return true;
}

bool tableLong(uint32_t at, uint32_t* out) {
    uint16_t lo = 0, hi = 0;
    if (!tableWord(at, &lo) || !tableWord(at + 2, &hi)) return false;
    *out = uint32_t(lo) | uint32_t(hi) << 16;
    return true;
}

// The table start plus the offset in word `index`, when that lies inside it.
const uint8_t* tableEntry(int index) {
    const Module& m = mod();
    uint16_t offset = 0;
    if (m.version < 0x0200 || !tableWord(uint32_t(index) * 2, &offset)) return nullptr;
    const int16_t signedOffset = int16_t(offset);
    if (signedOffset < 0 || uint32_t(signedOffset) >= m.pmLength) return nullptr;
    return m.pmTable + signedOffset;
}

// The memory selector over the first area of the port and memory list.
void takeMemoryArea() {
    Module& m = mod();
    uint16_t list = 0, word = 0;
    if (!tableWord(6, &list) || list == 0 || m.memorySelector) return;
    uint32_t at = list;
    while (tableWord(at, &word) && word != 0xFFFF)
        at += 2;
    if (word != 0xFFFF) return; // the port list runs off the table
    at += 2;
    uint32_t base = 0;
    if (!tableWord(at, &word) || word == 0xFFFF || !tableLong(at, &base)) return;
    m.memorySelector = PMI_createSelector(base, 0x7FFFF);
}

} // namespace

void VBE_init() {
    Module& m = mod();
    if (m.bufferSelector) return;
    if (!PMI_getVESABuf(&m.bufferLength, &m.bufferSelector, &m.bufferOffset, &m.bufferSegment,
                        &m.bufferRealOffset) ||
        !m.bufferSelector)
        fatal("Real mode memory allocation failed!");
}

bool VBE_ready() {
    return mod().bufferSelector != 0;
}

VbeCallRegs VBE_callInt10(const VbeCallRegs& in, void* block, uint32_t length) {
    Module& m = mod();
    if (!m.bufferSelector)
        fatal("You *MUST* call VBE_init() before you can call the VESAVBE module!");
    length = std::min(length, m.bufferLength);
    if (block && length) PMI_memcpyfn(m.bufferSelector, m.bufferOffset, block, length);
    platform::PmiRegs r{in.ax, in.bx, in.cx, in.dx, in.si, m.bufferRealOffset, 0}, out{};
    platform::PmiSregs s{m.bufferSegment, 0, 0, 0};
    PMI_int86x(0x10, &r, &out, &s);
    if (block && length) PMI_memcpynf(block, m.bufferSelector, m.bufferOffset, length);
    return {out.ax, out.bx, out.cx, out.dx, out.si, out.di, out.cflag};
}

int32_t VBE_detect(VbeControllerInfo* info) {
    Module& m = mod();
    uint8_t block[512]{};
    std::memcpy(block, "VBE2", 4);
    const VbeCallRegs r = VBE_callInt10({0x4F00, 0, 0, 0, 0, 0, 0}, block, sizeof(block));
    if (!ok(r) || std::memcmp(block, "VESA", 4) != 0) return 0;
    VbeControllerInfo local{};
    if (!info) info = &local;
    takeStrings(block, info);
    m.memoryKB = int32_t(info->totalMemory) * 64;
    m.trustFilter = info->version >= 0x0300 && !(std::strstr(info->oemString, "NVidia") &&
                                                 std::strstr(info->oemString, "Riva"));
    m.version = info->version;
    return m.version;
}

int32_t VBE_getInfo(VbeControllerInfo* info) {
    return VBE_detect(info);
}

int32_t VBE_version() {
    return mod().version;
}

int32_t VBE_videoMemoryKB() {
    return mod().memoryKB;
}

bool VBE_getModeInfo(int32_t mode, VbeModeInfo* info) {
    uint8_t block[256]{};
    const VbeCallRegs r =
        VBE_callInt10({0x4F01, 0, uint32_t(mode) & 0xFFFF, 0, 0, 0, 0}, block, sizeof(block));
    if (!ok(r) || !(block[0] & 1) || !info) return false;
    parseModeInfo(block, info);
    fixUp(info);
    return true;
}

uint32_t VBE_getPageSize(const VbeModeInfo* info) {
    const uint32_t bytes = uint32_t(info->bytesPerScanLine) * info->yResolution;
    if (info->bitsPerPixel == 4)
        for (uint32_t size : {0x2000u, 0x4000u, 0x8000u})
            if (bytes <= size) return size;
    return (bytes + 0xFFFF) & ~0xFFFFu;
}

bool VBE_setVideoMode(int32_t mode, const VbeCrtcInfo* crtc) {
    const Module& m = mod();
    if (m.version < 0x0200 && mode < 0x100) {
        plain(uint32_t(mode) & 0xFF);
        return true;
    }
    if (m.version < 0x0300 && (mode & 0x0800)) return false;
    if ((mode & 0x0800) && crtc) {
        std::vector<uint8_t> block;
        platform::ByteWriter w(block);
        w.U16(crtc->hTotal), w.U16(crtc->hSyncStart), w.U16(crtc->hSyncEnd);
        w.U16(crtc->vTotal), w.U16(crtc->vSyncStart), w.U16(crtc->vSyncEnd);
        w.U8(crtc->flags), w.U32(crtc->pixelClock), w.U16(crtc->refreshRate);
        return ok(VBE_callInt10({0x4F02, uint32_t(mode) & 0xFFFF, 0, 0, 0, 0, 0}, block.data(),
                                uint32_t(block.size())));
    }
    return ok(plain(0x4F02, uint32_t(mode) & 0xFFFF));
}

bool VBE_setBank(int32_t window, int32_t bank) {
    return ok(plain(0x4F05, uint32_t(window) & 0xFF, 0, uint32_t(bank) & 0xFFFF));
}

bool VBE_setPixelsPerLine(int32_t pixels, int32_t* bytes, int32_t* outPixels, int32_t* lines) {
    const VbeCallRegs r = plain(0x4F06, 0, uint32_t(pixels) & 0xFFFF);
    if (!ok(r)) return false;
    if (bytes) *bytes = int32_t(r.bx & 0xFFFF);
    if (outPixels) *outPixels = int32_t(r.cx & 0xFFFF);
    if (lines) *lines = int32_t(r.dx & 0xFFFF);
    return true;
}

bool VBE_setDisplayStart(uint32_t address, bool wait) {
    if (mod().version < 0x0300) return false;
    return ok386(call386(0x4F07, wait ? 0x82 : 0x02, address));
}

int32_t VBE_getDisplayStartStatus() {
    if (mod().version < 0x0300) return -1;
    const VbeCallRegs r = plain(0x4F07, 0x04);
    if (!ok(r)) return -1;
    return (r.cx & 0xFFFF) ? 1 : 0;
}

bool VBE_enableStereo() {
    return mod().version >= 0x0300 && ok(plain(0x4F07, 0x05));
}

bool VBE_disableStereo() {
    return mod().version >= 0x0300 && ok(plain(0x4F07, 0x06));
}

bool VBE_setStereoDisplayStart(uint32_t left, uint32_t right, bool wait) {
    if (mod().version < 0x0300) return false;
    return ok386(call386(0x4F07, wait ? 0x83 : 0x03, left, right));
}

int64_t VBE_getClosestClock(int32_t mode, uint32_t clock) {
    if (mod().version < 0x0300) return -1;
    const platform::FsdRegs386 r = call386(0x4F0B, 0, clock, uint32_t(mode) & 0xFFFF);
    return ok386(r) ? int64_t(r.ecx) : -1;
}

bool VBE_setDACWidth(int32_t bits) {
    return ok(plain(0x4F08, (uint32_t(bits) & 0xFF) << 8));
}

int32_t VBE_getDACWidth() {
    const VbeCallRegs r = plain(0x4F08, 0x01);
    return ok(r) ? int32_t((r.bx >> 8) & 0xFF) : -1;
}

bool VBE_setPalette(int32_t first, int32_t count, const void* entries, bool wait) {
    // Never more than the palette holds, nor more than the buffer carries.
    if (first < 0 || first >= 256 || count <= 0 || !entries) return false;
    count = std::min(count, 256 - first);
    std::vector<uint8_t> block(static_cast<const uint8_t*>(entries),
                               static_cast<const uint8_t*>(entries) + size_t(count) * 4);
    return ok(VBE_callInt10({0x4F09, wait ? 0x80u : 0u, uint32_t(count), uint32_t(first), 0, 0, 0},
                            block.data(), uint32_t(block.size())));
}

void* VBE_getLinearPointer(const VbeModeInfo* info) {
    Module& m = mod();
    const int index = info ? depthIndex(info->bitsPerPixel) : -1;
    if (index < 0) return nullptr;
    if (!m.linear[index] && m.memoryKB > 0)
        m.linear[index] = PMI_mapPhysicalAddr(info->physBasePtr, uint32_t(m.memoryKB) * 1024 - 1);
    return m.linear[index];
}

void VBE_getPMInfo() {
    Module& m = mod();
    if (m.pmAsked || m.version < 0x0200) return;
    m.pmAsked = true;
    platform::PmiRegs in{0x4F0A, 0, 0, 0, 0, 0, 0}, out{};
    platform::PmiSregs s{};
    PMI_int86x(0x10, &in, &out, &s);
    const uint32_t length = out.cx & 0xFFFF;
    if ((out.ax & 0xFFFF) != kOk || length == 0) return;
    auto* table = static_cast<uint8_t*>(GDL_malloc(length));
    if (!table) return;
    uint16_t selector = 0;
    uint32_t offset = 0;
    PMI_mapRealPointer(&selector, &offset, uint16_t(s.es), uint16_t(out.di));
    PMI_memcpynf(table, selector, offset, length);
    freeSelector(selector);
    m.pmTable = table;
    m.pmLength = length;
    takeMemoryArea();
}

const uint8_t* VBE_getSetBank() {
    return tableEntry(0);
}
const uint8_t* VBE_getSetDisplayStart() {
    return tableEntry(1);
}
const uint8_t* VBE_getSetPalette() {
    return tableEntry(2);
}

const uint8_t* VBE_pmTable(uint32_t* length) {
    if (length) *length = mod().pmLength;
    return mod().pmTable;
}

uint16_t VBE_memorySelector() {
    return mod().memorySelector;
}

void VBE_freePMInfo() {
    Module& m = mod();
    GDL_free(m.pmTable);
    m.pmTable = nullptr;
    m.pmLength = 0;
    m.pmAsked = false;
}

int32_t VBE_getBankFunc32(int32_t* size, const uint8_t** code, int32_t shift) {
    Module& m = mod();
    VBE_getPMInfo();
    const uint8_t* body = VBE_getSetBank();
    if (m.version < 0x0200 || !body || m.memorySelector) return 0;
    const size_t available = size_t(m.pmTable + m.pmLength - body);
    size_t length = 0;
    uint32_t marker = 0, marked = 0;
    if (tableLong(8, &marker) && marker == 0xFBADFBADu && tableLong(12, &marked)) {
        if (marked == 0 || marked - 1 > available) return 0;
        length = marked - 1;
    } else {
        const void* ret = std::memchr(body, 0xC3, available);
        if (!ret) return 0; // no return inside the table
        length = size_t(static_cast<const uint8_t*>(ret) - body);
    }
    if (length + 12 > kBankRoutineSize) return 0;
    static const uint8_t kPrologue[10] = {0x53, 0x51, 0x89, 0xC2, 0x31,
                                          0xDB, 0xB1, 0x00, 0xD2, 0xE2};
    std::memcpy(m.bankRoutine, kPrologue, 10);
    m.bankRoutine[7] = uint8_t(shift);
    std::memcpy(m.bankRoutine + 10, body, length);
    m.bankRoutine[10 + length] = 0x59;
    m.bankRoutine[11 + length] = 0x5B;
    if (size) *size = int32_t(length + 12);
    if (code) *code = m.bankRoutine;
    return 1;
}

void VBE_resetModule() {
    VBE_freePMInfo();
    VBE_resetSupport();
    // Its selectors go back while the support library is there: starts and
    // exits one after another would use them all up.
    freeSelector(mod().bufferSelector);
    freeSelector(mod().memorySelector);
    mod() = Module{};
}
