// Everything that exists while a game is in progress: the 800 x 600 game
// screen with the room, the quit timer of Engine.QuitApp, the main script
// state and the script binding. The application makes one for each new game
// and retires it when the game ends: taken off the screen and out of every
// pointer at once, deleted later (DeleteLater), never while a script or one
// of its own handlers runs.
#pragma once

#include "DragItem.h"
#include "InventorySlot.h"
#include "ScriptCursors.h"
#include "TInventoryView.h"
#include "TRoom.h"

#include "ui/TPanel.h"
#include "DialogView.h"
#include "QuitTimer.h"
#include "foundation/TRef.h"

#include <cstdint>

class DialogManager;
class LuaScript;
class TWinApp;

class GameWorld : public TPanel {
public:
    GameWorld();
    ~GameWorld() override;

    void Init(TWinApp* application);
    // Runs int\all\scripts\init\dialogs.scr in a dialog state of its own;
    // false (after "Init dialogs failed!") when it does not run.
    bool InitDialogs();
    // The main state of a new game: the vocabulary, then main.scr.
    void StartMain();
    // Off the screen: quit timer detached, room cleared, world hidden.
    void Exit();
    // Exit, and every pointer to this world, its room and its state cleared:
    // what is left waits for its deletion.
    void Retire();

    // --- Script events the world raises ---
    // 0 when Map.DoShow ran and did not answer true; the room's or an
    // actor's busy value when either is busy.
    int32_t DoShow();
    void DoMapAction(int32_t reference);
    void DoTickAction();
    int32_t OpenGameMenu();
    void CloseGameMenu();

    // --- Inventory, held item, dialog, map (their screens come later) ---
    // The inventory refreshed, then shown at once or dismissed.
    void ShowInventory();
    void HideInventory();
    // The record goes to the pointer: its picture is parked off the screen
    // until the pointer moves.
    void TakeItem(InventorySlot* record);
    // The held record's script reference; false when nothing is held.
    bool GetHeldItem(int32_t* reference) const;
    InventorySlot* HeldRecord() const { return dragItem_.Item(); }
    DragItem& Dragged() { return dragItem_; }
    void DropHeldItem();
    bool DialogRunning() const { return dialogView_.Running(); }
    int32_t DialogSpeaker() const { return dialogView_.IsActive(); }
    DialogView& Dialogs() { return dialogView_; }
    // The task bar's panels, closed while a dialog runs (the task bar comes
    // later).
    void HideLeftPanel() {}
    void HideRightPanel() {}
    bool MapVisible() const { return false; }

    TRoom& RoomView() { return room_; }
    TInventoryView& InventoryView() { return inventory_; }
    ScriptCursors& Cursors() { return cursors_; }
    DialogManager* DialogData() const { return dialogManager_; }
    LuaScript* MainState() const { return main_; }
    QuitTimer& GetQuitTimer() { return quitTimer_; }
    void StartQuitTimer();
    int OnQuitTimer(TObject* sender, TEvent* event);

private:
    // Clears the command pointer when made and, when it goes, clears it if
    // it is still this world's.
    class ScriptBinding {
    public:
        ScriptBinding();
        ~ScriptBinding();
        GameWorld* owner = nullptr;
    };
    // Declared first, so it goes last: while the members go, the references
    // they release died with this world's state.
    struct TeardownMark {
        ~TeardownMark();
        bool set = false;
    };

    // The room's elements go later (DeleteLater), maybe after the next game
    // has begun: their references are released now, in this world's state.
    void ReleaseElementReferences();

    TeardownMark teardown_;
    // Before the room: its elements may show these cursors until they go.
    ScriptCursors cursors_;
    TRoom room_;
    TInventoryView inventory_;
    DragItem dragItem_;
    DialogView dialogView_;
    DialogManager* dialogManager_ = nullptr;
    QuitTimer quitTimer_;
    ScriptBinding binding_;
    LuaScript* main_ = nullptr;
};
