#include "AssetList.h"

#include "CommandLine.h"

#include <fstream>
#include <sstream>

namespace demo {

namespace {

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

} // namespace

std::string Asset::Get(const std::string& key, const std::string& fallback) const {
    auto it = params.find(key);
    return it == params.end() ? fallback : it->second;
}

int Asset::Int(const std::string& key, int fallback, bool* ok) const {
    auto it = params.find(key);
    if (it == params.end()) return fallback;
    int32_t value = 0;
    if (!tools::ParseNumber(it->second, int32_t(-1000000), int32_t(1000000), &value)) {
        *ok = false;
        return fallback;
    }
    return value;
}

bool ParseAssets(const std::string& text, std::vector<Asset>* out, std::string* error) {
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        const std::string line = Trim(raw.substr(0, raw.find(';')));
        if (line.empty() || line[0] == '[') continue;
        const size_t eq = line.find('=');
        std::istringstream words(eq == std::string::npos ? "" : line.substr(eq + 1));
        Asset a;
        a.line = number;
        a.path = Trim(line.substr(0, eq == std::string::npos ? 0 : eq));
        words >> a.generator;
        for (std::string word; words >> word;) {
            const size_t at = word.find('=');
            if (at == std::string::npos || at == 0) {
                *error = "line " + std::to_string(number) + ": \"" + word + "\" is not key=value";
                return false;
            }
            a.params[word.substr(0, at)] = word.substr(at + 1);
        }
        if (a.path.empty() || a.generator.empty()) {
            *error = "line " + std::to_string(number) + ": expected PATH = GENERATOR ...";
            return false;
        }
        out->push_back(a);
    }
    return true;
}

bool ReadText(const std::string& path, std::string* out) {
    std::ifstream f(path, std::ios::binary);
    if (!f) return false;
    std::ostringstream s;
    s << f.rdbuf();
    *out = s.str();
    return true;
}

} // namespace demo
