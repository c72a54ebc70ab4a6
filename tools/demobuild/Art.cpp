#include "Art.h"

#include <algorithm>
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

Canvas Label(int32_t w, int32_t h, const std::string& label, Colour ink) {
    Canvas c(w, h, kClear);
    int32_t scale = 3;
    while (scale > 1 && (Canvas::TextWidth(label, scale) > w - 2 || 7 * scale > h - 2))
        --scale;
    const int32_t y = (h - 7 * scale) / 2;
    c.Text(2, y + 2, label, scale, Colour{20, 20, 30});
    c.Text(0, y, label, scale, ink);
    return c;
}

namespace {

// A white box with a sunken frame: where a control shows its text.
void Well(Canvas& c, int32_t x, int32_t y, int32_t w, int32_t h) {
    c.Fill(x - 3, y - 3, w + 6, h + 6, Colour{20, 24, 40});
    c.Fill(x - 1, y - 1, w + 2, h + 2, Colour{150, 160, 190});
    c.Fill(x, y, w, h, Colour{255, 255, 255});
}

} // namespace

Canvas FilePage(int32_t w, int32_t h, Colour base, const std::string& title) {
    // Few flat colours: the page is an 8-bit picture, and a gradient would
    // have to be dithered into its palette.
    Canvas c(w, h, base);
    c.Fill(0, 0, w, 46, Shade(base, 24));
    c.Fill(0, 46, w, 2, Shade(base, -40));
    c.Frame(0, 0, w, h, 2, Shade(base, -60));
    const int32_t tw = Canvas::TextWidth(title, 3);
    c.Text((w - tw) / 2 + 1, 13, title, 3, Colour{20, 20, 30});
    c.Text((w - tw) / 2, 12, title, 3, Colour{250, 240, 200});
    const Colour caption{250, 240, 200};
    c.Fill(160, 62, 480, 400, Shade(base, 16));
    c.Frame(160, 62, 480, 400, 2, Shade(base, -40));
    c.Text(176, 80, "NAME", 2, caption);
    Well(c, 176, 102, 424, 30);
    Well(c, 176, 150, 400, 300);
    return c;
}

Canvas ScrollButton(int32_t w, int32_t h, char sign, char state) {
    const Colour base{90, 100, 130};
    Canvas c = ButtonFace(w, h, base, "", state, 5);
    const Colour ink = state == 'c' ? Colour{150, 150, 150} : Colour{250, 240, 200};
    const int32_t cx = w / 2, cy = h / 2, r = std::min(w, h) / 4;
    switch (sign) {
        case 'l':
        case 'r':
            for (int32_t i = 0; i <= r; ++i) // a triangle, its point `r` from the centre
                c.Fill(sign == 'r' ? cx - r / 2 + i : cx + r / 2 - i, cy - (r - i), 1,
                       2 * (r - i) + 1, ink);
            break;
        case 'u':
        case 'd':
            for (int32_t i = 0; i <= r; ++i)
                c.Fill(cx - (r - i), sign == 'd' ? cy - r / 2 + i : cy + r / 2 - i, 2 * (r - i) + 1,
                       1, ink);
            break;
        case '+': c.Fill(cx - 1, cy - r, 3, 2 * r + 1, ink); [[fallthrough]];
        case '-': c.Fill(cx - r, cy - 1, 2 * r + 1, 3, ink); break;
        case '=':
            for (int32_t i = -1; i <= 1; ++i)
                c.Fill(4, cy + i * 4 - 1, w - 8, 2, ink);
            break;
        case '|':
            for (int32_t i = -1; i <= 1; ++i)
                c.Fill(cx + i * 4 - 1, 4, 2, h - 8, ink);
            break;
        default: break;
    }
    return c;
}

Canvas ScrollTrack(int32_t w, int32_t h) {
    Canvas c(w, h, Colour{26, 30, 46});
    c.Frame(0, 0, w, h, 1, Colour{10, 12, 20});
    c.Frame(1, 1, w - 2, h - 2, 1, Colour{70, 80, 110});
    if (w > h) {
        // Louder to the right: a wedge from nothing to nearly the track's height.
        const int32_t from = h, to = w - h;
        for (int32_t x = from; x < to; ++x) {
            const int32_t rise = (h - 10) * (x - from) / (to - from) + 2;
            c.Fill(x, h - 4 - rise, 1, rise,
                   Mix(Colour{60, 90, 140}, Colour{220, 190, 90}, 256 * (x - from) / (to - from)));
        }
    } else {
        c.Fill(w / 2 - 1, 4, 2, h - 8, Colour{70, 80, 110});
    }
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

Canvas IslandMap(int32_t w, int32_t h, uint32_t seed, const std::string& title) {
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
    c.Text(20, 20, title, 4, Colour{250, 240, 200});
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
