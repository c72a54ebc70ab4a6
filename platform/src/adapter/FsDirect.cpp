// "FSDIR_32.DLL" over the simulated adapter. Selectors are bounds-checked
// views of real-mode memory (below 1 MB) and of video memory (at its linear
// address); an access outside them reads 0, writes nothing and is counted.
// Far pointers are offsets into the 1 MB of real-mode memory.
#include "platform/FsDirect.h"

#include "AccelInternal.h"
#include "AdapterInternal.h"
#include "VgaInternal.h"
#include "platform/Kernel.h"
#include "platform/Module.h"
#include "platform/User.h"
#include "platform/Vbe.h"

#include <cstring>
#include <iterator>
#include <mutex>
#include <vector>

namespace platform::adapter {

namespace {

struct Selector {
    uint32_t base = 0, limit = 0;
    bool used = false;
};

struct FsState {
    std::vector<Selector> selectors;
    uint16_t biosSelector = 0;
    FsdSuspendFunc suspend = nullptr;
    FsdMouseFunc mouse = nullptr;
    WNDPROC eventProc = nullptr;
    HWND appWindow = nullptr;
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    bool classRegistered = false;
    int mouseX = 0, mouseY = 0;
    int timerTick = 0;
    uint32_t nextRealSegment = 0x8000;
    uint32_t refusals = 0;
    bool away = false;
};

FsState& Fs() {
    static auto* s = new FsState;
    return *s;
}

void refuse(const char* what) {
    ++Fs().refusals;
    OutputDebugStringA(what);
}

constexpr int kMaxSelectors = 256;
constexpr int kMaxSide = 4096;

uint16_t newSelector(uint32_t base, uint32_t limit) {
    FsState& s = Fs();
    for (size_t i = 0; i < s.selectors.size(); ++i)
        if (!s.selectors[i].used) {
            s.selectors[i] = {base, limit, true};
            return uint16_t((i + 1) * 8);
        }
    if (s.selectors.size() >= kMaxSelectors) {
        refuse("FSDIR_32: no selector left\n");
        return 0;
    }
    s.selectors.push_back({base, limit, true});
    return uint16_t(s.selectors.size() * 8);
}

// The byte behind physical address `at`, or null.
uint8_t* physical(uint64_t at) {
    VgaChip* v = Vga();
    if (v && at < kRealModeSize) return v->real.data() + at;
    const VideoMemoryView video = AdapterVideoMemory();
    if (video.base && at >= kLinearFrameBuffer && at - kLinearFrameBuffer < video.size)
        return video.base + (at - kLinearFrameBuffer);
    return AccelRegisterArea(at);
}

// `count` bytes at selector:offset, or null (refused and counted).
uint8_t* reach(uint16_t selector, uint32_t offset, uint32_t count) {
    FsState& s = Fs();
    const size_t index = selector / 8;
    if (selector % 8 || index == 0 || index > s.selectors.size() || !s.selectors[index - 1].used) {
        refuse("FSDIR_32: unknown selector\n");
        return nullptr;
    }
    const Selector& sel = s.selectors[index - 1];
    if (count == 0 || uint64_t(offset) + count - 1 > sel.limit) {
        refuse("FSDIR_32: access outside a selector\n");
        return nullptr;
    }
    uint8_t* first = physical(uint64_t(sel.base) + offset);
    uint8_t* last = physical(uint64_t(sel.base) + offset + count - 1);
    if (!first || !last || last - first != ptrdiff_t(count) - 1) {
        refuse("FSDIR_32: access outside memory\n");
        return nullptr;
    }
    return first;
}

template <typename T> T get(uint16_t selector, uint32_t offset) {
    std::lock_guard g(Lock());
    T value = 0;
    if (const uint8_t* p = reach(selector, offset, sizeof(T))) std::memcpy(&value, p, sizeof(T));
    return value;
}

template <typename T> void set(uint16_t selector, uint32_t offset, T value) {
    std::lock_guard g(Lock());
    if (uint8_t* p = reach(selector, offset, sizeof(T))) std::memcpy(p, &value, sizeof(T));
}

// --- Exports -----------------------------------------------------------------------

LRESULT CALLBACK windowProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    FsState& s = Fs();
    if (m == WM_MOUSEMOVE) {
        // The window is the mode's size: its client pixels are mode pixels.
        s.mouseX = int16_t(LOWORD(lp));
        s.mouseY = int16_t(HIWORD(lp));
        if (s.mouse) s.mouse(s.mouseX, s.mouseY);
    }
    if (s.eventProc) return s.eventProc(w, m, wp, lp);
    return DefWindowProcA(w, m, wp, lp);
}

bool validSize(int width, int height) {
    if (width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide) return true;
    refuse("FSDIR_32: refused a display size\n");
    return false;
}

HWND startFullScreen(HWND mainWindow, int width, int height) {
    FsState& s = Fs();
    if (!validSize(width, height)) return nullptr;
    if (!s.classRegistered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = windowProc;
        wc.hInstance = s.instance;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = "FSDirectWindow";
        s.classRegistered = RegisterClassA(&wc) != 0;
    }
    if (!s.window) {
        s.window = CreateWindowExA(WS_EX_TOPMOST, "FSDirectWindow", "", WS_POPUP | WS_VISIBLE, 0, 0,
                                   width, height, mainWindow, nullptr, s.instance, nullptr);
    } else {
        MoveWindow(s.window, 0, 0, width, height, TRUE);
    }
    SetVgaWindow(s.window);
    return s.window;
}

int changeResolution(int width, int height) {
    FsState& s = Fs();
    if (!s.window || !validSize(width, height)) return 0;
    MoveWindow(s.window, 0, 0, width, height, TRUE);
    return 1;
}

void restoreGdi() {
    FsState& s = Fs();
    SetVgaWindow(nullptr);
    if (s.window) DestroyWindow(s.window);
    s.window = nullptr;
}

void setSuspendAppCallback(FsdSuspendFunc callback) {
    Fs().suspend = callback;
}

int getEvent(MSG* msg) {
    return msg ? GetMessageA(msg, nullptr, 0, 0) : 0;
}
int peekEvent(MSG* msg) {
    return msg ? PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE) : 0;
}
int postEvent(UINT message, WPARAM wParam, LPARAM lParam) {
    return Fs().window ? PostMessageA(Fs().window, message, wParam, lParam) : 0;
}
void flushEvent() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}
// Waits for the next event and leaves it in the queue.
int haltEvent(MSG* msg) {
    if (!msg || !GetMessageA(msg, nullptr, 0, 0)) return 0;
    PostMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    return 1;
}
void setTimerTick(int ticks) {
    Fs().timerTick = ticks;
}
int isSafeMode() {
    std::lock_guard g(Lock());
    const AdapterPersonality* p = Personality();
    return p && p->safeMode ? 1 : 0;
}
int doSuspendApp(int flag) {
    FsdSuspendFunc callback = Fs().suspend;
    return callback ? callback(flag) : 1;
}
void registerEventProc(WNDPROC proc) {
    Fs().eventProc = proc;
}
void registerFullScreenWindow(HWND window) {
    Fs().appWindow = window;
}
void setAppInstance(HINSTANCE instance) {
    Fs().instance = instance;
}
void getMousePos(int* x, int* y) {
    if (x) *x = Fs().mouseX;
    if (y) *y = Fs().mouseY;
}
void setMousePos(int x, int y) {
    FsState& s = Fs();
    s.mouseX = x;
    s.mouseY = y;
    if (s.window) {
        POINT p{x, y};
        ClientToScreen(s.window, &p);
        SetCursorPos(p.x, p.y);
    }
    if (s.mouse) s.mouse(x, y);
}
void setMouseCallback(FsdMouseFunc callback) {
    Fs().mouse = callback;
}

