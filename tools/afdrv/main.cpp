// afdrv write OUT [options]: a VBE/AF driver file for the simulated
// accelerator; afdrv dump IN: every field of one as text, the bank routine
// in hex and the entries by name.
#include "CommandLine.h"
#include "VbeafWriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace vb = platform::vbeaf;

int usage() {
    std::fprintf(
        stderr,
        "usage: afdrv write OUT [--version 1.0|2.0] [--memory KB] [--attributes HEX]\n"
        "                       [--banked] [--no-bank-routine] [--registers ADDR:LEN]...\n"
        "                       [--mono-field HEX] [--no-direct] [--no-cursor] [--no-stipple]\n"
        "                       [--without ENTRY]... [--accelerator HEX]\n"
        "                       [--mode NUMBER:WxHxBITS[:ATTRIBUTES[:PAGES]]]...\n"
        "       afdrv dump IN\n");
    return 2;
}

// A whole hexadecimal number (with or without 0x) up to `max`.
bool parseHex(const std::string& text, uint64_t max, uint32_t* out) {
    const std::string digits = text.rfind("0x", 0) == 0 ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 8) return false;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(digits.c_str(), &end, 16);
    if (*end || v > max) return false;
    *out = uint32_t(v);
    return true;
}

bool parseMode(const std::string& text, vb::ModeRecord* m) {
    size_t at = 0;
    const auto next = [&](char stop) {
        if (at > text.size()) return std::string();
        const size_t end = text.find(stop, at);
        std::string part = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() + 1 : end + 1;
        return part;
    };
    uint32_t number = 0, attributes = 0x59;
    int32_t w = 0, h = 0, bits = 0, pages = 1;
    if (!parseHex(next(':'), 0xFFFE, &number)) return false;
    if (!tools::ParseNumber(next('x'), 1, 4096, &w) || !tools::ParseNumber(next('x'), 1, 4096, &h))
        return false;
    if (!tools::ParseNumber(next(':'), 8, 32, &bits)) return false;
    if (at <= text.size() && !parseHex(next(':'), 0xFFFF, &attributes)) return false;
    if (at <= text.size() && !tools::ParseNumber(next(':'), 1, 255, &pages)) return false;
    if (at <= text.size()) return false;
    *m = {uint16_t(number), uint16_t(w),    uint16_t(h),
          uint8_t(bits),    uint8_t(pages), uint16_t(attributes)};
    return true;
}

bool parseRegisters(const std::string& text, tools::VbeafOptions* o) {
    const size_t colon = text.find(':');
    int free = 0;
    while (free < 4 && o->registerAddress[free])
        ++free;
    if (colon == std::string::npos || free == 4) return false;
    return parseHex(text.substr(0, colon), 0xFFFFFFFFu, &o->registerAddress[free]) &&
           o->registerAddress[free] != 0 &&
           parseHex(text.substr(colon + 1), 0xFFFFFFFFu, &o->registerLength[free]);
}

// One option and its value (null for a flag); false for a refused one.
bool option(const std::string& name, const char* value, tools::VbeafOptions* o) {
    const std::string v = value ? value : "";
    int64_t number = 0;
    if (name == "--version" && (v == "1.0" || v == "2.0"))
        o->version = v == "1.0" ? 0x100 : 0x200;
    else if (name == "--memory" &&
             tools::ParseOptionNumber("afdrv", "--memory", v, 64, 65536, &number))
        o->memoryKB = uint32_t(number);
    else if (name == "--attributes")
        return parseHex(v, 0xFFFFFFFFu, &o->attributes);
    else if (name == "--mono-field")
        return parseHex(v, 0xFFFFFFFFu, &o->monoImageField);
    else if (name == "--accelerator")
        return parseHex(v, 0xFFFFFFFFu, &o->accelerator);
    else if (name == "--registers")
        return parseRegisters(v, o);
    else if (name == "--without" && vb::EntrySlot(v.c_str()))
        o->absent.push_back(vb::EntrySlot(v.c_str()));
    else if (name == "--mode") {
        vb::ModeRecord m;
        if (!parseMode(v, &m)) return false;
        o->modes.push_back(m);
    } else
        return false;
    return true;
}

bool flag(const std::string& name, tools::VbeafOptions* o) {
    if (name == "--banked")
        o->linear = false;
    else if (name == "--no-bank-routine")
        o->bankRoutine = false;
    else if (name == "--no-direct")
        o->absent.insert(o->absent.end(), {vb::kEnableDirect, vb::kDisableDirect});
    else if (name == "--no-stipple")
        o->absent.insert(o->absent.end(), std::begin(tools::kStippleEntries),
                         std::end(tools::kStippleEntries));
    else if (name == "--no-cursor")
        o->absent.insert(o->absent.end(),
                         {vb::kSetCursor, vb::kSetCursorPos, vb::kSetCursorColor, vb::kShowCursor});
    else
        return false;
    return true;
}

int write(int argc, char** argv) {
    tools::VbeafOptions o;
    for (int i = 3; i < argc; ++i) {
        if (flag(argv[i], &o)) continue;
        if (i + 1 >= argc || !option(argv[i], argv[i + 1], &o)) {
            std::fprintf(stderr, "afdrv: refused option %s%s%s\n", argv[i], i + 1 < argc ? " " : "",
                         i + 1 < argc ? argv[i + 1] : "");
            return 2;
        }
        ++i;
    }
    const std::vector<uint8_t> image = tools::WriteVbeaf(o);
    std::ofstream out(argv[2], std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    if (!out.flush()) {
        std::fprintf(stderr, "afdrv: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}

int dump(const char* path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "afdrv: cannot read %s\n", path);
        return 1;
    }
    const std::vector<uint8_t> image{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    std::string text;
    const bool whole = tools::DumpVbeaf(image, &text);
    std::fputs(text.c_str(), stdout);
    return whole ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "write") == 0) return write(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "dump") == 0) return dump(argv[2]);
    return usage();
}
