#include "RespackCommand.h"

#include "CommandLine.h"
#include "CtfWriter.h"
#include "LzwEncoder.h"
#include "SectionWriter.h"
#include "foundation/TCustTxt.h"
#include "foundation/TLzw16Codec.h"
#include "foundation/TLzwCodec.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: respack pack --method lzw|lzw16 [--clear-every N] [--no-leading-clear] "
                 "IN OUT\n"
                 "       respack unpack --method lzw|lzw16 IN OUT\n"
                 "       respack ctf --method stored|lzw|lzw16 IN OUT\n"
                 "       respack unctf IN OUT\n"
                 "       respack sections OUT NAME=FILE...\n");
    return 2;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "respack: cannot read %s\n", path.c_str());
        return false;
    }
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) {
        std::fprintf(stderr, "respack: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

struct Args {
    std::string command;
    std::string method;
    tools::LzwOptions lzw;
    std::vector<std::string> files;
};

bool Parse(int argc, char** argv, Args& args) {
    if (argc < 2) return false;
    args.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--method" && i + 1 < argc) {
            args.method = argv[++i];
        } else if (a == "--clear-every" && i + 1 < argc) {
            int64_t every = 0;
            if (!tools::ParseOptionNumber("respack", "--clear-every", argv[++i], 0, UINT32_MAX,
                                          &every))
                return false;
            args.lzw.clearEvery = static_cast<uint32_t>(every);
        } else if (a == "--no-leading-clear") {
            args.lzw.leadingClear = false;
        } else if (a.rfind("--", 0) == 0) {
            std::fprintf(stderr, "respack: no option %s\n", tools::Printable(a).c_str());
            return false;
        } else {
            args.files.push_back(a);
        }
    }
    return true;
}

// The bare streams' methods; a wrong one is named before the usage.
bool StreamMethod(const Args& args) {
    if (args.method == "lzw" || args.method == "lzw16") return true;
    if (!args.method.empty())
        tools::RefuseValue("respack", "--method", "lzw or lzw16", args.method);
    return false;
}

int Pack(const Args& args) {
    if (!StreamMethod(args) || args.files.size() != 2) return Usage();
    std::vector<uint8_t> data;
    if (!ReadFile(args.files[0], data)) return 1;
    std::vector<uint8_t> packed = args.method == "lzw" ? tools::EncodeLzw(data, args.lzw)
                                                       : tools::EncodeLzw16(data, args.lzw);
    return WriteFile(args.files[1], packed.data(), packed.size()) ? 0 : 1;
}

int Unpack(const Args& args) {
    if (!StreamMethod(args) || args.files.size() != 2) return Usage();
    std::vector<uint8_t> packed;
    if (!ReadFile(args.files[0], packed)) return 1;
    if (packed.size() > 0x7fffffff) {
        std::fprintf(stderr, "respack: %s is too large\n", args.files[0].c_str());
        return 1;
    }
    // The streams do not say how long their output is: decode into a room
    // that doubles until the output no longer fills it.
    size_t room = packed.size() * 8 + 4096;
    for (;;) {
        std::vector<uint8_t> out(room);
        int32_t written = static_cast<int32_t>(room);
        int32_t size = static_cast<int32_t>(packed.size());
        int ok = args.method == "lzw"
                     ? TLzwCodec().Decode(packed.data(), size, out.data(), &written)
                     : TLzw16Codec().Decode(packed.data(), size, out.data(), &written);
        if (!ok) {
            std::fprintf(stderr, "respack: %s is corrupt\n", args.files[0].c_str());
            return 1;
        }
        if (static_cast<size_t>(written) < room)
            return WriteFile(args.files[1], out.data(), static_cast<size_t>(written)) ? 0 : 1;
        if (room > 0x3fffffff) {
            std::fprintf(stderr, "respack: %s unpacks to more than 1 GB\n", args.files[0].c_str());
            return 1;
        }
        room *= 2;
    }
}

int Ctf(const Args& args) {
    tools::CtfPacking packing;
    if (args.method == "stored")
        packing = tools::CtfPacking::Stored;
    else if (args.method == "lzw")
        packing = tools::CtfPacking::Lzw;
    else if (args.method == "lzw16")
        packing = tools::CtfPacking::Lzw16;
    else {
        if (!args.method.empty())
            tools::RefuseValue("respack", "--method", "stored, lzw or lzw16", args.method);
        return Usage();
    }
    if (args.files.size() != 2) return Usage();
    std::vector<uint8_t> text;
    if (!ReadFile(args.files[0], text)) return 1;
    std::vector<uint8_t> ctf =
        tools::WriteCtf(std::string(text.begin(), text.end()), packing, args.lzw);
    return WriteFile(args.files[1], ctf.data(), ctf.size()) ? 0 : 1;
}

int Unctf(const Args& args) {
    if (args.files.size() != 2) return Usage();
    TCustTxt text;
    text.SetPath(args.files[0].c_str());
    if (!text.Load() || !text.GetText()) {
        std::fprintf(stderr, "respack: %s is not a readable CTF file\n", args.files[0].c_str());
        return 1;
    }
    bool ok = WriteFile(args.files[1], text.GetText(), static_cast<size_t>(text.TextLength()));
    text.Unload();
    return ok ? 0 : 1;
}

int Sections(const Args& args) {
    if (args.files.size() < 2) return Usage();
    std::vector<tools::TextSection> sections;
    for (size_t i = 1; i < args.files.size(); ++i) {
        const std::string& assignment = args.files[i];
        size_t eq = assignment.find('=');
        if (eq == std::string::npos) return Usage();
        std::vector<uint8_t> body;
        if (!ReadFile(assignment.substr(eq + 1), body)) return 1;
        sections.push_back({assignment.substr(0, eq), std::string(body.begin(), body.end())});
    }
    std::string error;
    std::string text = tools::WriteSections(sections, &error);
    if (text.empty()) {
        std::fprintf(stderr, "respack: %s\n", error.c_str());
        return 1;
    }
    return WriteFile(args.files[0], text.data(), text.size()) ? 0 : 1;
}

} // namespace

namespace tools {

int RunRespack(int argc, char** argv) {
    Args args;
    if (!Parse(argc, argv, args)) return Usage();
    if (args.command == "pack") return Pack(args);
    if (args.command == "unpack") return Unpack(args);
    if (args.command == "ctf") return Ctf(args);
    if (args.command == "unctf") return Unctf(args);
    if (args.command == "sections") return Sections(args);
    std::fprintf(stderr, "respack: no command %s\n", tools::Printable(args.command).c_str());
    return Usage();
}

} // namespace tools
