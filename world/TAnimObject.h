// An animated picture of the room: one frame of one group of the room's
// object or local-item container, stepped on its own timer in one of five
// modes, hit only on its opaque pixels.
#pragma once

#include "TRoomElement.h"

#include "foundation/TTimer.h"

#include <cstdint>

class TAnimObject : public TRoomElement {
public:
    enum Mode : int32_t { amLoop = 0, amLoopBack = 1, amOnce = 2, amOnceBack = 3, amStopped = 4 };

    TAnimObject();
    ~TAnimObject() override;

    int32_t GetType() const override { return tyObject; }
    void Draw() override;
    void PaintPass(TEvent* event) override;
    bool HitTest(int32_t x, int32_t y) override;

    void Init(TRoom* room);
    void Detach() override;
    void SetImage(int32_t group, int32_t frame);
    void SetAnimMode(int32_t mode);
    int32_t GetAnimMode() const { return animMode_; }
    int32_t GetImageCount();
    int AnimStep(TObject* sender, TEvent* event);

    // Made on first use (script command), with group -1 and scale 1.0.
    AnimEntry* GetEntry() const { return entry_; }
    AnimEntry* MakeEntry();
    TTimer& Timer() { return timer_; }
    int32_t endAction = -1;

    // Draws into the display surface, clipped to `deviceClip`.
    void DrawDirect(const TRectArea& deviceClip);

private:
    int32_t animMode_ = amLoop;
    AnimEntry* entry_ = nullptr;
    int32_t shownGroup_ = -1;
    int32_t shownFrame_ = -1;
    TTimer timer_;
};
