// What the demo's tests share: the sources, the built tree, the manifest,
// and the run of the scripts on the stand-in commands (demo/check).
#pragma once

#include "ToolProgram.h"

#include "foundation/TSectTxt.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace demotest {

// Joins texts by appending (GCC's bounds warnings misread chains of `+`).
inline std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string out;
    for (std::string_view p : parts)
        out.append(p);
    return out;
}

inline std::string Source(std::string_view relative) {
    return Cat({DEMO_SOURCE, "/", relative});
}
inline std::string Tree(std::string_view relative) {
    return Cat({DEMO_TREE, "/", relative});
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// 64-bit FNV-1a, the manifest's hash.
inline uint64_t Fnv1a64(const std::vector<uint8_t>& bytes) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (uint8_t b : bytes) {
        h ^= b;
        h *= 0x100000001B3ull;
    }
    return h;
}

inline std::vector<std::string> Split(const std::string& line, char by) {
    std::vector<std::string> out;
    std::stringstream s(line);
    for (std::string part; std::getline(s, part, by);)
        out.push_back(part);
    return out;
}

// One line of the check's output: its kind ("CALL", "PHRASE" ...), then the
// fields; strings keep their leading quote, numbers stand as printed.
struct Record {
    std::string kind;
    std::vector<std::string> fields;
};

struct CheckRun {
    int exitCode = -1;
    std::string output;
    std::vector<Record> records;
};

// Runs check/check.lua in a copy of demo/ (or demo/ itself) with the
// stand-alone interpreter.
inline CheckRun RunCheckIn(const std::string& folder) {
    CheckRun r;
    r.exitCode = testsupport::RunTool(
        Cat({"sh -c 'cd \"", folder, "\" && \"", LUA32, "\" check/check.lua'"}), &r.output);
    for (const std::string& line : Split(r.output, '\n')) {
        std::vector<std::string> f = Split(line, '\t');
        if (f.empty()) continue;
        Record rec{f[0], {f.begin() + 1, f.end()}};
        r.records.push_back(rec);
    }
    return r;
}

inline const CheckRun& RunCheck() {
    static const CheckRun run = RunCheckIn(DEMO_SOURCE);
    return run;
}

// The string a field holds ("\"text" -> "text").
inline std::string Text(const std::string& field) {
    return !field.empty() && field[0] == '"' ? field.substr(1) : field;
}

// Whether the text resource of `key` (section Text of the index in use) has
// a non-empty `section`.
inline bool HasSection(const std::string& key, const std::string& section) {
    TSectTxt text(key.c_str());
    if (!text.Load()) return false;
    text.SetSection(section.c_str());
    const bool found = text.GetSection() != nullptr;
    text.Unload();
    return found;
}

} // namespace demotest
