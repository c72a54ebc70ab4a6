// The program's cursors and icon, drawn from a few shapes: each shape is
// filled and gets a one-pixel outline, so they read on any background.
#include "Cursor.h"

#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace platform {
namespace {

constexpr int kSize = 32;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

using Mask = std::array<bool, kSize * kSize>;
using Pt = std::pair<float, float>;

Mask Polygon(std::initializer_list<Pt> pts) {
    Mask m{};
    std::vector<Pt> v(pts);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            bool in = false;
            for (size_t i = 0, j = v.size() - 1; i < v.size(); j = i++) {
                const Pt& a = v[i];
                const Pt& b = v[j];
                if ((a.second > py) != (b.second > py) &&
                    px < (b.first - a.first) * (py - a.second) / (b.second - a.second) + a.first)
                    in = !in;
            }
            m[y * kSize + x] = in;
        }
    return m;
}

Mask Circle(float cx, float cy, float r) {
    Mask m{};
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            float dx = x + 0.5f - cx, dy = y + 0.5f - cy;
            m[y * kSize + x] = dx * dx + dy * dy <= r * r;
        }
    return m;
}

Mask Box(int x0, int y0, int x1, int y1) {
    Mask m{};
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (x >= 0 && y >= 0 && x < kSize && y < kSize) m[y * kSize + x] = true;
    return m;
}

Mask Union(std::initializer_list<Mask> masks) {
    Mask m{};
    for (const Mask& a : masks)
        for (int i = 0; i < kSize * kSize; ++i)
            m[i] = m[i] || a[i];
    return m;
}

// Fills the shape; pixels at its edge get `outline` (0: none).
void Paint(CursorImage* img, const Mask& m, uint32_t fill, uint32_t outline) {
    auto inside = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < kSize && y < kSize && m[y * kSize + x];
    };
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            if (!inside(x, y)) continue;
            bool edge =
                !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            img->argb[y * kSize + x] = (edge && outline) ? outline : fill;
        }
}

void Start(CursorImage* img, const std::string& name, int hotX, int hotY) {
    img->width = img->height = kSize;
    img->hotX = hotX;
    img->hotY = hotY;
    img->argb.assign(kSize * kSize, 0);
    img->name = name;
}

void Arrow(CursorImage* img) {
    Start(img, "CURARROW", 0, 0);
    Paint(img, Polygon({{0, 0}, {0, 22}, {5.5f, 17}, {9, 25}, {12.5f, 23.5f}, {9, 16}, {16, 16}}),
          kWhite, kBlack);
}

void Hand(CursorImage* img) {
    Start(img, "CURHAND", 10, 0);
    Mask finger = Union({Box(8, 2, 13, 16), Circle(10.5f, 2.5f, 2.5f)});
    Mask palm = Union({Box(6, 13, 24, 27), Circle(20.5f, 13.5f, 3.5f), Circle(16.5f, 12.5f, 3.5f)});
    Mask thumb = Polygon({{6, 15}, {1, 12}, {0, 15}, {6, 24}});
    Mask wrist = Box(8, 26, 22, 31);
    Paint(img, Union({finger, palm, thumb, wrist}), kWhite, kBlack);
    Paint(img, Box(13, 14, 14, 20), kBlack, 0);
    Paint(img, Box(18, 14, 19, 20), kBlack, 0);
}

void Clock(CursorImage* img) {
    Start(img, "CURCLOCK", 16, 16);
    Paint(img, Circle(16, 16, 14), kWhite, kBlack);
    Paint(img, Box(15, 6, 17, 17), kBlack, 0);
    Paint(img, Box(16, 15, 24, 17), kBlack, 0);
    for (int i = 0; i < 12; ++i) {
        float a = static_cast<float>(i) * 3.14159265f / 6.0f;
        int x = static_cast<int>(16 + 11.5f * std::sin(a)),
            y = static_cast<int>(16 - 11.5f * std::cos(a));
        Paint(img, Box(x, y, x + 1, y + 1), kBlack, 0);
    }
}

