// Everything that exists while a game is in progress: the 800 x 600 game
// screen with the room, the quit timer of Engine.QuitApp, the main script
// state and the script binding. The application makes one for each new game
// and retires it when the game ends: taken off the screen and out of every
// pointer at once, deleted later (DeleteLater), never while a script or one
// of its own handlers runs.
#pragma once

#include "DragItem.h"
#include "InventorySlot.h"
#include "MapView.h"
#include "ScriptCursors.h"
#include "TInventoryView.h"
#include "TRoom.h"
#include "TaskBarPanel1.h"
#include "TaskBarPanel2.h"

#include "ui/TClickCtl.h"
#include "ui/TPanel.h"
#include "DialogView.h"
#include "QuitTimer.h"
#include "foundation/TRef.h"

#include "platform/ByteStream.h"

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
    // The main state of a new game: the vocabulary, then main.scr; false
    // when the script did not run to its end (its error was reported).
    bool StartMain();
    // Off the screen: quit timer detached, room cleared, world hidden.
    void Exit();
    // Exit, and every pointer to this world, its room and its state cleared:
    // what is left waits for its deletion.
    void Retire();

    // --- Script events the world raises ---
    // The room's or an actor's busy value when either is busy (nothing
    // shows); else Map.DoShow: 1 when it took the request over (answered
    // true), else the map is shown and 0.
    int32_t DoShow();
    void DoMapAction(int32_t reference);
    void DoTickAction();
    int32_t OpenGameMenu();
    void CloseGameMenu();

    // The save game after its version: dialog block, inventory block, the
    // scripts' SaveTheGame values and the night-vision flag. False when the
    // dialogs or the scripts fail.
    bool Save(platform::ByteWriter& out);
    // A saved game into this fresh world: main.scr under SysLoadGame, then
    // the blocks after the version. False when any block fails.
    bool Load(platform::ByteReader& in);

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
    // A task bar panel dismissed and its strip along the bottom edge shown
    // at once.
    void HideLeftPanel();
    void HideRightPanel();
    // The pointer entered a strip: its panel comes up unless it is up,
    // disabled, or a dialog runs.
    int OnLeftStripEnter(TObject* sender, TEvent* event);
    int OnRightStripEnter(TObject* sender, TEvent* event);
    TaskBarPanel1& LeftPanel() { return leftPanel_; }
    TaskBarPanel2& RightPanel() { return rightPanel_; }
    bool MapVisible() const { return map_.IsVisible(); }
    // The map disabled and dismissed.
    void HideMap();
    MapView& Map() { return map_; }

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

    // The main state, registered and current; false when none could be made.
    bool OpenMain();
    bool LoadInventory(platform::ByteReader& in);
    // The room's elements go later (DeleteLater), maybe after the next game
    // has begun: their references are released now, in this world's state.
    void ReleaseElementReferences();
    void BuildTaskBar();
    void BringUp(TaskBarPanel& panel, TClickCtl& strip);

    TeardownMark teardown_;
    TaskBarPanel1 leftPanel_;
    TaskBarPanel2 rightPanel_;
    TClickCtl leftStrip_;
    TClickCtl rightStrip_;
    MapView map_;
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
