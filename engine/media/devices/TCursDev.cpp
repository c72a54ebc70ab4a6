#include "media/devices/TCursDev.h"

#include "foundation/TComp.h"
#include "foundation/TError.h"
#include "foundation/TEvent.h"
#include "foundation/TEventMgr.h"
#include "foundation/TServices.h"
#include "gdl/mouse.h"
#include "gdl/pixelformat.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "media/resources/TCursorRes.h"
#include "media/resources/TImageRes.h"
#include "platform/Gdi.h"
#include "gdl/ddraw.h"
#include "platform/Thread.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

const char kSource[] = "Source\\TCursDev";
const uint8_t kWhite[3] = {255, 255, 255};
const uint8_t kBlack[3] = {0, 0, 0};

// Holds the device's lock for a scope.
class Locked {
public:
    explicit Locked(CRITICAL_SECTION* lock) : lock_(lock) { EnterCriticalSection(lock_); }
    ~Locked() { LeaveCriticalSection(lock_); }

private:
    CRITICAL_SECTION* lock_;
};

int32_t BytesPerPixel(int32_t depth) {
    return depth == 15 ? 2 : depth / 8;
}

TBlitSurface SurfaceOf(const GdlDeviceContext* dc) {
    return {dc->surface, static_cast<int32_t>(dc->mode.bytesPerLine),
            static_cast<int32_t>(dc->mode.maxX + 1), static_cast<int32_t>(dc->mode.maxY + 1),
            static_cast<int32_t>(dc->mode.bitsPerPixel)};
}

// The open device the display's hooks lead to (main thread only).
TRef<TCursDev> g_hooked;

void HookSetWinCursor() {
    if (TCursDev* device = g_hooked.Get()) device->SetWinCursor();
}
void HookDrawDIB(GdlDeviceContext* dc) {
    if (TCursDev* device = g_hooked.Get()) device->DrawDIB(dc);
}
void HookRestore(GdlDeviceContext* dc) {
    if (TCursDev* device = g_hooked.Get()) device->Restore(dc);
}
void HookLock() {
    if (TCursDev* device = g_hooked.Get()) device->Lock();
}
void HookUnlock() {
    if (TCursDev* device = g_hooked.Get()) device->Unlock();
}
void HookDisplayChanged(TDispDev* display) {
    TCursDev* device = g_hooked.Get();
    if (device && display) device->TakeDisplay(*display);
}

} // namespace

TCursDev::TCursDev() : key_(0, 255, 0) {
    flags_ |= kVisible | kUpdate;
    InitializeCriticalSection(&lock_);
    for (int i = 0; i < 32 * 32; ++i)
        std::memcpy(defaultImage_ + 3 * i, kCursorKey, 3);
}

TCursDev::~TCursDev() {
    Hook(false);
    StopThread(); // the thread uses everything freed below
    EngineFree(save_);
    EngineFree(pixels_);
    EngineFree(indexed_);
    DeleteCriticalSection(&lock_);
}

TCursDev& TCursDev::Global() {
    return RequireService(Services().cursor, "cursor device");
}

int TCursDev::Open(TComp* receiver) {
    if (DeviceFlags() & dOpened) return 1;
    if (!GDL_mousePresent()) {
        TError::Raise(16, GetGraphicsErrorText(), nullptr, kSource, 96);
        return 0;
    }
    int32_t x = 0, y = 0;
    GDL_getMousePos(&x, &y);
    Locked l(&lock_);
    pos_ = TPoint(x, y);
    devFlags_ |= dOpened;
    receiver_ = TRef<TComp>(receiver);
    key_.SetRGB(0, 255, 0);
    Hook(true);
    TakeDisplay(TDispDev::Global());
    return 1;
}

