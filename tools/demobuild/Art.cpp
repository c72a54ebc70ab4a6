#include "Art.h"

#include <cstdlib>

namespace demo {

bool ParseColour(const std::string& text, Colour* out) {
    if (text.size() != 6 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return false;
    const unsigned long v = std::strtoul(text.c_str(), nullptr, 16);
    *out = {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v), 255};
    return true;
}

Canvas ButtonFace(int32_t w, int32_t h, Colour base, const std::string& label, char state,
                  uint32_t seed, bool titleOnTop) {
    const int32_t lift = state == 'b' ? 40 : state == 'c' ? -50 : 0;
    const Colour face = Shade(base, lift);
    Canvas c(w, h, face);
    c.Gradient(0, 0, w, h, Shade(face, 30), Shade(face, -30));
    c.Grain(seed, 6);
    c.Frame(0, 0, w, h, 2, Shade(face, -70));
    c.Frame(2, 2, w - 4, h - 4, 1, Shade(face, 60));
    int32_t scale = 3;
    while (scale > 1 && (Canvas::TextWidth(label, scale) > w - 8 || 7 * scale > h - 6))
        --scale;
    const int32_t tw = Canvas::TextWidth(label, scale);
    const Colour ink = state == 'c' ? Colour{150, 150, 150} : Colour{250, 240, 200};
    // A panel is a page's ground: its title stands in a band at the top,
    // clear of the controls laid over the page.
    const int32_t y = titleOnTop ? 12 : (h - 7 * scale) / 2;
    c.Text((w - tw) / 2 + 1, y + 1, label, scale, Colour{20, 20, 30});
    c.Text((w - tw) / 2, y, label, scale, ink);
    return c;
}

Canvas Symbol(int32_t w, int32_t h, const std::string& shape, Colour base) {
    Canvas c(w, h, kClear);
    const int32_t m = w < h ? w : h;
    if (shape == "disc") {
        c.Ellipse(w / 2, h / 2, m / 2 - 1, m / 2 - 1, base);
    } else if (shape == "box") {
        c.Fill(1, h / 4, w - 2, h * 3 / 4 - 1, base);
        c.Fill(1, h / 8, w / 2, h / 8 + 1, Shade(base, 40));
    } else if (shape == "bars") {
        for (int32_t i = 0; i < 3; ++i)
            c.Fill(2, 2 + i * (h - 4) / 3, w - 4, (h - 4) / 3 - 2, base);
    } else if (shape == "question" || shape == "cross") {
        c.Ellipse(w / 2, h / 2, m / 2 - 1, m / 2 - 1, base);
        const int32_t s = m >= 28 ? 3 : 2;
        c.Text((w - 5 * s) / 2, (h - 7 * s) / 2, shape == "question" ? "?" : "!", s,
               Colour{255, 255, 255});
    } else {
        c.Fill(0, 0, w, h, base);
    }
    return c;
}

Canvas IslandMap(int32_t w, int32_t h, uint32_t seed) {
    Canvas c(w, h);
    c.Gradient(0, 0, w, h, Colour{40, 90, 150}, Colour{20, 50, 110});
    Rng rng(seed);
    // The coast wobbles by a sum of sines around an ellipse.
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const int64_t dx = (x - w / 2) * 256 / (w / 3), dy = (y - h / 2) * 256 / (h / 3);
            const int32_t wobble = Sine(uint32_t(x * 700)) / 1200 + Sine(uint32_t(y * 900)) / 900;
            const int64_t r = ISqrt(dx * dx + dy * dy) + wobble;
            if (r < 250)
                c.Put(x, y, Mix(Colour{200, 180, 120}, Colour{90, 140, 60}, int32_t(250 - r)));
            else if (r < 262)
                c.Put(x, y, Colour{220, 210, 170});
        }
    c.Grain(rng.Next(), 8);
    c.Text(20, 20, "ISLAND", 4, Colour{250, 240, 200});
    return c;
}

Canvas Face(int32_t w, int32_t h, Colour skin, int32_t open, Colour ground) {
    Canvas c(w, h, ground);
    c.Ellipse(w / 2, h / 2, w / 2 - 2, h / 2 - 2, skin);
    c.Fill(w / 2 - 7, h / 3, 4, 4, Colour{30, 30, 40});
    c.Fill(w / 2 + 3, h / 3, 4, 4, Colour{30, 30, 40});
    c.Fill(w / 2 - 6, h * 2 / 3 - open, 12, 2 + 2 * open, Colour{110, 30, 30});
    return c;
}

Canvas ItemPicture(int32_t w, int32_t h, int32_t id, bool highlight) {
    Canvas c(w, h, kClear);
    const Colour metal = highlight ? Colour{250, 220, 120} : Colour{200, 160, 70};
    if (id == 1) { // the key
        c.Ellipse(w / 3, h / 2, w / 6, h / 6, metal);
        c.Ellipse(w / 3, h / 2, w / 14, h / 14, kClear);
        c.Fill(w / 3, h / 2 - 2, w / 2, 5, metal);
        c.Fill(w * 3 / 4, h / 2, 4, h / 6, metal);
    } else {
        c.Ellipse(w / 2, h / 2, w / 3, h / 3, metal);
    }
    if (highlight) c.Frame(0, 0, w, h, 2, Colour{255, 255, 200});
    return c;
}

bool CheckKeyColour(const Canvas& c, std::string* error) {
    const int32_t n = c.OpaqueKeyPixels();
    if (n == 0) return true;
    *error = std::to_string(n) + " opaque pixels would show as the transparent colour key";
    return false;
}

} // namespace demo
