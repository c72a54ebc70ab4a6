// Writes save games field by field, sound or hostile: each call appends its
// field as the game stores it, so a test states a file as a list of fields
// and breaks it where it likes (a count the entries do not follow, a name
// without its zero, a file cut short).
#pragma once

#include "platform/ByteStream.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class SaveFileWriter {
public:
    // A statement of a dialog: its flags and its phrases' flags.
    using Statement = std::pair<uint16_t, std::vector<uint16_t>>;

    SaveFileWriter() = default;
    // The field writer points into this object's bytes.
    SaveFileWriter(const SaveFileWriter&) = delete;
    SaveFileWriter& operator=(const SaveFileWriter&) = delete;

    SaveFileWriter& Int(int32_t value) {
        out_.S32(value);
        return *this;
    }
    SaveFileWriter& Raw(const std::string& bytes) {
        out_.Text(bytes);
        return *this;
    }
    SaveFileWriter& Version(int32_t value = 40) { return Int(value); }
    SaveFileWriter& DialogCount(int32_t count) { return Int(count); }
    // A name field: its length with the zero, the bytes, the zero.
    SaveFileWriter& Name(const std::string& name) {
        out_.S32(int32_t(name.size() + 1));
        out_.Text(name);
        out_.U8(0);
        return *this;
    }
    SaveFileWriter& Dialog(const std::string& name, uint16_t state,
                           const std::vector<Statement>& statements) {
        Name(name);
        out_.U16(state);
        out_.S32(int32_t(statements.size()));
        for (const auto& [flags, phrases] : statements) {
            out_.U16(flags);
            out_.S32(int32_t(phrases.size()));
            for (uint16_t phrase : phrases)
                out_.U16(phrase);
        }
        return *this;
    }
    // The thirty slots: `ids` first, -1 for the rest.
    SaveFileWriter& Inventory(const std::vector<int32_t>& ids = {}) {
        out_.S32(30);
        for (size_t i = 0; i < 30; ++i)
            out_.S32(i < ids.size() ? ids[i] : -1);
        return *this;
    }
    // The script block's encodings of SaveGame.WriteNumber and WriteString.
    SaveFileWriter& Number(int32_t value) { return Int(value); }
    SaveFileWriter& String(const std::string& text) { return Name(text); }
    SaveFileWriter& Flag(int32_t value) { return Int(value); }

    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    std::string Text() const { return {bytes_.begin(), bytes_.end()}; }

private:
    std::vector<uint8_t> bytes_;
    platform::ByteWriter out_{bytes_};
};

} // namespace testsupport