void TCursDev::Hook(bool on) {
    TDispHooks& hooks = DisplayHooks();
    if (on) {
        g_hooked = TRef<TCursDev>(this);
        hooks.cursorSetWinCursor = HookSetWinCursor;
        hooks.cursorDrawDIB = HookDrawDIB;
        hooks.cursorRestore = HookRestore;
        hooks.cursorLock = HookLock;
        hooks.cursorUnlock = HookUnlock;
        hooks.cursorDisplayChanged = HookDisplayChanged;
    } else if (g_hooked.Is(this)) {
        g_hooked.Reset();
        hooks.cursorSetWinCursor = nullptr;
        hooks.cursorDrawDIB = hooks.cursorRestore = nullptr;
        hooks.cursorLock = hooks.cursorUnlock = nullptr;
        hooks.cursorDisplayChanged = nullptr;
    }
}

void TCursDev::Close() {
    StopThread();
    if (devFlags_ & dLibCursor) {
        GDL_hideMouse();
        devFlags_ &= ~dLibCursor;
    }
    {
        Locked l(&lock_);
        if (TMetaCur* loaded = loaded_.Get()) loaded->Release();
        loaded_.Reset();
        devFlags_ = dOldReported;
        receiver_.Reset();
        saved_ = false;
    }
    Hook(false);
    Invalidate(true);
}

// The flags are read by the cursor thread: every change is made under the lock.
uint32_t TCursDev::Invalidate(bool on) {
    Locked l(&lock_);
    flags_ = on ? (flags_ | kUpdate | kRedraw) : (flags_ & ~(kUpdate | kRedraw));
    return flags_;
}

void TCursDev::SetMTCursor(int32_t flag) {
    {
        Locked l(&lock_);
        multiThreaded_ = flag;
    }
    Invalidate(true);
}

void TCursDev::SetCursorRes(TMetaCur* cursor, int which) {
    Locked l(&lock_);
    (which == 0 ? normal_ : override_) = TRef<TMetaCur>(cursor);
    TRef<TMetaCur> now = override_.Get() ? override_ : normal_;
    if (now != effective_) {
        effective_ = now;
        Invalidate(true);
    }
    TakeShape();
}

TMetaCur* TCursDev::GetCursorRes(int which) const {
    return which == 1 ? override_.Get() : which == 0 ? normal_.Get() : effective_.Get();
}

void TCursDev::SetKeep(int32_t keep) {
    Locked l(&lock_);
    if (keep == keep_) return;
    keep_ = keep;
    flags_ |= kRedraw;
}

void TCursDev::SetKeyColor(uint32_t rgb, int32_t, int32_t) {
    TColor c(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
             static_cast<uint8_t>(rgb));
    Locked l(&lock_);
    if (c.Value() == key_.Value()) return;
    key_.SetRGB(c.Red(), c.Green(), c.Blue());
    flags_ |= kRedraw;
}

void TCursDev::SetVisible(bool on) {
    if (IsVisible() == on) return;
    Locked l(&lock_);
    flags_ = on ? (flags_ | kVisible) : (flags_ & ~kVisible);
    devFlags_ |= dVisibilityChanged;
    flags_ |= kUpdate;
}

void TCursDev::SetPos(int32_t x, int32_t y) {
    Locked l(&lock_);
    pos_ = TPoint(x, y);
}

TPoint TCursDev::GetPos() {
    Locked l(&lock_);
    return pos_;
}

void TCursDev::SetDisplay(const DisplaySnapshot& display) {
    Locked l(&lock_);
    display_ = display;
    saved_ = false;
}

void TCursDev::TakeDisplay(TDispDev& display) {
    DisplaySnapshot snapshot;
    GdlDeviceContext* screen = display.GetScreenContext();
    if (display.IsOpen() && screen) {
        const GdlDeviceContext* live = GDL_liveDC(screen);
        snapshot.window = display.GetWindow();
        snapshot.dc = GDL_getWinDC(screen);
        snapshot.surface = GDL_getPrimarySurface(screen);
        snapshot.width = static_cast<int32_t>(live->mode.maxX + 1);
        snapshot.height = static_cast<int32_t>(live->mode.maxY + 1);
        snapshot.depth = static_cast<int32_t>(live->mode.bitsPerPixel);
        snapshot.flags = display.GetFlags();
    }
    SetDisplay(snapshot);
}

