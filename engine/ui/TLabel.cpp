#include "ui/TLabel.h"

#include <cstring>

TLabel::TLabel() : text_(""), wrapped_("") {}

TLabel::~TLabel() = default;

void TLabel::SetText(const char* text) {
    if (text_ == (text ? text : "")) return;
    text_ = text ? text : "";
    Invalidate(true);
}

// Every blank may become CR LF and every soft hyphen "-" CR LF, so the
// wrapped text needs three bytes a character and its terminator; the plain
// wrap keeps three more bytes in reserve. The buffer only grows.
void TLabel::Rewrap(int32_t width) {
    const int32_t needed = 3 * text_.Length() + 4;
    if (wrapped_.Capacity() < needed) wrapped_.Resize(needed);
    char* buffer = wrapped_.CharAt(0);
    if (wrapped_.Capacity() < needed || buffer == nullptr) return; // reported
    WrapText(buffer, text_.c_str(), wrapped_.Capacity() - 1, width);
    buffer[wrapped_.Capacity() - 1] = 0;
}

uint32_t TLabel::Update() {
    if (!(flags_ & kDirty)) return flags_;
    TText::Update();
    const bool hasText = HasText();
    if (hasText) BindFont();
    if (GetAutoSize()) {
        if (hasText) {
            TRectArea extent;
            GetExtent(extent);
            const int32_t width = extent.right - extent.left - GetX() - GetBorderWidth();
            Rewrap(width);
            AdjustWidth(GetBorderWidth() + TText::GetTextWidth(wrapped_.c_str(), width));
            AdjustHeight(GetBorderWidth() + TText::GetTextHeight(wrapped_.c_str()));
        } else {
            AdjustWidth(0);
            AdjustHeight(0);
            wrapped_ = "";
        }
    } else if (hasText) {
        TRectArea client;
        GetClientRect(client);
        Rewrap(client.right - client.left);
    } else {
        wrapped_ = "";
    }
    if (hasText) ReleaseFont();
    return flags_;
}

int32_t TLabel::GetTextWidth() {
    Update();
    if (!wrapped_.c_str() || !wrapped_.c_str()[0]) return 0;
    BindFont();
    // A spread line fills any width it is given: measure the widest line.
    const int32_t width = WidestLine(wrapped_.c_str());
    ReleaseFont();
    return width;
}

int32_t TLabel::GetTextHeight() {
    Update();
    if (!wrapped_.c_str() || !wrapped_.c_str()[0]) return 0;
    BindFont();
    const int32_t height = TText::GetTextHeight(wrapped_.c_str());
    ReleaseFont();
    return height;
}

void TLabel::Draw() {
    TCanvas& canvas = GetCanvas();
    canvas.SetBackColor(GetBackColor());
    canvas.Clear();
    if (wrapped_.c_str() && wrapped_.c_str()[0]) {
        TRectArea saved, client;
        canvas.GetClipRect(&saved);
        GetClientRect(client);
        TRectArea clip = canvas.GetBuffered() == TCanvas::kBuffered ? client : RectToParent(client);
        IntersectRect(clip, saved);
        canvas.SetClipRect(clip);
        DrawText(client, wrapped_.c_str());
        canvas.SetClipRect(saved);
    } else {
        canvas.SetKeep(IsTransparent() ? 1 : 0);
        canvas.SetColor3(GetBackColor());
    }
}
