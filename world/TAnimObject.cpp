#include "TAnimObject.h"

#include "GameServices.h"
#include "RleSprite16.h"
#include "RoomGlobals.h"
#include "RoomSurface.h"
#include "SpanEffect.h"
#include "SpriteCanvas16.h"
#include "TRlaFile.h"
#include "TRoom.h"

#include "foundation/Saturate.h"
#include "foundation/TError.h"
#include "gdl/draw.h"

#include <new>

namespace {
constexpr const char* kSource = "Int\\All\\Source\\RoomObject";

RleSprite16* FrameOf(TRlaFile* source, const AnimEntry* entry) {
    if (!source || !entry) return nullptr;
    return dynamic_cast<RleSprite16*>(source->GetFrame(entry->group, entry->frame));
}
} // namespace

TAnimObject::TAnimObject() = default;

TAnimObject::~TAnimObject() {
    timer_.Detach();
    delete entry_;
}

AnimEntry* TAnimObject::MakeEntry() {
    if (entry_) return entry_;
    entry_ = new (std::nothrow) AnimEntry;
    if (!entry_) {
        TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
        return nullptr;
    }
    entry_->interval = 0;
    return entry_;
}

void TAnimObject::Init(TRoom* room) {
    timer_.SetInterval(100.0f);
    timer_.SetFlags(kEnabled, false);
    timer_.Add<TAnimObject, &TAnimObject::AnimStep>(evTick, this);
    timer_.SetParent(this);
    SetRect(0, 0, 1, 1);
    SetTransparent(1);
    TRoomElement::Attach(room);
}

void TAnimObject::Detach() {
    timer_.Detach();
    TRoomElement::Detach();
}

void TAnimObject::SetImage(int32_t group, int32_t frame) {
    if (group == shownGroup_ && frame == shownFrame_) return;
    shownGroup_ = group;
    shownFrame_ = frame;
    RleSprite16* sprite = FrameOf(source_, entry_);
    if (!sprite) return;
    // Script offsets may lie anywhere in the 32-bit range: held, not wrapped.
    SetRect(SatAdd(entry_->x, sprite->x), SatAdd(entry_->y, sprite->y), (sprite->width + 3) & ~3,
            sprite->height);
    Invalidate(true);
}

void TAnimObject::SetAnimMode(int32_t mode) {
    if (mode == animMode_) return;
    animMode_ = mode;
    timer_.SetFlags(kEnabled, mode != amStopped);
}

int32_t TAnimObject::GetImageCount() {
    if (!entry_ || !source_) return 0;
    return source_->FrameCount(entry_->group);
}

bool TAnimObject::HitTest(int32_t x, int32_t y) {
    if (!(elementFlags_ & efSelectable)) return false;
    return HitFrame(entry_, x, y);
}

int TAnimObject::AnimStep(TObject*, TEvent*) {
    if (Game().MenuOpen() || animMode_ == amStopped || !entry_) return 1;
    const int32_t n = GetImageCount();
    bool ended = false;
    int32_t& frame = entry_->frame;
    switch (animMode_) {
        case amLoop:
            if (++frame > n - 1) frame = 0, ended = true;
            break;
        case amLoopBack:
            if (--frame < 0) frame = n - 1, ended = true;
            break;
        case amOnce:
        case amOnceBack:
            if (animMode_ == amOnce ? ++frame > n - 1 : --frame < 0) {
                frame = animMode_ == amOnce ? n - 1 : 0;
                animMode_ = amStopped;
                ended = true;
                Game().SetTableNumber(scriptRef, "AnimMode", amStopped);
                Game().SetTableNumber(scriptRef, "AnimImage", frame);
            }
            break;
        default: break;
    }
    SetImage(entry_->group, entry_->frame);
    if (ended) {
        // A looping animation rests between cycles.
        timer_.SetInterval(float(RandomInterval(*entry_)));
        Game().CallRefOnce(endAction);
    } else {
        timer_.SetInterval(float(entry_->interval));
    }
    return 1;
}

void TAnimObject::Draw() {
    TRectArea clip;
    GetCanvas().GetClipRect(&clip);
    DrawDirect(clip);
}

void TAnimObject::PaintPass(TEvent* event) {
    if (PaintDirectly(*this, event, [](TGraphic& g, const TRectArea& clip) {
            static_cast<TAnimObject&>(g).DrawDirect(clip);
        }))
        return;
    TRoomElement::PaintPass(event);
}

void TAnimObject::DrawDirect(const TRectArea& deviceClip) {
    RleSprite16* sprite = FrameOf(source_, entry_);
    if (!sprite || !CurrentRoom()) return;
    RoomSurface view;
    if (!view.Wrap(CurrentRoom()->DisplayContext(), deviceClip)) return;
    SpriteCanvas16& canvas = CurrentRoom()->GetSpriteCanvas();
    // The element's own effect (the scripts' pulse) takes the place of the
    // global brightness.
    SpanEffectBrightness brightness(ObjectBrightness());
    SpanEffect* effect = effect_;
    if (!effect && ObjectBrightness() < 0.99f) effect = &brightness;
    Surface16* keptTarget = canvas.Target();
    const ClipRect keptClip = canvas.Clip();
    SpanEffect* keptEffect = canvas.Effect();
    canvas.SetEffect(effect);
    canvas.SetTarget(&view.surface, view.clip);
    GDL_beginPixelAccess();
    canvas.DrawRle(sprite, Saturate32(int64_t{view.originX} + entry_->x + sprite->x),
                   Saturate32(int64_t{view.originY} + entry_->y + sprite->y));
    if (effect) canvas.ApplyEffect();
    GDL_endPixelAccess();
    canvas.ClearSpans();
    canvas.SetEffect(keptEffect);
    canvas.SetTarget(keptTarget, keptClip);
}
