#include "SaveLoadForm.h"

#include "BmpWriter.h"
#include "FontFileWriter.h"
#include "Glyphs5x7.h"
#include "platform/File.h"

#include <cstdio>
#include <filesystem>

namespace {

// Lower case is drawn in capitals; a narrow space keeps names short.
std::vector<uint8_t> FontBytes() {
    std::array<tools::NativeGlyph, 256> glyphs{};
    glyphs[' '] = {4, std::vector<uint8_t>(7, 0)};
    for (const tools::Glyph5x7& g : tools::Glyphs5x7()) {
        const tools::NativeGlyph glyph{6, std::vector<uint8_t>(g.rows, g.rows + 7)};
        glyphs[uint8_t(g.c)] = glyph;
        if (g.c >= 'A' && g.c <= 'Z') glyphs[uint8_t(g.c - 'A' + 'a')] = glyph;
    }
    return tools::WriteFontFile(tools::MakeBitmapFont("Harness", 7, 6, glyphs, false));
}

using Paint = tools::Rgb (*)(int32_t x, int32_t y, int32_t w, int32_t h, int look);

// A 24-bit picture painted point by point.
std::vector<uint8_t> Bmp(int32_t w, int32_t h, int look, Paint paint) {
    tools::BmpImage image;
    image.width = w;
    image.height = h;
    image.bitCount = 24;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const tools::Rgb c = paint(x, y, w, h, look);
            image.pixels.insert(image.pixels.end(), {c.b, c.g, c.r});
        }
    return tools::WriteBmp(image);
}

const tools::Rgb kKey{0, 255, 0};

// Looks 0 normal, 1 pressed, 2 disabled, 3 hover: a rounded face with an
// arrow (up or down) or a grip (thumb); the corners are the key colour.
tools::Rgb Face(int32_t x, int32_t y, int32_t w, int32_t h, int look, int kind) {
    const bool corner = (x == 0 || x == w - 1) && (y == 0 || y == h - 1);
    if (corner) return kKey;
    const uint8_t base[4] = {170, 120, 215, 200};
    const int32_t cx = w / 2, dy = kind == 0 ? y - 4 : (h - 1 - y) - 4;
    const bool arrow = kind < 2 && dy >= 0 && dy < 6 && x >= cx - dy && x <= cx + dy;
    const bool grip =
        kind == 2 && (y == h / 2 - 3 || y == h / 2 || y == h / 2 + 3) && x > 3 && x < w - 4;
    if (arrow || grip) return look == 2 ? tools::Rgb{150, 150, 150} : tools::Rgb{30, 30, 60};
    const uint8_t v = base[look];
    return x == 0 || y == 0 ? tools::Rgb{240, 240, 240} : tools::Rgb{v, v, uint8_t(v + 20)};
}

tools::Rgb UpFace(int32_t x, int32_t y, int32_t w, int32_t h, int look) {
    return Face(x, y, w, h, look, 0);
}
tools::Rgb DownFace(int32_t x, int32_t y, int32_t w, int32_t h, int look) {
    return Face(x, y, w, h, look, 1);
}
tools::Rgb ThumbFace(int32_t x, int32_t y, int32_t w, int32_t h, int look) {
    return Face(x, y, w, h, look, 2);
}
tools::Rgb Track(int32_t x, int32_t y, int32_t, int32_t, int) {
    const uint8_t v = uint8_t((x + y) % 2 ? 90 : 110);
    return tools::Rgb{v, v, uint8_t(v + 30)};
}
// Item pictures 16 x 9: a folder, a program and a page, on the key colour.
tools::Rgb FolderIcon(int32_t x, int32_t y, int32_t w, int32_t h, int) {
    return x == 0 || y == 0 || x == w - 1 || y == h - 1 ? kKey : tools::Rgb{200, 170, 60};
}
tools::Rgb ProgramIcon(int32_t x, int32_t, int32_t, int32_t, int) {
    return x < 12 ? tools::Rgb{60, 60, 200} : kKey;
}
tools::Rgb FileIcon(int32_t x, int32_t, int32_t, int32_t, int) {
    return x < 10 ? tools::Rgb{150, 150, 170} : kKey;
}

} // namespace

SaveLoadForm::SaveLoadForm(const std::string& folder) : folder_(folder + "saveload/") {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(folder_ + "saves/OLD", ec);
    // More saves than the list shows at once, so its bar has a thumb.
    std::vector<std::string> names = {"saves/Autosave.sav", "saves/notes.txt",
                                      "saves/OLD/SLOT0.SAV"};
    for (int i = 1; i <= 24; ++i)
        names.push_back("saves/SLOT" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".SAV");
    for (const std::string& name : names)
        if (std::FILE* f = std::fopen((folder_ + name).c_str(), "wb")) {
            std::fputs(name.c_str(), f);
            std::fclose(f);
        }
    platform::MapDrive('c', (folder_ + "saves").c_str());
    MakeLooks();
}

