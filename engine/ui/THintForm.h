// The hint window: one small form that every control uses to show its hint
// text near the pointer. A hint appears after the pointer has rested for five
// firings of a 250 ms timer, at once while another hint was visible a moment
// ago (five firings of grace); the window sizes itself to its text and stays
// on the screen.
#pragma once

#include "foundation/TPoint.h"
#include "foundation/TRef.h"
#include "foundation/TTimer.h"
#include "ui/TLabel.h"
#include "ui/TWinForm.h"

#include <cstdint>

class THintForm : public TWinForm {
public:
    static constexpr float kInterval = 250.0f;
    static constexpr int32_t kFirings = 5;

    THintForm();
    ~THintForm() override;

    uint32_t Update() override;

    // The delay timer hangs under `parent`, not under the window.
    void Open(TControl* parent);
    void Close();
    // The delayed show and the hide with its grace period.
    void Show();
    void Hide();
    void SetOwner(TControl* owner) { owner_ = TRef<TControl>(owner); }
    TControl* GetOwner() const { return owner_.Get(); }
    // By identity: still true while the owner's deletion runs, when it no
    // longer resolves.
    bool IsOwnedBy(const TControl* control) const { return owner_.Is(control); }
    void SetText(const char* text);
    void SetAnchor(int32_t x, int32_t y);
    int OnTick(TObject* sender, TEvent* event);

    TLabel& GetLabel() { return label_; }
    TTimer& GetTimer() { return timer_; }
    int32_t GetStep() const { return step_; }
    bool IsRecent() const { return recent_; }

    // The application's hint window when it is one of these, else null.
    static THintForm* Current();

private:
    TRef<TControl> owner_; // a control may die while its hint shows
    TPoint offset_{0, 32};
    TLabel label_;
    TTimer timer_;
    int32_t counter_ = 0;
    int32_t step_ = 0; // 1 delaying, -1 grace, 0 idle
    bool recent_ = false;
    TPoint anchor_;
};
