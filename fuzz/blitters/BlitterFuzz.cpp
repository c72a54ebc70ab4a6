// Random bytes drive the software blitters and the canvas's image
// output. Picture, destination and background each live in a heap block of
// exactly their size, so any read or write outside them is a sanitizer
// report:
// - the alpha and keyed blitters and the actor sprite blitter on every
//   depth pair (and a few unsupported depths), with
//   random picture and target sizes (shrunk, grown, mixed), negative places,
//   destination offsets past any edge, alphas around the valid range and key
//   pixels;
// - a canvas over a windowed display putting, stretching and cutting out
//   pictures of every depth at random places.
#include "FuzzInput.h"
#include "BlitSprite16.h"
#include "drawing/KeyedSmoother.h"
#include "drawing/TCanvas.h"
#include "drawing/TCanvasBlit.h"
#include "foundation/TError.h"
#include "gdl/bitmap.h"
#include "gdl/dc.h"
#include "gdl/packed.h"
#include "gdl/pixelformat.h"
#include "media/devices/TDispDev.h"
#include "platform/Clock.h"
#include "platform/Host.h"
#include "ui/TEngine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = fuzzsupport::Input;

constexpr int32_t kDepths[] = {15, 16, 24, 32, 15, 16, 24, 32, 8, 0};

int32_t BytesOf(int32_t depth) {
    return depth == 15 ? 2 : (depth > 0 ? (depth + 7) / 8 : 1);
}

const GdlPixelFormat* FormatOf(int32_t depth) {
    switch (depth) {
        case 15: return &GDL_pixelFormat555;
        case 16: return &GDL_pixelFormat565;
        case 24: return &GDL_pixelFormatRGB;
        default: return &GDL_pixelFormatARGB;
    }
}

// Pixels of one depth, a share of them the key colour.
void Paint(Bytes& in, uint8_t* px, size_t size, int32_t depth) {
    const uint8_t seed = in.u8();
    const int32_t n = BytesOf(depth);
    for (size_t i = 0; i + size_t(n) <= size; i += size_t(n)) {
        const uint32_t r = uint32_t(i * 2654435761u) ^ seed;
        uint32_t v = (r & 3) == 0 ? (depth == 15 ? 0x03E0u : depth == 16 ? 0x07E0u : 0xFF00u) : r;
        if (depth == 32 && (r & 12) == 0) v |= 0x01000000u;
        for (int32_t b = 0; b < n; ++b)
            px[i + size_t(b)] = uint8_t(v >> (8 * b));
    }
}

GdlDeviceContext* gMain = nullptr;

void Blitters(Bytes& in) {
    const int32_t srcDepth = kDepths[in.u8() % 10], dstDepth = kDepths[in.u8() % 8];
    const int32_t bgDepth = (in.u8() & 15) == 0 ? kDepths[in.u8() % 4] : dstDepth;
    const int32_t sw = in.in(1, 48), sh = in.in(1, 40);
    const int32_t width = in.in(0, 90) - (in.u8() == 0 ? 2 : 0);
    const int32_t height = in.in(0, 80) - (in.u8() == 0 ? 2 : 0);
    const int32_t bgW = in.in(1, 70), bgH = in.in(1, 60);
    const int32_t dw = in.in(1, 70), dh = in.in(1, 60);
    const int32_t x = in.in(-100, 180), y = in.in(-90, 160);
    const int32_t dstX = in.in(-60, 140), dstY = in.in(-60, 130);
    const int32_t alpha = in.in(-2, 260);

    const int32_t srcPitch = sw * BytesOf(srcDepth) + (in.u8() & 3);
    const int32_t dstPitch = dw * BytesOf(dstDepth) + (in.u8() & 3);
    const int32_t bgPitch = bgW * BytesOf(bgDepth);
    std::vector<uint8_t> src(size_t(srcPitch) * size_t(sh));
    std::vector<uint8_t> dst(size_t(dstPitch) * size_t(dh));
    std::vector<uint8_t> bg(size_t(bgPitch) * size_t(bgH));
    Paint(in, src.data(), src.size(), srcDepth);
    Paint(in, dst.data(), dst.size(), dstDepth);
    Paint(in, bg.data(), bg.size(), bgDepth);
    gMain = GDL_createMemoryDCEx(bgW, bgH, bgDepth, FormatOf(bgDepth), bgPitch, bg.data(), nullptr);
    if (!gMain) return;
    TCanvasBlit::SetContextSource([] { return gMain; });
    // Now and then the resampling buffer cannot be had.
    const bool starve = (in.u8() & 7) == 0;
    if (starve) TCanvasBlit::SetBufferHeap([](size_t) -> void* { return nullptr; }, nullptr);
    keyed::SetWideCode((in.u8() & 1) != 0); // the smoothers' wide build or their baseline one
    switch (in.u8() % 3) {
        case 0:
            TCanvasBlit::Blit(dst.data(), src.data(), srcPitch, sw, sh, srcDepth, dstPitch, dw, dh,
                              width, height, dstDepth, x, y, dstX, dstY, alpha);
            break;
        case 1:
            TCanvasBlit::BlitKeyed(dst.data(), src.data(), srcPitch, sw, sh, srcDepth, dstPitch, dw,
                                   dh, width, height, dstDepth, x, y, dstX, dstY);
            break;
        default:
            BlitSprite16(dst.data(), src.data(), srcPitch, sw, sh, srcDepth, dstPitch, dw, dh,
                         width, height, dstDepth, x, y, dstX, dstY);
    }
    keyed::SetWideCode(true);
    TCanvasBlit::SetBufferHeap(nullptr, nullptr);
    TCanvasBlit::SetContextSource(nullptr);
    GDL_selectCurrentDC(nullptr);
    GDL_destroyDC(gMain);
    gMain = nullptr;
    TError::ClearLists();
}

