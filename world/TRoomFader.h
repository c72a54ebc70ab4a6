// Fades the whole screen between two brightness levels of the display (256
// unchanged, 0 black, up to 512) by one level each firing of its timer.
#pragma once

#include "foundation/TTimer.h"
#include "ui/TGraphic.h"

#include <cstdint>

class TRoomFader : public TGraphic {
public:
    static constexpr int32_t kMaxLevel = 512;

    TRoomFader();
    ~TRoomFader() override;

    void Draw() override {}

    // Both ends must lie in 0..512, else nothing changes.
    void SetRange(int32_t from, int32_t to);
    void SetRate(float rate);
    void SetNotify(int32_t notify) { notify_ = notify; }
    void Attach(TGraphic* parent);
    void Detach();
    void Start();
    int Step(TObject* sender, TEvent* event);

    int32_t GetLevel() const { return level_; }
    int32_t GetFrom() const { return from_; }
    int32_t GetTo() const { return to_; }
    float GetRate() const { return rate_; }
    bool IsRunning() const { return running_ != 0; }
    TTimer& Timer() { return timer_; }

private:
    void Notify(int32_t type);

    float rate_ = 0.0f;
    int32_t level_;
    int32_t notify_ = 0;
    int32_t from_;
    int32_t to_;
    TTimer timer_;
    int32_t running_ = 0;
    int32_t direction_ = 0;
};
