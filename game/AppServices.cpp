#include "AppServices.h"
#include "PlayerOptions.h"

#include "GameApp.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "LuaScript.h"
#include "ScriptEvents.h"
#include "ScriptRefs.h"

#include "foundation/TSectTxt.h"

namespace {
// The main state while a game runs and no retired world goes.
LuaScript* Main() {
    GameStatics& s = Statics();
    return s.worldTeardown == 0 && s.commands && s.commands->IsOpen() ? s.commands : nullptr;
}
} // namespace

int32_t AppServices::ShowZones() {
    return Options().showZones;
}

int32_t AppServices::ShowDebugLabel() {
    return Options().showDebugLabel;
}

bool AppServices::MenuOpen() {
    return App().MenuFlag() != 0;
}

bool AppServices::GetHeldItem(int32_t* reference) {
    GameWorld* world = App().World();
    return world && world->GetHeldItem(reference);
}

void AppServices::DropHeldItem() {
    if (GameWorld* world = App().World()) world->DropHeldItem();
}

void AppServices::HoldDragItem(bool on) {
    if (GameWorld* world = App().World()) world->Dragged().Hold(on);
}

// The click on the player's own actor.
void AppServices::ShowInventory() {
    if (GameWorld* world = App().World()) world->ShowInventory();
}

bool AppServices::InventoryVisible() {
    GameWorld* world = App().World();
    return world && world->InventoryView().IsVisible();
}

bool AppServices::DialogRunning() {
    GameWorld* world = App().World();
    return world && world->DialogRunning();
}

int32_t AppServices::DialogSpeaker() {
    GameWorld* world = App().World();
    return world ? world->DialogSpeaker() : -1;
}

void AppServices::OpenGameMenu() {
    if (GameWorld* world = App().World()) world->OpenGameMenu();
}

void AppServices::DoShow() {
    if (GameWorld* world = App().World()) world->DoShow();
}

void AppServices::DoTickAction() {
    if (GameWorld* world = App().World()) world->DoTickAction();
}

const char* AppServices::HintText(const char* section) {
    TSectTxt* hints = Resources().Text("txtHint");
    if (!hints || !section) return nullptr;
    hints->SetSection(section);
    return hints->GetSection();
}

TMetaCur* AppServices::NamedCursor(const char* name) {
    return Resources().Cursor(name);
}

void AppServices::CallGameEvent(const char* name, int32_t reference1, int32_t reference2) {
    ScriptCallGameEvent("Game", name, reference1, reference2);
}

void AppServices::Unref(int32_t& field) {
    ScriptUnref(field);
}

void AppServices::CallRefOnce(int32_t& field) {
    ScriptCallRefOnce(field);
}

void AppServices::SetTableNumber(int32_t table, const char* field, int32_t value) {
    LuaScript* main = Main();
    if (!main || table == -1 || !field) return;
    LuaStateScope scope(main->State());
    lua_beginblock();
    const lua_Object object = ScriptGetRef(table);
    if (object != LUA_NOOBJECT && lua_istable(object))
        LuaScript::SetTableNumber(object, field, value);
    lua_endblock();
}

bool AppServices::GlobalTableHasField(const char* table, const char* field) {
    LuaScript* main = Main();
    if (!main || !table || !field) return false;
    LuaStateScope scope(main->State());
    lua_beginblock();
    bool has = false;
    const lua_Object object = lua_getglobal(table);
    if (lua_istable(object)) {
        lua_pushobject(object);
        lua_pushstring(field);
        has = !lua_isnil(lua_gettable());
    }
    lua_endblock();
    return has;
}

int32_t AppServices::Filtering() {
    return PlayerOptions::Get().filtering;
}

// Held as read; a sound takes 0 to 127 (the envelope would read -1 as its
// loudest).
int32_t AppServices::MusicVolume() {
    return PlayerOptions::Level(PlayerOptions::Get().musicVolume);
}

int32_t AppServices::SoundVolume() {
    return PlayerOptions::Level(PlayerOptions::Get().soundVolume);
}