void NoEntry(CursorImage* img) {
    Start(img, "CURNOENTRY", 16, 16);
    Paint(img, Circle(16, 16, 15), 0xFFD01010u, kBlack);
    Paint(img, Box(6, 13, 26, 19), kWhite, kBlack);
}

void Exit(CursorImage* img) {
    Start(img, "CUREXIT", 16, 16);
    Paint(img, Box(5, 1, 23, 31), 0xFF202020u, kBlack);                             // doorway
    Paint(img, Polygon({{5, 1}, {16, 4}, {16, 31}, {5, 31}}), 0xFF9A6430u, kBlack); // open door
    Paint(img, Circle(13.5f, 17, 1.5f), 0xFFE0C040u, 0);
    Paint(img, Polygon({{18, 13}, {25, 13}, {25, 9}, {32, 16}, {25, 23}, {25, 19}, {18, 19}}),
          kWhite, kBlack);
}

void ExitArrow(CursorImage* img) {
    Start(img, "CUREXITARROW", 16, 0);
    Paint(img, Polygon({{16, 0}, {31, 15}, {22, 15}, {22, 31}, {10, 31}, {10, 15}, {1, 15}}),
          0xFFF0D020u, kBlack);
}

void AppIcon(CursorImage* img) {
    Start(img, "ICOAPPLIC", 0, 0);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x)
            img->argb[y * kSize + x] = 0xFF000000u | static_cast<uint32_t>(40 + y * 4) << 16 |
                                       static_cast<uint32_t>(90 + y * 3) << 8 | 230u;
    Paint(img, Circle(23, 9, 5), 0xFFFFD040u, 0);
    Paint(img, Circle(10, 40, 20), 0xFF2E8B3Au, 0);
    Paint(img, Circle(30, 44, 18), 0xFF3FA34Du, 0);
    Paint(img, Polygon({{14, 30}, {14, 22}, {18, 18}, {22, 22}, {22, 30}}), 0xFFB04030u,
          kBlack); // a little house
    for (int i = 0; i < kSize; ++i) {
        img->argb[i] = img->argb[(kSize - 1) * kSize + i] = kBlack;
        img->argb[i * kSize] = img->argb[i * kSize + kSize - 1] = kBlack;
    }
}

void Cross(CursorImage* img) {
    Start(img, "", 16, 16);
    Paint(img, Union({Box(15, 2, 18, 31), Box(2, 15, 31, 18)}), kWhite, kBlack);
}

void IBeam(CursorImage* img) {
    Start(img, "", 16, 16);
    Paint(img, Union({Box(15, 4, 18, 28), Box(11, 3, 22, 6), Box(11, 26, 22, 29)}), kWhite, kBlack);
}

} // namespace

bool DrawProgramImage(const std::string& name, CursorImage* out) {
    static const std::pair<const char*, void (*)(CursorImage*)> kImages[] = {
        {"CURARROW", Arrow},    {"CURHAND", Hand},       {"CUREXIT", Exit},
        {"CURCLOCK", Clock},    {"CURNOENTRY", NoEntry}, {"CUREXITARROW", ExitArrow},
        {"ICOAPPLIC", AppIcon},
    };
    for (const auto& [n, draw] : kImages)
        if (name == n) {
            draw(out);
            return true;
        }
    return false;
}

bool DrawSystemCursor(int id, CursorImage* out) {
    switch (id) {
        case 32512: // arrow
        case 32650: // arrow and hourglass
        case 32516: // up arrow
            Arrow(out);
            break;
        case 32513: IBeam(out); break;
        case 32514: Clock(out); break;
        case 32515:
        case 32642:
        case 32643:
        case 32644:
        case 32645:
        case 32646: Cross(out); break;
        case 32648: NoEntry(out); break;
        case 32649: Hand(out); break;
        default: return false;
    }
    out->name.clear();
    out->systemId = id;
    return true;
}

bool DrawSystemIcon(int id, CursorImage* out) {
    if (id < 32512 || id > 32516) return false;
    AppIcon(out);
    out->name.clear();
    out->systemId = id;
    return true;
}

} // namespace platform
