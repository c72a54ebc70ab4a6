// The visible, paintable component: a positioned component with a border, a
// background colour, an alpha and transparency, fit settings and a canvas of
// its own. Each frame the application sends a paint event down the tree in
// phases (layout, flush, paint); between frames every change of place, size
// or look becomes rectangles: the graphic's own dirty list of what it must
// present, and the display's list of what changed on the screen.
#pragma once

#include "drawing/TCanvas.h"
#include "foundation/TColor.h"
#include "foundation/TList.h"
#include "foundation/TRectLst.h"
#include "ui/TRectComp.h"

#include <cstdint>
#include <memory>

class TRegionIndex;

class TGraphic : public TRectComp {
public:
    enum DrawMode : int32_t { dmDocked = 0, dmNormal = 1, dmFull = 2 };
    enum FitFlags : int32_t { fitScale = 1, fitAspect = 2, fitCenter = 4 };
    // Redraw requests queued between frames.
    enum Request : int32_t { rqAppear = 1, rqVacate = 2, rqRedraw = 3, rqBack = 4, rqFront = 5 };
    // Phases of the paint event.
    enum Phase : int32_t { phLayout = 0, phFlush = 1, phPaint = 2, phCompose = 3 };
    // The paint event's four rectangles, in data order.
    enum PaintRect : int32_t { prClient = 0, prVisibleClient, prExtent, prVisibleExtent };
    // Kinds of the region event.
    enum RegionKind : int32_t { rkMark = 0, rkInPlace = 3 };

    TGraphic();
    ~TGraphic() override;

    // --- Control interface, slots 1 to 14 ---
    uint32_t Invalidate(bool on) override;
    bool IsDirty() override;
    TRectArea& GetClientRect(TRectArea& rect) override;
    bool HandleEvent(TObject* sender, TEvent* event) override;
    // Renders the graphic's content into its selected canvas.
    virtual void Draw();
    virtual void PaintPass(TEvent* event);
    virtual void OnSystemChange(TEvent* event);
    virtual void OnShow(TEvent* event);
    virtual void OnHide(TEvent* event);
    virtual void OnClose(TEvent* event);

    // --- Properties ---
    void SetBorderWidth(int32_t width);
    int32_t GetBorderWidth() const { return borderWidth_; }
    void SetAutoColorAdjust(int32_t adjust);
    int32_t GetAutoColorAdjust() const;
    int32_t GetColorMapMode() const;
    void SetDrawMode(int32_t mode);
    int32_t GetDrawMode() const { return drawMode_; }
    void SetHollow(int32_t hollow);
    int32_t IsHollow() const { return hollow_; }
    void SetRedraw(bool on);
    void SetDirty(bool on);
    void SetTransparent(int32_t transparent);
    int32_t IsTransparent() const { return transparent_; }
    void SetColor(TColor color);
    TColor GetColor() const { return color_; }
    void SetFitFlags(int32_t flags);
    int32_t GetFitFlags() const { return fitFlags_; }
    void SetAlpha(int32_t alpha);
    int32_t GetAlpha() const { return alpha_; }
    // Not transparent, fully opaque and not hollow.
    bool IsOpaque() const { return !transparent_ && alpha_ == 255 && !hollow_; }
    bool IsPlaced() const { return placed_ != 0; }
    TCanvas& GetCanvas() { return canvas_; }
    TRectLst& GetDirtyList() { return dirty_; }
    int32_t RequestCount() const { return requests_.Count(); }

    // Marks every graphic below `parent` that is not opaque for a redraw.
    static void InvalidateSeeThrough(TComp& parent);

    // The process-wide defaults used where a graphic's own value is 0.
    static void SetDefaultColorMapMode(int32_t mode);
    static int32_t GetDefaultColorMapMode();
    static void SetDefaultAutoColorAdjust(int32_t adjust);
    static int32_t GetDefaultAutoColorAdjust();

    // The application object: region marks go through its HandleEvent (they
    // are queued with the event manager while there is none). It also wins
    // the hover while a modal loop runs.
    static void SetApplication(TComp* application);
    // From this many children on, a region walk visits them through an
    // index of where they lie, so that a frame's walks grow with the
    // children instead of with their square. Both walks visit the children
    // that act in the same order; the setting lets a test compare them.
    static constexpr int32_t kIndexedChildrenDefault = 24;
    static void SetIndexedChildren(int32_t from) { indexedChildren_ = from; }
    static TComp* GetApplication();

