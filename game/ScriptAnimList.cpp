#include "ScriptAnimList.h"

#include "FloatToInt.h"

#include <cmath>

lua_Object TableField(lua_Object table, double key) {
    // Indexing anything but a table would raise a script error through the
    // host's stack: only tables are asked.
    if (table == LUA_NOOBJECT || !lua_istable(table)) return LUA_NOOBJECT;
    lua_pushobject(table);
    lua_pushnumber(key);
    return lua_gettable();
}

namespace {
bool Present(lua_Object value) {
    return value != LUA_NOOBJECT && !lua_isnil(value);
}

double Number(lua_Object value) {
    return Present(value) && lua_isnumber(value) ? lua_getnumber(value) : 0.0;
}

int32_t Int(lua_Object value) {
    return DoubleToInt32(Number(value));
}

// 100 / value as the drawing scale. A speed of 0 would draw at an infinite
// size and a negative one mirrored, which the sprite paths do not expect:
// both, and a value that is no number, draw at the frame's own size.
float Scale(lua_Object value) {
    if (!lua_isnumber(value)) return 1.0f;
    const double speed = lua_getnumber(value);
    if (!(speed > 0.0)) return 1.0f;
    const float scale = float(100.0 / speed);
    return std::isfinite(scale) && scale > 0.0f ? scale : 1.0f;
}
} // namespace

void ScriptReadAnimList(lua_Object table, AnimEntry& entry) {
    if (table == LUA_NOOBJECT || !lua_istable(table)) return;
    entry.group = Int(TableField(table, 1));
    const int32_t interval = Int(TableField(table, 2));
    entry.interval = interval < 100 ? 100 : interval;
    entry.pauseMin = Int(TableField(table, 3));
    entry.pauseMax = Int(TableField(table, 4));
    entry.frame = 0;
    if (const lua_Object x = TableField(table, 6); Present(x)) entry.x = Int(x);
    if (const lua_Object y = TableField(table, 7); Present(y)) entry.y = Int(y);
    if (const lua_Object speed = TableField(table, 8); Present(speed)) entry.scale = Scale(speed);
}

ActorAnimRecord EmptyAnimRecord() {
    ActorAnimRecord record;
    for (AnimEntry& entry : record.entries)
        entry.interval = 0;
    return record;
}