SaveLoadForm::~SaveLoadForm() {
    platform::MapDrive('c', nullptr);
}

TMetaImg* SaveLoadForm::Picture(const std::string& name) {
    auto picture = std::make_unique<TMetaImg>();
    picture->SetPath((folder_ + name).c_str());
    pictures_.push_back(std::move(picture));
    return pictures_.back().get();
}

void SaveLoadForm::MakeLooks() {
    auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        if (std::FILE* f = std::fopen((folder_ + name).c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return Picture(name);
    };
    TStyle* styles[3] = {&firstLook_, &secondLook_, &thumbLook_};
    const Paint faces[3] = {UpFace, DownFace, ThumbFace};
    for (int kind = 0; kind < 3; ++kind) {
        TMetaImg* looks[4];
        for (int look = 0; look < 4; ++look) {
            const std::string name = "look" + std::to_string(kind) + std::to_string(look) + ".bmp";
            looks[look] = write(name, Bmp(16, kind == 2 ? 24 : 16, look, faces[kind]));
        }
        TStyle& s = *styles[kind];
        s.SetAll(1); // the key colour is transparent
        s.SetColor(TColor(0, 255, 0));
        s.SetRecord1(looks[0], 0, 0);
        s.SetRecord2(looks[1], 0, 0);
        s.SetRecord3(looks[2], 0, 0);
        s.SetRecord4(looks[3], 0, 0);
    }
    bar_.SetFirstButtonStyle(&firstLook_);
    bar_.SetSecondButtonStyle(&secondLook_);
    bar_.SetThumbStyle(&thumbLook_);
    bar_.SetTrack(write("track.bmp", Bmp(16, 200, 0, Track)), 0, 7);
    list_.SetFolderPicture(write("folder.bmp", Bmp(16, 9, 0, FolderIcon)));
    list_.SetProgramPicture(write("exec.bmp", Bmp(16, 9, 0, ProgramIcon)));
    list_.SetFilePicture(write("file.bmp", Bmp(16, 9, 0, FileIcon)));
    font_ = std::make_unique<TMetaFnt>("", 0);
    const std::vector<uint8_t> font = FontBytes();
    if (std::FILE* f = std::fopen((folder_ + "harness.fnt").c_str(), "wb")) {
        std::fwrite(font.data(), 1, font.size(), f);
        std::fclose(f);
    }
    font_->SetPath((folder_ + "harness.fnt").c_str());
}

void SaveLoadForm::Open(TControl* parent) {
    form_.SetFrameStyle(2);
    form_.SetRect(150, 60, 320, 290);
    form_.SetFont(font_.get());
    form_.Open(parent);
    list_.SetRect(12, 12, 260, 200);
    list_.SetDrive("c:");
    list_.SetDirectory("\\");
    // The default mask, so folders show and the up button has work to do.
    list_.SetUpControl(&up_);
    list_.SetVertScrollBar(&bar_);
    list_.SetEdit(&edit_);
    list_.Show(&form_);
    bar_.SetPos(274, 12);
    bar_.Show(&form_);
    edit_.SetFilter(1);
    edit_.SetFrameStyle(0);
    edit_.SetBorderWidth(4);
    edit_.SetTransparent(1);
    edit_.SetRect(12, 222, 200, 22);
    edit_.Show(&form_);
    up_.SetText("UP");
    up_.SetRect(220, 222, 52, 22);
    up_.Show(&form_);
    form_.SetVisible(true);
    form_.SetEnabled(true);
}

void SaveLoadForm::Close() {
    list_.Hide();
    bar_.Hide();
    edit_.Hide();
    up_.Hide();
    form_.Close();
}

TPoint SaveLoadForm::RowCentre(int32_t row) {
    list_.Update();
    TRectArea screen;
    list_.GetScreenRect(screen);
    const TRectArea area = list_.CellArea();
    const TPoint cell = list_.GetCellSize();
    return TPoint(screen.left + area.left + 40,
                  screen.top + area.top + (row - 1) * cell.y + cell.y / 2);
}

std::string SaveLoadForm::Describe() {
    std::string items;
    int count = 0;
    list_.Rewind(1);
    const char* text;
    uintptr_t data;
    while (list_.GetNext(&text, &data))
        if (++count <= 3) items += std::string(count > 1 ? "," : "") + text;
    return std::string("folder ") + list_.GetDirectory().c_str() + " items " +
           std::to_string(count) + " " + items + (count > 3 ? ",..." : "") + " first row " +
           std::to_string(list_.FirstVisibleRow()) + " edit " + edit_.GetText().c_str();
}
