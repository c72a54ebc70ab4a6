#include "SaveGameLayout.h"

#include "platform/ByteStream.h"

#include <cstdio>
#include <cstring>

namespace {

// Smallest sizes in the dialog block: what a count must leave room for.
constexpr size_t kEntryMin = 4 + 1;     // name length and its zero
constexpr size_t kStatementMin = 2 + 4; // flags and phrase count
constexpr size_t kPhraseSize = 2;       // flags

class Walk {
public:
    Walk(const uint8_t* data, size_t size, std::string* text)
        : data_(data), in_(data, size), text_(text) {}

    SaveGameLayout Run();

private:
    bool Fail(size_t at, const char* problem) {
        layout_.damageAt = at;
        layout_.problem = problem;
        return false;
    }
    // A count read at the current position that leaves room for `each`
    // bytes per item; false (damage noted) otherwise.
    bool Count(int32_t& count, size_t each, const char* what);
    bool Header();
    bool Dialogs();
    bool Entry();
    bool Statement(int32_t index);
    bool Inventory();
    void Script();
    void Line(const std::string& line) {
        if (text_) *text_ += line + "\n";
    }

    const uint8_t* data_;
    platform::ByteReader in_;
    std::string* text_;
    SaveGameLayout layout_;
};

std::string Hex16(uint16_t value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "0x%04X", value);
    return buffer;
}

// A name as text: quoted, with anything unprintable as \xNN.
std::string Quoted(const char* bytes, size_t count) {
    std::string text = "\"";
    for (size_t i = 0; i < count; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
            text += char(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            text += escape;
        }
    }
    return text + "\"";
}

bool Walk::Count(int32_t& count, size_t each, const char* what) {
    const size_t at = in_.Position();
    count = in_.S32();
    if (!in_.Ok()) return Fail(at, what);
    if (count < 0 || size_t(count) > in_.Remaining() / each) return Fail(at, what);
    return true;
}

bool Walk::Header() {
    layout_.version = in_.S32();
    if (!in_.Ok()) return Fail(0, "version");
    Line("version " + std::to_string(layout_.version));
    if (layout_.version != SaveGameLayout::kVersion) {
        layout_.status = SaveGameLayout::Status::WrongVersion;
        return Fail(0, "version 40");
    }
    return true;
}

bool Walk::Dialogs() {
    layout_.dialogsAt = in_.Position();
    int32_t count = 0;
    if (!Count(count, kEntryMin, "dialog count")) return false;
    Line("dialogs " + std::to_string(count));
    for (int32_t i = 0; i < count; ++i)
        if (!Entry()) return false;
    return true;
}

bool Walk::Entry() {
    const size_t at = in_.Position();
    const int32_t length = in_.S32();
    if (!in_.Ok() || length <= 0 || size_t(length) > in_.Remaining())
        return Fail(at, "dialog name length");
    const uint8_t* bytes = in_.Take(size_t(length));
    const void* zero = std::memchr(bytes, 0, size_t(length));
    if (!zero) return Fail(at + 4, "dialog name ending in a zero");
    const auto* name = reinterpret_cast<const char*>(bytes);
    const auto nameSize = size_t(static_cast<const uint8_t*>(zero) - bytes);
    std::string line = "dialog " + Quoted(name, nameSize);
    if (std::string(name, nameSize) == "repeatdialog") {
        Line(line);
        return true;
    }
    const size_t stateAt = in_.Position();
    const uint16_t state = in_.U16();
    if (!in_.Ok()) return Fail(stateAt, "dialog state");
    int32_t statements = 0;
    if (!Count(statements, kStatementMin, "statement count")) return false;
    Line(line + " state " + Hex16(state) + " statements " + std::to_string(statements));
    for (int32_t s = 0; s < statements; ++s)
        if (!Statement(s)) return false;
    return true;
}

bool Walk::Statement(int32_t index) {
    const size_t at = in_.Position();
    const uint16_t flags = in_.U16();
    if (!in_.Ok()) return Fail(at, "statement flags");
    int32_t phrases = 0;
    if (!Count(phrases, kPhraseSize, "phrase count")) return false;
    std::string line = "  statement " + std::to_string(index) + " flags " + Hex16(flags) +
                       " phrases " + std::to_string(phrases);
    if (phrases > 0) line += ":";
    for (int32_t p = 0; p < phrases; ++p)
        line += " " + Hex16(in_.U16());
    Line(line);
    return true;
}

bool Walk::Inventory() {
    layout_.inventoryAt = in_.Position();
    const int32_t count = in_.S32();
    if (!in_.Ok() || count < 0 || count > SaveGameLayout::kMaxSlots)
        return Fail(layout_.inventoryAt, "inventory count 0 to 30");
    Line("inventory " + std::to_string(count));
    for (int32_t i = 0; i < count; ++i) {
        const size_t at = in_.Position();
        const int32_t id = in_.S32();
        if (!in_.Ok()) return Fail(at, "inventory id");
        Line("  slot " + std::to_string(i) + " id " + std::to_string(id));
    }
    return true;
}

void Walk::Script() {
    const size_t size = layout_.flagAt - layout_.scriptAt;
    Line("script " + std::to_string(size) + " bytes");
    for (size_t row = 0; row < size; row += 16) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "  %08zX ", row);
        std::string line = buffer;
        for (size_t i = row; i < size && i < row + 16; ++i) {
            std::snprintf(buffer, sizeof buffer, " %02X", data_[layout_.scriptAt + i]);
            line += buffer;
        }
        Line(line);
    }
}

SaveGameLayout Walk::Run() {
    if (in_.Size() > SaveGameLayout::kMaxSize) {
        Fail(SaveGameLayout::kMaxSize, "end of the file within 16 MiB");
        return layout_;
    }
    if (!Header() || !Dialogs() || !Inventory()) return layout_;
    layout_.scriptAt = in_.Position();
    if (in_.Remaining() < 4) {
        Fail(in_.Size(), "night-vision flag");
        return layout_;
    }
    layout_.flagAt = in_.Size() - 4;
    Script();
    in_.Seek(layout_.flagAt);
    Line("nightvision " + std::to_string(in_.S32()));
    layout_.status = SaveGameLayout::Status::Ok;
    return layout_;
}

} // namespace

SaveGameLayout SaveGameLayout::Examine(const uint8_t* data, size_t size, std::string* text) {
    return Walk(data, size, text).Run();
}