// --- the thread ---------------------------------------------------------------

unsigned TCursDev::ThreadMain(void* argument) {
    auto* self = static_cast<TCursDev*>(argument);
    while (!self->stop_) {
        self->Poll();
        std::unique_lock<std::mutex> g(self->waitLock_);
        self->wake_.wait_for(g, std::chrono::milliseconds(self->sleepTime_.load()),
                             [self] { return self->stop_.load() != 0; });
    }
    return 0;
}

void TCursDev::StartThread() {
    if (thread_) return;
    stop_ = 0;
    thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, ThreadMain, this, 0, nullptr));
    if (thread_) SetThreadPriority(thread_, THREAD_PRIORITY_ABOVE_NORMAL);
}

// Asks the thread to end, wakes its pause and waits for it, never holding
// the lock the thread needs to finish its step.
void TCursDev::StopThread() {
    if (!thread_) return;
    {
        std::lock_guard<std::mutex> g(waitLock_);
        stop_ = 1;
    }
    wake_.notify_all();
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
}

void TCursDev::Poll() {
    POINT p{0, 0};
    GetCursorPos(&p);
    Locked l(&lock_);
    if (p.x == pos_.x && p.y == pos_.y) return;
    pos_ = TPoint(p.x, p.y);
    NewRect();
    if (IsVisible()) DrawThroughDC();
}

// --- main thread --------------------------------------------------------------

void TCursDev::LoadCursor() {
    uint32_t display = TDispDev::Global().GetFlags();
    if (TMetaCur* old = loaded_.Get()) old->Release();
    loaded_ = effective_;
    if (TMetaCur* now = loaded_.Get())
        now->LoadModule((display & TDispDev::fWindowed) ? TDispDev::Global().GetInstance()
                                                        : nullptr);
}

// A copy, so that the thread never reads a resource the main thread may
// release or delete meanwhile. A shape that is gone counts as none.
void TCursDev::TakeShape() {
    ShapeCopy copy;
    const TMetaCur* c = effective_.Get();
    if (c) {
        copy.present = true;
        copy.hot = c->GetHotSpot();
        copy.width = std::max(0, c->GetCursorWidth());
        copy.height = std::max(0, c->GetCursorHeight());
        copy.hasImage = c->GetCursorRecord() || c->GetPictureRecord();
    }
    copy.image = {defaultImage_, 96, 32, 32, 24};
    const GdlBitmap* p = c ? c->GetPictureRecord() : nullptr;
    const int32_t depth =
        p && p->bitsPerPixel == 16 && p->pixelFormat && p->pixelFormat->greenMask == 31
            ? 15
            : (p ? p->bitsPerPixel : 0);
    if (p && depth >= 15 && p->surface && p->bytesPerLine > 0 && p->height > 0) {
        const size_t size = static_cast<size_t>(p->bytesPerLine) * p->height;
        if (size > pixelsSize_) {
            EngineFree(pixels_);
            pixels_ = static_cast<uint8_t*>(EngineAlloc(size));
            pixelsSize_ = pixels_ ? size : 0;
        }
        if (pixels_) {
            std::memcpy(pixels_, p->surface, size);
            copy.image = {pixels_, p->bytesPerLine, p->width, p->height, depth};
            copy.picture = true;
        }
    } else if (TBlitSurface indexed{}; p && depth < 15 && ExpandIndexed(*p, &indexed)) {
        copy.image = indexed;
        copy.picture = true;
    } else if (const GdlCursor* record = c ? c->GetCursorRecord() : nullptr) {
        ExpandMonoCursor(expanded_, reinterpret_cast<const uint8_t*>(record), kCursorKey, kWhite,
                         kBlack);
        copy.image = {expanded_, 96, 32, 32, 24};
    }
    shape_ = copy;
}

