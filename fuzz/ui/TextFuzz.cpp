// Random bytes as the text of a small label on the memory host: the first
// bytes choose the font (a pixel font with a kerning pair or a library
// font), the style word, both alignments and a narrow size; the rest is the
// text with every markup byte possible. The label is laid out (wrapped) and
// painted, and the text measured and wrapped into buffers of every small
// size: nothing may read or write outside the text or the buffer.
#include "AlbumWriter.h"
#include "FontFileWriter.h"
#include "MemoryDesktop.h"

#include "foundation/TCache.h"
#include "foundation/TError.h"
#include "foundation/TEventMgr.h"
#include "media/devices/TDispDev.h"
#include "media/resources/TMetaFnt.h"
#include "ui/TEngine.h"
#include "ui/TLabel.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

// Glyphs of 1 to 6 pixels, undefined bytes left out, 'T' then 'o' kerned.
std::vector<uint8_t> PixelFont() {
    tools::AlbumPlan plan;
    plan.bitsPerPixel = 8;
    plan.palette = {0, 0, 0, 255, 255, 255};
    tools::AlbumEntry entry{8, 8, {}, 0};
    tools::GlyphTable table;
    for (uint8_t g = 0; g < 6; ++g) {
        entry.frames.push_back(std::vector<uint8_t>(64, g ? 1 : 0));
        table.width[g] = uint16_t(g + 1);
    }
    for (int c = 32; c < 256; ++c)
        if (c % 7) table.map[c] = uint8_t(c % 6);
    table.kerning.assign(65536, 0);
    table.kerning[size_t('T' % 6) * 256 + size_t('o' % 6)] = -2;
    plan.entries = {entry};
    std::string error;
    return tools::WritePixelFont(plan, {table}, false, &error);
}

std::vector<uint8_t> LibraryFont() {
    std::array<tools::NativeGlyph, 256> glyphs{};
    for (int c = 32; c < 256; ++c)
        glyphs[size_t(c)] = {uint16_t(1 + c % 5), std::vector<uint8_t>(7, 0xE0)};
    return tools::WriteFontFile(tools::MakeBitmapFont("Fuzz", 7, 6, glyphs, false));
}

struct Root : TControl {
    void Draw() override {
        GetCanvas().SetBackColor(TColor(0, 0, 64));
        GetCanvas().Clear();
    }
};

struct World {
    Root root;
    TMetaFnt pixel{"", 0};
    TMetaFnt library{"", 0};

    World() {
        testsupport::UseMemoryDesktop(16);
        TCache::Global().Start();
        static char folder[] = "/tmp/fuzz_text.XXXXXX";
        if (!mkdtemp(folder)) std::abort();
        pixel.SetPath(WriteFile(std::string(folder) + "/f.pxf", PixelFont()).c_str());
        library.SetPath(WriteFile(std::string(folder) + "/f.fnt", LibraryFont()).c_str());
        root.SetRect(0, 0, 160, 120);
        TGraphic::SetApplication(&root);
    }
    // The display is opened and closed with every input, as the graphics
    // library's context lists are its own until it is released.
    static bool OpenDisplay() {
        TDispDev& display = TDispDev::Global();
        display.SetClassName("FuzzText");
        display.SetTitle("Fuzz");
        display.SetDriverFlags(0x600);
        display.SetMode(160, 120, 16);
        return display.Open();
    }
    void CloseDisplay() {
        root.GetCanvas().ReleaseDevice();
        TDispDev::Global().Close();
        TDispDev::Global().ReleaseLibrary();
    }
    // The label's changes queue events for it that no loop here reads; they
    // go with the label, or every input would leave its events behind.
    static void DropQueuedEvents() {
        TEvent e;
        do
            TEventMgr::Global().TakeObjectEvent(&e);
        while (e.type != 0);
    }
    void Phase(int32_t phase) {
        TEvent e;
        e.SetType(evPaint);
        for (int32_t which = 0; which < 4; ++which)
            TGraphic::SetPaintRect(&e, which, {0, 0, 160, 120});
        TGraphic::SetPaintPhase(&e, phase);
        root.HandleEvent(nullptr, &e);
    }
};

World& TheWorld() {
    static World* world = new World;
    return *world;
}

void Measure(TText& text, const std::string& s, uint8_t width) {
    const char* p = s.c_str();
    text.BindFont();
    text.GetTextWidth(p, width);
    text.GetLineWidth(p, width);
    text.GetTextHeight(p);
    text.CountLines(p);
    for (size_t i = 0; i < s.size(); ++i)
        if (p[i] == ' ') text.GetSpreadGap(p + i, width, p);
    // Every small buffer size: the wrap must stay inside it.
    for (int32_t size = 1; size <= 24; ++size) {
        std::vector<char> out(static_cast<size_t>(size));
        text.WrapText(out.data(), p, size, width);
    }
    text.ReleaseFont();
    text.GetTextRect({0, 0, width, 20}, p);
}

void RunOne(const uint8_t* data, size_t size);

} // namespace

// The display and the fonts live for the whole run: built, and the
// library's lists made once with a first label, before the inputs.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const uint8_t warm[] = {0x58, 0x03, 0x10, 0x10, 'a', ' ', 'b'};
    RunOne(warm, sizeof warm);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RunOne(data, size);
    return 0;
}

namespace {

void RunOne(const uint8_t* data, size_t size) {
    if (size < 4) return;
    // One engine for the run, built before the world that lives in it.
    static TEngine engine(
        platform::SessionOptions{.host = platform::HostKind::Memory, .virtualClockFrom = 1000});
    World& world = TheWorld();
    TError::ClearLists();
    // A fresh window every input keeps the run free of the library's
    // process-long lists.
    if (!World::OpenDisplay()) std::abort();
    const uint8_t style = data[0], aligns = data[1], width = data[2], height = data[3];
    const std::string text(reinterpret_cast<const char*>(data + 4), size - 4);
    TLabel label;
    label.SetFont((aligns & 0x80) ? &world.library : &world.pixel);
    label.SetStyle(style & 0x7C);
    label.SetAlign(aligns & 3);
    label.SetVertAlign((aligns >> 2) & 3);
    label.SetAutoSize((aligns & 0x40) ? 1 : 0);
    label.SetRect(int32_t(aligns >> 4 & 3), 3, 1 + width % 40, 1 + height % 30);
    label.SetText(text.c_str());
    label.Show(&world.root);
    for (int32_t phase = 0; phase < 3; ++phase)
        world.Phase(phase);
    label.GetTextWidth();
    label.GetTextHeight();
    Measure(label, text, uint8_t(1 + width % 40));
    label.Hide();
    world.Phase(0);
    world.CloseDisplay();
    world.DropQueuedEvents();
}

} // namespace
