// The interpreter as the game hosts it: a wrapper per state that switches the
// current state before every call, command tables filled from {name, function}
// pairs, parameters read the lenient way (missing ones read as 0 or null),
// end actions kept as locked references, an error hook that lists the stack,
// `include` through a file-open hook that maps Windows-style paths, and the
// tolerant number equality.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include "lua.h"
#include "luadebug.h"
#include "luahost.h"
#include "lualib.h"
}

#include "../LuaRegister.h"
#include "TempDir.h"

namespace {

namespace fs = std::filesystem;

// What the game would show or log, collected instead.
std::vector<std::string> boxes;  // error reports ("Script Error!" boxes)
std::vector<std::string> notes;  // composed texts that never stop a script
std::vector<std::string> traces; // Debug.WriteString
fs::path baseDir;                // the engine's base path

// The error hook: message, two line feeds, one line per active function.
void onError() {
    char report[4016];
    const char* m = lua_getstring(lua_lua2C(1));
    int used = std::snprintf(report, sizeof report, "%s\n\n", m ? m : "");
    for (int level = 0; lua_stackedfunction(level) != LUA_NOOBJECT; level++) {
        lua_Function f = lua_stackedfunction(level);
        char* source = nullptr;
        int defined = 0;
        lua_funcinfo(f, &source, &defined);
        char line[500];
        std::snprintf(line, sizeof line, "Src: %s  Line: %d  ExecLine: %d\n", source, defined,
                      lua_currentline(f));
        if (used < static_cast<int>(sizeof report) - 1)
            used += std::snprintf(report + used, sizeof report - used, "%s", line);
    }
    boxes.emplace_back(report);
}

// Scripts name files as "int\all\scripts\x.scr"; the host maps them below
// the base folder.
FILE* openMapped(const char* name, const char* mode) {
    std::string path(name);
    for (char& c : path)
        if (c == '\\') c = '/';
    return std::fopen(path.c_str(), mode);
}

// The parameter check: a missing parameter is noted with the calling line.
void checkParam(int n) {
    if (lua_lua2C(n) != LUA_NOOBJECT) return;
    int line = lua_currentline(lua_stackedfunction(1));
    if (line == -1) return;
    char text[300];
    std::snprintf(text, sizeof text, "ScriptErr: Missing parameter %d at line %d", n, line);
    notes.emplace_back(text);
}
double number(int n) {
    checkParam(n);
    return lua_getnumber(lua_lua2C(n));
}
int integer(int n) {
    return static_cast<int>(number(n));
}
const char* string(int n) {
    checkParam(n);
    return lua_getstring(lua_lua2C(n));
}
// Optional flags: absent or any non-nil value is true, only nil is false.
bool flag(int n) {
    lua_Object o = lua_lua2C(n);
    return o == LUA_NOOBJECT || !lua_isnil(o);
}

// References: -1 is none; others are locked.
void scriptUnref(int& field) {
    if (field != -1) lua_unref(field);
    field = -1;
}
void scriptRef(int& field, lua_Object o) {
    scriptUnref(field);
    if (o != LUA_NOOBJECT) {
        lua_pushobject(o);
        field = lua_ref(1);
    }
}
void scriptCallRef(int ref) {
    lua_beginblock();
    lua_Object f = lua_getref(ref);
    if (f != LUA_NOOBJECT && lua_isfunction(f)) lua_callfunction(f);
    lua_endblock();
}
void scriptCallRefOnce(int& field) {
    lua_beginblock();
    if (field != -1) {
        lua_pushobject(lua_getref(field));
        int temp = lua_ref(1);
        scriptUnref(field);
        scriptCallRef(temp);
        lua_unref(temp);
    }
    lua_endblock();
}

// A slice of the world the commands act on.
struct Actor {
    double x = 0, y = 0, z = 0;
    int walkEnd = -1;
};
Actor hero, guard;
double camera[3];
int skyImage = 99;
bool skyVisible = true;
std::vector<std::string> sounds;
double anim[8];

void walkTo() {
    auto* a = static_cast<Actor*>(lua_getuserdata(lua_lua2C(1)));
    double x = number(2), y = number(3), z = number(4);
    if (a == nullptr) return;
    a->x = x, a->y = y, a->z = z;
    scriptRef(a->walkEnd, lua_lua2C(5));
    if (x < 0) scriptCallRefOnce(a->walkEnd); // no route: the end action runs at once
}
void getActor() {
    const char* name = string(1);
    if (name == nullptr) return lua_pushnil();
    lua_pushusertag(std::strcmp(name, "hero") == 0 ? &hero : &guard, 0);
}
void setObjectAnim() {
    checkParam(2);
    lua_Object t = lua_lua2C(2);
    if (!lua_istable(t)) return;
    for (int i = 1; i <= 8; i++) {
        lua_pushobject(t);
        lua_pushnumber(i);
        anim[i - 1] = lua_getnumber(lua_gettable());
    }
}
void setPosition() {
    for (int i = 0; i < 3; i++)
        camera[i] = number(i + 1);
}
void getCost() {
    double x1 = number(1), x2 = number(4);
    if (x1 == x2) return lua_pushnil();
    lua_pushnumber(std::fabs(x2 - x1));
}
void setImage() {
    int i = integer(1);
    skyVisible = i >= 0;
    if (i >= 0) skyImage = i;
}
void playSound() {
    const char* name = string(1);
    sounds.push_back(std::string(name ? name : "(null)") + (flag(2) ? " loop" : " once"));
}
void writeString() {
    const char* s = string(1);
    traces.emplace_back(s ? s : "(null)");
}
void empty() {}

// include(name): runs base + "int\all\scripts\" + name in the calling state.
void include() {
    const char* name = string(1);
    std::string path = baseDir.string() + "/int\\all\\scripts\\" + (name ? name : "");
    if (lua_dofile(path.c_str()) != 0) notes.push_back("Missing Scriptfile: " + path);
}

struct Pair {
    const char* name;
    lua_CFunction f;
};

// One interpreter state; every operation makes it current first.
class LuaScript {
public:
    LuaScript() {
        lua_state = nullptr;
        lua_open();
        lua_iolibopen();
        lua_strlibopen();
        lua_setdebug(1);
        state_ = lua_state;
        registerGlobal(onError, "_ERRORMESSAGE");
        registerGlobal(onError, "Error");
    }
    ~LuaScript() { close(); }
    void close() {
        if (state_ == nullptr) return;
        use();
        lua_close();
        lua_state = nullptr;
        state_ = nullptr;
    }
    void use() const { lua_state = state_; }
    bool runFile(const std::string& path) const { return use(), lua_dofile(path.c_str()) == 0; }
    bool runString(const char* text) const { return use(), lua_dostring(text) == 0; }
    void registerGlobal(lua_CFunction f, const char* name) const {
        use();
        luaRegisterGlobal(name, f);
    }
    void registerTableFunction(const char* table, lua_CFunction f, const char* name) const {
        use();
        luaRegisterIn(table, name, f);
    }
    void registerTable(const char* table, const Pair* pairs) const {
        for (; pairs->name != nullptr && pairs->f != nullptr; pairs++)
            registerTableFunction(table, pairs->f, pairs->name);
    }
    // Game.<name>(args...) when the function exists; the first result or nil.
    std::string callGameEvent(const char* name, const std::vector<int>& refs) const {
        use();
        lua_beginblock();
        std::string result = "(not called)";
        lua_Object game = lua_getglobal("Game");
        if (lua_istable(game)) {
            lua_pushobject(game);
            lua_pushstring(name);
            lua_Object f = lua_gettable();
            if (lua_isfunction(f)) {
                for (int r : refs)
                    lua_pushobject(lua_getref(r));
                if (lua_callfunction(f) != 0) {
                    result = "(failed)";
                } else {
                    const char* s = lua_getstring(lua_lua2C(1));
                    result = s ? s : "nil";
                }
            }
        }
        lua_endblock();
        return result;
    }
    std::string global(const char* name) const {
        use();
        lua_beginblock();
        lua_Object o = lua_getglobal(name);
        const char* s = lua_getstring(o);
        std::string r = lua_isnil(o) ? "nil" : s ? s : "?";
        lua_endblock();
        return r;
    }
    void setTableNumber(lua_Object table, const char* key, int value) const {
        if (table == LUA_NOOBJECT || key == nullptr) return;
        lua_pushobject(table);
        lua_pushstring(key);
        lua_pushnumber(value);
        lua_settable();
    }

private:
    lua_State* state_ = nullptr;
};

const Pair engineCommands[] = {
    {"ActorWalkTo", walkTo}, {"GetActor", getActor}, {"SetObjectAnim", setObjectAnim},
    {"ShowTaskbar", empty},  {nullptr, nullptr},     {"NeverRegistered", empty}};
const Pair cameraCommands[] = {{"SetPosition", setPosition}, {nullptr, nullptr}};
const Pair pathCommands[] = {{"GetCost", getCost}, {"Reset", empty}, {nullptr, nullptr}};
const Pair skyCommands[] = {{"SetImage", setImage}, {nullptr, nullptr}};
const Pair soundCommands[] = {{"Play", playSound}, {"Stop", empty}, {nullptr, nullptr}};
const Pair musicCommands[] = {{"Play", playSound}, {"Stop", empty}, {nullptr, nullptr}};
const Pair cursorCommands[] = {{"Create", empty}, {nullptr, nullptr}};
const Pair dialogCommands[] = {{"Done", empty}, {nullptr, nullptr}};

class GameHost : public ::testing::Test {
protected:
    void SetUp() override {
        boxes.clear();
        notes.clear();
        traces.clear();
        sounds.clear();
        hero = Actor{};
        guard = Actor{};
        previousHook = lua_setfileopenhook(openMapped);
        // a folder of this run's own: the same test may run at the same
        // time from another build
        temp = std::make_unique<testsupport::TempDir>();
        baseDir = temp->Path();
        fs::create_directories(baseDir / "int" / "all" / "scripts" / "init");
    }
    void TearDown() override {
        lua_setfileopenhook(previousHook);
        temp.reset();
    }
    static void writeScript(const std::string& rel, const std::string& text) {
        std::ofstream(baseDir / "int" / "all" / "scripts" / rel) << text;
    }
    static void registerCommands(const LuaScript& s) {
        s.registerTableFunction("Debug", writeString, "WriteString");
        s.registerTableFunction("Engine", writeString, "GetDialogText");
        s.registerGlobal(empty, "SnapLayers");
        s.registerTable("Engine", engineCommands);
        s.registerTable("Dialog", dialogCommands);
        s.registerTable("Camera", cameraCommands);
        s.registerTable("Path", pathCommands);
        s.registerTable("Sky", skyCommands);
        s.registerTable("Sound", soundCommands);
        s.registerTable("Music", musicCommands);
        s.registerTable("Cursor", cursorCommands);
        s.registerGlobal(include, "include");
    }
    lua_FileOpenHook previousHook = nullptr;
    std::unique_ptr<testsupport::TempDir> temp;
};

} // namespace

