// The demo's asset list (demo/assets.ini): one line per file of the tree,
//   PATH = GENERATOR key=value key=value ...
// with "[Section]" lines for grouping and ";" starting a comment.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace demo {

struct Asset {
    std::string path; // below the tree, with "/"
    std::string generator;
    std::map<std::string, std::string> params;
    int line = 0;

    // A parameter, or `fallback` when the line has none.
    std::string Get(const std::string& key, const std::string& fallback = "") const;
    // A whole number; `ok` turns false (and stays so) when it is not one.
    int Int(const std::string& key, int fallback, bool* ok) const;
};

// Parses the list; false with a reason naming the line on a malformed one.
bool ParseAssets(const std::string& text, std::vector<Asset>* out, std::string* error);

// Reads a whole file; false when it cannot be read.
bool ReadText(const std::string& path, std::string* out);

} // namespace demo
