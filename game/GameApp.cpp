#include "GameApp.h"

#include "GameStatics.h"
#include "DialogManager.h"
#include "GameWorld.h"
#include "IntroScreen.h"
#include "SaveGameLayout.h"
#include "ScriptEvents.h"
#include "TErrorBox.h"
#include "PlayerOptions.h"
#include "QuitPage.h"
#include "TQuestionBox.h"
#include "TTextSequence.h"

#include "GameServices.h"
#include "RoomGlobals.h"

#include "foundation/TDeleteQueue.h"
#include "foundation/TError.h"
#include "foundation/TFileCtl.h"
#include "media/animation/TMetaAni.h"
#include "foundation/TKeys.h"
#include "media/devices/TCursDev.h"
#include "media/resources/TCursorRes.h"
#include "media/devices/TDispDev.h"
#include "platform/File.h"
#include "platform/Host.h"
#include "platform/User.h"

#include <cstdio>
#include <string>
#include <vector>

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
    int32_t answer = 0;
    if (Headless()) {
        TQuestionBox box;
        answer = box.AnswerByPolicy(TDispDev::Global().GetWindow(), "QuitPage") ? 6 : 7;
    } else {
        QuitPage page;
        page.Build(this);
        page.ShowModal();
        answer = page.GetModalResult();
        page.Close();
    }
    menuFlag_ = previous;
    return answer == 6;
}