TDispDev* OpenDisplay() {
    static TDispDev* display = nullptr;
    if (display) return display;
    platform::SetMemoryDesktop(1024, 768, 32);
    display = &TDispDev::Global();
    display->SetClassName("FuzzBlitters");
    display->SetTitle("Fuzz");
    display->SetDriverFlags(0x600 | TDispDev::fAllowDirectMode);
    display->SetMode(320, 200, 16);
    if (!display->Open()) std::abort();
    // The display stays open for the whole run and is closed at exit.
    std::atexit([] {
        TDispDev::Global().Close();
        TDispDev::Global().ReleaseLibrary();
    });
    return display;
}

void ImageOutput(Bytes& in) {
    OpenDisplay();
    const int32_t depth = kDepths[in.u8() % 4];
    const int32_t w = in.in(1, 60), h = in.in(1, 50);
    const int32_t pitch = w * BytesOf(depth) + (in.u8() & 3);
    std::vector<uint8_t> px(size_t(pitch) * size_t(h));
    Paint(in, px.data(), px.size(), depth);
    GdlPixelFormat format = *FormatOf(depth);
    GdlBitmap image{w, h, depth, pitch, px.data(), nullptr, &format};
    TCanvas canvas;
    canvas.SetBuffered(in.u8() % 3);
    if (in.u8() & 1) canvas.SetKeep(1);
    const int32_t cx = in.in(-40, 400), cy = in.in(-40, 300);
    if (!canvas.CreateDevice({cx, cy, cx + in.in(1, 120), cy + in.in(1, 90)})) return;
    for (int32_t k = in.u8() % 4; k >= 0; --k) {
        const int32_t x = in.in(-80, 220), y = in.in(-70, 200);
        switch (in.u8() % 4) {
            case 0: canvas.PutImage(x, y, &image); break;
            case 1: canvas.PutImageTransparent(x, y, &image); break;
            case 2: canvas.StretchImage(x, y, in.in(-2, 150), in.in(-2, 120), &image); break;
            default: {
                const int32_t l = in.in(-10, w + 20), t = in.in(-10, h + 20);
                canvas.DoPutSectionTransparent(
                    x, y, &image, {l, t, l + in.in(-5, w + 10), t + in.in(-5, h + 10)});
            }
        }
    }
    TError::ClearLists();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // One engine for the run: its display stays open from input to input.
    static TEngine engine(
        platform::SessionOptions{.host = platform::HostKind::Memory, .virtualClockFrom = 1000});
    static bool registered = false;
    if (!registered) {
        PACK_registerDrivers();
        registered = true;
    }
    Bytes in{data, size};
    if (in.u8() & 1)
        Blitters(in);
    else
        ImageOutput(in);
    return 0;
}
