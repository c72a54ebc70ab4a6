#include "VbeafWriter.h"

#include "platform/ByteStream.h"

#include <algorithm>
#include <cstdio>

namespace tools {

namespace vb = platform::vbeaf;

namespace {

constexpr uint32_t kLinearAddress = 0xE0000000u;

void put32(std::vector<uint8_t>& image, uint32_t at, uint32_t value) {
    platform::ByteWriter(image).PatchU32(at, value);
}

bool offered(const VbeafOptions& o, uint32_t slot) {
    return std::find(o.absent.begin(), o.absent.end(), slot) == o.absent.end();
}

void writeModes(std::vector<uint8_t>& image, const std::vector<vb::ModeRecord>& modes) {
    platform::ByteWriter w(image);
    put32(image, vb::kModeList, uint32_t(w.Position()));
    for (const vb::ModeRecord& m : modes)
        w.U16(m.number);
    w.U16(0xFFFF);
    put32(image, vb::kModeTable, uint32_t(w.Position()));
    put32(image, vb::kModeTableCount, uint32_t(modes.size()));
    for (const vb::ModeRecord& m : modes) {
        w.U16(m.number), w.U16(m.width), w.U16(m.height);
        w.U8(m.bits), w.U8(m.pages), w.U16(m.attributes);
    }
}

uint32_t appendStub(std::vector<uint8_t>& image, vb::StubKind kind, uint32_t accelerator) {
    const uint32_t at = uint32_t(image.size());
    image.resize(image.size() + vb::kStubSize);
    vb::WriteStub(image.data() + at, kind, accelerator);
    return at;
}

std::string hex(uint32_t v, int digits = 8) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%0*X", digits, v);
    return b;
}

} // namespace

std::vector<vb::ModeRecord> DefaultVbeafModes(uint32_t memoryKB) {
    struct Size {
        uint16_t w, h;
    };
    static const Size kSizes[] = {{640, 480}, {800, 600}, {1024, 768}};
    static const uint8_t kBits[] = {8, 15, 16, 24, 32};
    std::vector<vb::ModeRecord> out;
    uint16_t number = 0x100;
    for (uint8_t bits : kBits)
        for (const Size& s : kSizes) {
            const uint64_t page = uint64_t(s.w) * ((bits + 7) / 8) * s.h;
            const uint64_t fit = page ? uint64_t(memoryKB) * 1024 / page : 0;
            if (fit == 0) continue;
            vb::ModeRecord m;
            m.number = number++;
            m.width = s.w, m.height = s.h, m.bits = bits;
            m.pages = uint8_t(std::min<uint64_t>(fit, 4));
            m.attributes = 0x1 | 0x8 | 0x10 | 0x40 | (bits == 8 ? 0x80 : 0);
            out.push_back(m);
        }
    return out;
}

std::vector<uint8_t> WriteVbeaf(const VbeafOptions& o) {
    std::vector<uint8_t> image(vb::kHeaderSize, 0);
    const char kSignature[] = "VBEAF.DRV";
    std::copy(kSignature, kSignature + sizeof kSignature, image.begin());
    put32(image, vb::kVersion, o.version);
    put32(image, vb::kMemoryKB, o.memoryKB);
    put32(image, vb::kAttributes, o.attributes);
    put32(image, vb::kBankSizeKB, o.bankSizeKB);
    put32(image, vb::kBankAddress, o.bankAddress);
    put32(image, vb::kLinearSizeKB, o.linear ? o.memoryKB : 0);
    put32(image, vb::kLinearAddress, o.linear ? kLinearAddress : 0);
    for (uint32_t i = 0; i < 4; ++i) {
        put32(image, vb::kRegisterAddress + 4 * i, o.registerAddress[i]);
        put32(image, vb::kRegisterLength + 4 * i, o.registerLength[i]);
    }
    put32(image, vb::kMonoImageField, o.monoImageField);
    for (uint32_t slot = vb::kEntries; slot < vb::kEntriesEnd; slot += 4)
        if (vb::EntryName(slot) && offered(o, slot)) put32(image, slot, vb::kEntryWanted);
    writeModes(image, o.modes.empty() ? DefaultVbeafModes(o.memoryKB) : o.modes);
    if (o.bankRoutine) {
        const uint32_t at = appendStub(image, vb::kStubBank, o.accelerator);
        put32(image, vb::kBankRoutine, at);
        put32(image, vb::kBankLength, uint32_t(vb::kStubSize));
    }
    put32(image, vb::kInitEntry, appendStub(image, vb::kStubInit, o.accelerator));
    put32(image, vb::kFirstEntry2, appendStub(image, vb::kStubFirst2, o.accelerator));
    return image;
}