uint32_t TCursDev::Update() {
    {
        Locked l(&lock_);
        TakeShape();
        if (!(flags_ & kUpdate)) return flags_;
        flags_ &= ~kUpdate;
    }
    if (!(multiThreaded_ & 1))
        StopThread();
    else if (!thread_)
        StartThread();
    uint32_t display = TDispDev::Global().GetFlags();
    {
        Locked l(&lock_);
        if (devFlags_ & dLibCursor) {
            GDL_hideMouse();
            devFlags_ &= ~dLibCursor;
        }
        LoadCursor();
        TakeShape();
        devFlags_ &= ~dLibImage;
        TMetaCur* loaded = loaded_.Get();
        GdlCursor* record = loaded ? loaded->GetCursorRecord() : nullptr;
        if (!(display & TDispDev::fFullscreenDIB) && record) {
            GDL_setMouseCursor(reinterpret_cast<const uint8_t*>(record));
            GdlDeviceContext* dc = TDispDev::Global().GetDrawContext();
            GDL_setMouseColor(dc ? GDL_packColor(&dc->format, 255, 255, 255) : 0xFFFFFF);
            devFlags_ |= dLibImage;
            if (!(devFlags_ & dLibCursor) && IsVisible()) {
                if ((display & TDispDev::fDirectDraw) && (multiThreaded_ & 1))
                    GDL_hideMouse();
                else
                    GDL_showMouse();
                devFlags_ |= dLibCursor;
            }
        }
    }
    if (display & TDispDev::fWindowed) SetWinCursor();
    return flags_;
}

HCURSOR TCursDev::SetWinCursor() {
    Locked l(&lock_);
    uint32_t display = TDispDev::Global().GetFlags();
    bool framed = (display & TDispDev::fWindowed) != 0;
    bool direct = (display & (TDispDev::fDirectDraw | TDispDev::fFullscreenDIB)) != 0;
    TMetaCur* loaded = loaded_.Get();
    bool ready = IsVisible() && (devFlags_ & dOpened) && loaded;
    HCURSOR cursor = nullptr;
    if (!(multiThreaded_ & 1)) {
        if (ready)
            cursor = loaded->GetHandle();
        else if (IsVisible() && framed)
            cursor = LoadCursorA(nullptr, IDC_ARROW);
    } else if (ready) {
        cursor = direct ? nullptr : loaded->GetHandle();
    } else if (IsVisible() && framed && !direct) {
        cursor = LoadCursorA(nullptr, IDC_ARROW);
    }
    SetCursor(cursor);
    return cursor;
}

void TCursDev::NewRect() {
    if (shape_.present) {
        const TPoint hot = shape_.hot;
        const int32_t w = shape_.width, h = shape_.height;
        rect_ = {pos_.x - hot.x, pos_.y - hot.y, pos_.x - hot.x + w, pos_.y - hot.y + h};
    } else {
        rect_ = {pos_.x, pos_.y, pos_.x, pos_.y};
    }
}

void TCursDev::Report(const TRectArea& r) {
    TDirtyRects::AddDirtyRect(r);
    TEvent event;
    event.SetType(evRegion);
    event.data[0] = r.left;
    event.data[1] = r.top;
    event.data[2] = r.right;
    event.data[3] = r.bottom;
    if (TComp* receiver = receiver_.Get())
        receiver->HandleEvent(this, &event);
    else
        TEventMgr::Global().QueueCopy(&event);
}

void TCursDev::Move() {
    Update();
    Locked l(&lock_);
    TRectArea old = rect_;
    NewRect();
    if (multiThreaded_ & 1) return;
    bool hasImage = shape_.present && shape_.hasImage;
    bool moved = std::memcmp(&old, &rect_, sizeof old) != 0;
    if ((devFlags_ & dLibImage) || !hasImage) {
        devFlags_ &= ~dDrawn;
        if (!(devFlags_ & dOldReported)) {
            Report(old);
            devFlags_ |= dOldReported;
        }
    } else if (!(devFlags_ & dDrawn)) {
        if (!(devFlags_ & dOldReported)) {
            Report(old);
            devFlags_ |= dOldReported;
        }
        if (IsVisible()) {
            Report(rect_);
            devFlags_ &= ~dVisibilityChanged;
        }
    } else if (!moved) {
        if ((flags_ & kRedraw) || (devFlags_ & dVisibilityChanged)) Report(rect_);
        devFlags_ = (devFlags_ & ~dVisibilityChanged) | dOldReported;
    } else {
        Report(old);
        Report(rect_);
        devFlags_ = (devFlags_ & ~dVisibilityChanged) | dOldReported;
    }
}

