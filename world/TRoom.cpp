#include "TRoom.h"

#include "GameServices.h"
#include "RoomGlobals.h"
#include "RoomSurface.h"
#include "TActor.h"
#include "TAnimObject.h"
#include "TRoomSound.h"

#include "foundation/Saturate.h"
#include "foundation/TDeleteQueue.h"
#include "foundation/TError.h"
#include "foundation/TKeys.h"
#include "gdl/dc.h"
#include "gdl/draw.h"
#include "media/devices/TDispDev.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace {
constexpr const char* kSource = "Int\\All\\Source\\Room";
constexpr float kSameDepth = 0.0001f;

// Far to near: the larger camera-space z first; equal depths by creation
// (the serial), the later element first, so that the order is the same on
// every run.
bool DrawsBefore(const TRoomElement* a, float za, const TRoomElement* b, float zb) {
    if (std::fabs(za - zb) < kSameDepth) return a->Serial() > b->Serial();
    return za > zb;
}

} // namespace

TRoom::TRoom()
    : spriteCanvas_(new SpriteCanvas16(kSpanCapacity)), wayFinder_(new WayFinder(&wayGraph_)) {
    if (!spriteCanvas_ || !wayFinder_) TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
    if (wayFinder_) wayFinder_->SetActorPositions(this, &TRoom::ActorPositions);
    CurrentRoom() = this;
    GetCanvas().SetBuffered(TCanvas::kAlwaysDirect);
}

TRoom::~TRoom() {
    Clear();
    for (TRlaFile* container : {&background_, &objects_, &localItems_})
        container->Close();
    if (CurrentRoom() == this) CurrentRoom() = nullptr;
}

GdlDeviceContext* TRoom::DisplayContext() const {
    return TDispDev::Global().GetContext();
}

void TRoom::Init(TControl* parent) {
    SetBorderWidth(0);
    SetRect(0, 0, 800, 600);
    SetTransparent(1);
    SetStyle(7);
    Add<TRoom, &TRoom::OnRoomClick>(evLeftUp, this);
    Add<TRoom, &TRoom::OnRoomExamine>(evRightUp, this);
    if (parent) parent->Add<TRoom, &TRoom::OnKey>(evKeyDown, this);
    if (GdlDeviceContext* dc = DisplayContext())
        // The library keeps field masks unshifted: five green bits are 31.
        Display555() = GDL_liveDC(dc)->format.greenMask == 31 ? 1 : 0;
    for (TTimer* timer : {&tickTimer_, &secondTimer_}) {
        timer->SetInterval(timer == &tickTimer_ ? 100.0f : 1000.0f);
        timer->SetFlags(kEnabled, false);
        timer->SetParent(this);
    }
    tickTimer_.Add<TRoom, &TRoom::OnTick>(evTick, this);
    secondTimer_.Add<TRoom, &TRoom::OnSecond>(evTick, this);
    music_.Attach(this);
    debugLabel_.SetRect(0, 0, 400, 100);
    debugLabel_.SetTextColor(TColor(0, 0, 0));
    debugLabel_.Show(this);
    debugLabel_.SetVisible(Game().ShowDebugLabel() != 0);
    debugLabel_.SetText("Debug Text Test");
    camera_.SetPosition({5.0f, 1.7f, 0.0f});
    camera_.SetRotation(0.0f, 0.0f, 0.0f);
    wayGraphView_.Init(this);
    wayGraphView_.SetGraph(&wayGraph_);
    wayGraphView_.SetCamera(&camera_);
    wayGraphView_.SetVisible(false);
    sky_.OpenPictures();
    sky_.Init(this);
    sky_.SetRect(0, 0, 800, 350);
    sky_.SetImage(0);
    Show(parent);
}

// --- Elements ---------------------------------------------------------------------

