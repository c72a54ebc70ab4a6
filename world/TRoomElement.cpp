#include "TRoomElement.h"

#include "GameServices.h"
#include "RleSprite16.h"
#include "RoomGlobals.h"
#include "SpanEffect.h"
#include "TRlaFile.h"
#include "TRoom.h"
#include "WorldRandom.h"

void SetGlobalBrightness(float level) {
    ObjectBrightness() = level;
    if (CurrentRoom()) CurrentRoom()->Refresh();
}

int32_t RandomInterval(const AnimEntry& entry) {
    const int64_t min = entry.pauseMin;
    const int64_t max = entry.pauseMax;
    int64_t result = min;
    // The span in 64 bits: bounds of opposite signs cannot overflow it.
    if (min != max) result = WorldRand() % (max - min) + min;
    return result < 100 ? 100 : int32_t(result);
}

TRoomElement::TRoomElement() {
    name_ = "Err: Missing Name";
}

TRoomElement::~TRoomElement() {
    Game().Unref(scriptRef);
    delete effect_;
}

void TRoomElement::SetPosition(const Point3D& position) {
    position_ = position;
    if (CurrentRoom()) CurrentRoom()->SortElements(1);
}

void TRoomElement::DrawLayer(Camera3D&, SpriteCanvas16&, int32_t, int32_t) {}

bool TRoomElement::BelongsTo(const TRoom* room) const {
    return room && room_.Get() == room;
}

void TRoomElement::Attach(TRoom* room) {
    SetStyle(7);
    SetBorderWidth(0);
    Add<TRoomElement, &TRoomElement::OnMouseEnter>(evMouseEnter, this);
    Add<TRoomElement, &TRoomElement::OnMouseLeave>(evMouseLeave, this);
    SetPosition({0.0f, 0.0f, 0.0f});
    type_ = GetType();
    room_ = TRef<TRoom>(room);
    OrderDirty() = 1;
    Show(room);
}

void TRoomElement::Detach() {
    Game().Unref(scriptRef);
    Hide();
}

int TRoomElement::OnMouseEnter(TObject*, TEvent*) {
    int32_t item = -1;
    if (Game().GetHeldItem(&item)) Game().HoldDragItem(true);
    Game().CallGameEvent("DoMouseEnter", scriptRef, -1);
    return 1;
}

int TRoomElement::OnMouseLeave(TObject*, TEvent*) {
    int32_t item = -1;
    if (Game().GetHeldItem(&item)) Game().HoldDragItem(false);
    Game().CallGameEvent("DoMouseLeave", scriptRef, -1);
    return 1;
}

void TRoomElement::SetDepth(int32_t depth) {
    depth_ = depth;
    if (CurrentRoom()) CurrentRoom()->SortElements(1);
}

void TRoomElement::SetEffect(SpanEffect* effect, int32_t parameter) {
    if (effect_ != effect) delete effect_;
    effect_ = effect;
    effectParameter_ = parameter;
}

void TRoomElement::ClearEffect() {
    delete effect_;
    effect_ = nullptr;
    effectParameter_ = 0;
}

bool TRoomElement::HitFrame(const AnimEntry* entry, int32_t x, int32_t y) {
    if (!entry || !source_) return false;
    auto* frame = dynamic_cast<RleSprite16*>(source_->GetFrame(entry->group, entry->frame));
    if (!frame) return false;
    if (CurrentRoom()) {
        TRectArea room;
        CurrentRoom()->GetScreenRect(room);
        x -= room.left;
        y -= room.top;
    }
    const int64_t lx = int64_t(x) - (int64_t(frame->x) + entry->x);
    const int64_t ly = int64_t(y) - (int64_t(frame->y) + entry->y);
    if (lx < 0 || lx >= frame->width || ly < 0 || ly >= frame->height) return false;
    return frame->IsOpaqueAt(int32_t(lx), int32_t(ly));
}

// --- Zone ---

void TRoomZone::Init(TRoom* room) {
    SetRect(0, 0, 1, 1);
    SetTransparent(1);
    TCanvas& canvas = GetCanvas();
    const TColor green(0, 255, 0);
    canvas.SetBackColor(green);
    canvas.SetColor3(green);
    canvas.SetKeep(1);
    // Without outlines a zone paints nothing at all and still takes clicks.
    SetHollow(Game().ShowZones() ? 0 : 1);
    TRoomElement::Attach(room);
}

void TRoomZone::Draw() {
    if (!Game().ShowZones()) return;
    // The kept canvas is cleared by no one else: back to the key before
    // each outline.
    TCanvas& canvas = GetCanvas();
    canvas.Clear();
    canvas.SetForeColor(TColor(255, 255, 255));
    canvas.FrameRect(0, 0, GetWidth(), GetHeight());
}