// The main thread's cursor: the image copied onto the drawing context at the
// cursor's place. A Windows cursor's key colour is always transparent; a
// picture's only while the keep setting is on, so a picture cursor can also
// be shown whole, key colour and all.
void TCursDev::Draw() {
    Update();
    if (multiThreaded_ & 1) {
        Locked l(&lock_);
        DrawThroughDC();
        return;
    }
    Locked l(&lock_);
    GdlDeviceContext* dc = TDispDev::Global().GetDrawContext();
    if (!(devFlags_ & dOpened) || !IsVisible() || !shape_.present || (devFlags_ & dLibImage) || !dc)
        return;
    devFlags_ &= ~dDrawn;
    TBlitSurface target = SurfaceOf(dc);
    TBlitSurface image = CursorImage();
    const bool keyed = !shape_.picture || keep_ != 0;
    ConvertBlit(target, image, image.width, image.height, rect_.left, rect_.top, keyed);
    devFlags_ = (devFlags_ | dDrawn) & ~dOldReported;
    flags_ &= ~kRedraw;
}

TBlitSurface TCursDev::CursorImage() const {
    return shape_.image;
}

// Both routes draw 24-bit images, so a picture of palette indexes is expanded
// with every copy of the shape (a cursor is small); the buffer only grows.
bool TCursDev::ExpandIndexed(const GdlBitmap& p, TBlitSurface* image) {
    if (!p.surface || p.width <= 0 || p.height <= 0 || p.bytesPerLine <= 0) return false;
    const int64_t bytes = int64_t{p.width} * p.height * 3;
    if (bytes > indexedBytes_) {
        EngineFree(indexed_);
        indexed_ = static_cast<uint8_t*>(EngineAlloc(static_cast<size_t>(bytes)));
        indexedBytes_ = indexed_ ? bytes : 0;
        if (!indexed_) return false;
    }
    const auto* palette = reinterpret_cast<const uint8_t*>(p.palette);
    if (!ExpandIndexedImage(indexed_, p.surface, p.bytesPerLine, p.width, p.height, p.bitsPerPixel,
                            palette))
        return false;
    *image = {indexed_, p.width * 3, p.width, p.height, 24};
    return true;
}

// The saved background written back at its place (never keyed).
void TCursDev::WriteSaved(const TBlitSurface& surface) {
    if (!saved_ || !save_) return;
    TBlitSurface from{save_, saveW_ * BytesPerPixel(saveDepth_), saveW_, saveH_, saveDepth_};
    ConvertBlit(surface, from, saveW_, saveH_, saveX_, saveY_, false);
}

void TCursDev::PutBack(const TBlitSurface& surface) {
    WriteSaved(surface);
    saved_ = false;
}

// Saves what lies under the cursor at (x, y) and draws the image there.
void TCursDev::SaveAndDraw(const TBlitSurface& surface, int32_t x, int32_t y) {
    TBlitSurface image = CursorImage();
    int32_t bpp = BytesPerPixel(surface.depth);
    if (!save_ || saveW_ != image.width || saveH_ != image.height || saveDepth_ != surface.depth) {
        EngineFree(save_);
        save_ = static_cast<uint8_t*>(
            EngineAlloc(static_cast<size_t>(image.width) * image.height * bpp));
        saveW_ = image.width;
        saveH_ = image.height;
        saveDepth_ = surface.depth;
        saved_ = false;
        if (!save_) return;
    }
    // The save buffer is a copy of the surface's rectangle at (x, y): read
    // it as a blit with the surface as source at (-x, -y).
    TBlitSurface buffer{save_, saveW_ * bpp, saveW_, saveH_, saveDepth_};
    ConvertBlit(buffer, surface, surface.width, surface.height, -x, -y, false);
    saveX_ = x;
    saveY_ = y;
    saved_ = true;
    ConvertBlit(surface, image, image.width, image.height, x, y, true);
}