uint8_t getByte(uint16_t sel, uint32_t off) {
    return get<uint8_t>(sel, off);
}
uint16_t getWord(uint16_t sel, uint32_t off) {
    return get<uint16_t>(sel, off);
}
uint32_t getLong(uint16_t sel, uint32_t off) {
    return get<uint32_t>(sel, off);
}
void setByte(uint16_t sel, uint32_t off, uint8_t v) {
    set(sel, off, v);
}
void setWord(uint16_t sel, uint32_t off, uint16_t v) {
    set(sel, off, v);
}
void setLong(uint16_t sel, uint32_t off, uint32_t v) {
    set(sel, off, v);
}

void memcpynf(void* dst, uint16_t sel, uint32_t off, uint32_t count) {
    std::lock_guard g(Lock());
    if (!dst || count == 0) return;
    if (const uint8_t* p = reach(sel, off, count))
        std::memcpy(dst, p, count);
    else
        std::memset(dst, 0, count);
}

void memcpyfn(uint16_t sel, uint32_t off, const void* src, uint32_t count) {
    std::lock_guard g(Lock());
    if (!src || count == 0) return;
    if (uint8_t* p = reach(sel, off, count)) std::memcpy(p, src, count);
}

uint16_t getBiosSelector() {
    std::lock_guard g(Lock());
    FsState& s = Fs();
    if (!s.biosSelector) s.biosSelector = newSelector(0x400, 0xFF);
    return s.biosSelector;
}

