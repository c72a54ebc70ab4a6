#include "GameWorld.h"

#include "DialogManager.h"
#include "GameApp.h"
#include "GameStatics.h"
#include "LuaScript.h"
#include "ScriptCommands.h"
#include "ScriptEvents.h"
#include "ScriptRefs.h"
#include "SaveGameCommands.h"

#include "RoomGlobals.h"
#include "TActor.h"
#include "TAnimObject.h"

#include "foundation/TFileCtl.h"
#include "ui/TWinApp.h"

#include <string>

namespace {
// A script's path under the resources' base folder.
std::string ScriptPath(const char* relative) {
    const char* base = TFileCtl::GetBasePath();
    return TFileCtl::JoinPath(base ? base : "", relative).c_str();
}
} // namespace

GameWorld::ScriptBinding::ScriptBinding() {
    Statics().commands = nullptr;
}

GameWorld::ScriptBinding::~ScriptBinding() {
    GameStatics& s = Statics();
    if (owner && owner->main_ && s.commands == owner->main_) s.commands = nullptr;
}

GameWorld::TeardownMark::~TeardownMark() {
    if (set && TEngine::Current()) --Statics().worldTeardown;
}

GameWorld::GameWorld() {
    binding_.owner = this;
    Statics().nightVision = 0;
}

GameWorld::~GameWorld() {
    GameStatics& s = Statics();
    ++s.worldTeardown;
    teardown_.set = true;
    delete dialogManager_;
    dialogManager_ = nullptr;
    if (s.script == main_) s.script = nullptr;
    if (s.commands == main_) s.commands = nullptr;
    delete main_;
    main_ = nullptr;
    if (CurrentRoom() == &room_) CurrentRoom() = nullptr;
}

void GameWorld::Init(TWinApp* application) {
    SetRect(0, 0, 800, 600);
    SetBorderWidth(0);
    SetTransparent(1);
    ToFront();
    ShowNow();
    room_.Init(this);
    inventory_.Create(this);
    inventory_.Dismiss();
    inventory_.SetEnabled(false);
    // The world's key handlers run last added first: the dialog view's comes
    // before the room's.
    dialogView_.Build(this);
    BuildTaskBar();
    quitTimer_.Add<GameWorld, &GameWorld::OnQuitTimer>(evTick, this);
    quitTimer_.SetUp(3000.0f, this);
    Show(application);
}

void GameWorld::BuildTaskBar() {
    leftStrip_.SetRect(0, 590, 108, 10);
    leftStrip_.Add<GameWorld, &GameWorld::OnLeftStripEnter>(evMouseEnter, this);
    rightStrip_.SetRect(692, 590, 108, 10);
    rightStrip_.Add<GameWorld, &GameWorld::OnRightStripEnter>(evMouseEnter, this);
    for (TClickCtl* strip : {&leftStrip_, &rightStrip_}) {
        strip->SetTransparent(1);
        // Only the pointer's way in: the room shows through.
        strip->SetHollow(1);
        strip->Show(this);
    }
    leftPanel_.Create(this);
    rightPanel_.Create(this);
    map_.Create(this);
}

void GameWorld::HideLeftPanel() {
    leftPanel_.Dismiss();
    leftStrip_.ShowNow();
}

void GameWorld::HideRightPanel() {
    rightPanel_.Dismiss();
    rightStrip_.ShowNow();
}

int GameWorld::OnLeftStripEnter(TObject*, TEvent*) {
    BringUp(leftPanel_, leftStrip_);
    return 1;
}

int GameWorld::OnRightStripEnter(TObject*, TEvent*) {
    BringUp(rightPanel_, rightStrip_);
    return 1;
}

void GameWorld::BringUp(TaskBarPanel& panel, TClickCtl& strip) {
    if (panel.IsVisible() || !panel.IsEnabled() || DialogRunning()) return;
    panel.ShowNow();
    strip.Dismiss();
}

bool GameWorld::InitDialogs() {
    GameStatics& s = Statics();
    if (!dialogManager_) dialogManager_ = new DialogManager;
    LuaScript dialogs;
    s.script = &dialogs;
    RegisterDialogCommands(dialogs);
    const bool ran = dialogs.RunFile(ScriptPath("int\\all\\scripts\\init\\dialogs.scr").c_str());
    if (!ran) App().AskUser("Init dialogs failed!");
    if (s.script == &dialogs) s.script = nullptr;
    dialogs.Close();
    return ran;
}

bool GameWorld::StartMain() {
    if (!OpenMain()) return false;
    // Its error reaches the player through the error hook; a script that
    // stopped half way defines half a game, which is not started.
    return main_->RunFile(ScriptPath("int\\all\\scripts\\main.scr").c_str()) != 0;
}

bool GameWorld::OpenMain() {
    main_ = new LuaScript;
    if (main_ && !main_->IsOpen()) {
        delete main_;
        main_ = nullptr;
    }
    if (!main_) return false;
    Statics().script = main_;
    RegisterScriptCommands(*main_);
    return true;
}

