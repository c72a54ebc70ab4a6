// The sky at the top of the room: an 800 x 350 picture that scrolls sideways
// without end, one step per 100 ms tick of the room, drawn before the
// background.
#pragma once

#include "RlaStdioStream.h"
#include "Surface16.h"
#include "TRlaFile.h"
#include "TRoomElement.h"

#include "foundation/TTimer.h"

class TSkyLayer : public TRoomElement {
public:
    static constexpr int32_t kWidth = 800;
    static constexpr int32_t kHeight = 350;

    TSkyLayer();
    ~TSkyLayer() override;

    int32_t GetType() const override { return tySky; }
    void Draw() override {}
    void PaintPass(TEvent* event) override;
    bool HitTest(int32_t, int32_t) override { return false; }
    void DrawLayer(Camera3D& camera, SpriteCanvas16& canvas, int32_t originX,
                   int32_t originY) override;

    // Opens the sky container; the room calls it once it has its paths.
    void OpenPictures();
    void Init(TRoom* room);
    void Detach() override;
    void SetSpeed(float top, float bottom);
    void ResetPhase() { phase_ = 0.0f; }
    void Tick();
    void SetImage(int32_t group);

    float GetPhase() const { return phase_; }
    // How far the picture is drawn to the right, 0 to 799 pixels.
    int32_t Offset() const;
    float GetWrapLimit() const { return wrapLimit_; }
    float GetTopSpeed() const { return topSpeed_; }
    const Surface16& GetSurface() const { return surface_; }
    TRlaFile& Pictures() { return pictures_; }

private:
    int Idle(TObject*, TEvent*) { return 0; }

    Surface16 surface_;
    TRlaFile pictures_;
    RlaStdioStream* stream_ = nullptr;
    TTimer timer_;
    float topSpeed_ = 0.3f;
    float bottomSpeed_ = 0.3f;
    float phase_ = 0.0f;
    float wrapLimit_;
};
