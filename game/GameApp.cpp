#include "GameApp.h"

#include "GameStatics.h"
#include "GameWorld.h"
#include "ScriptEvents.h"
#include "TErrorBox.h"
#include "TQuestionBox.h"

#include "GameServices.h"
#include "RoomGlobals.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TKeys.h"
#include "media/devices/TCursDev.h"
#include "media/resources/TCursorRes.h"
#include "media/devices/TDispDev.h"
#include "platform/Host.h"
#include "platform/User.h"

GameApp::GameApp() = default;

GameApp::~GameApp() {
    // The world goes on the silent stand-in: its references die with its
    // state. The loop has ended, so nothing of it runs any more.
    if (TEngine::Current() && ::World().game == &services_) SetGameServices(nullptr);
    delete world_;
    world_ = nullptr;
}

// --- Overrides -------------------------------------------------------------------------

bool GameApp::IsAltF4(const TEvent* event) const {
    return event && event->KeyCode() == kKeyF4 &&
           (uint32_t(event->record.modifiers) & kAltMask) != 0 && IsFocused();
}

void GameApp::OnKeyDown(TEvent* event) {
    if (IsAltF4(event)) {
        event->passState = psConsumed;
        return;
    }
    TWinApp::OnKeyDown(event);
}

void GameApp::OnKeyUp(TEvent* event) {
    if (IsAltF4(event)) {
        if (!QuitQuestion()) {
            event->passState = psConsumed;
            return;
        }
        // Yes: the engine's own Alt+F4, kept from the key going down, closes
        // the application.
        TWinApp::OnKeyDown(event);
        return;
    }
    // The capture keys act on the key going down only.
    TWinApp::OnKeyUp(event);
}

void GameApp::OnAppMouseLeave(TEvent*) {
    TCursDev::Global().SetCursorRes(Resources().Cursor("curNoEntry"), 0);
}

bool GameApp::QuitQuestion() {
    const int32_t previous = menuFlag_;
    menuFlag_ = 1;
    // The quit page comes with the game menu; until then the answer is yes.
    const bool yes = true;
    menuFlag_ = previous;
    return yes;
}

void GameApp::OnCloseRequest(TEvent* event) {
    if (!IsStarted()) {
        TWinApp::OnCloseRequest(event);
        return;
    }
    if (!QuitQuestion()) return;
    DestroyWorld();
    ShowCredits();
    TWinApp::OnCloseRequest(event);
}

void GameApp::OnQueryEndSession(TEvent* event) {
    if (!AskYesNo(GameBox::MainText("SHUTDOWN"))) return;
    DestroyWorld();
    TWinApp::OnQueryEndSession(event);
    // The session may end: a modal loop under the application (a fade the
    // scripts run) ends with the main loop.
    if (!IsEnabled()) EndLoops();
}

bool GameApp::AskUser(const char* text) {
    if (!IsStarted()) return false;
    return ErrorBox(text) == 1;
}

int32_t GameApp::ErrorBox(const char* text) {
    TErrorBox box;
    return Ask(box, text);
}

int32_t GameApp::AskYesNo(const char* text) {
    TQuestionBox box;
    return Ask(box, text);
}

int32_t GameApp::Ask(GameBox& box, const char* text) {
    if (!IsStarted()) return 1;
    TCursDev& cursor = TCursDev::Global();
    const bool visible = cursor.IsVisible();
    TMetaCur* override = cursor.GetCursorRes(1);
    cursor.SetVisible(true);
    cursor.SetCursorRes(Resources().Cursor("curHand"), 1);
    // Nobody could press a button of a box in a headless run: its modal
    // loop would never end.
    const bool headless = headless_ || platform::CurrentHost() == platform::HostKind::Memory;
    const bool first =
        headless ? box.AnswerByPolicy(TDispDev::Global().GetWindow(), text) : box.Run(this, text);
    cursor.SetCursorRes(override, 1);
    cursor.SetVisible(visible);
    return first ? 1 : 0;
}

// --- The game --------------------------------------------------------------------------

void GameApp::Init() {
    SetBorderWidth(0);
    // Transparent, and so keyed with the background colour.
    SetTransparent(1);
    SetCursor(Resources().Cursor("curArrow"));
    SetGameServices(&services_);
    Start();
    TCursDev& cursor = TCursDev::Global();
    cursor.SetKeep(1);
    cursor.SetKeyColor(0x00FF00, 0, 32767);
    Resources().LoadShared();
    hint_.Open(this);
    SetHintWindow(&hint_);
    Add<GameApp, &GameApp::OnStart>(evShown, this);
}

int GameApp::OnStart(TObject*, TEvent*) {
    if (shown_) return 1;
    shown_ = true;
    // The quit timer is ready before any script runs, so Engine.QuitGame
    // from main() is not lost.
    quitTimer_.Add<GameApp, &GameApp::OnTimer>(evTick, this);
    quitTimer_.SetUp(500.0f, this);
    // No intro screen yet, and the options keep their defaults.
    if (Options().showGameMenu) {
        // The menu's own pages come later: it chooses a new game at once.
        OpenMenu();
        NewGame();
    } else {
        DestroyWorld();
        CreateWorld();
        if (world_) {
            world_->StartMain();
            ScriptCallGlobal("main");
        }
    }
    return 1;
}

void GameApp::Shutdown() {
    Resources().ReleaseShared();
    quitTimer_.Stop();
    quitTimer_.Detach();
    hint_.Close();
    if (GetHintWindow() == &hint_) SetHintWindow(nullptr);
    DestroyWorld();
    Stop();
}

void GameApp::OpenMenu() {
    ++menuCount_;
    menuFlag_ = 1;
    if (world_) {
        world_->Dismiss();
        world_->RoomView().SetSoundVolume(0);
    }
}

void GameApp::CloseMenu() {
    --menuCount_;
    menuFlag_ = 0;
    if (world_) {
        world_->ShowNow();
        world_->RoomView().SetSoundVolume(Game().SoundVolume());
    }
}

void GameApp::CreateWorld() {
    if (world_) return;
    world_ = new GameWorld;
    if (!world_) return;
    world_->Init(this);
    if (world_->InitDialogs()) return;
    AskUser("Create gameworld failed!");
    // This may run in a handler under the main loop: the loop ends, and the
    // entry shuts the application down after it.
    DestroyWorld();
    EndLoops();
}

void GameApp::DestroyWorld() {
    if (!world_) return;
    GameWorld* retired = world_;
    world_ = nullptr;
    retired->Retire();
    DeleteLater(retired);
}

int32_t GameApp::NewGame() {
    DestroyWorld();
    CreateWorld();
    if (!world_) return 0;
    world_->StartMain();
    ScriptCallGlobal("main");
    CloseMenu();
    return 1;
}

void GameApp::ShowCredits() {
    // The credits screen comes later; nothing runs until then.
}

void GameApp::StartQuitTimer() {
    quitTimer_.Arm();
}

int GameApp::OnTimer(TObject*, TEvent*) {
    if (quitTimer_.Take()) EndProgram();
    return 1;
}

void GameApp::EndProgram() {
    DestroyWorld();
    hint_.SetOwner(nullptr);
    hint_.Hide();
    ShowCredits();
    EndLoops();
}

void GameApp::EndLoops() {
    // The quit the engine routes for the window's close button: it disables
    // the application and every form under it, so a modal fade the timer
    // interrupted ends too (a closed application would leave it waiting for
    // ticks that never come).
    TEvent quit;
    quit.SetType(evQuit);
    TFocusCtl::HandleEvent(this, &quit);
}