bool GameWorld::Load(platform::ByteReader& in) {
    if (!OpenMain()) return false;
    // main.scr sees that a game is being loaded, and its main() is not run.
    main_->RunString("SysLoadGame = 1");
    const bool ran = main_->RunFile(ScriptPath("int\\all\\scripts\\main.scr").c_str()) != 0;
    main_->RunString("SysLoadGame = nil");
    if (!ran) return false;
    if (!dialogManager_ || !dialogManager_->LoadState(in)) return false;
    if (!LoadInventory(in)) return false;
    // The flag is the file's last four bytes: the script's reads end before
    // it, so a LoadGame that reads too much fails instead of taking it.
    if (in.Remaining() < 4) return false;
    const size_t flagAt = in.Size() - 4;
    platform::ByteReader script(in.Data(), flagAt);
    script.Seek(in.Position());
    if (!ScriptLoadGame(script)) return false;
    in.Seek(script.Position());
    const int32_t flag = in.S32();
    if (!in.Ok()) return false;
    Statics().nightVision = flag != 0 ? 1 : 0;
    return true;
}

bool GameWorld::LoadInventory(platform::ByteReader& in) {
    // The table keeps its thirty slots whatever the file says.
    const int32_t count = in.S32();
    if (!in.Ok() || count < 0 || count > TInventoryView::kSlots) return false;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t id = in.S32();
        if (!in.Ok()) return false;
        // The script puts the item back with Engine.AddInventoryItem.
        if (id != -1) ScriptInventoryAddItem(id);
    }
    inventory_.Refresh();
    return true;
}

bool GameWorld::Save(platform::ByteWriter& out) {
    if (!dialogManager_ || !dialogManager_->SaveState(out)) return false;
    // The table always has its thirty slots; an empty one stores -1.
    out.S32(TInventoryView::kSlots);
    for (int32_t i = 0; i < TInventoryView::kSlots; ++i) {
        const InventorySlot* record = inventory_.SlotAt(i);
        out.S32(record ? record->id : -1);
    }
    if (!ScriptSaveTheGame(out)) return false;
    out.S32(Statics().nightVision);
    return true;
}

void GameWorld::Exit() {
    quitTimer_.Stop();
    quitTimer_.Detach();
    leftPanel_.Hide();
    rightPanel_.Close();
    leftStrip_.Hide();
    rightStrip_.Hide();
    map_.Clear();
    ReleaseElementReferences();
    room_.Clear();
    dragItem_.SetItem(nullptr);
    dragItem_.Hide();
    inventory_.Clear();
    SetVisible(false);
    SetEnabled(false);
    Detach();
}

void GameWorld::ReleaseElementReferences() {
    for (int32_t i = 0; i < room_.ElementCount(); ++i) {
        TRoomElement* element = room_.ElementAt(i);
        ScriptUnref(element->scriptRef);
        if (auto* actor = dynamic_cast<TActor*>(element)) {
            ScriptUnref(actor->walkEndAction);
            ScriptUnref(actor->animEndAction);
        }
        if (auto* object = dynamic_cast<TAnimObject*>(element)) ScriptUnref(object->endAction);
    }
}

void GameWorld::Retire() {
    Exit();
    GameStatics& s = Statics();
    if (main_ && s.script == main_) s.script = nullptr;
    if (main_ && s.commands == main_) s.commands = nullptr;
    if (CurrentRoom() == &room_) CurrentRoom() = nullptr;
    if (s.dialogManager == dialogManager_) s.dialogManager = nullptr;
}

int32_t GameWorld::DoShow() {
    if (const int32_t busy = room_.IsBusy()) return busy;
    if (const int32_t busy = room_.IsActorBusy()) return busy;
    if (ScriptCallGameEvent("Map", "DoShow", -1, -1)) return 1;
    // The script may have ended the game.
    if (App().World() != this) return 0;
    map_.ShowNow();
    map_.ToFront();
    return 0;
}

void GameWorld::HideMap() {
    map_.SetEnabled(false);
    map_.Dismiss();
}

void GameWorld::DoMapAction(int32_t reference) {
    ScriptCallMapAction(reference);
}

void GameWorld::DoTickAction() {
    if (App().MenuCount() != 0 || DialogRunning() || MapVisible()) return;
    ScriptCallGameEvent("Game", "DoTickAction", -1, -1);
}

int32_t GameWorld::OpenGameMenu() {
    if (const int32_t busy = room_.IsBusy()) return busy;
    if (const int32_t busy = room_.IsActorBusy()) return busy;
    App().OpenMenu();
    return 0;
}

void GameWorld::CloseGameMenu() {
    App().CloseMenu();
}

void GameWorld::ShowInventory() {
    inventory_.Refresh();
    // Over the room, as a window shown on top of it.
    inventory_.ToFront();
    inventory_.ShowNow();
}

void GameWorld::HideInventory() {
    inventory_.Refresh();
    inventory_.Dismiss();
}

void GameWorld::TakeItem(InventorySlot* record) {
    dragItem_.Show(this);
    dragItem_.SetPos(-200, -200);
    dragItem_.SetItem(record);
}

bool GameWorld::GetHeldItem(int32_t* reference) const {
    const InventorySlot* record = dragItem_.Item();
    if (!record) return false;
    if (reference) *reference = record->scriptRef;
    return true;
}

void GameWorld::DropHeldItem() {
    dragItem_.SetItem(nullptr);
    dragItem_.Hide();
    inventory_.Refresh();
}

void GameWorld::StartQuitTimer() {
    quitTimer_.Arm();
}

int GameWorld::OnQuitTimer(TObject*, TEvent*) {
    if (quitTimer_.Take()) App().EndProgram();
    return 1;
}
