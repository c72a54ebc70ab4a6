// The game's application: the engine's application that loads the resources
// every screen shares, runs the game's start when first shown, owns the world
// of the game in progress, opens and closes the game menu, asks the standard
// questions and ends the program through the quit question, the quit timer
// and the credits.
#pragma once

#include "AppServices.h"
#include "GameMenu.h"

#include "ui/THintForm.h"
#include "QuitTimer.h"
#include "ui/TWinApp.h"

#include <cstdint>
#include <memory>
#include <vector>

class GameBox;
class GameWorld;

class GameApp : public TWinApp {
public:
    GameApp();
    ~GameApp() override;

    // --- Overrides of the engine application ---
    void OnKeyDown(TEvent* event) override;
    void OnKeyUp(TEvent* event) override;
    void OnAppMouseLeave(TEvent* event) override;
    void OnCloseRequest(TEvent* event) override;
    // The log-off question.
    void OnQueryEndSession(TEvent* event) override;
    // The error box; its Cancel button (Escape) stops. Before the start no
    // box shows and the report goes on.
    bool AskUser(const char* text) override;

    // --- The game ---
    void Init();
    int OnStart(TObject* sender, TEvent* event);
    // Releases the shared resources, retires the world and stops the engine
    // application; a second run finds nothing left to release.
    void Shutdown();
    void OpenMenu();
    void CloseMenu();
    void CreateWorld();
    void DestroyWorld();
    int32_t NewGame();
    // The game could not run (its files or its scripts failed at the start,
    // or no world could be made): it has said why and its loop has ended.
    bool Failed() const { return failed_; }
    // The error box; its answer (1 without a started application).
    int32_t ErrorBox(const char* text);
    // The question box; non-zero for yes.
    int32_t AskYesNo(const char* text);
    // A run without anyone at the screen: boxes are answered by the
    // platform's box policy instead of waiting (always so on the memory host);
    // the intro, the start's menu and the credits are left out.
    void SetHeadless(bool headless) { headless_ = headless; }
    // Input comes from a replay: the game's own pages and boxes run and wait
    // for it, also on the memory host. Shutdown clears it.
    void SetScriptedInput(bool scripted) { scriptedInput_ = scripted; }
    // The credits screen when ShowCredits is set, run modally.
    void ShowCredits();
    // Saves the running game to `path`, asking before an existing file is
    // replaced; the previous file survives any failure. 1 when saved or the
    // player declined, 0 when nothing could be saved.
    int32_t SaveGame(const char* path);
    // Replaces the running game by the one saved in `path`. The file is
    // checked whole first; a file refused then, or by the scripts later,
    // leaves the running game as it was ("GAME_LOAD_FAILED"). 1 when loaded
    // (the menu closes), 0 otherwise (silently when loading is switched off
    // or the file cannot be read).
    int32_t LoadGame(const char* path);
    // The intro screen when ShowIntro is set, run modally.
    void ShowIntro();
    // Engine.QuitGame: the program ends at the quit timer's first tick.
    void StartQuitTimer();
    int OnTimer(TObject* sender, TEvent* event);
    // Retires the world, shows the credits and ends the main loop.
    void EndProgram();

    GameWorld* World() const { return world_; }
    int32_t MenuCount() const { return menuCount_; }
    int32_t MenuFlag() const { return menuFlag_; }
    QuitTimer& GetQuitTimer() { return quitTimer_; }
    THintForm& HintWindow() { return hint_; }
    // The menu form, made when first needed and gone with Shutdown: its
    // controls hold drawing surfaces of the display, which closes there.
    GameMenu& Menu();

private:
    enum class Built { Loaded, Failed, NoWorld };
    // Whether a save file holds together and the running world's dialogs
    // take it; says "GAME_LOAD_WRONG_VERSION" for another version.
    bool CheckSaveFile(const std::vector<uint8_t>& bytes);
    // A new world in place of the running one, loaded from `bytes`.
    Built BuildLoadedWorld(const std::vector<uint8_t>& bytes);
    // Alt+F4 while the application has the focus.
    bool IsAltF4(const TEvent* event) const;
    // Nobody could answer a modal page or box: the platform's box policy
    // answers instead (always so on the memory host).
    bool Headless() const;
    // Runs a box with the hand cursor; 1 when its left button answered.
    int32_t Ask(GameBox& box, const char* text);
    // The quit question, with the menu flag set while it runs; true for yes.
    bool QuitQuestion();
    // Ends the main loop and any modal loop running under it.
    void EndLoops();

    THintForm hint_;
    QuitTimer quitTimer_;
    AppServices services_;
    std::unique_ptr<GameMenu> menu_;
    GameWorld* world_ = nullptr;
    int32_t menuCount_ = 0;
    int32_t menuFlag_ = 0;
    bool headless_ = false;
    bool scriptedInput_ = false;
    bool shown_ = false;
    // While the credits run the program is ending.
    bool creditsRunning_ = false;
    bool failed_ = false;
};
