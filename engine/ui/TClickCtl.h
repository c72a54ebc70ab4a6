// The button behaviour of push buttons, check boxes, radio buttons and list
// forms: presses, releases and keys become command events; the control keeps
// a checked state and a look (pressed, hot), answers Escape and Enter as the
// cancel or default button, and an Alt hot key.
#pragma once

#include "foundation/TKeys.h"
#include "ui/TControl.h"

#include <cstdint>

class TClickCtl : public TControl {
public:
    enum Mode : uint32_t { mdPush = 0, mdRadio = 1, mdToggle = 2 };
    enum State : uint32_t { stPressed = 1, stHot = 2 };
    static constexpr uint16_t kNoHotKey = 0xFFFF;

    TClickCtl();
    ~TClickCtl() override;

    uint32_t Update() override;
    bool HandleEvent(TObject* sender, TEvent* event) override;
    void OnLeftDown(TEvent* event) override;
    void OnLeftUp(TEvent* event) override;
    void OnMouseEnter(TEvent* event) override;
    void OnMouseLeave(TEvent* event) override;
    void OnKeyUp(TEvent* event) override;
    void OnKeyDown(TEvent* event) override;

    void Show(TControl* parent);
    void Hide();
    void SetCancel(uint32_t flag) { cancel_ = flag; }
    void SetDefault(uint32_t flag) { default_ = flag; }
    void SetHotKey(uint16_t character) { hotKey_ = character; }
    void SetMode(uint32_t mode) { mode_ = mode; }
    uint32_t GetMode() const { return mode_; }
    void SetChecked(uint32_t flag);
    uint32_t GetChecked() const { return checked_; }
    uint32_t GetState() const { return state_; }

private:
    bool RadioGroup(TEvent* event);
    void SetStateBits(uint32_t bits, bool on);
    void QueueRadioGroup();
    void QueueFrame();
    void QueueCommand(uintptr_t modifiers);
    // The common end of Enter and the hot key: radio and toggle controls
    // check themselves first, then the focus request and the command.
    void Trigger(TEvent* event);
    bool IsEnter(uint16_t key) const { return key == kKeyEnter || key == kKeyPadEnter; }
    bool IsHotKey(const TEvent* event);

    uint32_t cancel_ = 0;
    uint32_t default_ = 0;
    uint16_t hotKey_ = kNoHotKey;
    uint32_t checked_ = 0;
    uint32_t mode_ = mdPush;
    uint32_t state_ = 0;
};
