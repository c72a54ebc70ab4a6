// The framed form: a focus container that draws its own frame in one of six
// styles, keeps a minimum size that fits its frame and bars, insets its client
// area by the frame, and can be made translucent over what lies behind it.
#pragma once

#include "ui/TFocusCtl.h"

#include <cstdint>

class TWinForm : public TFocusCtl {
public:
    TWinForm();
    ~TWinForm() override;

    // --- Control interface ---
    uint32_t Update() override;
    TRectArea& GetClientRect(TRectArea& rect) override;
    void Draw() override;

    // Shows the form under `parent` (null for the application's own form).
    void Open(TControl* parent);
    // Hides and detaches the form.
    void Close();

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

private:
    void UpdateKeepAndHollow();
    void DrawFrame(TRectArea r);
    void BlendWithBackground();
};
