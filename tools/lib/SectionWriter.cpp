#include "SectionWriter.h"

namespace tools {

std::string WriteSections(const std::vector<TextSection>& sections, std::string* error) {
    std::string out;
    for (const TextSection& s : sections) {
        if (s.name.empty() || s.name.find_first_of("[]\r\n") != std::string::npos ||
            s.text.find('[') != std::string::npos) {
            if (error) *error = "section \"" + s.name + "\" cannot be written";
            return {};
        }
        out += "[" + s.name + "]\r\n" + s.text + "\r\n\r\n";
    }
    return out;
}

} // namespace tools
