// The cursor device: shows the mouse cursor as the Windows cursor of a
// cursor resource, as the graphics library's software cursor, or as the
// engine's own software cursor, drawn by the main thread into each frame or,
// with the multi-threaded bit, by a thread of its own that polls the pointer
// and draws straight into the window. One lock guards position, shapes,
// flags and the saved background.
//
// The device outlives what it is given: the receiver of its region events
// and the cursor resources are kept as checked references, and the thread
// never touches a resource at all. It draws a copy of the shape (image, size
// and hot spot) that the main thread takes whenever the device updates, so
// a resource deleted on the main thread is never read by the thread.
#pragma once

#include "foundation/TColor.h"
#include "foundation/TNamedObj.h"
#include "foundation/TPoint.h"
#include "foundation/TRectLst.h"
#include "foundation/TRef.h"
#include "gdl/dc.h"
#include "media/devices/TCursorBlit.h"
#include "platform/DirectDraw.h"
#include "platform/Kernel.h"
#include "platform/User.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

struct GdlBitmap;
class TComp;
class TDispDev;
class TMetaCur;

class TCursDev : public TNamedObj {
public:
    // Component flags (the kind word).
    static constexpr uint32_t kUpdate = 1, kRedraw = 2, kEnabledFlag = 4, kVisible = 8;
    // Device flags.
    static constexpr uint32_t dOpened = 1, dLibCursor = 2, dDrawn = 4, dOldReported = 8,
                              dVisibilityChanged = 16, dLibImage = 32;

    // What the thread needs of the display, copied by the main thread.
    struct DisplaySnapshot {
        HWND window = nullptr;
        HDC dc = nullptr;
        int32_t width = 0, height = 0, depth = 0;
        uint32_t flags = 0;
        LPDIRECTDRAWSURFACE surface = nullptr; // the DirectDraw primary, when there is one
    };

    TCursDev();
    ~TCursDev() override;
    static TCursDev& Global();

    int Open(TComp* receiver);
    void Close();
    void SetSleepTime(int32_t ms) { sleepTime_ = ms; }
    void SetMTCursor(int32_t flag);
    int32_t GetMTCursor() const { return multiThreaded_; }
    void SetCursorRes(TMetaCur* cursor, int which);
    TMetaCur* GetCursorRes(int which) const;
    void SetKeep(int32_t keep);
    void SetKeyColor(uint32_t rgb, int32_t index, int32_t distance);
    void SetVisible(bool on);
    bool IsVisible() const { return (flags_ & kVisible) != 0; }
    void SetPos(int32_t x, int32_t y);
    TPoint GetPos();

    uint32_t Update() override;
    uint32_t Invalidate(bool on) override;
    bool IsDirty() override { return (flags_ & (kUpdate | kRedraw)) != 0; }
    void Move();
    void Draw();
    // The Windows cursor the window should show now (also set with SetCursor).
    HCURSOR SetWinCursor();

    // Main thread, around presenting: DrawDIB returns holding the lock, and
    // Restore releases it.
    void DrawDIB(GdlDeviceContext* dc);
    void Restore(GdlDeviceContext* dc);

    // One step of the cursor thread: read the pointer and, when it moved,
    // draw the cursor at its new place. Tests call it directly.
    void Poll();
    // What the thread sees of the display; a new one forgets the background
    // saved from the old contexts. TakeDisplay copies it from an open display
    // (main thread; the display calls it through its hooks).
    void SetDisplay(const DisplaySnapshot& display);
    void TakeDisplay(TDispDev& display);
    const DisplaySnapshot& GetDisplay() const { return display_; }
    // The device's lock, for the display's rebuilding of its contexts.
    void Lock() { EnterCriticalSection(&lock_); }
    void Unlock() { LeaveCriticalSection(&lock_); }
    bool ThreadRunning() const { return thread_ != nullptr; }
    uint32_t DeviceFlags() {
        EnterCriticalSection(&lock_);
        uint32_t flags = devFlags_;
        LeaveCriticalSection(&lock_);
        return flags;
    }
    const TRectArea& CursorRect() const { return rect_; }
    void SetSuspended(bool on) {
        EnterCriticalSection(&lock_);
        suspended_ = on;
        LeaveCriticalSection(&lock_);
    }

private:
    static unsigned ThreadMain(void* device);
    void StartThread();
    void StopThread();
    void NewRect();
    void Report(const TRectArea& r);
    // What the thread draws of the effective shape: taken on the main
    // thread, under the lock.
    struct ShapeCopy {
        bool present = false;  // an effective shape exists
        bool hasImage = false; // it has a picture or a Windows cursor loaded
        bool picture = false;  // the image is a picture (not a Windows cursor)
        TPoint hot;
        int32_t width = 0, height = 0;
        TBlitSurface image{}; // into pixels_, expanded_ or defaultImage_
    };
    void TakeShape();
    // The image to draw: the copied picture (of palette indexes: expanded to
    // 24 bits), the Windows cursor expanded, or the default all-key image.
    TBlitSurface CursorImage() const;
    bool ExpandIndexed(const GdlBitmap& picture, TBlitSurface* image);
    void SaveAndDraw(const TBlitSurface& surface, int32_t x, int32_t y);
    void WriteSaved(const TBlitSurface& surface);
    void PutBack(const TBlitSurface& surface);
    RECT PutBackThroughDC();
    void DrawThroughDC();
    // The DirectDraw route of the thread: straight on the locked primary.
    void DrawThroughSurface();
    // The display's hooks lead to this device while it is open.
    void Hook(bool on);
    void LoadCursor();

    TRef<TComp> receiver_;
    TRef<TMetaCur> effective_;
    TRef<TMetaCur> normal_;
    TRef<TMetaCur> override_;
    TRef<TMetaCur> loaded_;
    ShapeCopy shape_;
    uint8_t* pixels_ = nullptr; // the copied picture (EngineAlloc)
    size_t pixelsSize_ = 0;
    HINSTANCE loadModule_ = nullptr;
    TPoint pos_;
    TRectArea rect_{0, 0, 0, 0};
    int32_t keep_ = 1;
    TColor key_;
    int32_t multiThreaded_ = 0;
    uint32_t devFlags_ = dOldReported | dVisibilityChanged;
    CRITICAL_SECTION lock_;
    // Save-under state.
    uint8_t* save_ = nullptr;
    int32_t saveX_ = 0, saveY_ = 0, saveW_ = 0, saveH_ = 0, saveDepth_ = 0;
    bool saved_ = false;
    bool suspended_ = false;
    uint8_t expanded_[32 * 32 * 3];
    uint8_t* indexed_ = nullptr; // a picture of palette indexes as 24 bits
    int64_t indexedBytes_ = 0;
    uint8_t defaultImage_[32 * 32 * 3];
    DisplaySnapshot display_;
    // The thread.
    HANDLE thread_ = nullptr;
    std::atomic<int32_t> stop_{0};
    std::mutex waitLock_;
    std::condition_variable wake_;
    std::atomic<int32_t> sleepTime_{20};
};
