#include "SaveGameCommands.h"

#include "GameStatics.h"
#include "LuaScript.h"
#include "ScriptParams.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// The save or load in progress, process-wide like the scripts' state.
struct OpenSaveFile {
    platform::ByteWriter* writer = nullptr;
    platform::ByteReader* reader = nullptr;
    bool failed = false;
};
OpenSaveFile current;

int32_t ReadInt() {
    if (!current.reader) return 0;
    const int32_t value = current.reader->S32();
    if (!current.reader->Ok()) current.failed = true;
    return value;
}

// Runs the global `name` of the main state with the file open.
int RunWithFile(const char* name) {
    LuaScript* main = Statics().commands;
    current.failed = false;
    int ran = 0;
    if (main && main->IsOpen()) {
        LuaStateScope scope(main->State());
        lua_beginblock();
        const lua_Object function = lua_getglobal(name);
        if (lua_isfunction(function)) ran = main->Call(function);
        lua_endblock();
    }
    current = OpenSaveFile{nullptr, nullptr, current.failed};
    return ran && !current.failed ? 1 : 0;
}

} // namespace

void SaveGameWriteNumber() {
    const int32_t value = IntParam(1);
    if (current.writer) current.writer->S32(value);
}

void SaveGameReadBool() {
    const int32_t value = ReadInt();
    if (value == 0)
        lua_pushnil();
    else
        lua_pushnumber(value);
}

void SaveGameReadNumber() {
    lua_pushnumber(ReadInt());
}

void SaveGameWriteFloat() {
    const float value = static_cast<float>(NumberParam(1));
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (current.writer) current.writer->U32(bits);
}

void SaveGameReadFloat() {
    uint32_t bits = 0;
    if (current.reader) {
        bits = current.reader->U32();
        if (!current.reader->Ok()) current.failed = true;
    }
    float value;
    std::memcpy(&value, &bits, sizeof value);
    lua_pushnumber(value);
}

void SaveGameWriteString() {
    const char* text = StringParam(1);
    if (!current.writer) return;
    const std::string s = text ? text : "";
    current.writer->S32(static_cast<int32_t>(s.size() + 1));
    current.writer->Text(s);
    current.writer->U8(0);
}

// A length of 0, below, or past the bytes left is a short read; what is
// there is still given, up to its first zero, and never more than the file.
void SaveGameReadString() {
    // Outside a load there is no string to give: nil, as ReadBool gives.
    if (!current.reader) {
        lua_pushnil();
        return;
    }
    const int32_t length = ReadInt();
    platform::ByteReader& in = *current.reader;
    size_t count = 0;
    if (length <= 0 || static_cast<size_t>(length) > in.Remaining()) current.failed = true;
    if (length > 0) count = std::min(static_cast<size_t>(length), in.Remaining());
    const auto* bytes = reinterpret_cast<const char*>(in.Take(count));
    const std::string text = bytes ? std::string(bytes, strnlen(bytes, count)) : std::string();
    lua_pushstring(text.c_str());
}

int ScriptSaveTheGame(platform::ByteWriter& file) {
    current = OpenSaveFile{&file, nullptr, false};
    return RunWithFile("SaveTheGame");
}

int ScriptLoadGame(platform::ByteReader& file) {
    current = OpenSaveFile{nullptr, &file, false};
    return RunWithFile("LoadGame");
}

void ScriptInventoryAddItem(int32_t id) {
    LuaScript* main = Statics().commands;
    if (!main || !main->IsOpen()) return;
    LuaStateScope scope(main->State());
    lua_beginblock();
    const lua_Object function = lua_getglobal("SysInventoryAddItem");
    if (lua_isfunction(function)) {
        lua_pushnumber(id);
        main->Call(function);
    }
    lua_endblock();
}
