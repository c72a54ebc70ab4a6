// The copy and text generators: files taken as they stand, and sectioned
// texts packed into CTF resources.
#include "Texts.h"

#include "Builder.h"
#include "CtfWriter.h"

#include <sstream>

namespace demo {

namespace {

std::string DropTrailingBlankLines(std::string text) {
    while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.resize(text.size() - 2);
    return text;
}

// Error texts are found by number, from "0" up to the first gap: a gap would
// silently cut every later text off.
bool CheckNumbered(const std::vector<tools::TextSection>& sections, std::string* error) {
    for (size_t i = 0; i < sections.size(); ++i)
        if (sections[i].name != std::to_string(i) || sections[i].text.empty()) {
            *error = "error texts must run \"0\", \"1\" ... without a gap or an empty text; "
                     "found \"" +
                     sections[i].name + "\" at position " + std::to_string(i);
            return false;
        }
    return !sections.empty();
}

} // namespace

// The sources are UTF-8; the game's texts and fonts are Latin-1.
bool ToLatin1(const std::string& in, std::string* out) {
    out->clear();
    for (size_t i = 0; i < in.size(); ++i) {
        const uint8_t c = uint8_t(in[i]);
        if (c < 0x80) {
            *out += char(c);
        } else if ((c == 0xC2 || c == 0xC3) && i + 1 < in.size() &&
                   (uint8_t(in[i + 1]) & 0xC0) == 0x80) {
            *out += char(((c & 0x1F) << 6) | (uint8_t(in[++i]) & 0x3F));
        } else {
            return false;
        }
    }
    return true;
}

namespace {

bool PackingOf(const std::string& name, tools::CtfPacking* out) {
    if (name == "stored")
        *out = tools::CtfPacking::Stored;
    else if (name == "lzw")
        *out = tools::CtfPacking::Lzw;
    else if (name == "lzw16")
        *out = tools::CtfPacking::Lzw16;
    else
        return false;
    return true;
}

} // namespace

std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') continue;
        if (text[i] == '\n') out += '\r';
        out += text[i];
    }
    return out;
}

bool ParseSections(const std::string& source, std::vector<tools::TextSection>* out,
                   std::string* error) {
    std::istringstream in(source);
    std::string line;
    tools::TextSection* current = nullptr;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string name = line.substr(1, line.size() - 2);
            if (FindSection(*out, name)) {
                *error = "section [" + name + "] appears twice";
                return false;
            }
            out->push_back({name, ""});
            current = &out->back();
            continue;
        }
        if (!current) continue;
        if (!current->text.empty() || !line.empty())
            current->text += (current->text.empty() ? "" : "\r\n") + line;
    }
    for (tools::TextSection& s : *out)
        s.text = DropTrailingBlankLines(s.text);
    return true;
}

const tools::TextSection* FindSection(const std::vector<tools::TextSection>& sections,
                                      const std::string& name) {
    for (const tools::TextSection& s : sections)
        if (s.name == name) return &s;
    return nullptr;
}

bool GenerateCopy(Builder& b, const Asset& a) {
    std::string text;
    if (!b.ReadSource(a, a.Get("src"), &text)) return false;
    return b.Emit(a, a.Get("crlf") == "1" ? WithCrLf(text) : text);
}

bool GenerateText(Builder& b, const Asset& a) {
    std::string utf8, source, error;
    if (!b.ReadSource(a, a.Get("src"), &utf8)) return false;
    if (!ToLatin1(utf8, &source))
        return b.Fail(a, a.Get("src") + " holds a character outside Latin-1");
    std::vector<tools::TextSection> sections;
    if (!ParseSections(source, &sections, &error)) return b.Fail(a, error);
    if (sections.empty()) return b.Fail(a, "no sections in " + a.Get("src"));
    if (a.Get("numbered") == "1" && !CheckNumbered(sections, &error)) return b.Fail(a, error);
    tools::CtfPacking packing;
    if (!PackingOf(a.Get("pack", "stored"), &packing))
        return b.Fail(a, "pack is stored, lzw or lzw16");
    const std::string text = tools::WriteSections(sections, &error);
    if (text.empty()) return b.Fail(a, error);
    return b.Emit(a, tools::WriteCtf(text, packing));
}

} // namespace demo