// The cursor goes into the frame about to be shown, at its place in the
// window. What the screen shows under the cursor drawn last (by the thread,
// or by the last frame) is the saved background: when the cursor now lands
// elsewhere, that goes back to the screen first, else the old cursor would
// stay there as a trail.
void TCursDev::DrawDIB(GdlDeviceContext* dc) {
    if (!(multiThreaded_ & 1) || suspended_) return;
    EnterCriticalSection(&lock_); // left by Restore
    if (!dc || !dc->surface) return;
    TBlitSurface surface = SurfaceOf(dc);
    bool direct = (display_.flags & TDispDev::fDirectDraw) != 0;
    POINT origin{0, 0};
    if (!direct && display_.dc) GetDCOrgEx(display_.dc, &origin);
    int32_t x = rect_.left - origin.x, y = rect_.top - origin.y;
    TBlitSurface image = CursorImage();
    bool shows = (devFlags_ & dOpened) && IsVisible();
    bool moved = saveX_ != x || saveY_ != y || saveW_ != image.width || saveH_ != image.height;
    if (saved_ && (moved || !shows)) {
        if (direct) {
            PutBack(surface);
        } else {
            RECT shown = PutBackThroughDC();
            if (display_.window) platform::PresentWindowRect(display_.window, &shown);
        }
    }
    if (shows) SaveAndDraw(surface, x, y);
}

// Leaves the frame as it was before DrawDIB. The save buffer stays: once the
// frame is shown it is also what the screen has under the cursor. Always
// leaves what DrawDIB took, with or without a save buffer.
void TCursDev::Restore(GdlDeviceContext* dc) {
    if (!(multiThreaded_ & 1) || suspended_) return;
    if (dc && dc->surface)
        WriteSaved(SurfaceOf(dc));
    else
        OutputDebugStringA("Surface");
    LeaveCriticalSection(&lock_);
}

namespace {

// A top-down 32-bit DIB section of an area, selected into a memory DC
// compatible with the window's.
struct AreaDib {
    HDC memory = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint8_t* bits = nullptr;