TEST_F(GameHost, CommandTablesHoldTheirPairsAndScriptAdditions) {
    LuaScript main;
    registerCommands(main);
    ASSERT_TRUE(main.runString("function Engine.Mine() return 7 end\n"
                               "Engine.ShowTaskbar(1, 'x', {}) SnapLayers(nil)\n"
                               "r = Engine.Mine() + tag(Sound) * 0\n"
                               "never = Engine.NeverRegistered\n"
                               "kinds = type(Camera.SetPosition) .. type(Cursor.Create)"));
    EXPECT_EQ("7", main.global("r"));
    EXPECT_EQ("nil", main.global("never"));
    EXPECT_EQ("functionfunction", main.global("kinds"));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(GameHost, ParametersOfEachKindAndMissingOnes) {
    LuaScript main;
    registerCommands(main);
    ASSERT_TRUE(main.runString("Camera.SetPosition('12.5', 3)\n"
                               "Sky.SetImage(-0.5) Sky.SetImage(2.9)\n"
                               "Debug.WriteString(12) Debug.WriteString({}) Debug.WriteString()\n"
                               "Sound.Play('a') Sound.Play('b', nil) Sound.Play('c', 0)\n"
                               "Engine.SetObjectAnim(nil, {5, 50, 1, 2, 9, '6', 7})\n"
                               "cost = Path.GetCost(1, 0, 0, 4, 0, 0)\n"
                               "none = Path.GetCost(1, 0, 0, 1, 0, 0)"));
    EXPECT_EQ(12.5, camera[0]);
    EXPECT_EQ(3, camera[1]);
    EXPECT_EQ(0, camera[2]); // missing: 0, and noted with its line
    EXPECT_EQ(2, skyImage);  // -0.5 truncates to 0, which shows the sky
    EXPECT_TRUE(skyVisible);
    EXPECT_EQ((std::vector<std::string>{"12", "(null)", "(null)"}), traces);
    EXPECT_EQ((std::vector<std::string>{"a loop", "b once", "c loop"}), sounds);
    const double expected[8] = {5, 50, 1, 2, 9, 6, 7, 0};
    for (int i = 0; i < 8; i++)
        EXPECT_EQ(expected[i], anim[i]) << i;
    EXPECT_EQ("3", main.global("cost"));
    EXPECT_EQ("nil", main.global("none"));
    EXPECT_EQ((std::vector<std::string>{"ScriptErr: Missing parameter 3 at line 1",
                                        "ScriptErr: Missing parameter 1 at line 3"}),
              notes);
    ASSERT_TRUE(main.runString("Sky.SetImage(-1.5)"));
    EXPECT_FALSE(skyVisible);
}

TEST_F(GameHost, ActorsAreUserdataWithTagZero) {
    LuaScript main;
    registerCommands(main);
    ASSERT_TRUE(main.runString("a = Engine.GetActor('hero') b = Engine.GetActor('hero')\n"
                               "c = Engine.GetActor('guard')\n"
                               "same = a == b other = a ~= c t = {} t[a] = 1 found = t[b]\n"
                               "kind = type(a) .. tag(a)"));
    EXPECT_EQ("1", main.global("same"));
    EXPECT_EQ("1", main.global("other"));
    EXPECT_EQ("1", main.global("found"));
    EXPECT_EQ("userdata0", main.global("kind"));
}

TEST_F(GameHost, EndActionsSurviveCollectionAndRunOnce) {
    LuaScript main;
    registerCommands(main);
    ASSERT_TRUE(main.runString("arrived = 0 hero = Engine.GetActor('hero')\n"
                               "Engine.ActorWalkTo(hero, 1, 2, 3, function()\n"
                               "  arrived = arrived + 1\n"
                               "  local t = {} t.big = strrep('x', 10000)\n"
                               "end)"));
    ASSERT_NE(-1, hero.walkEnd);
    for (int i = 0; i < 3; i++) {
        ASSERT_TRUE(main.runString("for_garbage = {} i = 0 while i < 500 do "
                                   "for_garbage[i] = {i} i = i + 1 end for_garbage = nil"));
        lua_collectgarbage(0);
    }
    scriptCallRef(hero.walkEnd); // the reference stays
    EXPECT_EQ("1", main.global("arrived"));
    scriptCallRefOnce(hero.walkEnd);
    scriptCallRefOnce(hero.walkEnd);
    EXPECT_EQ("2", main.global("arrived"));
    EXPECT_EQ(-1, hero.walkEnd);
    EXPECT_TRUE(boxes.empty());

    // A released reference calls nothing, even after collections reuse memory.
    ASSERT_TRUE(main.runString("Engine.ActorWalkTo(hero, 0, 0, 0, function() arrived = 99 end)"));
    int old = hero.walkEnd;
    scriptUnref(hero.walkEnd);
    lua_collectgarbage(0);
    EXPECT_EQ(LUA_NOOBJECT, lua_getref(old));
    scriptCallRef(old);
    scriptCallRefOnce(hero.walkEnd);
    EXPECT_EQ("2", main.global("arrived"));
}

TEST_F(GameHost, GameEventsAreCalledWithTheirElements) {
    LuaScript main;
    registerCommands(main);
    ASSERT_TRUE(
        main.runString("Game = {}\n"
                       "function Game.DoUseItem(e, item) return e.name .. '+' .. item.name end\n"
                       "function Game.DoTickAction() ticks = (ticks or 0) + 1 end\n"
                       "door = {name = 'door'} key = {name = 'key'}"));
    lua_beginblock();
    int door = -1, key = -1;
    scriptRef(door, lua_getglobal("door"));
    scriptRef(key, lua_getglobal("key"));
    lua_endblock();
    ASSERT_TRUE(main.runString("door = nil key = nil"));
    lua_collectgarbage(0);
    EXPECT_EQ("door+key", main.callGameEvent("DoUseItem", {door, key}));
    EXPECT_EQ("(not called)", main.callGameEvent("DoExamine", {door}));
    EXPECT_EQ("nil", main.callGameEvent("DoTickAction", {}));
    EXPECT_EQ("nil", main.callGameEvent("DoTickAction", {}));
    EXPECT_EQ("2", main.global("ticks"));

    // The animation fields written into an element's table.
    lua_beginblock();
    main.setTableNumber(lua_getref(door), "AnimMode", 2);
    main.setTableNumber(LUA_NOOBJECT, "AnimMode", 3);
    lua_endblock();
    ASSERT_TRUE(main.runString("function Game.DoAction(e) return e.AnimMode end"));
    EXPECT_EQ("2", main.callGameEvent("DoAction", {door}));
    scriptUnref(door);
    scriptUnref(key);
}

TEST_F(GameHost, ErrorReportsListTheStackAndRunsReturnFailure) {
    LuaScript main;
    registerCommands(main);
    writeScript("main.scr", "function inner(t)\n"
                            "  return t.x.y\n"
                            "end\n"
                            "function main()\n"
                            "  inner({})\n"
                            "end\n");
    std::string path = (baseDir / "int\\all\\scripts\\main.scr").string();
    ASSERT_TRUE(main.runFile(path));
    lua_beginblock();
    EXPECT_NE(0, lua_callfunction(lua_getglobal("main")));
    lua_endblock();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("indexed expression not a table\n\n"
              "Src: (C)  Line: -1  ExecLine: -1\n"
              "Src: @" +
                  path +
                  "  Line: 1  ExecLine: 2\n"
                  "Src: @" +
                  path + "  Line: 4  ExecLine: 5\n",
              boxes[0]);

    // A failing event leaves the host able to go on.
    ASSERT_TRUE(main.runString("Game = {} function Game.DoRoomAction() Error('in room') end"));
    EXPECT_EQ("nil", main.callGameEvent("DoRoomAction", {}));
    EXPECT_EQ(0u, boxes[1].find("in room\n\nSrc: (C)  Line: -1  ExecLine: -1\n"));
    ASSERT_TRUE(main.runString("function Game.DoRoomExamine() error('bad') end"));
    EXPECT_EQ("(failed)", main.callGameEvent("DoRoomExamine", {}));
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ(0u, boxes[2].find("bad\n\nSrc: (C)  Line: -1  ExecLine: -1\n"
                                "Src: (C)  Line: -1  ExecLine: -1\nSrc: function Game"));

    // Syntax errors: no function is active but the hook itself.
    EXPECT_FALSE(main.runString("x = = 1"));
    ASSERT_EQ(4u, boxes.size());
    EXPECT_EQ(boxes[3].find("Src:"), boxes[3].rfind("Src:"));

    // An error while no call is active is reported and does not end the game.
    lua_beginblock();
    lua_pushnumber(1);
    lua_pushstring("x");
    EXPECT_EQ(LUA_NOOBJECT, lua_gettable());
    lua_endblock();
    ASSERT_EQ(5u, boxes.size());
    EXPECT_EQ(0u, boxes[4].find("indexed expression not a table\n\n"));
    EXPECT_TRUE(main.runString("still = 1"));
    EXPECT_EQ("1", main.global("still"));
}

TEST_F(GameHost, RunawayScriptsEndInErrors) {
    LuaScript main;
    EXPECT_FALSE(main.runString("function f(n) return f(n + 1) + 1 end f(1)"));
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(0u, boxes.back().find("stack size overflow"));
    boxes.clear();
    EXPECT_TRUE(main.runString("ok = 1"));
    EXPECT_EQ("1", main.global("ok"));
}

TEST_F(GameHost, IncludeRunsInTheCallingStateAndMissingFilesGoOn) {
    writeScript("init/dialogs.scr", "include('dlg\\\\common.scr')\n"
                                    "include('nothere.scr')\n"
                                    "after = common + 1\n");
    fs::create_directories(baseDir / "int" / "all" / "scripts" / "dlg");
    writeScript("dlg/common.scr", "common = 41\n");
    writeScript("main.scr", "include('init\\\\helper.scr')\n"
                            "function main() return helper * 2 end\n");
    writeScript("init/helper.scr", "helper = 21\n");

    LuaScript main;
    registerCommands(main);
    ASSERT_TRUE(main.runFile(baseDir.string() + "/int\\all\\scripts\\main.scr"));
    {
        LuaScript dialogs;
        dialogs.registerGlobal(include, "include");
        ASSERT_TRUE(dialogs.runFile(baseDir.string() + "/int\\all\\scripts\\init\\dialogs.scr"));
        EXPECT_EQ("42", dialogs.global("after"));
        EXPECT_EQ("nil", dialogs.global("helper"));
    } // closed, as after the dialog script
    EXPECT_EQ("nil", main.global("common"));
    main.use();
    lua_beginblock();
    ASSERT_EQ(0, lua_callfunction(lua_getglobal("main")));
    EXPECT_EQ(42, lua_getnumber(lua_lua2C(1)));
    lua_endblock();
    ASSERT_EQ(1u, notes.size());
    EXPECT_EQ("Missing Scriptfile: " + baseDir.string() + "/int\\all\\scripts\\nothere.scr",
              notes[0]);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(GameHost, TwoStatesKeepTheirReferencesApart) {
    LuaScript a;
    LuaScript b;
    ASSERT_TRUE(a.runString("v = 'from a' function f() return v end"));
    ASSERT_TRUE(b.runString("v = 'from b' function f() return v end"));
    a.use();
    lua_beginblock();
    int ra = -1;
    scriptRef(ra, lua_getglobal("f"));
    lua_endblock();
    b.use();
    lua_beginblock();
    int rb = -1;
    scriptRef(rb, lua_getglobal("f"));
    lua_endblock();
    for (const auto* s : {&a, &b}) {
        s->use();
        lua_collectgarbage(0);
    }
    a.use();
    lua_beginblock();
    ASSERT_EQ(0, lua_callfunction(lua_getref(ra)));
    EXPECT_STREQ("from a", lua_getstring(lua_lua2C(1)));
    lua_endblock();
    b.use();
    lua_beginblock();
    ASSERT_EQ(0, lua_callfunction(lua_getref(rb)));
    EXPECT_STREQ("from b", lua_getstring(lua_lua2C(1)));
    lua_endblock();
    a.use();
    scriptUnref(ra);
    // b still holds its reference: it dies with the state, as the main state's do with the world.
}

// Script positions compared with a tolerance of 0.00001.
TEST_F(GameHost, NumberEqualityNearTheTolerance) {
    LuaScript main;
    const struct {
        const char* expr;
        bool truth;
    } cases[] = {
        {"0 == 0.0000099", true},
        {"0 == 0.00001", false},
        {"-0 == 0", true},
        {"-5 == -5.000009", true},
        {"-5 ~= -5.00002", true},
        {"-1 == 1", false},
        {"100000 == 100000.000001", true},
        {"1e15 == 1e15 + 0.125", false},
        {"1e300 == 1e300", true},
        {"1/0 == 1/0", true},
        {"-1/0 == 1/0", false},
        {"-0.000004 == 0.000004", true},
        {"2.5 >= 2.500001", false},
    };
    for (const auto& c : cases) {
        std::string chunk = std::string("r = ") + c.expr;
        ASSERT_TRUE(main.runString(chunk.c_str())) << c.expr;
        EXPECT_EQ(c.truth, main.global("r") != "nil") << c.expr;
    }
    // A loop that steps by tenths ends where the script writer expects.
    ASSERT_TRUE(
        main.runString("x = 0 n = 0 while x ~= 1 and n < 100 do x = x + 0.1 n = n + 1 end"));
    EXPECT_EQ("10", main.global("n"));
}

TEST_F(GameHost, NearEqualNumbersAsKeys) {
    LuaScript main;
    ASSERT_TRUE(main.runString("t = {}\n"
                               "t[-1] = 'm' m = t[-1.000003]\n"
                               "t[0.000002] = 'z' z = t[-0.000002] z0 = t[0]\n"
                               "t[123456.5] = 'l' l = t[123456.500001]\n"
                               "t[-7.25] = 'n' t[-7.250001] = 'n2' n = t[-7.25]\n"
                               "count = 0 k = next(t, nil) while k do count = count + 1 "
                               "k = next(t, k) end\n"
                               "h = {} h[1e20] = 'big' big = h[1e20] h[-1e300] = 'neg' "
                               "neg = h[-1e300] h[1/0] = 'inf' inf = h[1/0]"));
    EXPECT_EQ("m", main.global("m"));
    EXPECT_EQ("z", main.global("z"));
    EXPECT_EQ("z", main.global("z0"));
    EXPECT_EQ("l", main.global("l"));
    EXPECT_EQ("n2", main.global("n"));
    EXPECT_EQ("4", main.global("count"));
    EXPECT_EQ("big", main.global("big"));
    EXPECT_EQ("neg", main.global("neg"));
    EXPECT_EQ("inf", main.global("inf"));

    // Through the C interface, as commands read table fields.
    main.use();
    lua_beginblock();
    lua_Object t = lua_createtable();
    for (int i = 1; i <= 8; i++) {
        lua_pushobject(t);
        lua_pushnumber(i + 0.000004);
        lua_pushnumber(i * 10);
        lua_settable();
    }
    for (int i = 1; i <= 8; i++) {
        lua_pushobject(t);
        lua_pushnumber(i);
        EXPECT_EQ(i * 10, lua_getnumber(lua_gettable())) << i;
    }
    lua_endblock();
}

TEST_F(GameHost, EndActionsCalledFromInsideACommand) {
    LuaScript main;
    registerCommands(main);
    ASSERT_TRUE(main.runString(
        "log = '' hero = Engine.GetActor('hero')\n"
        "Engine.ActorWalkTo(hero, -1, 0, 0, function()\n"
        "  log = log .. 'a'\n"
        "  Engine.ActorWalkTo(hero, -1, 0, 0, function() log = log .. 'b' end)\n"
        "end)\n"
        "log = log .. 'c'\n"
        "Engine.ActorWalkTo(hero, -1, 0, 0, function() log = log .. 'd' error('e') end)\n"
        "Engine.ActorWalkTo(hero, 1, 0, 0, function() log = log .. 'g' end)\n"
        "log = log .. 'f'\n"));
    EXPECT_EQ("abcdf", main.global("log"));
    ASSERT_EQ(1u, boxes.size());
    // the hook, error, the end action, the command, the chunk
    size_t lines = 0;
    for (size_t at = boxes[0].find("Src:"); at != std::string::npos;
         at = boxes[0].find("Src:", at + 1))
        lines++;
    EXPECT_EQ(0u, boxes[0].find("e\n\n"));
    EXPECT_EQ(5u, lines);
    EXPECT_NE(std::string::npos, boxes[0].find("Line: 7  ExecLine: 7\n"));
    ASSERT_NE(-1, hero.walkEnd);
    scriptCallRefOnce(hero.walkEnd);
    EXPECT_EQ("abcdfg", main.global("log"));
}

TEST_F(GameHost, ScriptsWithWindowsLineEnds) {
    writeScript(
        "crlf.scr",
        "a = 'x\\\r\ny' .. [[\r\nz]]\r\nfunction f()\r\n  Error('crlf')\r\nend\r\n\r\nf()\r\n");
    LuaScript main;
    std::string path = baseDir.string() + "/int\\all\\scripts\\crlf.scr";
    ASSERT_TRUE(main.runFile(path));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("crlf\n\nSrc: (C)  Line: -1  ExecLine: -1\n"
              "Src: @" +
                  path +
                  "  Line: 4  ExecLine: 5\n"
                  "Src: @" +
                  path + "  Line: 0  ExecLine: 8\n",
              boxes[0]);
    EXPECT_EQ("x\ny\nz", main.global("a")); // a CR LF in a string is one line feed
}

TEST_F(GameHost, EndActionsThatRecurseThroughCommandsEndInAnError) {
    LuaScript main;
    registerCommands(main);
    EXPECT_TRUE(
        main.runString("n = 0 hero = Engine.GetActor('hero')\n"
                       "function again() n = n + 1 Engine.ActorWalkTo(hero, -1, 0, 0, again) end\n"
                       "again()"));
    // The innermost call fails; every outer end action returns normally.
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].find("stack size overflow\n\n"));
    EXPECT_GE(std::stoi(main.global("n")), 50);
    EXPECT_EQ(-1, hero.walkEnd);
    ASSERT_TRUE(main.runString("after = 1"));
    EXPECT_EQ("1", main.global("after"));
}
