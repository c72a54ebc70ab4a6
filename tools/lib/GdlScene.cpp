#include "GdlScene.h"

#include "gdl/blit.h"
#include "gdl/draw.h"
#include "gdl/pixelformat.h"
#include "gdl/text.h"

#include <vector>

namespace tools {

namespace {

// A colour of the context: a palette index at 8 bits, else packed.
uint32_t colorOf(GdlDeviceContext* dc, uint8_t index, uint8_t r, uint8_t g, uint8_t b) {
    const GdlDeviceContext* d = GDL_liveDC(dc);
    if (d->mode.bitsPerPixel <= 8) return index;
    return GDL_packColor(&d->format, r, g, b);
}

void shapes(GdlDeviceContext* dc, int32_t frame) {
    const int32_t dx = frame % 16;
    GDL_setColor(colorOf(dc, 12, 255, 0, 0));
    GDL_line(2 + dx, 2, 120 + dx, 60);
    GDL_setPenSize(2, 2);
    GDL_line(2, 70, 120, 20);
    GDL_setPenSize(0, 0);
    GDL_setLineStyle(0xF0F0F0F0u);
    GDL_setPenStyle(1);
    GDL_setColor(colorOf(dc, 10, 0, 255, 0));
    GDL_line(5, 90, 150, 95);
    GDL_setPenStyle(0);
    GDL_rect(130, 5, 190, 45);
    GDL_setColor(colorOf(dc, 9, 0, 0, 255));
    GDL_ellipse(200, 5, 260, 45);
    GDL_fillEllipse(270, 5, 300, 45);
    GDL_ellipseArc(130, 50, 190, 100, 30, 200);
    GDL_fillEllipseArc(200, 50, 260, 100, 90, 300);
    const int32_t poly[] = {270, 60, 300, 80, 285, 100, 262, 90};
    GDL_fillPolygon(4, poly, 8);
    for (int32_t i = 0; i < 20; ++i)
        GDL_putPixel(10 + i * 3, 110 + (i % 4));
}

void modesAndStyles(GdlDeviceContext* dc) {
    static const uint8_t kMono[8] = {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81};
    uint32_t colors[64];
    for (int32_t i = 0; i < 64; ++i)
        colors[i] = colorOf(dc, uint8_t(i), uint8_t(i * 4), uint8_t(255 - i * 4), uint8_t(i * 2));
    GDL_setMonoPattern(kMono);
    GDL_setColorPattern(colors);
    GDL_setBackColor(colorOf(dc, 1, 0, 0, 128));
    for (int32_t mode = 0; mode < 4; ++mode)
        for (int32_t style = 0; style < 4; ++style) {
            GDL_setWriteMode(mode);
            GDL_setFillStyle(style);
            GDL_setColor(colorOf(dc, uint8_t(20 + mode * 4 + style), uint8_t(60 * mode),
                                 uint8_t(60 * style), 200));
            const int32_t x = 10 + style * 40, y = 130 + mode * 25;
            GDL_fillRect(x, y, x + 36, y + 21);
            GDL_fillEllipse(x + 170, y, x + 200, y + 20);
        }
    GDL_setWriteMode(0);
    GDL_setFillStyle(0);
}

void images(GdlDeviceContext* dc) {
    GdlDeviceContext* d = GDL_liveDC(dc);
    const int32_t bits = int32_t(d->mode.bitsPerPixel);
    const int32_t bpp = (bits + 7) / 8, w = 24, h = 16;
    std::vector<uint8_t> pixels(size_t(w * h * bpp));
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const uint32_t c = colorOf(dc, uint8_t(x * 8 + y), uint8_t(x * 10), uint8_t(y * 15),
                                       uint8_t((x + y) * 6));
            for (int32_t b = 0; b < bpp; ++b)
                pixels[size_t((y * w + x) * bpp + b)] = uint8_t(c >> (8 * b));
        }
    GdlBitmap bitmap{
        w, h, bits, w * bpp, pixels.data(), d->palette, bits > 8 ? &d->format : nullptr};
    GDL_putBitmap(dc, 330, 10, &bitmap, 0);
    GDL_putBitmap(dc, 330, 30, &bitmap, 3);
    GDL_putBitmapTransparent(dc, 360, 10, &bitmap, colorOf(dc, 0, 0, 0, 0), 1);
    static const uint8_t kMono[2 * 8] = {0xFF, 0x00, 0x81, 0x80, 0x42, 0x40, 0x24, 0x20,
                                         0x18, 0x10, 0x24, 0x20, 0x42, 0x40, 0x81, 0x80};
    GDL_setColor(colorOf(dc, 14, 255, 255, 0));
    GDL_drawMonoImage(dc, 400, 10, 2, 8, kMono);
    // A rectangle copied within the context, as a save and a restore of it.
    GDL_bitBlt(dc, dc, 330, 10, 354, 26, 400, 30, 0);
}

} // namespace

void DrawGdlScene(GdlDeviceContext* dc, int32_t frame, const GdlFont* font) {
    GdlDeviceContext* previous = GDL_selectCurrentDC(dc);
    GDL_setDefaultAttributes(dc);
    GDL_beginPixelAccess(); // many primitives, one lock
    GDL_setColor(colorOf(dc, 0, 0, 0, 0));
    GDL_clearDevice();
    shapes(dc, frame);
    modesAndStyles(dc);
    images(dc);
    GDL_endPixelAccess();
    if (font && GDL_useFont(font)) {
        GDL_setColor(colorOf(dc, 15, 255, 255, 255));
        GDL_drawStrAt(330, 60, "Scene 123");
    }
    GDL_selectCurrentDC(previous);
}

} // namespace tools