TRoomElement* TRoom::CreateElement(int32_t type, const char* name, int32_t depth) {
    TRoomElement* element = nullptr;
    switch (type) {
        case TRoomElement::tyObject: element = new TAnimObject; break;
        case TRoomElement::tyActor: element = new TActor; break;
        case TRoomElement::tyZone: element = new TRoomZone; break;
        case TRoomElement::tySound: element = new TRoomSound; break;
        default: return nullptr;
    }
    if (!element) {
        TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
        return nullptr;
    }
    std::unique_ptr<TRoomElement> made(element);
    if (!elements_.Adopt(made)) {
        TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
        return nullptr;
    }
    const char* hint = nullptr;
    if (type == TRoomElement::tyActor) {
        hint = Game().HintText(name);
    } else {
        hints_.SetSection(name);
        hint = hints_.GetSection();
    }
    element->SetHint(hint ? hint : "");
    element->SetName(name);
    element->SetDepth(depth);
    element->SetCursor(Game().NamedCursor("curHand"));
    switch (type) {
        case TRoomElement::tyObject: static_cast<TAnimObject*>(element)->Init(this); break;
        case TRoomElement::tyActor: static_cast<TActor*>(element)->Init(this); break;
        case TRoomElement::tyZone: static_cast<TRoomZone*>(element)->Init(this); break;
        default: static_cast<TRoomSound*>(element)->Init(this); break;
    }
    // The handlers name the element by its serial: its word is looked up
    // again when a click comes, never followed as an address.
    element->Add<TRoom, &TRoom::OnClick>(evLeftUp, this, TEvent::WordOf(element));
    element->Add<TRoom, &TRoom::OnExamine>(evRightUp, this, TEvent::WordOf(element));
    return element;
}

void TRoom::CleanUp(TRoomElement* element) {
    // Every cleanup may run twice (removal, then the room's clearing).
    if (element->CachedType() < TRoomElement::tySky) element->Detach();
}

void TRoom::RemoveElement(TRoomElement* element) {
    if (!element) return;
    const int32_t index = elements_.IndexOf(element);
    element->Dismiss();
    element->SetEnabled(false);
    CleanUp(element);
    if (index < 0) return;
    elements_.Erase(index);
}

// A removed element still waiting in the deletion queue counts, but only in
// the room it was removed from: the queue holds every room's (and a rebuilt
// world's old room's) elements.
bool TRoom::HasElement(const TRef<TRoomElement>& handle) const {
    const TRoomElement* element = handle.Get();
    if (!element) return false;
    return elements_.IndexOf(element) >= 0 || playing_.IndexOf(element) >= 0 ||
           stopped_.IndexOf(element) >= 0 ||
           (IsQueuedForDeletion(element) && element->BelongsTo(this));
}

void TRoom::SortElements(uint8_t) {
    const int32_t n = elements_.Count();
    if (!sorted_.Resize(n)) {
        TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
        return;
    }
    GrowArray<float> depths;
    if (!depths.Resize(n)) {
        TError::Raise(9, nullptr, nullptr, kSource, __LINE__);
        return;
    }
    // Insertion sort: stable and safe with a tolerance in the comparison.
    for (int32_t i = 0; i < n; ++i) {
        TRoomElement* e = elements_[i];
        Point3D p = *e->GetPosition();
        camera_.Transform(p);
        int32_t j = i;
        while (j > 0 && DrawsBefore(e, p.z, sorted_[j - 1], depths[j - 1])) {
            sorted_[j] = sorted_[j - 1];
            depths[j] = depths[j - 1];
            --j;
        }
        sorted_[j] = e;
        depths[j] = p.z;
    }
    bool same = true;
    for (int32_t i = 0; i < n && same; ++i)
        same = sorted_[i] == elements_[i];
    if (!same || OrderDirty()) {
        OrderDirty() = 0;
        elements_.Reorder(sorted_);
        if (sky_.IsVisible()) sky_.ToBack();
        for (int32_t i = 0; i < n; ++i)
            elements_[i]->ToFront();
    }
    if (debugLabel_.IsVisible()) debugLabel_.ToFront();
}

TActor* TRoom::FindActor(int32_t number) {
    for (int32_t i = 0; i < elements_.Count(); ++i) {
        auto* actor = dynamic_cast<TActor*>(elements_[i]);
        if (actor && actor->number == number) return actor;
    }
    return nullptr;
}

void TRoom::ResetActorsTalk() {
    for (int32_t i = 0; i < elements_.Count(); ++i)
        if (auto* actor = dynamic_cast<TActor*>(elements_[i])) {
            actor->SetFlag(nullptr);
            if (actor->GetState() == TActor::asTalking) actor->SetTalkState(0);
        }
}

void TRoom::RefreshActorsTalk(int32_t) {
    for (int32_t i = 0; i < elements_.Count(); ++i)
        if (auto* actor = dynamic_cast<TActor*>(elements_[i]))
            if (actor->GetState() == TActor::asTalking) actor->SetTalkState(0);
}

int32_t TRoom::ActorPositions(void* owner, const Point3D** positions) {
    auto* room = static_cast<TRoom*>(owner);
    room->actorPositions_.Clear();
    for (int32_t i = 0; i < room->elements_.Count(); ++i)
        if (room->elements_[i]->CachedType() == TRoomElement::tyActor)
            room->actorPositions_.Push(*room->elements_[i]->GetPosition());
    *positions = room->actorPositions_.Data();
    return room->actorPositions_.Count();
}

