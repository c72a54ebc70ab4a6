// Writer of sectioned texts: each section a "[name]" line followed by its
// text, with CR LF line ends, as TSectTxt reads them.
#pragma once

#include <string>
#include <vector>

namespace tools {

struct TextSection {
    std::string name;
    std::string text;
};

// Fails (empty result, `error` set) when a name or text holds a character
// that would end the section early: '[' in a text, ']' or a line end in a
// name.
std::string WriteSections(const std::vector<TextSection>& sections, std::string* error = nullptr);

} // namespace tools
