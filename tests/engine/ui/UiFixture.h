// Shared set-up of the user-interface tests: the display open in a 640 x 480
// window at 16 bits on the memory host, a root graphic standing in for the
// application, and frames sent down the tree phase by phase.
#pragma once

#include "MemoryDesktop.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "gdl/dc.h"
#include "gdl/pixelformat.h"
#include "media/devices/TCursDev.h"
#include "media/devices/TDirtyRects.h"
#include "media/devices/TDispDev.h"
#include "media/devices/TDispHooks.h"
#include "ui/TControl.h"
#include "ui/TFocusCtl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

// Rectangles compare and print in test messages.
inline bool operator==(const TRectArea& a, const TRectArea& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline void PrintTo(const TRectArea& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace uitest {

// A control that paints itself in one colour and counts its renderings.
struct Box : TControl {
    explicit Box(TColor c = TColor(200, 40, 40)) { SetColor(c); }
    void Draw() override {
        ++draws;
        GetCanvas().SetBackColor(GetColor());
        GetCanvas().Clear();
    }
    int draws = 0;
};

// The root stands in for the application: the outermost container of the
// modal loop, shown, enabled and focused. It records the region marks that
// reach it and draws a frame the loop hands it phase by phase, over the whole
// display, as the application does.
struct Root : TFocusCtl {
    static constexpr int32_t kWidth = 640, kHeight = 480;
    Root() {
        SetColor(TColor(10, 10, 120));
        SetRect(0, 0, kWidth, kHeight);
        SetVisible(true);
        SetEnabled(true);
    }
    void Draw() override {
        ++draws;
        GetCanvas().SetBackColor(GetColor());
        GetCanvas().Clear();
    }
    bool HandleEvent(TObject* sender, TEvent* event) override {
        if (event && event->type == evRegion && GetRegionKind(event) == rkMark)
            marks.push_back(GetRegionRect(event));
        if (event && event->type == evPaint && sender == this) {
            Frame();
            return true;
        }
        return TFocusCtl::HandleEvent(sender, event);
    }
    // One phase of a frame, from the root with the whole display as its area.
    void Phase(int32_t phase) {
        TEvent e;
        e.SetType(evPaint);
        for (int32_t which = 0; which < 4; ++which)
            TGraphic::SetPaintRect(&e, which, {0, 0, kWidth, kHeight});
        TGraphic::SetPaintPhase(&e, phase);
        HandleEvent(nullptr, &e);
    }
    void Frame() {
        Phase(TGraphic::phLayout);
        Phase(TGraphic::phFlush);
        Phase(TGraphic::phPaint);
    }
    std::vector<TRectArea> marks;
    int draws = 0;
};

// A child that records the pass states of the key (12) and targeted (21)
// events offered to it, one digit each, and may answer the first pass.
struct KeyChild : TControl {
    bool HandleEvent(TObject*, TEvent* e) override {
        if (!e || (e->type != evKeyDown && e->type != evRadio)) return false;
        passes += char('0' + e->passState);
        if (answer && e->passState == psFirst) e->passState = answer;
        return take;
    }
    std::string passes;
    int32_t answer = 0;
    bool take = false;
};

// Every queued copy the event manager holds, taken out.
inline std::vector<TEvent> TakeQueued() {
    std::vector<TEvent> out;
    TEvent e;
    while (TEventMgr::Global().TakeObjectEvent(&e))
        out.push_back(e);
    return out;
}

class UiTest : public ::testing::Test {
protected:
    static constexpr int32_t kWidth = Root::kWidth, kHeight = Root::kHeight;

    void SetUp() override {
        testsupport::UseMemoryDesktop(16);
        DisplayHooks() = TDispHooks{};
        display.SetClassName("UiTest");
        display.SetTitle("UI Test");
        display.SetDriverFlags(0x600);
        display.SetMode(kWidth, kHeight, 16);
        ASSERT_TRUE(display.Open());
        TCursDev::Global().SetVisible(true);
        TGraphic::SetApplication(&root);
        root.SetFocus(true);
        TakeQueued();
    }
    void TearDown() override {
        TGraphic::SetApplication(nullptr);
        TakeQueued();
        root.GetCanvas().ReleaseDevice();
        display.Close();
        display.ReleaseLibrary();
        TDirtyRects::ClearTracking();
        TDirtyRects::SetChanged(0);
    }

    void Phase(int32_t phase) { root.Phase(phase); }
    void Frame() { root.Frame(); }

    GdlDeviceContext* Main() { return display.GetContext(); }
    uint16_t At(int32_t x, int32_t y) {
        const GdlDeviceContext* d = GDL_liveDC(Main());
        uint16_t v = 0;
        std::memcpy(&v, d->surface + int64_t(y) * d->mode.bytesPerLine + x * 2, 2);
        return v;
    }
    uint16_t PixelOf(TColor c) { return uint16_t(c.GetPixel(GDL_liveDC(Main()))); }
    // Paints the whole frame in a marker, so that a later frame shows what it
    // repainted.
    void Scribble(uint16_t marker) {
        const GdlDeviceContext* d = GDL_liveDC(Main());
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x)
                std::memcpy(d->surface + int64_t(y) * d->mode.bytesPerLine + x * 2, &marker, 2);
    }
    // The bounds of the pixels of `area` that hold `pixel`; empty when none do.
    TRectArea BoundsOf(uint16_t pixel, TRectArea area) {
        TRectArea b{0, 0, 0, 0};
        bool any = false;
        for (int32_t y = area.top; y < area.bottom; ++y)
            for (int32_t x = area.left; x < area.right; ++x) {
                if (At(x, y) != pixel) continue;
                b = any ? TRectArea{std::min(b.left, x), std::min(b.top, y),
                                    std::max(b.right, x + 1), std::max(b.bottom, y + 1)}
                        : TRectArea{x, y, x + 1, y + 1};
                any = true;
            }
        return b;
    }
    // The pixels that no longer hold the marker: their count and bounds.
    struct Changed {
        int64_t count = 0;
        TRectArea bounds{0, 0, 0, 0};
    };
    Changed Repainted(uint16_t marker) {
        Changed c;
        for (int32_t y = 0; y < kHeight; ++y)
            for (int32_t x = 0; x < kWidth; ++x) {
                if (At(x, y) == marker) continue;
                TRectArea& b = c.bounds;
                if (c.count++ == 0) b = {x, y, x + 1, y + 1};
                b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x + 1),
                     std::max(b.bottom, y + 1)};
            }
        return c;
    }

    TDispDev& display = TDispDev::Global();
    Root root;
};

} // namespace uitest