    // --- Tree and visibility ---
    int Attach(TComp* parent);
    void Detach();
    bool ToFront();
    bool ToBack();
    void ShowNow();
    bool SendHide();
    bool SendClose();
    void FitRect(TRectArea& rect);

    // --- Frame walks ---
    void FlushRequests();
    bool OnRedrawRegion(TEvent* event);
    bool Paint(TEvent* event);

    // --- Event data of paint (15) and region (16) events ---
    static TRectArea GetPaintRect(const TEvent* event, int32_t which);
    static void SetPaintRect(TEvent* event, int32_t which, const TRectArea& rect);
    static int32_t GetPaintPhase(const TEvent* event) { return int32_t(event->data[16]); }
    static void SetPaintPhase(TEvent* event, int32_t phase) { event->data[16] = phase; }
    static GdlDeviceContext* GetPaintDC(const TEvent* event);
    static void SetPaintDC(TEvent* event, GdlDeviceContext* dc);
    static TGraphic* GetRegionOrigin(const TEvent* event);
    static void SetRegionOrigin(TEvent* event, TGraphic* origin);
    static TRectLst* GetRegionList(const TEvent* event);
    static void SetRegionList(TEvent* event, TRectLst* list);
    static TRectArea GetRegionRect(const TEvent* event);
    static void SetRegionRect(TEvent* event, const TRectArea& rect);
    static int32_t GetRegionKind(const TEvent* event) { return int32_t(event->data[6]); }
    static void SetRegionKind(TEvent* event, int32_t kind) { event->data[6] = kind; }
    static int32_t GetRegionPhase(const TEvent* event) { return int32_t(event->data[7]); }
    static void SetRegionPhase(TEvent* event, int32_t phase) { event->data[7] = phase; }

    // --- Rectangles (half-open) ---
    static int32_t Clamp(int32_t v, int32_t low, int32_t high);
    static bool IntersectRect(TRectArea& a, const TRectArea& b);
    static bool RectsDisjoint(const TRectArea& a, const TRectArea& b);

protected:
    // The visibility walk of show, hide and close events.
    bool VisibilityWalk(TEvent* event);
    // The hook of a show (28), hide (29) or close (30) event.
    void VisibilityHook(TEvent* event);

private:
    class TRequest;
    void QueueRequest(int32_t op, const TRectArea& rect);
    void DeleteRequests();
    // The parent's rectangles of a paint event, kept across the children.
    struct TKept {
        TRectArea client, visibleClient, extent, visibleExtent;
    };
    TKept PlaceSelf(TEvent* event, bool queueRequests);
    void QueueLayoutRequests(const TRectArea& oldScreen, const TRectArea& screen);
    void EnterChildren(TEvent* event);
    void LeaveChildren(TEvent* event, const TKept& kept);
    void ClipVisibleToScreen();
    void ChildrenBackToFront(TEvent* event);
    void Layout(TEvent* event);
    void ComposeWalk(TEvent* event);
    void ComposeInto(TEvent* event);
    void Vacate();
    void DockExtent(TEvent* event, const TRectArea& keptExtent, const TRectArea& keptVisibleExtent,
                    const TRectArea& parentClient);
    void FlushRequest(int32_t op, const TRectArea& rect);
    void RenderIntoCanvas(TEvent* event);
    void PaintDirty(TEvent* event);
    void PaintDirect(TEvent* event, const TRectArea& clip);
    void PassUp(TEvent* event);
    void RegionMark(TEvent* event);
    bool RegionPassOn(TEvent* event);
    void RegionTakeAway(TEvent* event);
    void RegionMarkInFront(TEvent* event);
    void RegionMarkBehind(TEvent* event);
    // Gives the event to the children from the back or the front, skipping
    // those up to and including the region origin when one is set.
    void RegionToChildren(TEvent* event, bool fromFront, bool skipToOrigin);
    static int32_t indexedChildren_;
    void IndexedRegionToChildren(TEvent* event, bool fromFront, bool skipToOrigin);
    void ReleaseCanvas();
    bool Overlaps(const TRectArea& rect) const;

    int32_t drawMode_ = dmNormal;
    int32_t borderWidth_ = 0;
    int32_t autoColorAdjust_ = 1;
    int32_t colorMapMode_ = 0;
    int32_t hollow_ = 0;
    int32_t transparent_ = 0;
    TColor color_;
    int32_t fitFlags_ = fitCenter;
    int32_t alpha_ = 255;
    TCanvas canvas_;
    uint32_t placed_ = 0;
    TRectLst dirty_;
    TObjList requests_;
    std::unique_ptr<TRegionIndex> regionIndex_;
};