namespace {

// The bytes of [offset, offset + length) inside the image, or null.
const uint8_t* within(const std::vector<uint8_t>& image, uint32_t offset, uint64_t length) {
    return offset <= image.size() && length <= image.size() - offset ? image.data() + offset
                                                                     : nullptr;
}

void line(std::string* text, const std::string& s) {
    *text += s;
    *text += '\n';
}

std::string stubText(const std::vector<uint8_t>& image, uint32_t offset) {
    uint32_t accelerator = 0;
    const uint8_t* at = within(image, offset, 0);
    const int kind = at ? vb::StubKindAt(at, image.size() - offset, &accelerator) : 0;
    if (!at) return "outside the image";
    if (!kind) return "foreign code";
    return "stub kind " + std::to_string(kind) + " accelerator " + hex(accelerator);
}

bool dumpModes(const std::vector<uint8_t>& image, platform::ByteReader& r, std::string* text) {
    r.Seek(vb::kModeList);
    const uint32_t list = r.U32();
    const uint8_t* at = within(image, list, 2);
    if (!at) return line(text, "mode list outside the image at " + hex(list)), false;
    platform::ByteReader modes(at, image.size() - list);
    std::string numbers = "mode list";
    for (uint16_t n = modes.U16(); modes.Ok() && n != 0xFFFF; n = modes.U16())
        numbers += " " + hex(n, 4);
    line(text, numbers);
    if (!modes.Ok()) return line(text, "mode list without its end"), false;
    r.Seek(vb::kModeTable);
    const uint32_t table = r.U32(), count = r.U32();
    const uint8_t* records = within(image, table, uint64_t(count) * vb::kModeRecordSize);
    if (!records) return line(text, "mode table outside the image"), false;
    platform::ByteReader m(records, size_t(count) * vb::kModeRecordSize);
    for (uint32_t i = 0; i < count; ++i) {
        const uint16_t number = m.U16(), w = m.U16(), h = m.U16();
        const uint8_t bits = m.U8(), pages = m.U8();
        const uint16_t attributes = m.U16();
        line(text, "mode " + hex(number, 4) + " " + std::to_string(w) + "x" + std::to_string(h) +
                       "x" + std::to_string(bits) + " pages " + std::to_string(pages) +
                       " attributes " + hex(attributes, 4));
    }
    return true;
}

} // namespace

bool DumpVbeaf(const std::vector<uint8_t>& image, std::string* text) {
    text->clear();
    if (image.size() < vb::kHeaderSize) {
        line(text, "truncated: " + std::to_string(image.size()) + " bytes, the header takes " +
                       std::to_string(vb::kHeaderSize));
        return false;
    }
    platform::ByteReader r(image);
    std::string signature(reinterpret_cast<const char*>(image.data()), 9);
    line(text, "signature \"" + std::string(signature.c_str()) + "\"" +
                   (signature == "VBEAF.DRV" && image[9] == 0 ? "" : " (not VBEAF.DRV)"));
    const auto field = [&](uint32_t at) {
        r.Seek(at);
        return r.U32();
    };
    const uint32_t version = field(vb::kVersion);
    line(text, "version " + std::to_string(version >> 8 & 0xF) + "." +
                   std::to_string(version >> 4 & 0xF) + " (" + hex(version, 4) + ")");
    line(text, "memory " + std::to_string(field(vb::kMemoryKB)) + " KB");
    line(text, "attributes " + hex(field(vb::kAttributes), 4));
    line(text, "bank window " + std::to_string(field(vb::kBankSizeKB)) + " KB at " +
                   hex(field(vb::kBankAddress)));
    line(text, "linear framebuffer " + std::to_string(field(vb::kLinearSizeKB)) + " KB at " +
                   hex(field(vb::kLinearAddress)));
    for (uint32_t i = 0; i < 4; ++i)
        line(text, "register area " + std::to_string(i) + " " +
                       hex(field(vb::kRegisterAddress + 4 * i)) + " length " +
                       std::to_string(field(vb::kRegisterLength + 4 * i)));
    line(text, "offscreen start " + hex(field(vb::kOffscreenStart)) + " width " +
                   std::to_string(field(vb::kOffscreenWidth)) + " lines " +
                   std::to_string(field(vb::kOffscreenTop)) + " to " +
                   std::to_string(field(vb::kOffscreenBottom)));
    line(text, "mono image field " + hex(field(vb::kMonoImageField)));
    const uint32_t bankAt = field(vb::kBankRoutine), bankLength = field(vb::kBankLength);
    bool whole = true;
    if (!bankAt) {
        line(text, "bank routine none");
    } else if (const uint8_t* code = within(image, bankAt, bankLength)) {
        std::string bytes = "bank routine " + std::to_string(bankLength) + " bytes:";
        for (uint32_t i = 0; i < bankLength; ++i) {
            char b[4];
            std::snprintf(b, sizeof b, " %02X", code[i]);
            bytes += b;
        }
        line(text, bytes);
    } else {
        line(text, "bank routine outside the image at " + hex(bankAt));
        whole = false;
    }
    line(text, "init entry " + hex(field(vb::kInitEntry)) + ": " +
                   stubText(image, field(vb::kInitEntry)));
    line(text, "first entry " + hex(field(vb::kFirstEntry2)) + ": " +
                   stubText(image, field(vb::kFirstEntry2)));
    whole = dumpModes(image, r, text) && whole;
    for (uint32_t slot = vb::kEntries; slot < vb::kEntriesEnd; slot += 4) {
        const uint32_t value = field(slot);
        const char* name = vb::EntryName(slot);
        if (!value) continue;
        line(text, std::string("entry ") + (name ? name : hex(slot, 3).c_str()) + " " +
                       (value == vb::kEntryWanted ? "offered" : "handle " + hex(value)));
    }
    return whole;
}

} // namespace tools
