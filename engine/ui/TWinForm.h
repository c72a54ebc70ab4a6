// The framed form: a focus container that draws its own frame in one of six
// styles, keeps a minimum size that fits its frame and bars, insets its client
// area by the frame, and can be made translucent over what lies behind it.
#pragma once

#include "ui/TFocusCtl.h"

#include <cstdint>

class TPanel;
class TWinStB;
class TWinSysB;

class TWinForm : public TFocusCtl {
public:
    TWinForm();
    ~TWinForm() override;

    // --- Control interface ---
    uint32_t Update() override;
    TRectArea& GetClientRect(TRectArea& rect) override;
    void Draw() override;

    // Shows the form under `parent` (null for the application's own form)
    // and builds the bars and strips of its frame style.
    void Open(TControl* parent);
    // Deletes the bars and strips, then hides and detaches the form. Never
    // from inside a handler of one of the bars' buttons.
    void Close();

    // The bars and strips that Open built, or null.
    TWinSysB* GetWinCaptionBar() const { return winCaption_; }
    TWinStB* GetWinStatusBar() const { return winStatus_; }
    TPanel* GetTopStrip() const { return topStrip_; }
    TPanel* GetBottomStrip() const { return bottomStrip_; }

    // Click handlers of the caption buttons.
    int OnCloseButton(TObject* sender, TEvent* event);
    int OnMaximizeButton(TObject* sender, TEvent* event);
    int OnTranslucencyButton(TObject* sender, TEvent* event);

    int32_t GetCaptionHeight() const { return captionHeight_; }
    int32_t GetStatusHeight() const { return statusHeight_; }
    // The smallest size of the current frame style, border and bars.
    int32_t MinimumWidth() const;
    int32_t MinimumHeight() const;
    // How far the frame of a style insets the client area.
    static int32_t ClientInset(int32_t frameStyle);

protected:
    int32_t captionHeight_ = 25;
    int32_t statusHeight_ = 20;
    TPanel* topStrip_ = nullptr;
    TPanel* bottomStrip_ = nullptr;
    TWinStB* winStatus_ = nullptr;
    TWinSysB* winCaption_ = nullptr;

private:
    void OpenBars();
    void OpenCaptionBar();
    void OpenStatusBar();
    void CloseBars();
    void UpdateStrips();
    TPanel* OpenStrip(int32_t align, int32_t line);
    void UpdateKeepAndHollow();
    void DrawFrame(TRectArea r);
    void BlendWithBackground();
};
