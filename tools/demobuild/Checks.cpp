// Checks across the written tree: each resource index names only files the
// builder wrote, the two indexes name each other, and the settings the game
// would otherwise silently lose are present.
#include "Builder.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>

namespace demo {

namespace {

using Sections = std::map<std::string, std::map<std::string, std::string>>;

Sections ParseIni(const std::string& text) {
    Sections out;
    std::istringstream in(text);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            out[section];
        } else if (const size_t eq = line.find('='); eq != std::string::npos) {
            out[section][line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return out;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

// A value of the index as a path below the tree, the way the engine joins
// it to the base folder: "\" and "/" alike, ".." climbing, case ignored.
std::string Resolve(const std::string& base, const std::string& value) {
    std::string joined = base + value;
    std::replace(joined.begin(), joined.end(), '\\', '/');
    return Lower(std::filesystem::path(joined).lexically_normal().generic_string());
}

const char* kResourceSections[] = {"Pictures", "Fonts", "Cursors", "Animations",
                                   "Waves",    "Text",  "Data"};
const char* kOptions[] = {"Filtering",  "Shadows",     "Hints",
                          "DialogText", "MusicVolume", "SoundVolume"};

// A key's value; nullopt when the section or the key is missing.
std::optional<std::string> Value(const Sections& ini, const char* section, const char* key) {
    auto s = ini.find(section);
    if (s == ini.end()) return std::nullopt;
    auto k = s->second.find(key);
    if (k == s->second.end()) return std::nullopt;
    return k->second;
}

bool EndsWithBackslash(const std::optional<std::string>& v) {
    return v && !v->empty() && v->back() == '\\';
}

bool CheckIndex(Builder& b, const Asset& self, const Sections& ini,
                const std::set<std::string>& files, const std::string& other) {
    const std::optional<std::string> base = Value(ini, "Main", "Path");
    if (!EndsWithBackslash(base))
        return b.Fail(self, "[Main] Path names the base folder and ends with \\");
    // Save games are found by joining names to this folder as it stands.
    if (!EndsWithBackslash(Value(ini, "Main", "Scores")))
        return b.Fail(self, "[Main] Scores ends with \\");
    if (Value(ini, "Main", "ResourceIni") != other)
        return b.Fail(self, "[Main] ResourceIni names " + other);
    std::vector<std::pair<std::string, std::optional<std::string>>> named = {
        {"config", Value(ini, "Config", "config")}, {"error", Value(ini, "Config", "error")}};
    for (const char* s : kResourceSections)
        if (auto it = ini.find(s); it != ini.end())
            for (const auto& [key, value] : it->second)
                named.push_back({key, value});
    for (const auto& [key, value] : named)
        if (!value || !files.count(Resolve(*base, *value)))
            return b.Fail(self, "key " + key + " names " + value.value_or("nothing") +
                                    ", which the builder did not write");
    return true;
}

} // namespace

bool CheckTree(Builder& b) {
    std::set<std::string> files;
    for (const std::string& f : b.Written())
        files.insert(Lower(f));
    const Asset index{"resource.ini", "check", {}, 0}, german{"resource_de.ini", "check", {}, 0},
        config{"demo.cfg", "check", {}, 0};
    std::string text;
    if (!ReadText(b.OutPath("resource.ini"), &text)) return b.Fail(index, "not written");
    if (!CheckIndex(b, index, ParseIni(text), files, "resource_de.ini")) return false;
    if (!ReadText(b.OutPath("resource_de.ini"), &text)) return b.Fail(german, "not written");
    if (!CheckIndex(b, german, ParseIni(text), files, "resource.ini")) return false;
    if (!ReadText(b.OutPath("demo.cfg"), &text)) return b.Fail(config, "not written");
    const Sections cfg = ParseIni(text);
    // Saving the options rewrites only keys that exist: a missing one would
    // never be kept.
    auto options = cfg.find("Options");
    for (const char* key : kOptions)
        if (options == cfg.end() || !options->second.count(key))
            return b.Fail(config, std::string("[Options] lacks ") + key);
    return true;
}

} // namespace demo