// --- State -------------------------------------------------------------------------

bool TRoom::IsBusy() {
    bool busy = InputLocked() || blocked_ || Game().DialogRunning() || Game().InventoryVisible();
    for (int32_t i = 0; i < elements_.Count(); ++i)
        if (auto* object = dynamic_cast<TAnimObject*>(elements_[i]))
            if (object->endAction >= 0) busy = true;
    return busy;
}

bool TRoom::IsActorBusy() {
    for (int32_t i = 0; i < elements_.Count(); ++i)
        if (auto* actor = dynamic_cast<TActor*>(elements_[i]))
            if (actor->GetState() == TActor::asScript && actor->animEndAction >= 0) return true;
    return false;
}

void TRoom::PlayMusic() {
    music_.Play(0);
}

void TRoom::StopMusic() {
    music_.Release();
}

void TRoom::SetSoundVolume(int32_t volume) {
    for (int32_t i = 0; i < playing_.Count(); ++i)
        playing_[i]->Sound().SetVolume(uint32_t(volume));
}

void TRoom::SetImage(int32_t frame) {
    if (frame == backgroundFrame_) return;
    backgroundFrame_ = frame;
    Invalidate(true);
}

void TRoom::Refresh() {
    Invalidate(true);
    for (int32_t i = 0; i < elements_.Count(); ++i) {
        TRoomElement* e = elements_[i];
        e->Invalidate(true);
        e->SetPosition(*e->GetPosition());
    }
}

void TRoom::ReloadHints() {
    for (int32_t i = 0; i < elements_.Count(); ++i) {
        TRoomElement* e = elements_[i];
        const char* hint = nullptr;
        if (e->CachedType() == TRoomElement::tyActor) {
            hint = Game().HintText(e->GetName().c_str());
        } else {
            hints_.SetSection(e->GetName().c_str());
            hint = hints_.GetSection();
        }
        e->SetHint(hint ? hint : "");
    }
}

void TRoom::ReloadPictures() {
    for (int32_t i = 0; i < elements_.Count(); ++i) {
        auto* object = dynamic_cast<TAnimObject*>(elements_[i]);
        if (!object) {
            elements_[i]->Invalidate(true);
            continue;
        }
        // The containers were reopened: frames are taken afresh.
        if (object->GetSource() != &localItems_) object->SetSource(&objects_);
        if (AnimEntry* entry = object->GetEntry()) {
            object->SetImage(-1, -1);
            object->SetImage(entry->group, entry->frame);
        }
        object->Invalidate(true);
    }
    sky_.Invalidate(true);
    Invalidate(true);
}

// --- Clocks ------------------------------------------------------------------------

int TRoom::OnTick(TObject*, TEvent*) {
    if (Game().MenuOpen() || InputLocked()) return 1;
    sky_.Tick();
    ++ticks_;
    for (int32_t i = 0; i < playing_.Count();) {
        if (playing_[i]->IsPlaying()) {
            ++i;
            continue;
        }
        RetireSound(i);
    }
    return 1;
}

int TRoom::OnSecond(TObject*, TEvent*) {
    if (!InputLocked() && !Game().MenuOpen()) Game().DoTickAction();
    return 1;
}

void TRoom::RetireSound(int32_t index) {
    std::unique_ptr<TRoomSound> sound(playing_.Release(index));
    sound->Stop();
    sound->Detach();
    if (!stopped_.Adopt(sound)) DeleteLater(sound.release());
}

// A stopped sound may still be in its own end action: queued, not deleted.
void TRoom::DeleteStoppedSounds() {
    stopped_.Clear();
}

// --- Clicks and keys ---------------------------------------------------------------

int TRoom::OnClick(TObject*, TEvent* event) {
    if (IsBusy() || !event) return 1;
    TRoomElement* element = TRef<TRoomElement>::FromSerial(event->userWord).Get();
    if (!element || element->scriptRef < 0) return 1;
    int32_t item = -1;
    auto* actor = dynamic_cast<TActor*>(element);
    if (Game().GetHeldItem(&item)) {
        Game().CallGameEvent("DoUseItem", element->scriptRef, item);
        Game().DropHeldItem();
    } else if (actor && actor->number == playerActor_ && actor->number != 6) {
        Game().ShowInventory();
    } else {
        Game().CallGameEvent("DoAction", element->scriptRef, -1);
    }
    return 1;
}

