// Clicks of the player on the game menu's pages, as the headless window
// takes them: the pointer moves to a point of the 800 x 600 game screen
// (where the application stands in the window) and the left button goes
// down and up there. A page opened by a click runs its own modal loop, so
// the clicks come one at a time on the virtual clock, as a player's would:
// each after the loop running then has taken the one before.
#pragma once

#include "GameApp.h"
#include "GameEntry.h"
#include "GameStatics.h"
#include "TQuestionBox.h"

#include "media/devices/TDispDev.h"
#include "platform/Host.h"
#include "platform/MMSystem.h"

#include <atomic>
#include <initializer_list>
#include <string>
#include <vector>

namespace menuclicks {

struct Point {
    int x, y;
};

// Points inside the controls (their top left corner plus a few pixels).
constexpr Point kNew{180, 155}, kLoad{180, 205}, kSave{180, 255}, kExit{180, 305},
    kOptions{85, 495}, kBack{475, 495};
constexpr Point kQuitYes{315, 245}, kQuitNo{435, 245};
constexpr Point kFilteringToggle{180, 155}, kHintsToggle{180, 205}, kDialogTextToggle{180, 255},
    kBackToMenu{85, 495}, kBackToGame{475, 495};
// The volume bars at (457, 351) and (457, 399), 200 wide: the button at the
// left steps down, the one at the right up.
constexpr Point kMusicDown{462, 356}, kMusicUp{652, 356}, kSoundDown{462, 404}, kSoundUp{652, 404};
// The file dialog: OK, Cancel, the name field, the list's first row.
constexpr Point kDialogOk{182, 472}, kDialogCancel{415, 472}, kNameField{190, 115},
    kFirstFile{200, 160};

// A point of a button of the question box as it comes up for `text` (the
// left one, Yes, or the right one, No), by its layout: the box on the game
// screen, its client area, the row of buttons and the button in it.
inline Point QuestionButton(const char* text, bool yes) {
    TQuestionBox probe;
    probe.Layout(&App(), text);
    TRectArea box, row;
    probe.GetClientRect(box);
    probe.Buttons().GetClientRect(row);
    TTextButtonEx& button = yes ? probe.First() : probe.Second();
    const Point at{probe.GetX() + box.left + probe.Buttons().GetX() + row.left + button.GetX() + 10,
                   probe.GetY() + box.top + probe.Buttons().GetY() + row.top + button.GetY() + 10};
    probe.Close();
    return at;
}

// A step of the player: a click (or a double click), text typed key by key
// (with Enter when it ends in '\n'), a key (Escape), Alt+F4, or the desktop
// asking whether it may log off.
struct Step {
    enum class Kind { Click, Type, Key, AltF4, LogOff };
    Step(Point at) : at(at) {}
    Step(const char* typed) : kind(Kind::Type), typed(typed) {}
    static Step Twice(Point at) {
        Step step(at);
        step.twice = true;
        return step;
    }
    static Step Press(platform::KeyCode key) {
        Step step(Point{0, 0});
        step.kind = Kind::Key;
        step.key = key;
        return step;
    }
    static Step Of(Kind kind) {
        Step step(Point{0, 0});
        step.kind = kind;
        return step;
    }
    Kind kind = Kind::Click;
    Point at{0, 0};
    bool twice = false;
    std::string typed;
    platform::KeyCode key = platform::KeyCode::Escape;
};

class Player {
public:
    explicit Player(std::vector<Step> steps) : steps_(std::move(steps)) {
        TRectArea screen;
        App().GetScreenRect(screen);
        left_ = screen.left;
        top_ = screen.top;
        window_ = TDispDev::Global().GetWindow();
    }
    ~Player() {
        if (timer_) timeKillEvent(timer_);
    }
    // Plays the steps 100 ms apart while the game runs, then `after` ticks.
    void Play(long after = 4) {
        timer_ = timeSetEvent(100, 1, &Player::OnTimer, DWORD_PTR(this), TIME_PERIODIC);
        while (next_ < steps_.size() && App().IsEnabled() && App().IsVisible()) {
            RunTicks(1);
            if (logOff_.exchange(false)) platform::InjectQueryEndSession();
        }
        timeKillEvent(timer_);
        timer_ = 0;
        RunTicks(after);
    }

private:
    static void CALLBACK OnTimer(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
        auto* player = reinterpret_cast<Player*>(user);
        const size_t n = player->next_;
        if (n >= player->steps_.size()) return;
        player->Take(player->steps_[n]);
        player->next_ = n + 1;
    }
    void Take(const Step& step) {
        using K = platform::KeyCode;
        switch (step.kind) {
            case Step::Kind::Key: Press(step.key); return;
            case Step::Kind::AltF4:
                platform::InjectKey(K::LeftAlt, true);
                Press(K::F4);
                platform::InjectKey(K::LeftAlt, false);
                return;
            case Step::Kind::LogOff:
                // The desktop sends it, and waits for the answer: Play asks
                // from the game's loop, never from inside a timer's callback.
                logOff_ = true;
                return;
            default: break;
        }
        if (step.kind == Step::Kind::Type) {
            std::string text = step.typed;
            const bool enter = text.back() == '\n';
            if (enter) text.pop_back();
            for (char c : text)
                Press(KeyOf(c));
            if (enter) Press(platform::KeyCode::Return);
            return;
        }
        const int x = left_ + step.at.x, y = top_ + step.at.y;
        platform::InjectMouseMove(window_, x, y);
        for (int click = 0; click < (step.twice ? 2 : 1); ++click) {
            platform::InjectMouseButton(window_, platform::MouseButton::Left, true, x, y);
            platform::InjectMouseButton(window_, platform::MouseButton::Left, false, x, y);
        }
    }

    // The key that types `c` (lower-case letters, digits, '.', '\\').
    static platform::KeyCode KeyOf(char c) {
        using K = platform::KeyCode;
        if (c >= 'a' && c <= 'z') return K(uint16_t(K::A) + (c - 'a'));
        if (c >= '1' && c <= '9') return K(uint16_t(K::Digit1) + (c - '1'));
        if (c == '0') return K::Digit0;
        return c == '.' ? K::Period : K::Backslash;
    }
    static void Press(platform::KeyCode key) {
        platform::InjectKey(key, true);
        platform::InjectKey(key, false);
    }

    std::vector<Step> steps_;
    std::atomic<size_t> next_{0};
    std::atomic<bool> logOff_{false};
    int left_ = 0, top_ = 0;
    HWND window_ = nullptr;
    UINT timer_ = 0;
};

// The player takes `steps`, then the game runs a few ticks more.
inline void Play(std::vector<Step> steps) {
    Player(std::move(steps)).Play();
}

} // namespace menuclicks