void GameApp::OnCloseRequest(TEvent* event) {
    // During the credits the game is over: no question, and no second run of
    // the credits over the first.
    if (!IsStarted() || creditsRunning_) {
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

bool GameApp::Headless() const {
    // Nobody could press a button in a headless run: a modal loop would
    // never end.
    return headless_ || (platform::CurrentHost() == platform::HostKind::Memory && !scriptedInput_);
}

int32_t GameApp::Ask(GameBox& box, const char* text) {
    if (!IsStarted()) return 1;
    TCursDev& cursor = TCursDev::Global();
    const bool visible = cursor.IsVisible();
    TMetaCur* override = cursor.GetCursorRes(1);
    cursor.SetVisible(true);
    cursor.SetCursorRes(Resources().Cursor("curHand"), 1);
    const bool first =
        Headless() ? box.AnswerByPolicy(TDispDev::Global().GetWindow(), text) : box.Run(this, text);
    cursor.SetCursorRes(override, 1);
    cursor.SetVisible(visible);
    return first ? 1 : 0;
}

// --- Save games -----------------------------------------------------------------------

namespace {
constexpr int32_t kSaveVersion = 40;
constexpr int32_t kFullBrightness = 256;
} // namespace

int32_t GameApp::SaveGame(const char* path) {
    if (Options().enableSaveGame != 1 || !world_ || !path) return 0;
    if (platform::FileExists(path)) {
        std::string question = GameBox::MainText("GAME_OVERWRITE_WARNING");
        const size_t mark = question.find('#');
        if (mark != std::string::npos) question.replace(mark, 1, path);
        if (!AskYesNo(question.c_str())) return 1;
    }
    // Assembled whole first: the file on disk is replaced only by a save
    // that is complete, and only in one step.
    std::vector<uint8_t> bytes;
    platform::ByteWriter out(bytes);
    out.S32(kSaveVersion);
    // A save larger than a load takes would never load back: it must not
    // take the place of one that does.
    if (world_->Save(out) && bytes.size() <= SaveGameLayout::kMaxSize &&
        platform::ReplaceFile(path, bytes.data(), bytes.size()) == 0) {
        world_->CloseGameMenu();
        return 1;
    }
    AskUser(GameBox::MainText("GAME_SAVE_FAILED"));
    return 0;
}

namespace {
enum class FileRead { Read, Missing, TooLarge };

// The whole file, never more than a save game can hold.
FileRead ReadSaveFile(const char* path, std::vector<uint8_t>& bytes) {
    const int64_t size = platform::FileSize(path);
    if (size < 0 || platform::DirectoryExists(path)) return FileRead::Missing;
    if (uint64_t(size) > SaveGameLayout::kMaxSize) return FileRead::TooLarge;
    FILE* file = platform::OpenFile(path, "rb");
    if (!file) return FileRead::Missing;
    bytes.resize(size_t(size));
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    bytes.resize(got);
    return failed ? FileRead::Missing : FileRead::Read;
}
} // namespace

bool GameApp::CheckSaveFile(const std::vector<uint8_t>& bytes) {
    const SaveGameLayout layout = SaveGameLayout::Examine(bytes.data(), bytes.size());
    if (layout.status == SaveGameLayout::Status::WrongVersion)
        AskUser(GameBox::MainText("GAME_LOAD_WRONG_VERSION"));
    if (layout.status != SaveGameLayout::Status::Ok) return false;
    // The new world declares what the running one does: its dialogs must
    // take the block. Without a world the walk's bounds are all there is.
    DialogManager* dialogs = world_ ? world_->DialogData() : nullptr;
    if (!dialogs) return true;
    platform::ByteReader in(bytes);
    in.Seek(layout.dialogsAt);
    return dialogs->LoadState(in, true);
}

GameApp::Built GameApp::BuildLoadedWorld(const std::vector<uint8_t>& bytes) {
    DestroyWorld();
    CreateWorld();
    if (!world_) return Built::NoWorld;
    platform::ByteReader in(bytes);
    in.Seek(sizeof(int32_t));
    return world_->Load(in) ? Built::Loaded : Built::Failed;
}

int32_t GameApp::LoadGame(const char* path) {
    if (Options().enableSaveGame != 1 || !path) return 0;
    std::vector<uint8_t> bytes;
    const FileRead read = ReadSaveFile(path, bytes);
    if (read == FileRead::Missing) return 0;
    // First the whole file is checked, touching nothing: a file that does
    // not hold together leaves the running game as it was.
    if (read == FileRead::TooLarge || !CheckSaveFile(bytes)) {
        AskUser(GameBox::MainText("GAME_LOAD_FAILED"));
        return 0;
    }
    // What the scripts take from the file is known only once they run: the
    // running game is kept in memory to come back to if they refuse it.
    std::vector<uint8_t> snapshot;
    bool kept = false;
    if (world_) {
        platform::ByteWriter out(snapshot);
        out.S32(SaveGameLayout::kVersion);
        kept = world_->Save(out);
    }
    const Built built = BuildLoadedWorld(bytes);
    if (built == Built::Loaded) {
        CloseMenu();
        return 1;
    }
    if (built == Built::NoWorld) return 0;
    AskUser(GameBox::MainText("GAME_LOAD_FAILED"));
    if (!kept || BuildLoadedWorld(snapshot) != Built::Loaded) {
        DestroyWorld();
        return 0;
    }
    // The game comes back behind the menu that is still open.
    if (menuCount_ > 0) {
        world_->Dismiss();
        world_->RoomView().SetSoundVolume(0);
    }
    return 0;
}

// --- The game --------------------------------------------------------------------------

namespace {
// The error reports (not the warnings) the handler holds.
int32_t ErrorReports() {
    int32_t count = 0;
    for (TList* list : {&TError::ShownList(), &TError::HeldList()})
        for (TListNode* node = list->Head(); node; node = node->next)
            if (static_cast<TErrorRec*>(node->item)->code < 100) ++count;
    return count;
}
} // namespace

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
    // Without its shared texts, fonts and cursors the game could not even
    // show its own boxes: a start that could not load them has failed.
    const int32_t reportsBefore = ErrorReports();
    Resources().LoadShared();
    if (ErrorReports() > reportsBefore) failed_ = true;
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
    ShowIntro();
    // A close during the intro ends the program: no game begins behind it.
    if (!IsEnabled()) return 1;
    PlayerOptions::Get().Load();
    // The player starts from the menu; a run without anyone at the screen
    // could never leave it, and so goes straight into the game, as it
    // skips the intro and the credits.
    if (Options().showGameMenu && !headless_) {
        OpenMenu();
        return 1;
    }
    // A new game, the menu count left as it is; a game that cannot begin
    // has said why and ends.
    DestroyWorld();
    CreateWorld();
    if (world_ && world_->StartMain()) {
        ScriptCallGlobal("main");
        return 1;
    }
    DestroyWorld();
    failed_ = true;
    EndLoops();
    return 1;
}

void GameApp::Shutdown() {
    scriptedInput_ = false;
    Resources().ReleaseShared();
    quitTimer_.Stop();
    quitTimer_.Detach();
    hint_.Close();
    if (GetHintWindow() == &hint_) SetHintWindow(nullptr);
    DestroyWorld();
    if (menu_) {
        menu_->CloseMainPage();
        DeleteLater(menu_.release());
    }
    Stop();
}

GameMenu& GameApp::Menu() {
    if (!menu_) menu_ = std::make_unique<GameMenu>();
    return *menu_;
}

void GameApp::OpenMenu() {
    ++menuCount_;
    menuFlag_ = 1;
    if (world_) {
        world_->Dismiss();
        world_->RoomView().SetSoundVolume(0);
    }
    GameMenu& menu = Menu();
    menu.BuildMainPage(this);
    // Shown in front without a focus request of its own: a request still
    // queued when the menu closes again at once (a new game chosen by a
    // script's handler) would go to a closed form.
    menu.ToFront();
    menu.SetVisible(true);
    menu.SetEnabled(true);
}

void GameApp::CloseMenu() {
    --menuCount_;
    menuFlag_ = 0;
    if (menu_ && menu_->Built()) {
        menu_->Hide();
        menu_->CloseMainPage();
    }
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
    failed_ = true;
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
    // A main script that stopped half way leaves no game to play: back to
    // the menu, which shows what it did before.
    if (!world_->StartMain()) {
        DestroyWorld();
        return 0;
    }
    ScriptCallGlobal("main");
    CloseMenu();
    return 1;
}

void GameApp::ShowCredits() {
    // A game whose index names no credits has none; nobody could end a
    // looping screen in a run without anyone at the screen.
    if (!Options().showCredits || headless_ || !TFileCtl::HasKey("Data", "iniCredits")) return;
    // The game may end faded out (a room faded to black just before): the
    // credits are a screen of their own, shown at full brightness.
    TDispDev::Global().SetAdjustLevel(kFullBrightness);
    // A fade to black also hid the pointer, and a hidden pointer's clicks
    // reach no control: the credits could not be clicked away. The screen
    // shows no shape of its own, so nothing is drawn all the same.
    TCursDev::Global().SetVisible(true);
    TTextSequence credits;
    credits.SetRect(0, 0, GetWidth(), GetHeight());
    credits.SetCursor(nullptr);
    credits.SetIniFile(Resources().Ini("iniCredits"));
    credits.Load(this);
    credits.ToFront();
    creditsRunning_ = true;
    credits.ShowModal();
    creditsRunning_ = false;
    credits.Close();
}

void GameApp::ShowIntro() {
    // As for the credits: no intro named, or nobody to watch it, none.
    if (!Options().showIntro || headless_ || !TFileCtl::HasKey("Animations", "aniIntro")) return;
    IntroScreen intro;
    intro.SetRect(0, 0, 800, 600);
    intro.SetBorderWidth(0);
    intro.SetCursor(nullptr);
    intro.Open(this, dynamic_cast<TMetaAni*>(Resources().Find("aniIntro")));
    intro.ShowModal();
    intro.Close();
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