int TRoom::OnExamine(TObject*, TEvent* event) {
    if (IsBusy() || !event) return 1;
    TRoomElement* element = TRef<TRoomElement>::FromSerial(event->userWord).Get();
    if (!element || element->scriptRef < 0) return 1;
    int32_t item = -1;
    if (Game().GetHeldItem(&item)) Game().DropHeldItem();
    Game().CallGameEvent("DoExamine", element->scriptRef, -1);
    return 1;
}

int TRoom::OnRoomClick(TObject*, TEvent* event) {
    if (IsBusy()) return 1;
    TActor* actor = playerActor_ != -1 ? FindActor(playerActor_) : nullptr;
    if (actor && event && wayFinder_) {
        TRectArea screen;
        GetScreenRect(screen);
        const TPoint point(event->record.x - screen.left, event->record.y - screen.top);
        if (WayNode* node = wayGraphView_.PickNode(point)) {
            actor->walkInterrupted = false;
            if (WalkPath* path = wayFinder_->FindPath(*actor->GetPosition(), node->Position())) {
                actor->WalkTo(path);
                Game().Unref(actor->walkEndAction);
            }
        }
    }
    Game().CallGameEvent("DoRoomAction", -1, -1);
    return 1;
}

int TRoom::OnRoomExamine(TObject*, TEvent*) {
    if (!IsBusy()) Game().CallGameEvent("DoRoomExamine", -1, -1);
    return 1;
}

int TRoom::OnKey(TObject*, TEvent* event) {
    if (!event) return 0;
    wayGraphView_.SetGraph(&wayGraph_);
    if (event->KeyCode() == kKeyF1)
        Game().OpenGameMenu();
    else if (event->KeyCode() == kKeyF2)
        Game().DoShow();
    event->passState = psConsumed;
    return 1;
}

// --- Drawing -----------------------------------------------------------------------

void TRoom::Draw() {
    TRectArea clip;
    GetCanvas().GetClipRect(&clip);
    DrawDirect(clip);
}

void TRoom::PaintPass(TEvent* event) {
    if (PaintDirectly(*this, event, [](TGraphic& g, const TRectArea& clip) {
            static_cast<TRoom&>(g).DrawDirect(clip);
        }))
        return;
    TControl::PaintPass(event);
}

// The sky is drawn only above the background's opaque lower part where that
// part spans the clip: the background would cover those rows at once.
ClipRect TRoom::SkyClip(const ClipRect& clip, const RleSprite16* background, int32_t x, int32_t y) {
    if (!background || x > clip.left || int64_t{x} + background->width < clip.right ||
        int64_t{y} + background->height < clip.bottom)
        return clip;
    ClipRect sky = clip;
    const int64_t hidden = int64_t{y} + background->OpaqueFrom();
    sky.bottom = static_cast<int32_t>(std::clamp<int64_t>(hidden, clip.top, clip.bottom));
    return sky;
}

void TRoom::DrawDirect(const TRectArea& deviceClip) {
    RoomSurface view;
    if (!spriteCanvas_ || !view.Wrap(DisplayContext(), deviceClip)) return;
    SpriteCanvas16& canvas = *spriteCanvas_;
    RleSprite16* frame = nullptr;
    if (background_.GroupCount() >= 1 && background_.FrameCount(0) >= 1)
        frame = dynamic_cast<RleSprite16*>(background_.GetFrame(0, backgroundFrame_));
    const int32_t frameX = frame ? SatAdd(view.originX, frame->x) : 0;
    const int32_t frameY = frame ? SatAdd(view.originY, frame->y) : 0;
    GDL_beginPixelAccess();
    if (sky_.IsVisible()) {
        canvas.SetTarget(&view.surface, SkyClip(view.clip, frame, frameX, frameY));
        sky_.DrawLayer(camera_, canvas, view.originX, view.originY);
    }
    canvas.SetTarget(&view.surface, view.clip);
    if (frame) canvas.DrawRle(frame, frameX, frameY);
    GDL_endPixelAccess();
    canvas.SetTarget(nullptr, {0, 0, 0, 0});
}

// --- End of the world --------------------------------------------------------------

void TRoom::Clear() {
    tickTimer_.Detach();
    secondTimer_.Detach();
    music_.Detach();
    debugLabel_.SetVisible(false);
    wayGraphView_.SetVisible(false);
    sky_.SetVisible(false);
    // Removed elements are queued (DeleteLater): the world may end from
    // inside one of their handlers.
    while (elements_.Count() > 0)
        RemoveElement(elements_[elements_.Count() - 1]);
    while (playing_.Count() > 0)
        RetireSound(0);
    DeleteStoppedSounds();
    Hide();
}