    AreaDib(HDC window, int32_t width, int32_t height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biXPelsPerMeter = info.bmiHeader.biYPelsPerMeter = 20000;
        memory = CreateCompatibleDC(window);
        void* pixels = nullptr;
        bitmap =
            memory ? CreateDIBSection(memory, &info, DIB_RGB_COLORS, &pixels, nullptr, 0) : nullptr;
        bits = static_cast<uint8_t*>(pixels);
        if (bitmap) previous = SelectObject(memory, bitmap);
    }
    ~AreaDib() {
        if (previous) SelectObject(memory, previous);
        if (bitmap) DeleteObject(bitmap);
        if (memory) DeleteDC(memory);
    }
    bool Ok() const { return bits != nullptr; }
};

RECT Union(const RECT& a, const RECT& b) {
    if (a.right <= a.left) return b;
    if (b.right <= b.left) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

} // namespace

// The saved background back into the window through a DIB section; the
// area it covered is returned, for showing.
RECT TCursDev::PutBackThroughDC() {
    if (!saved_ || !save_ || !display_.dc) return {0, 0, 0, 0};
    saved_ = false;
    AreaDib dib(display_.dc, saveW_, saveH_);
    if (!dib.Ok()) return {0, 0, 0, 0};
    TBlitSurface area{dib.bits, saveW_ * 4, saveW_, saveH_, 32};
    TBlitSurface from{save_, saveW_ * BytesPerPixel(saveDepth_), saveW_, saveH_, saveDepth_};
    ConvertBlit(area, from, saveW_, saveH_, 0, 0, false);
    BitBlt(display_.dc, saveX_, saveY_, saveW_, saveH_, dib.memory, 0, 0, SRCCOPY);
    return {saveX_, saveY_, saveX_ + saveW_, saveY_ + saveH_};
}

// The thread's drawing: through a DIB section, the saved background goes
// back to the window, the background at the new place is saved and the
// image drawn over it (unless the cursor is hidden); then the window shows
// both areas at once.
void TCursDev::DrawThroughDC() {
    if (display_.flags & TDispDev::fDirectDraw) {
        DrawThroughSurface();
        return;
    }
    if (suspended_ || !display_.dc || !(devFlags_ & dOpened)) return;
    devFlags_ &= ~dDrawn;
    POINT origin{0, 0};
    GetDCOrgEx(display_.dc, &origin);
    RECT shown = PutBackThroughDC();
    if (!IsVisible()) {
        if (display_.window) platform::PresentWindowRect(display_.window, &shown);
        return;
    }
    TBlitSurface image = CursorImage();
    int32_t x = rect_.left - origin.x, y = rect_.top - origin.y;
    AreaDib dib(display_.dc, image.width, image.height);
    if (!dib.Ok()) return;
    BitBlt(dib.memory, 0, 0, image.width, image.height, display_.dc, x, y, SRCCOPY);
    TBlitSurface area{dib.bits, image.width * 4, image.width, image.height, 32};
    int32_t depth = display_.depth ? display_.depth : 32;
    int32_t bpp = BytesPerPixel(depth);
    if (!save_ || saveW_ != image.width || saveH_ != image.height || saveDepth_ != depth) {
        EngineFree(save_);
        save_ = static_cast<uint8_t*>(
            EngineAlloc(static_cast<size_t>(image.width) * image.height * bpp));
        saveW_ = image.width;
        saveH_ = image.height;
        saveDepth_ = depth;
        if (!save_) return;
    }
    TBlitSurface buffer{save_, saveW_ * bpp, saveW_, saveH_, saveDepth_};
    ConvertBlit(buffer, area, image.width, image.height, 0, 0, false);
    saveX_ = x;
    saveY_ = y;
    saved_ = true;
    ConvertBlit(area, image, image.width, image.height, 0, 0, true);
    BitBlt(display_.dc, x, y, image.width, image.height, dib.memory, 0, 0, SRCCOPY);
    RECT drawn = Union(RECT{x, y, x + image.width, y + image.height}, shown);
    if (display_.window) platform::PresentWindowRect(display_.window, &drawn);
    devFlags_ |= dDrawn;
}

namespace {

// The lock failures worth a word on the debugger's output.
void reportLockFailure(HRESULT result) {
    static const HRESULT kNamed[] = {DDERR_SURFACEBUSY,     DDERR_OUTOFMEMORY,
                                     DDERR_INVALIDOBJECT,   DDERR_INVALIDPARAMS,
                                     DDERR_WASSTILLDRAWING, DDERR_SURFACELOST};
    for (HRESULT named : kNamed)
        if (result == named) OutputDebugStringA(DDRAW_errorName(result));
}

} // namespace

// The saved background goes back, the background at the new place is saved
// and the image drawn over it, all within one lock of the primary surface;
// the drawn place becomes the saved background's.
void TCursDev::DrawThroughSurface() {
    if (suspended_ || !(devFlags_ & dOpened)) return;
    LPDIRECTDRAWSURFACE primary = display_.surface;
    if (!primary) {
        OutputDebugStringA("DDSurface");
        return;
    }
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof(desc);
    const HRESULT locked = primary->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr);
    if (locked != DD_OK) {
        reportLockFailure(locked);
        return;
    }
    devFlags_ &= ~dDrawn;
    TBlitSurface surface{static_cast<uint8_t*>(desc.lpSurface), int32_t(desc.lPitch),
                         int32_t(desc.dwWidth), int32_t(desc.dwHeight), display_.depth};
    if (saved_) PutBack(surface);
    if (IsVisible()) {
        SaveAndDraw(surface, rect_.left, rect_.top);
        devFlags_ |= dDrawn;
    }
    primary->Unlock(desc.lpSurface);
}