uint16_t createSelector(uint32_t base, uint32_t limit) {
    std::lock_guard g(Lock());
    return newSelector(base, limit);
}

void freeSelector(uint16_t selector) {
    std::lock_guard g(Lock());
    FsState& s = Fs();
    const size_t index = selector / 8;
    // The BIOS selector is shared by every caller that asked for it: it stays.
    if (selector == s.biosSelector) return;
    if (selector % 8 == 0 && index >= 1 && index <= s.selectors.size())
        s.selectors[index - 1].used = false;
}

void* mapPhysicalAddr(uint32_t base, uint32_t limit) {
    std::lock_guard g(Lock());
    Personality();
    VgaChip* v = Vga();
    if (base == 0xA0000 && limit < kVgaWindowSize) return v ? v->window : nullptr;
    const uint64_t last = uint64_t(base) + limit;
    // The video window's range is the adapter's, never plain memory.
    if (base < 0xC0000 && last >= 0xA0000) {
        refuse("FSDIR_32: no physical memory there\n");
        return nullptr;
    }
    uint8_t* first = physical(base);
    uint8_t* end = physical(last);
    if (!first || !end || end - first != ptrdiff_t(limit)) {
        refuse("FSDIR_32: no physical memory there\n");
        return nullptr;
    }
    return first;
}

void mapRealPointer(uint16_t* selector, uint32_t* offset, uint16_t segment, uint16_t realOffset) {
    std::lock_guard g(Lock());
    if (selector) *selector = newSelector(uint32_t(segment) << 4, 0xFFFF);
    if (offset) *offset = realOffset;
}

void* allocRealSeg(uint32_t size, uint16_t* selector, uint32_t* offset, uint16_t* segment,
                   uint16_t* realOffset) {
    std::lock_guard g(Lock());
    FsState& s = Fs();
    VgaChip* v = Vga();
    const uint32_t paragraphs = (size + 15) / 16;
    if (!v || size == 0 || size > 0x10000 || s.nextRealSegment + paragraphs > 0x9000) {
        refuse("FSDIR_32: no real-mode memory\n");
        return nullptr;
    }
    const uint32_t seg = s.nextRealSegment;
    s.nextRealSegment += paragraphs;
    if (selector) *selector = newSelector(seg << 4, size - 1);
    if (offset) *offset = 0;
    if (segment) *segment = uint16_t(seg);
    if (realOffset) *realOffset = 0;
    return v->real.data() + (seg << 4);
}

void freeRealSeg(void*) {}

// There is no real-mode code to run: the call fails with the carry set.
void callRealMode(uint16_t, uint16_t, PmiRegs* regs, PmiSregs*) {
    if (regs) regs->cflag = 1;
}

int int86x(int interrupt, PmiRegs* in, PmiRegs* out, PmiSregs* sregs) {
    if (!in || !out) {
        refuse("FSDIR_32: no register block\n");
        return 0;
    }
    RealModeRegs r{};
    r.eax = in->ax & 0xFFFF, r.ebx = in->bx & 0xFFFF, r.ecx = in->cx & 0xFFFF;
    r.edx = in->dx & 0xFFFF, r.esi = in->si & 0xFFFF, r.edi = in->di & 0xFFFF;
    if (sregs) r.es = uint16_t(sregs->es), r.ds = uint16_t(sregs->ds);
    RealModeInterrupt(interrupt, &r);
    *out = {r.eax & 0xFFFF, r.ebx & 0xFFFF, r.ecx & 0xFFFF, r.edx & 0xFFFF,
            r.esi & 0xFFFF, r.edi & 0xFFFF, r.flags & 1};
    if (sregs) sregs->es = r.es, sregs->ds = r.ds;
    return int(out->ax);
}

int int86(int interrupt, PmiRegs* in, PmiRegs* out) {
    return int86x(interrupt, in, out, nullptr);
}

void availableMemory(uint32_t* physicalBytes, uint32_t* total) {
    if (physicalBytes) *physicalBytes = 16u << 20;
    if (total) *total = 32u << 20;
}

