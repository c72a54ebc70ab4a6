// The commands of the table Dialog and Engine.GetDialogText: queries of the
// declared dialogs and the start of a conversation.
#include "DialogManager.h"
#include "GameApp.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "ScriptCommands.h"
#include "ScriptParams.h"
#include "ScriptRefs.h"

#include "RoomGlobals.h"
#include "TActor.h"
#include "TRoom.h"

#include <string>

namespace {
DialogManager* Manager() {
    return FromMainState() ? DialogManager::Current() : nullptr;
}

// The statement `id` of dialog `name`, null when either is not declared.
DialogStatement* FindStatement(const char* name, int32_t id) {
    DialogManager* manager = Manager();
    DialogDef* dialog = manager ? manager->FindDialog(name) : nullptr;
    return dialog ? dialog->Statement(id) : nullptr;
}

void PushFlag(bool set) {
    if (set)
        lua_pushnumber(1);
    else
        lua_pushnil();
}
} // namespace

void DialogGetText() {
    const char* name = StringParam(1);
    const int32_t id = IntParam(2);
    const int32_t position = IntParam(3);
    DialogManager* manager = Manager();
    const char* text = manager ? manager->Text(name, id, position) : nullptr;
    if (text && text[0]) {
        lua_pushstring(text);
        return;
    }
    lua_pushstring((std::string("Missing DialogText: ") + (name ? name : "")).c_str());
}

void DialogGet() {
    DialogManager* manager = Manager();
    const DialogEntry* entry = manager ? manager->At(IntParam(1)) : nullptr;
    if (entry) lua_pushstring(entry->name.c_str());
}

void DialogStatementPlayed() {
    const char* name = StringParam(1);
    const DialogStatement* statement = FindStatement(name, IntParam(2));
    PushFlag(statement && (statement->flags & DialogStatement::kReached));
}

void DialogPhrasePlayed() {
    const char* name = StringParam(1);
    const DialogStatement* statement = FindStatement(name, IntParam(2));
    // Phrases count from 1 here; 0 names none.
    const DialogPhrase* phrase = statement ? statement->Phrase(IntParam(3) - 1) : nullptr;
    PushFlag(phrase && (phrase->flags & DialogPhrase::kSaid));
}

constexpr int kEndChain = 16;

void DialogDo() {
    GameWorld* world = App().World();
    if (!FromMainState() || !world) return;
    const char* name = StringParam(1);
    const int32_t flags = lua_lua2C(2) != LUA_NOOBJECT ? IntParam(2) : 0;
    const lua_Object action = lua_lua2C(3);
    int32_t reference = -1;
    if (action != LUA_NOOBJECT && !lua_isnil(action)) ScriptRef(reference, action);
    TRoom& room = world->RoomView();
    // Settled, or the player would go on walking on the spot and could not
    // talk until its first phrase is over.
    if (TActor* player = room.FindActor(room.GetPlayerActor()))
        if (player->GetState() == TActor::asWalking || player->GetState() == TActor::asRunning)
            player->CancelWalk(1);
    DialogView& view = world->Dialogs();
    // The running dialog ends with its own end action before the new one is
    // kept; a dialog that end action started ends with its own in turn. A
    // bound: an end action may start a dialog every time it runs.
    for (int ended = 0; view.Running() && ended < kEndChain; ++ended)
        view.EndDialog();
    if (reference != -1) view.SetEndAction(reference);
    view.StartDialog(name, flags);
}
