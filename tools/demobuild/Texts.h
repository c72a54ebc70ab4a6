// Sectioned texts as the demo's sources hold them: "[NAME]" lines, each
// followed by its text.
#pragma once

#include "SectionWriter.h"

#include <string>
#include <vector>

namespace demo {

// Splits a source into sections; a text's lines are joined by CR LF and
// blank lines at its end dropped. Lines before the first section are a
// comment. False with a reason on a repeated section name.
bool ParseSections(const std::string& source, std::vector<tools::TextSection>* out,
                   std::string* error);
const tools::TextSection* FindSection(const std::vector<tools::TextSection>& sections,
                                      const std::string& name);
// The text with every line ending made CR LF.
std::string WithCrLf(const std::string& text);
// UTF-8 to Latin-1, the game's texts' and fonts' encoding; false for a
// character outside it.
bool ToLatin1(const std::string& in, std::string* out);

} // namespace demo