int int386(int interrupt, FsdRegs386* in, FsdRegs386* out) {
    if (!in || !out) {
        refuse("FSDIR_32: no register block\n");
        return 0;
    }
    RealModeRegs r{in->eax, in->ebx, in->ecx, in->edx, in->esi, in->edi, 0, 0, 0, 0};
    RealModeInterrupt(interrupt, &r);
    *out = {r.eax, r.ebx, r.ecx, r.edx, r.esi, r.edi, r.flags & 1};
    return int(out->eax);
}

int vlfAvailable() {
    std::lock_guard g(Lock());
    const AdapterPersonality* p = Personality();
    return p && p->linearWindow ? 1 : 0;
}

// The virtual linear framebuffer: given the bank routine the library built
// around the BIOS's SetWindow stub, video memory itself is the linear view;
// the window is written back and dropped so that no stale bank lands later.
void* vlfInit(uint32_t windowAddress, uint32_t, uint32_t routineSize, const void* routine) {
    if (!vlfAvailable() || windowAddress != 0xA0000 ||
        !VbeIsBankRoutine(static_cast<const uint8_t*>(routine), routineSize)) {
        refuse("FSDIR_32: no virtual linear framebuffer for that routine\n");
        return nullptr;
    }
    std::lock_guard g(Lock());
    if (VgaChip* v = Vga()) VbeWriteBack(*v, true);
    return AdapterVideoMemory().base;
}

void vlfExit() {}
void saveDs() {}

void bankCall(uint32_t bx, int bank) {
    RealModeRegs r{};
    r.eax = 0x4F05, r.ebx = bx, r.edx = uint32_t(bank) & 0xFFFF;
    RealModeInterrupt(0x10, &r);
}
void setBankA(int bank) {
    bankCall(0, bank);
}
void setBankAB(int bank) {
    bankCall(0, bank);
    bankCall(1, bank);
}
void setCrtStart(int x, int y, int wait) {
    RealModeRegs r{};
    r.eax = 0x4F07, r.ebx = wait ? 0x80 : 0, r.ecx = uint32_t(x) & 0xFFFF;
    r.edx = uint32_t(y) & 0xFFFF;
    RealModeInterrupt(0x10, &r);
}

void getRmVect(int interrupt, uint16_t* segment, uint16_t* offset) {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    const bool ok = v && interrupt >= 0 && interrupt < 256;
    const uint32_t at = ok ? uint32_t(interrupt) * 4 : 0;
    if (offset) *offset = ok ? uint16_t(v->real[at] | v->real[at + 1] << 8) : 0;
    if (segment) *segment = ok ? uint16_t(v->real[at + 2] | v->real[at + 3] << 8) : 0;
}

void setRmVect(int interrupt, uint16_t segment, uint16_t offset) {
    std::lock_guard g(Lock());
    VgaChip* v = Vga();
    if (!v || interrupt < 0 || interrupt > 255) return;
    const uint32_t at = uint32_t(interrupt) * 4;
    v->real[at] = uint8_t(offset), v->real[at + 1] = uint8_t(offset >> 8);
    v->real[at + 2] = uint8_t(segment), v->real[at + 3] = uint8_t(segment >> 8);
}

void* getA0000Pointer() {
    return mapPhysicalAddr(0xA0000, 0xFFFF);
}

void* getVesaBuf(uint32_t* length, uint16_t* selector, uint32_t* offset, uint16_t* segment,
                 uint16_t* realOffset) {
    std::lock_guard g(Lock());
    Personality();
    VgaChip* v = Vga();
    if (!v) return nullptr;
    const uint32_t base = uint32_t(kVesaBufferSegment) << 4;
    if (length) *length = 1024;
    if (selector) *selector = newSelector(base, 1023);
    if (offset) *offset = 0;
    if (segment) *segment = kVesaBufferSegment;
    if (realOffset) *realOffset = 0;
    return v->real.data() + base;
}

} // namespace

void FsDirectReset() {
    FsState& s = Fs();
    if (s.window && IsWindow(s.window)) DestroyWindow(s.window);
    const bool registered = s.classRegistered;
    s = FsState{};
    if (registered) UnregisterClassA("FSDirectWindow", nullptr);
}

} // namespace platform::adapter

