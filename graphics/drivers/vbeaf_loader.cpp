// The VBE/AF loader. The file is data from anywhere: every field, offset
// and length is checked against the image before anything uses it, and
// no byte of it ever runs (the platform runs only its own accelerator's
// stubs). Physical mappings and selectors are made once per process.
#include "gdl/vbeaf.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gdl/fsdirect.h"
#include "gdl/memory.h"
#include "gdl/windows.h"
#include "platform/ByteStream.h"
#include "platform/DeviceIo.h"
#include "platform/File.h"
#include "platform/Thread.h"

namespace {

namespace vb = platform::vbeaf;

constexpr size_t kBankBufferSize = 64;

struct Mapping {
    uint32_t base, limit;
    void* address;
};

struct Loader {
    int32_t status = 0;
    HANDLE device = nullptr;
    int64_t fileSize = 0;
    std::vector<Mapping> mappings;
    uint32_t selectors[5]{};
    bool selectorsMade = false;
    GdlVbeafDriver driver{};
    uint8_t* owned = nullptr; // the image the loader allocated
    int32_t detected = -1;
    bool virtualFb = false;
    uint8_t bank[kBankBufferSize]{};
};

Loader& L() {
    static Loader l;
    return l;
}

uint32_t field(const uint8_t* image, uint32_t at) {
    platform::ByteReader r(image + at, 4);
    return r.U32();
}

void setField(uint8_t* image, uint32_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        image[at + uint32_t(i)] = uint8_t(value >> (8 * i));
}

bool inside(size_t size, uint32_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

// Every offset and length the system follows lies inside the image, and the
// mode list ends inside it.
bool holdsTogether(const uint8_t* image, size_t size) {
    if (size < vb::kHeaderSize || std::memcmp(image, "VBEAF.DRV", 10) != 0) return false;
    if (!inside(size, field(image, vb::kInitEntry), 1)) return false;
    if (field(image, vb::kVersion) >= 0x200 && !inside(size, field(image, vb::kFirstEntry2), 1))
        return false;
    const uint32_t bank = field(image, vb::kBankRoutine);
    if (bank && !inside(size, bank, field(image, vb::kBankLength))) return false;
    const uint32_t list = field(image, vb::kModeList);
    if (!inside(size, list, 0)) return false;
    platform::ByteReader modes(image + list, size - list);
    while (modes.Ok() && modes.U16() != 0xFFFF) {
    }
    return modes.Ok();
}

void* mapOnce(uint32_t base, uint32_t limit) {
    for (const Mapping& m : L().mappings)
        if (m.base == base && m.limit == limit) return m.address;
    const GdlFsDirect* f = GDL_fsDirect();
    void* address = f ? f->mapPhysicalAddr(base, limit) : nullptr;
    if (address) L().mappings.push_back({base, limit, address});
    return address;
}

bool mapAll(uint8_t* image) {
    for (uint32_t i = 0; i < 4; ++i) {
        const uint32_t base = field(image, vb::kRegisterAddress + 4 * i);
        const uint32_t length = field(image, vb::kRegisterLength + 4 * i);
        if (!base) continue;
        void* at = length ? mapOnce(base, length - 1) : nullptr;
        if (!at) return false;
        setField(image, vb::kMappedRegisters + 4 * i, platform::VbeafHandleOf(at));
    }
    if (const uint32_t bank = field(image, vb::kBankAddress)) {
        void* at = mapOnce(bank, 0xFFFF);
        if (!at) return false;
        setField(image, vb::kMappedBank, platform::VbeafHandleOf(at));
    }
    if (const uint32_t linear = field(image, vb::kLinearAddress)) {
        const uint64_t bytes = uint64_t(field(image, vb::kLinearSizeKB)) * 1024;
        void* at =
            bytes && bytes <= 0x100000000ull ? mapOnce(linear, uint32_t(bytes - 1)) : nullptr;
        if (!at) return false;
        setField(image, vb::kMappedLinear, platform::VbeafHandleOf(at));
    }
    return true;
}

void makeSelectors(uint8_t* image) {
    Loader& l = L();
    const GdlFsDirect* f = GDL_fsDirect();
    if (!l.selectorsMade && f) {
        static const uint32_t kBase[5] = {0, 0x400, 0xA0000, 0xB0000, 0xC0000};
        for (int i = 0; i < 5; ++i)
            l.selectors[i] = f->createSelector(kBase[i], i == 0 ? 0xFFFFF : 0xFFFF);
        l.selectorsMade = true;
    }
    for (uint32_t i = 0; i < 5; ++i)
        setField(image, vb::kSelectors + 4 * i, l.selectors[i]);
}

void freeOwned() {
    Loader& l = L();
    GDL_free(l.owned);
    l.owned = nullptr;
}

GdlVbeafDriver* fromHelper() {
    Loader& l = L();
    if (!AF_openHelper()) return nullptr;
    size_t size = 0;
    uint8_t* image = AF_getHelperDriver(0, &size);
    // The device's image is checked like a file's; one that does not hold
    // together is no driver.
    if (!image || !holdsTogether(image, size)) return nullptr;
    l.driver = {image, size, false};
    return &l.driver;
}

FILE* search(const char* directory) {
    std::vector<std::string> places = {"c:\\"};
    if (const char* env = std::getenv("VBEAF_PATH")) places.emplace_back(env);
    places.emplace_back(directory ? directory : ".");
    for (std::string& p : places) {
        char path[512];
        std::snprintf(path, sizeof path, "%s", p.c_str());
        GDL_ensureBackslash(path, sizeof path);
        std::string name = std::string(path) + "VBEAF.DRV";
        if (FILE* f = AF_openDriverFile(name.c_str())) return f;
    }
    return nullptr;
}

} // namespace

void GDL_ensureBackslash(char* path, size_t room) {
    const size_t n = std::strlen(path);
    if ((n == 0 || path[n - 1] != '\\') && n + 2 <= room) path[n] = '\\', path[n + 1] = 0;
}

uint32_t AF_openHelper() {
    Loader& l = L();
    if (!l.device) {
        HANDLE h = CreateFileA("\\\\.\\GDLHELP", 0, 0, nullptr, CREATE_NEW,
                               FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h == INVALID_HANDLE_VALUE) return 0;
        l.device = h;
    }
    uint32_t version = 0;
    DWORD got = 0;
    if (!DeviceIoControl(l.device, kGdlHelpVersion, nullptr, 0, &version, 4, &got, nullptr))
        return 0;
    return version;
}

uint8_t* AF_getHelperDriver(int32_t index, size_t* size) {
    uint32_t in = uint32_t(index), out[2]{};
    DWORD got = 0;
    if (!L().device ||
        !DeviceIoControl(L().device, kGdlHelpDriver, &in, 4, out, sizeof out, &got, nullptr))
        return nullptr;
    if (size) *size = out[1];
    return static_cast<uint8_t*>(platform::VbeafAddressOf(out[0]));
}

int32_t AF_callDriver(GdlVbeafDriver* d, int32_t mode, int32_t virtualWidth, int32_t virtualHeight,
                      int32_t* bytesPerLine, int32_t buffers, void* crtc) {
    if (!d) return -1;
    if (d->direct)
        return int32_t(platform::VbeafCallEntry(d->image, d->size, vb::kSetMode,
                                                {mode, virtualWidth, virtualHeight,
                                                 reinterpret_cast<intptr_t>(bytesPerLine), buffers,
                                                 reinterpret_cast<intptr_t>(crtc)}));
    // Through the device, pointers travel as the platform's handles.
    const uint32_t in[7] = {0,
                            uint32_t(mode),
                            uint32_t(virtualWidth),
                            uint32_t(virtualHeight),
                            platform::VbeafHandleOf(bytesPerLine),
                            uint32_t(buffers),
                            platform::VbeafHandleOf(crtc)};
    uint32_t result = 0;
    DWORD got = 0;
    // A device that does not answer has set no mode: that is a failure,
    // never the driver's 0 for success.
    if (!DeviceIoControl(L().device, kGdlHelpSetMode, in, sizeof in, &result, 4, &got, nullptr))
        return -1;
    return int32_t(result);
}

void AF_exitDriver(GdlVbeafDriver* d) {
    if (!d) return;
    if (d->direct) {
        platform::VbeafCallEntry(d->image, d->size, vb::kRestoreTextMode, {});
        return;
    }
    const uint32_t in = 0;
    DWORD got = 0;
    DeviceIoControl(L().device, kGdlHelpTextMode, &in, 4, nullptr, 0, &got, nullptr);
}

FILE* AF_openDriverFile(const char* path) {
    return platform::OpenFile(path, "rb");
}

int64_t AF_driverFileSize(FILE* file) {
    const long at = std::ftell(file);
    if (at < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(file);
    std::fseek(file, at, SEEK_SET);
    return end;
}

size_t AF_readDriverFile(void* buffer, size_t size, FILE* file) {
    return std::fread(buffer, 1, size, file);
}

void AF_closeDriverFile(FILE* file) {
    if (file) std::fclose(file);
}

GdlVbeafDriver* AF_loadDriver(const char* directory) {
    Loader& l = L();
    l.status = AF_STATUS_OK;
    // A new load replaces the last driver: its image is freed below, and a
    // load that fails leaves no driver pointing at it.
    l.driver = {};
    if (GdlVbeafDriver* d = fromHelper()) return d;
    FILE* file = search(directory);
    if (!file) return l.status = AF_STATUS_NOT_FOUND, nullptr;
    l.fileSize = AF_driverFileSize(file);
    freeOwned();
    // An empty or unreadable file is no image either: the checks refuse it.
    const size_t size = l.fileSize > 0 ? size_t(l.fileSize) : 0;
    l.owned = size ? static_cast<uint8_t*>(GDL_malloc(size)) : nullptr;
    if (size && !l.owned) {
        AF_closeDriverFile(file);
        return l.status = AF_STATUS_NO_MEMORY, nullptr;
    }
    const size_t got = size ? AF_readDriverFile(l.owned, size, file) : 0;
    AF_closeDriverFile(file);
    if ((l.status = AF_initDriver(l.owned, got)) != AF_STATUS_OK) return freeOwned(), nullptr;
    if (platform::VbeafCallCode(l.owned, got, field(l.owned, vb::kInitEntry)) != 0) {
        freeOwned();
        return l.status = AF_STATUS_REFUSED, nullptr;
    }
    l.driver = {l.owned, got, true};
    return &l.driver;
}

int32_t AF_initDriver(uint8_t* image, size_t size) {
    if (!image || !holdsTogether(image, size)) return AF_STATUS_CORRUPT;
    setField(image, vb::kIntCallback, platform::VbeafCallbackHandle(AF_int86Callback));
    setField(image, vb::kFarCallCallback, platform::VbeafCallbackHandle(AF_callRealModeCallback));
    const uint32_t version = field(image, vb::kVersion);
    if (version >= 0x200 &&
        platform::VbeafCallCode(image, size, field(image, vb::kFirstEntry2)) != 0)
        return AF_STATUS_REFUSED;
    if (!mapAll(image)) return AF_STATUS_NO_MAPPING;
    if (version < 0x200) makeSelectors(image);
    return AF_STATUS_OK;
}

int32_t AF_getStatus() {
    return L().status;
}

int32_t AF_getBankFunc32(const GdlVbeafDriver* d, int32_t* size, const uint8_t** code) {
    if (!d || !d->image || d->size < vb::kHeaderSize) return 0;
    const uint32_t at = field(d->image, vb::kBankRoutine);
    const uint32_t length = field(d->image, vb::kBankLength);
    // The routine without its return, between a 4-byte prologue and a 2-byte
    // epilogue, must fit the buffer whole.
    if (!at || length == 0 || !inside(d->size, at, length) || length + 5 > kBankBufferSize)
        return 0;
    uint8_t* b = L().bank;
    static const uint8_t kPrologue[4] = {0x53, 0x51, 0x89, 0xC2};
    std::memcpy(b, kPrologue, 4);
    std::memcpy(b + 4, d->image + at, length - 1);
    b[4 + length - 1] = 0x59;
    b[4 + length] = 0x5B;
    if (size) *size = int32_t(length + 5);
    if (code) *code = b;
    return 1;
}

void AF_int86Callback(uint32_t interrupt, platform::DpmiRegs* r) {
    const GdlFsDirect* f = GDL_fsDirect();
    if (!r || !f) return;
    platform::PmiRegs in{r->eax & 0xFFFF,
                         r->ebx & 0xFFFF,
                         r->ecx & 0xFFFF,
                         r->edx & 0xFFFF,
                         r->esi & 0xFFFF,
                         r->edi & 0xFFFF,
                         0},
        out{};
    platform::PmiSregs s{r->es, 0, 0, r->ds};
    f->int86x(int(interrupt & 0xFF), &in, &out, &s);
    r->eax = out.ax & 0xFFFF, r->ebx = out.bx & 0xFFFF, r->ecx = out.cx & 0xFFFF;
    r->edx = out.dx & 0xFFFF, r->esi = out.si & 0xFFFF, r->edi = out.di & 0xFFFF;
    r->es = uint16_t(s.es), r->ds = uint16_t(s.ds);
}

void AF_callRealModeCallback(platform::DpmiRegs* r) {
    const GdlFsDirect* f = GDL_fsDirect();
    if (!r || !f) return;
    platform::PmiRegs regs{r->eax & 0xFFFF,
                           r->ebx & 0xFFFF,
                           r->ecx & 0xFFFF,
                           r->edx & 0xFFFF,
                           r->esi & 0xFFFF,
                           r->edi & 0xFFFF,
                           0};
    platform::PmiSregs s{r->es, r->cs, r->ss, r->ds};
    f->callRealMode(r->cs, r->ip, &regs, &s);
    r->eax = regs.ax & 0xFFFF, r->ebx = regs.bx & 0xFFFF, r->ecx = regs.cx & 0xFFFF;
    r->edx = regs.dx & 0xFFFF, r->esi = regs.si & 0xFFFF, r->edi = regs.di & 0xFFFF;
    r->es = uint16_t(s.es), r->ds = uint16_t(s.ds);
}

int32_t AF_mappingsMade() {
    return int32_t(L().mappings.size());
}

void AF_resetLoader() {
    Loader& l = L();
    if (l.device) CloseHandle(l.device);
    freeOwned();
    l = Loader{};
}

// --- Detection -----------------------------------------------------------------------

void ACCEL_setDriverType(int32_t* type, int32_t* driverType) {
    const GdlVbeafDriver& d = L().driver;
    const int32_t mine =
        d.image && (field(d.image, vb::kAttributes) & 0x10) ? GDL_TYPE_ACCEL_SVGA : GDL_TYPE_SVGA;
    if (driverType) *driverType = mine;
    if (type && *type < mine) *type = mine;
}

int32_t ACCEL_loadVBEAF(int32_t* type, int32_t* driverType) {
    Loader& l = L();
    if (l.detected >= 0) {
        if (l.detected == 1) ACCEL_setDriverType(type, driverType);
        return l.detected;
    }
    GDL_initWindows();
    if (!GDL_fsDirectAvailable()) return l.detected = 0;
    GdlVbeafDriver* d = AF_loadDriver(".");
    if (!d) {
        static const char* const kMessages[7] = {nullptr,
                                                 nullptr,
                                                 nullptr,
                                                 "ACCEL.DRV driver file is corrupted!\n",
                                                 "Not enough memory to load ACCEL.DRV file!\n",
                                                 nullptr,
                                                 "Could not map physical memory for ACCEL.DRV!\n"};
        const int32_t s = l.status;
        if (s >= 0 && s < 7 && kMessages[s]) GDL_fatalError(kMessages[s]);
        return 0; // refused or not found: a later detection tries again
    }
    if (field(d->image, vb::kVersion) < 0x200) return l.detected = 0;
    int32_t result = 1;
    if (!field(d->image, vb::kLinearAddress)) {
        const GdlFsDirect* f = GDL_fsDirect();
        l.virtualFb = f->vlfAvailable() && AF_getBankFunc32(d, nullptr, nullptr);
        result = l.virtualFb ? 1 : 0;
    }
    l.detected = result;
    if (result) ACCEL_setDriverType(type, driverType);
    return result;
}

GdlVbeafDriver* ACCEL_driver() {
    return L().driver.image ? &L().driver : nullptr;
}

bool ACCEL_virtualFramebuffer() {
    return L().virtualFb;
}
