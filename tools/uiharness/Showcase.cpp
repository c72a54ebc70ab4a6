#include "Showcase.h"

#include "FontFileWriter.h"
#include "Glyphs5x7.h"
#include "foundation/TResource.h"
#include "gdl/pixelformat.h"
#include "media/resources/TPicture.h"
#include "ui/TWinApp.h"
#include "ui/TWinForm.h"

#include <array>
#include <cstdio>
#include <vector>

namespace {

// Lower case is drawn in capitals; every glyph advances 6 pixels.
std::vector<uint8_t> FontBytes() {
    std::array<tools::NativeGlyph, 256> glyphs{};
    glyphs[' '] = {6, std::vector<uint8_t>(8, 0)};
    for (const tools::Glyph5x7& g : tools::Glyphs5x7()) {
        tools::NativeGlyph glyph{6, std::vector<uint8_t>(g.rows, g.rows + 7)};
        glyph.rows.push_back(0);
        glyphs[uint8_t(g.c)] = glyph;
        if (g.c >= 'A' && g.c <= 'Z') glyphs[uint8_t(g.c - 'A' + 'a')] = glyph;
    }
    return tools::WriteFontFile(tools::MakeBitmapFont("Harness", 8, 7, glyphs, false));
}

// A picture made in memory: a red disc with a yellow rim on the key colour,
// 48 x 48 at 5:6:5, handed out as the resource's data while locked.
class DiscPicture : public TResource, public TPicture {
public:
    static constexpr int32_t kSize = 48;
    DiscPicture() : pixels_(kSize * kSize, 0x07E0) {
        for (int32_t y = 0; y < kSize; ++y)
            for (int32_t x = 0; x < kSize; ++x) {
                const int32_t dx = 2 * x - kSize + 1, dy = 2 * y - kSize + 1;
                const int32_t d = dx * dx + dy * dy;
                if (d < 40 * 40)
                    pixels_[size_t(y * kSize + x)] = 0xF800;
                else if (d < 46 * 46)
                    pixels_[size_t(y * kSize + x)] = 0xFFE0;
            }
        bitmap_ = {kSize,   kSize,   16, kSize * 2, reinterpret_cast<uint8_t*>(pixels_.data()),
                   nullptr, &format_};
    }
    ~DiscPicture() override { data_ = nullptr; }
    int Lock(int32_t, int32_t) override {
        data_ = &bitmap_;
        return 1;
    }
    int Unlock() override {
        data_ = nullptr;
        return 1;
    }
    int32_t GetWidthOf(int32_t, int32_t) override { return kSize; }
    int32_t GetWidth() override { return kSize; }
    int32_t GetHeightOf(int32_t, int32_t) override { return kSize; }
    int32_t GetHeight() override { return kSize; }

private:
    std::vector<uint16_t> pixels_;
    GdlPixelFormat format_{31, 63, 31, 0, 11, 3, 5, 2, 0, 3, 0, 0};
    GdlBitmap bitmap_{};
};

void Place(TTextButton& button, TControl& parent, int32_t x, int32_t y, int32_t w, const char* text,
           const char* hint) {
    button.SetRect(x, y, w, 24);
    button.SetText(text);
    button.SetHint(hint);
    button.Show(&parent);
}

} // namespace

Showcase::Showcase() : picture_(std::make_unique<DiscPicture>()) {}

Showcase::~Showcase() = default;

void Showcase::LoadFont(const std::string& folder) {
    const std::string path = folder + "uiharness.fnt";
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        std::fclose(f);
    } else if (std::FILE* out = std::fopen(path.c_str(), "wb")) {
        const std::vector<uint8_t> bytes = FontBytes();
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        std::fclose(out);
    }
    font_ = std::make_unique<TMetaFnt>("", 0);
    font_->SetPath(path.c_str());
}

void Showcase::Open(TWinForm& form, TWinApp& app) {
    title_.SetPos(10, 34);
    title_.SetTextColor(TColor(0, 0, 128));
    title_.SetText("Forms, text and widgets");
    title_.Show(&form);
    Place(ok_, form, 10, 56, 90, "&OK", "A button with a face");
    Place(cancel_, form, 10, 86, 90, "&Cancel", "A text button");
    radios_.SetRect(110, 56, 120, 60);
    radios_.SetTransparent(0);
    radios_.SetColor(TColor(200, 200, 160));
    radios_.Show(&form);
    red_.SetMode(TClickCtl::mdRadio);
    blue_.SetMode(TClickCtl::mdRadio);
    Place(red_, radios_, 5, 5, 110, "&Red", "One of a group");
    Place(blue_, radios_, 5, 31, 110, "&Blue", "The other one");
    red_.SetChecked(1);
    keyed_.SetSource(picture_.get());
    keyed_.SetFitFlags(TImage::fitKeyed | TGraphic::fitAspect | TImage::fitSmooth);
    keyed_.SetTransparent(1);
    keyed_.SetPos(240, 56);
    keyed_.Attach(&form);
    translucent_.SetSource(picture_.get());
    translucent_.SetFitFlags(TImage::fitAlpha | TGraphic::fitAspect);
    translucent_.SetTransparent(1);
    translucent_.SetAlpha(128);
    translucent_.SetPos(300, 56);
    translucent_.Attach(&form);
    hint_.SetFont(font_.get());
    hint_.Open(&app);
    TWinApp::SetHintWindow(&hint_);
}

void Showcase::Close() {
    TWinApp::SetHintWindow(nullptr);
    hint_.Close();
    translucent_.Detach();
    keyed_.Detach();
    red_.Hide();
    blue_.Hide();
    radios_.Hide();
    cancel_.Hide();
    ok_.Hide();
    title_.Hide();
}