namespace platform {

using namespace adapter;

const ModuleExport* FsDirectExports(size_t* count) {
    static const ModuleExport kExports[] = {
        {"_FSD_startFullScreen", ExportOf(&startFullScreen)},
        {"_FSD_changeResolution", ExportOf(&changeResolution)},
        {"_FSD_restoreGDI", ExportOf(&restoreGdi)},
        {"_FSD_setSuspendAppCallback", ExportOf(&setSuspendAppCallback)},
        {"_FSD_getEvent", ExportOf(&getEvent)},
        {"_FSD_peekEvent", ExportOf(&peekEvent)},
        {"_FSD_postEvent", ExportOf(&postEvent)},
        {"_FSD_flushEvent", ExportOf(&flushEvent)},
        {"_FSD_haltEvent", ExportOf(&haltEvent)},
        {"_FSD_setTimerTick", ExportOf(&setTimerTick)},
        {"_FSD_isSafeMode", ExportOf(&isSafeMode)},
        {"__FSD_doSuspendApp", ExportOf(&doSuspendApp)},
        {"_FSD_registerEventProc", ExportOf(&registerEventProc)},
        {"_FSD_registerFullScreenWindow", ExportOf(&registerFullScreenWindow)},
        {"_FSD_setAppInstance", ExportOf(&setAppInstance)},
        {"_FSD_getMousePos", ExportOf(&getMousePos)},
        {"_FSD_setMousePos", ExportOf(&setMousePos)},
        {"_FSD_setMouseCallback", ExportOf(&setMouseCallback)},
        {"_PMI_getByte", ExportOf(&getByte)},
        {"_PMI_getWord", ExportOf(&getWord)},
        {"_PMI_getLong", ExportOf(&getLong)},
        {"_PMI_setByte", ExportOf(&setByte)},
        {"_PMI_setWord", ExportOf(&setWord)},
        {"_PMI_setLong", ExportOf(&setLong)},
        {"_PMI_memcpynf", ExportOf(&memcpynf)},
        {"_PMI_memcpyfn", ExportOf(&memcpyfn)},
        {"_PMI_getBIOSSelector", ExportOf(&getBiosSelector)},
        {"_PMI_createSelector", ExportOf(&createSelector)},
        {"_PMI_freeSelector", ExportOf(&freeSelector)},
        {"_PMI_mapPhysicalAddr", ExportOf(&mapPhysicalAddr)},
        {"_PMI_mapRealPointer", ExportOf(&mapRealPointer)},
        {"_PMI_allocRealSeg", ExportOf(&allocRealSeg)},
        {"_PMI_freeRealSeg", ExportOf(&freeRealSeg)},
        {"_PMI_callRealMode", ExportOf(&callRealMode)},
        {"_PMI_int86", ExportOf(&int86)},
        {"_PMI_int86x", ExportOf(&int86x)},
        {"_PMI_availableMemory", ExportOf(&availableMemory)},
        {"_FSD_int386", ExportOf(&int386)},
        {"_VLF_available", ExportOf(&vlfAvailable)},
        {"_VLF_init", ExportOf(&vlfInit)},
        {"_VLF_exit", ExportOf(&vlfExit)},
        {"_PMI_saveDS", ExportOf(&saveDs)},
        {"_PMI_setBankA", ExportOf(&setBankA)},
        {"_PMI_setBankAB", ExportOf(&setBankAB)},
        {"_PMI_setCRTStart", ExportOf(&setCrtStart)},
        {"__PMI_getRMvect", ExportOf(&getRmVect)},
        {"__PMI_setRMvect", ExportOf(&setRmVect)},
        {"_PMI_getA0000Pointer", ExportOf(&getA0000Pointer)},
        {"_PMI_getVESABuf", ExportOf(&getVesaBuf)},
    };
    static_assert(std::size(kExports) == 49);
    *count = std::size(kExports);
    return kExports;
}

bool FsDirectSwitchAway() {
    FsState& s = Fs();
    if (s.away) return true;
    if (s.suspend && s.suspend(1) == 0) return false;
    s.away = true;
    SetVgaWindow(nullptr);
    if (s.window) ShowWindow(s.window, SW_MINIMIZE);
    return true;
}

void FsDirectSwitchBack() {
    FsState& s = Fs();
    if (!s.away) return;
    s.away = false;
    if (s.window) {
        ShowWindow(s.window, SW_RESTORE);
        SetVgaWindow(s.window);
    }
    if (s.suspend) s.suspend(2);
}

uint32_t FsDirectRefusals() {
    return Fs().refusals;
}

HWND FsDirectWindow() {
    return Fs().window;
}

} // namespace platform
