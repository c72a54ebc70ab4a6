#include "ui/TGraphic.h"

#include "foundation/Saturate.h"
#include "foundation/TError.h"
#include "foundation/TDeleteQueue.h"
#include "foundation/TEventMgr.h"
#include "foundation/TServices.h"
#include "media/devices/TDirtyRects.h"
#include "ui/TRegionIndex.h"

#include <algorithm>

// One queued redraw request: an operation and a screen rectangle.
class TGraphic::TRequest : public TObject {
public:
    TRequest(int32_t op, const TRectArea& rect) : op(op), rect(rect) {}
    int32_t op;
    TRectArea rect;
};

namespace {

int32_t g_defaultColorMapMode = 4;
int32_t g_defaultAutoColorAdjust = 1;

bool Empty(const TRectArea& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

bool SameRect(const TRectArea& a, const TRectArea& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A child may lie anywhere in the 32-bit range: moved into its parent's
// place it stays at the end of the range instead of wrapping onto the screen.
TRectArea Moved(const TRectArea& r, int32_t dx, int32_t dy) {
    return {SatAdd(r.left, dx), SatAdd(r.top, dy), SatAdd(r.right, dx), SatAdd(r.bottom, dy)};
}

// The size of `r` from the origin, held in range.
TRectArea SizeOf(const TRectArea& r) {
    return {0, 0, SatSub(r.right, r.left), SatSub(r.bottom, r.top)};
}

int64_t Area(const TRectArea& r) {
    return Empty(r) ? 0 : (int64_t{r.right} - r.left) * (int64_t{r.bottom} - r.top);
}

} // namespace

TGraphic::TGraphic() {
    flags_ = kDirty | kRedraw | kEnabled | kVisible;
}

TGraphic::~TGraphic() {
    DeleteRequests();
}

// --- Process-wide values ---------------------------------------------------------------

void TGraphic::SetApplication(TComp* application) {
    Services().application = TRef<TComp>(application);
}

TComp* TGraphic::GetApplication() {
    return Services().application.Get();
}

void TGraphic::SetDefaultColorMapMode(int32_t mode) {
    g_defaultColorMapMode = mode;
}

int32_t TGraphic::GetDefaultColorMapMode() {
    return g_defaultColorMapMode;
}

void TGraphic::SetDefaultAutoColorAdjust(int32_t adjust) {
    g_defaultAutoColorAdjust = adjust;
}

int32_t TGraphic::GetDefaultAutoColorAdjust() {
    return g_defaultAutoColorAdjust;
}

// --- Event data ----------------------------------------------------------------------

TRectArea TGraphic::GetPaintRect(const TEvent* event, int32_t which) {
    const intptr_t* d = event->data + 4 * which;
    return {int32_t(d[0]), int32_t(d[1]), int32_t(d[2]), int32_t(d[3])};
}

void TGraphic::SetPaintRect(TEvent* event, int32_t which, const TRectArea& rect) {
    intptr_t* d = event->data + 4 * which;
    d[0] = rect.left;
    d[1] = rect.top;
    d[2] = rect.right;
    d[3] = rect.bottom;
}

GdlDeviceContext* TGraphic::GetPaintDC(const TEvent* event) {
    return reinterpret_cast<GdlDeviceContext*>(event->data[17]);
}

void TGraphic::SetPaintDC(TEvent* event, GdlDeviceContext* dc) {
    event->data[17] = reinterpret_cast<intptr_t>(dc);
}

TGraphic* TGraphic::GetRegionOrigin(const TEvent* event) {
    return reinterpret_cast<TGraphic*>(event->data[0]);
}

void TGraphic::SetRegionOrigin(TEvent* event, TGraphic* origin) {
    event->data[0] = reinterpret_cast<intptr_t>(origin);
}

TRectLst* TGraphic::GetRegionList(const TEvent* event) {
    return reinterpret_cast<TRectLst*>(event->data[1]);
}

void TGraphic::SetRegionList(TEvent* event, TRectLst* list) {
    event->data[1] = reinterpret_cast<intptr_t>(list);
}

TRectArea TGraphic::GetRegionRect(const TEvent* event) {
    return {int32_t(event->data[2]), int32_t(event->data[3]), int32_t(event->data[4]),
            int32_t(event->data[5])};
}

void TGraphic::SetRegionRect(TEvent* event, const TRectArea& rect) {
    event->data[2] = rect.left;
    event->data[3] = rect.top;
    event->data[4] = rect.right;
    event->data[5] = rect.bottom;
}

// --- Rectangles ----------------------------------------------------------------------

int32_t TGraphic::Clamp(int32_t v, int32_t low, int32_t high) {
    return v < low ? low : std::min(v, high);
}

bool TGraphic::IntersectRect(TRectArea& a, const TRectArea& b) {
    a = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
    return !Empty(a);
}

bool TGraphic::RectsDisjoint(const TRectArea& a, const TRectArea& b) {
    return a.right <= b.left || b.right <= a.left || a.bottom <= b.top || b.bottom <= a.top;
}

// --- Control interface ---------------------------------------------------------------

uint32_t TGraphic::Invalidate(bool on) {
    if (on)
        flags_ |= kDirty | (hollow_ ? 0u : kRedraw);
    else
        flags_ &= ~(kDirty | kRedraw);
    return flags_;
}

bool TGraphic::IsDirty() {
    return (flags_ & (kDirty | kRedraw)) != 0;
}

TRectArea& TGraphic::GetClientRect(TRectArea& rect) {
    TRectComp::GetClientRect(rect);
    rect = {SatAdd(rect.left, borderWidth_), SatAdd(rect.top, borderWidth_),
            SatSub(rect.right, borderWidth_), SatSub(rect.bottom, borderWidth_)};
    if (Empty(rect)) rect = {0, 0, 0, 0};
    return rect;
}

bool TGraphic::HandleEvent(TObject* sender, TEvent* event) {
    if (!event) return false;
    // Paint, visibility and close hooks run here: see TControl::HandleEvent.
    TDeleteLaterHold hold;
    switch (event->type) {
        case evPaint: return Paint(event);
        case evRegion: return OnRedrawRegion(event);
        case evProperty:
            if (event->data[0] != 3) return TComp::HandleEvent(sender, event);
            WalkChildren(true, [&](TComp* child) {
                child->HandleEvent(this, event);
                return false;
            });
            OnSystemChange(event);
            return false;
        case evShown:
        case evHidden:
        case evCloseRequest: return VisibilityWalk(event);
        default: return TComp::HandleEvent(sender, event);
    }
}

void TGraphic::Draw() {}

void TGraphic::OnSystemChange(TEvent* event) {
    if (!event || event->type != evProperty || event->data[0] != 3) return;
    canvas_.ReleaseDevice();
    Invalidate(true);
}

void TGraphic::OnShow(TEvent*) {}

void TGraphic::OnHide(TEvent*) {}

void TGraphic::OnClose(TEvent*) {
    ReleaseCanvas();
}

void TGraphic::ReleaseCanvas() {
    if (!canvas_.HasDevice()) return;
    canvas_.ReleaseDevice();
    Invalidate(true);
}

// --- Properties ----------------------------------------------------------------------

void TGraphic::SetBorderWidth(int32_t width) {
    if (width == borderWidth_) return;
    borderWidth_ = width;
    Invalidate(true);
}

void TGraphic::SetAutoColorAdjust(int32_t adjust) {
    if (adjust == autoColorAdjust_) return;
    autoColorAdjust_ = adjust;
    SetRedraw(true);
}

int32_t TGraphic::GetAutoColorAdjust() const {
    return autoColorAdjust_ ? autoColorAdjust_ : g_defaultAutoColorAdjust;
}

int32_t TGraphic::GetColorMapMode() const {
    return colorMapMode_ ? colorMapMode_ : g_defaultColorMapMode;
}

void TGraphic::SetDrawMode(int32_t mode) {
    drawMode_ = mode;
}

void TGraphic::SetHollow(int32_t hollow) {
    if (hollow == hollow_) return;
    hollow_ = hollow;
    // Set directly: a graphic that just became hollow still repaints once
    // what lies behind it.
    flags_ |= kRedraw;
}

void TGraphic::SetRedraw(bool on) {
    if (!on)
        flags_ &= ~kRedraw;
    else if (!hollow_)
        flags_ |= kRedraw;
}

void TGraphic::SetDirty(bool on) {
    SetFlags(kDirty, on);
}

void TGraphic::SetTransparent(int32_t transparent) {
    if (transparent == transparent_) return;
    transparent_ = transparent;
    Invalidate(true);
}

void TGraphic::SetColor(TColor color) {
    if (color.Red() == color_.Red() && color.Green() == color_.Green() &&
        color.Blue() == color_.Blue())
        return;
    color_ = color;
    Invalidate(true);
}

void TGraphic::SetFitFlags(int32_t flags) {
    if (flags == fitFlags_) return;
    fitFlags_ = flags;
    Invalidate(true);
}

void TGraphic::SetAlpha(int32_t alpha) {
    if (alpha == alpha_) return;
    alpha_ = alpha;
    Invalidate(true);
    // What lies behind the see-through graphics inside has changed: they
    // blend with it when they draw, so they draw again.
    InvalidateSeeThrough(*this);
}

void TGraphic::InvalidateSeeThrough(TComp& parent) {
    parent.WalkChildren(true, [](TComp* child) {
        if (auto* graphic = dynamic_cast<TGraphic*>(child)) {
            if (!graphic->IsOpaque()) graphic->Invalidate(true);
            InvalidateSeeThrough(*graphic);
        }
        return false;
    });
}

// --- Tree and visibility -------------------------------------------------------------

int TGraphic::Attach(TComp* parent) {
    const int result = SetParent(parent);
    Invalidate(true);
    return result;
}

void TGraphic::Detach() {
    if (placed_) {
        TRectArea screen;
        GetScreenRect(screen);
        QueueRequest(rqVacate, screen);
        TDirtyRects::AddDirtyRect(screen);
        FlushRequests();
        placed_ = 0;
    }
    ReleaseCanvas();
    dirty_.DeleteAll();
    DeleteRequests();
    TComp::Detach();
}

bool TGraphic::ToFront() {
    TComp* parent = GetParent();
    if (!parent || !parent->Reposition(this, 0)) return false;
    TRectArea screen;
    GetScreenRect(screen);
    QueueRequest(rqFront, screen);
    TDirtyRects::AddDirtyRect(screen);
    return true;
}

bool TGraphic::ToBack() {
    TComp* parent = GetParent();
    if (!parent || !parent->Reposition(this, 1)) return false;
    TRectArea screen;
    GetScreenRect(screen);
    QueueRequest(rqBack, screen);
    TDirtyRects::AddDirtyRect(screen);
    return true;
}

void TGraphic::ShowNow() {
    flags_ |= kVisible;
    SetEnabled(true);
    TEvent show;
    show.SetType(evShown);
    HandleEvent(this, &show);
}

bool TGraphic::SendHide() {
    TEvent hide;
    hide.SetType(evHidden);
    hide.target = TEvent::WordOf(this);
    return HandleEvent(this, &hide);
}

bool TGraphic::SendClose() {
    TEvent close;
    close.SetType(evCloseRequest);
    close.target = TEvent::WordOf(this);
    return HandleEvent(this, &close);
}

void TGraphic::VisibilityHook(TEvent* event) {
    if (event->type == evShown)
        OnShow(event);
    else if (event->type == evHidden)
        OnHide(event);
    else
        OnClose(event);
}

bool TGraphic::VisibilityWalk(TEvent* event) {
    const bool isTarget = event->Targets(this);
    if (event->type != evCloseRequest && !(flags_ & kVisible)) {
        if (!isTarget) return false;
        event->passState = 3;
        return true;
    }
    auto everyChild = [&](TComp* child) {
        child->HandleEvent(this, event);
        return false;
    };
    if (isTarget) {
        event->passState = 3;
        WalkChildren(true, everyChild);
        VisibilityHook(event);
        Dispatch(this, event);
        event->passState = 4;
        if (event->type == evCloseRequest) SetEnabled(false);
        if (event->type != evShown) flags_ &= ~kVisible;
        return true;
    }
    if (event->passState == 3) {
        WalkChildren(true, everyChild);
        VisibilityHook(event);
        Dispatch(this, event);
        return false;
    }
    if (event->passState == 0)
        return WalkChildren(true, [&](TComp* child) { return child->HandleEvent(this, event); });
    return false;
}

void TGraphic::FitRect(TRectArea& rect) {
    const int32_t gw = GetWidth(), gh = GetHeight();
    int32_t w = rect.right - rect.left, h = rect.bottom - rect.top;
    if ((fitFlags_ & fitScale) && (fitFlags_ & fitAspect)) {
        const float sx = w ? float(gw) / float(w) : 1.0f;
        const float sy = h ? float(gh) / float(h) : 1.0f;
        const float s = sx <= sy ? sx : sy;
        w = int32_t(float(w) * s);
        h = int32_t(float(h) * s);
    } else if (fitFlags_ & fitScale) {
        w = gw;
        h = gh;
    }
    const int32_t left = (fitFlags_ & fitCenter) ? (gw - w) >> 1 : 0;
    const int32_t top = (fitFlags_ & fitCenter) ? (gh - h) >> 1 : 0;
    rect = {left, top, left + w, top + h};
}

// --- Requests ------------------------------------------------------------------------

void TGraphic::QueueRequest(int32_t op, const TRectArea& rect) {
    auto* request = new TRequest(op, rect);
    // With no compare every request counts as equal: Insert puts it first.
    if (!request || !requests_.Insert(request)) {
        delete request;
        TError::Raise(9, nullptr, nullptr, "Source\\TGraphic", 40);
    }
}

void TGraphic::DeleteRequests() {
    requests_.DeleteAll();
}

void TGraphic::FlushRequests() {
    // One at a time from the head: a region walk may queue new requests.
    while (TListNode* head = requests_.Head()) {
        auto* request = static_cast<TRequest*>(head->item);
        requests_.TList::Remove(request);
        FlushRequest(request->op, request->rect);
        delete request;
    }
}

void TGraphic::FlushRequest(int32_t op, const TRectArea& rect) {
    TEvent region;
    region.SetType(evRegion);
    SetRegionRect(&region, rect);
    if (op != rqRedraw) {
        SetRegionKind(&region, rkMark);
        if (TComp* application = Services().application.Get())
            application->HandleEvent(this, &region);
        else
            TEventMgr::Global().QueueCopy(&region);
        return;
    }
    TRectLst list;
    list.AddRect(rect, 0);
    SetRegionKind(&region, rkInPlace);
    SetRegionList(&region, &list);
    SetRegionOrigin(&region, this);
    OnRedrawRegion(&region);
    if (!hollow_) dirty_.AddList(&list);
    SetRegionPhase(&region, 2);
    SetRegionOrigin(&region, this);
    OnRedrawRegion(&region);
    if (!IsOpaque()) {
        SetRegionPhase(&region, 3);
        SetRegionOrigin(&region, this);
        OnRedrawRegion(&region);
    }
    list.DeleteAll();
}

// --- Layout --------------------------------------------------------------------------

bool TGraphic::Paint(TEvent* event) {
    if (!event) return false;
    const bool visible = (flags_ & kVisible) != 0;
    switch (GetPaintPhase(event)) {
        case phLayout:
            if (visible)
                Layout(event);
            else
                Vacate();
            break;
        case phFlush:
            FlushRequests();
            if (visible) ChildrenBackToFront(event);
            break;
        case phPaint:
            if (!visible) break;
            PaintPass(event);
            ChildrenBackToFront(event);
            break;
        case phCompose:
            if (visible) ComposeWalk(event);
            break;
        default: break;
    }
    return false;
}

void TGraphic::Vacate() {
    if (!placed_) return;
    TRectArea screen;
    GetScreenRect(screen);
    QueueRequest(rqVacate, screen);
    TDirtyRects::AddDirtyRect(screen);
    placed_ = 0;
}

TGraphic::TKept TGraphic::PlaceSelf(TEvent* event, bool queueRequests) {
    const TKept kept{GetPaintRect(event, prClient), GetPaintRect(event, prVisibleClient),
                     GetPaintRect(event, prExtent), GetPaintRect(event, prVisibleExtent)};
    if (drawMode_ == dmFull) {
        SetExtent(SizeOf(kept.client));
        SetVisibleRect(kept.visibleClient);
    } else {
        SetExtent(kept.extent);
        SetVisibleRect(kept.visibleExtent);
    }
    TRectArea oldScreen;
    GetScreenRect(oldScreen);
    Update();
    TRectArea bounds;
    GetBounds(bounds);
    const TRectArea screen = Moved(bounds, kept.client.left, kept.client.top);
    SetScreenRect(screen);
    if (queueRequests) QueueLayoutRequests(oldScreen, screen);
    return kept;
}

void TGraphic::QueueLayoutRequests(const TRectArea& oldScreen, const TRectArea& screen) {
    if (!placed_) {
        QueueRequest(rqAppear, screen);
        TDirtyRects::AddDirtyRect(screen);
        placed_ = 1;
    } else if (!SameRect(screen, oldScreen)) {
        QueueRequest(rqVacate, oldScreen);
        TDirtyRects::AddDirtyRect(oldScreen);
        QueueRequest(rqAppear, screen);
        TDirtyRects::AddDirtyRect(screen);
    } else if (flags_ & kRedraw) {
        QueueRequest(rqRedraw, screen);
        TDirtyRects::AddDirtyRect(screen);
    }
}

// The children see this graphic's client area as their parent's.
void TGraphic::EnterChildren(TEvent* event) {
    TRectArea client, screen, visible;
    GetClientRect(client);
    GetScreenRect(screen);
    GetVisibleRect(visible);
    client = Moved(client, screen.left, screen.top);
    TRectArea visibleClient = client;
    IntersectRect(visibleClient, visible);
    SetPaintRect(event, prClient, client);
    SetPaintRect(event, prVisibleClient, visibleClient);
    SetPaintRect(event, prExtent, SizeOf(client));
    SetPaintRect(event, prVisibleExtent, visibleClient);
}

void TGraphic::LeaveChildren(TEvent* event, const TKept& kept) {
    SetPaintRect(event, prClient, kept.client);
    SetPaintRect(event, prVisibleClient, kept.visibleClient);
    if (drawMode_ == dmDocked) {
        DockExtent(event, kept.extent, kept.visibleExtent, kept.client);
    } else {
        SetPaintRect(event, prExtent, kept.extent);
        SetPaintRect(event, prVisibleExtent, kept.visibleExtent);
    }
    ClipVisibleToScreen();
}

void TGraphic::ClipVisibleToScreen() {
    TRectArea visible, screen;
    GetVisibleRect(visible);
    GetScreenRect(screen);
    IntersectRect(visible, screen);
    SetVisibleRect(visible);
}

void TGraphic::ChildrenBackToFront(TEvent* event) {
    WalkChildren(false, [&](TComp* child) {
        child->HandleEvent(this, event);
        return false;
    });
}

void TGraphic::Layout(TEvent* event) {
    const TKept kept = PlaceSelf(event, true);
    EnterChildren(event);
    ChildrenBackToFront(event);
    LeaveChildren(event, kept);
}

// The layout's geometry again, without requests, around a compose pass; the
// screen and visible rectangles are put back afterwards.
void TGraphic::ComposeWalk(TEvent* event) {
    TRectArea keptScreen, keptVisible;
    GetScreenRect(keptScreen);
    GetVisibleRect(keptVisible);
    const TKept kept = PlaceSelf(event, false);
    ClipVisibleToScreen();
    PaintPass(event);
    EnterChildren(event);
    ChildrenBackToFront(event);
    LeaveChildren(event, kept);
    SetScreenRect(keptScreen);
    SetVisibleRect(keptVisible);
}

void TGraphic::DockExtent(TEvent* event, const TRectArea& kept, const TRectArea& keptVisible,
                          const TRectArea& parentClient) {
    TRectArea own;
    GetBounds(own);
    TRectArea extent = kept;
    if (!RectsDisjoint(own, kept)) {
        const TRectArea candidates[] = {
            {kept.left, kept.top, kept.right, Clamp(own.top, kept.top, kept.bottom)},
            {kept.left, Clamp(own.bottom, kept.top, kept.bottom), kept.right, kept.bottom},
            {kept.left, kept.top, Clamp(own.left, kept.left, kept.right), kept.bottom},
            {Clamp(own.right, kept.left, kept.right), kept.top, kept.right, kept.bottom},
        };
        extent = candidates[0];
        for (const TRectArea& c : candidates)
            if (Area(c) > Area(extent)) extent = c;
    }
    TRectArea visibleExtent = Moved(extent, parentClient.left, parentClient.top);
    IntersectRect(visibleExtent, keptVisible);
    SetPaintRect(event, prExtent, extent);
    SetPaintRect(event, prVisibleExtent, visibleExtent);
}

// --- Painting ------------------------------------------------------------------------

void TGraphic::RenderIntoCanvas(TEvent* event) {
    TRectArea client;
    TRectComp::GetClientRect(client);
    if (canvas_.HasDevice())
        canvas_.ResizeDevice(client);
    else
        canvas_.CreateDevice(client);
    if (!canvas_.HasDevice()) return;
    flags_ &= ~kRedraw;
    canvas_.SetMapMode(uint32_t(GetColorMapMode()));
    canvas_.SetAutoAdjust(uint32_t(GetAutoColorAdjust()));
    TRectArea screen;
    GdlDeviceContext* previous = canvas_.Select(&TRectComp::GetScreenRect(screen));
    Draw();
    Dispatch(this, event);
    canvas_.Deselect(previous);
}

void TGraphic::PaintDirect(TEvent* event, const TRectArea& clip) {
    TRectArea client;
    TRectComp::GetClientRect(client);
    if (canvas_.HasDevice())
        canvas_.ResizeDevice(client);
    else
        canvas_.CreateDevice(client);
    if (!canvas_.HasDevice()) return;
    flags_ &= ~kRedraw;
    canvas_.SetMapMode(uint32_t(GetColorMapMode()));
    canvas_.SetAutoAdjust(uint32_t(GetAutoColorAdjust()));
    TRectArea screen;
    GdlDeviceContext* previous = canvas_.Select(&TRectComp::GetScreenRect(screen));
    TRectArea keptClip;
    canvas_.GetClipRect(&keptClip);
    canvas_.SetClipRect(clip);
    Draw();
    canvas_.SetClipRect(keptClip);
    Dispatch(this, event);
    canvas_.Deselect(previous);
}

void TGraphic::PaintDirty(TEvent* event) {
    TRectArea visible, screen;
    GetVisibleRect(visible);
    GetScreenRect(screen);
    const bool buffered = canvas_.GetBuffered() == TCanvas::kBuffered;
    dirty_.TList::Rewind(1);
    while (TRectItem* item =
               dirty_.FindRect(visible.left, visible.top, visible.right, visible.bottom, 0)) {
        TRectArea clip{item->left, item->top, item->right, item->bottom};
        if (!IntersectRect(clip, visible)) continue;
        if (buffered)
            canvas_.Present(screen.left, screen.top, clip);
        else
            PaintDirect(event, clip);
    }
}

void TGraphic::PaintPass(TEvent* event) {
    if (!event) return;
    const int32_t phase = GetPaintPhase(event);
    if (phase == phCompose) {
        ComposeInto(event);
        return;
    }
    if (phase != phPaint) return;
    if (hollow_) {
        if (flags_ & kRedraw) {
            flags_ &= ~kRedraw;
            Dispatch(this, event);
        }
        dirty_.DeleteAll();
        return;
    }
    TRectArea visible;
    GetVisibleRect(visible);
    if (Empty(visible) || dirty_.IsEmpty()) {
        dirty_.DeleteAll();
        return;
    }
    const uint32_t mode = canvas_.GetBuffered();
    if (((flags_ & kRedraw) || alpha_ < 255) && mode == TCanvas::kBuffered) RenderIntoCanvas(event);
    if (!canvas_.HasDevice() && mode != TCanvas::kDirect && mode != TCanvas::kAlwaysDirect) {
        dirty_.DeleteAll();
        return;
    }
    PaintDirty(event);
    dirty_.DeleteAll();
}

void TGraphic::ComposeInto(TEvent* event) {
    if (hollow_) {
        if (flags_ & kRedraw) {
            flags_ &= ~kRedraw;
            Dispatch(this, event);
        }
        return;
    }
    TRectArea visible, screen;
    GetVisibleRect(visible);
    GetScreenRect(screen);
    if (Empty(visible)) return;
    if ((flags_ & kRedraw) || alpha_ < 255) RenderIntoCanvas(event);
    if (canvas_.HasDevice()) canvas_.CopyToDC(screen.left, screen.top, visible, GetPaintDC(event));
}
