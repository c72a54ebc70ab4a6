#include "TSkyLayer.h"

#include "FloatToInt.h"
#include "RoomGlobals.h"
#include "RoomPaths.h"
#include "RoomSurface.h"
#include "SpriteCanvas16.h"
#include "TRoom.h"

#include "gdl/draw.h"

TSkyLayer::TSkyLayer() : surface_(kWidth, kHeight) {
    // Black until a picture is drawn into it.
    if (surface_.pixels) surface_.Fill(0);
    wrapLimit_ = float(kWidth) / topSpeed_;
}

TSkyLayer::~TSkyLayer() {
    timer_.Detach();
    pictures_.Close();
    delete stream_;
}

void TSkyLayer::OpenPictures() {
    pictures_.Close();
    if (!stream_) stream_ = new RlaStdioStream;
    if (!stream_) return;
    TString path = GlobalPicture("Global\\LocItem.rla");
    if (stream_->Open(path.c_str(), "rb")) pictures_.Open(stream_);
}

void TSkyLayer::Init(TRoom* room) {
    SetTransparent(1);
    timer_.SetInterval(100.0f);
    timer_.SetFlags(kEnabled, false);
    timer_.Add<TSkyLayer, &TSkyLayer::Idle>(evTick, this);
    timer_.SetParent(this);
    TRoomElement::Attach(room);
}

void TSkyLayer::Detach() {
    timer_.Detach();
    TRoomElement::Detach();
}

void TSkyLayer::SetSpeed(float top, float bottom) {
    topSpeed_ = top;
    bottomSpeed_ = bottom;
    phase_ = 0.0f;
    // A speed of 0 gives an infinite limit: the phase then never wraps.
    wrapLimit_ = float(kWidth) / topSpeed_;
}

void TSkyLayer::Tick() {
    const int32_t before = Offset();
    phase_ += 1.0f;
    if (!(phase_ < wrapLimit_) || phase_ < 0.0f) phase_ = 0.0f;
    wrapLimit_ = float(kWidth) / topSpeed_;
    // The sky is drawn at whole pixels: a step that leaves it where it was
    // repaints nothing.
    if (Offset() == before) return;
    SetFlags(kRedraw, true);
    Invalidate(true);
}

int32_t TSkyLayer::Offset() const {
    int32_t offset = FloatToInt32(topSpeed_ * phase_) % kWidth;
    if (offset < 0) offset += kWidth;
    return offset;
}

void TSkyLayer::SetImage(int32_t group) {
    auto* frame = dynamic_cast<RleSprite16*>(pictures_.GetFrame(group, 0));
    if (!frame || !CurrentRoom() || !surface_.pixels) return;
    SpriteCanvas16& canvas = CurrentRoom()->GetSpriteCanvas();
    Surface16* keptTarget = canvas.Target();
    const ClipRect keptClip = canvas.Clip();
    canvas.SetTarget(&surface_, {0, 0, surface_.width, surface_.height});
    canvas.DrawRle(frame, 0, 0);
    canvas.SetTarget(keptTarget, keptClip);
    if (CurrentRoom()) CurrentRoom()->Invalidate(true);
}

void TSkyLayer::DrawLayer(Camera3D&, SpriteCanvas16& canvas, int32_t originX, int32_t originY) {
    if (!surface_.pixels) return;
    const int32_t offset = Offset();
    canvas.DrawSurface(&surface_, originX + offset - kWidth, originY);
    canvas.DrawSurface(&surface_, originX + offset, originY);
}

void TSkyLayer::PaintPass(TEvent* event) {
    // The room draws the sky; the layer itself paints nothing through the frame.
    if (PaintDirectly(*this, event, [](TGraphic&, const TRectArea&) {})) return;
    TRoomElement::PaintPass(event);
}
