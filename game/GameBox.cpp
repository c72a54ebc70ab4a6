#include "GameBox.h"

#include "GameStatics.h"

#include "foundation/TSectTxt.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TMetaImg.h"
#include "ui/TWinSysB.h"

#include <string>

namespace {
constexpr int32_t kWidth = 520, kIconWidth = 64, kButtonsHeight = 46, kBorder = 8;
} // namespace

const char* GameBox::MainText(const char* section) {
    TSectTxt* texts = Resources().Text("txtMain");
    if (!texts || !section) return "";
    texts->SetSection(section);
    const char* text = texts->GetSection();
    return text ? text : "";
}

GameBox::GameBox(const Kind& kind) : kind_(kind) {}

GameBox::~GameBox() = default;

void GameBox::Layout(TControl* parent, const char* text) {
    // The text may be txtMain's current section, which reading the caption
    // and the buttons' texts replaces.
    const std::string message = text ? text : "";
    SetFrameStyle(3);
    SetRect(60, 160, kWidth, 160);
    SetVisible(false);
    SetTitle(kind_.caption ? MainText(kind_.caption) : "");
    Open(parent);
    TRectArea area;
    GetClientRect(area);
    const int32_t clientWidth = area.right - area.left;
    message_.SetRect(0, 0, clientWidth - kIconWidth, 50);
    message_.SetFont(Resources().Font("fntMain"));
    message_.SetVertAlign(0);
    message_.SetAlign(0);
    message_.SetText(message.c_str());
    const int32_t height = message_.GetTextHeight() + kButtonsHeight + 60;
    SetRect(60, 160, kWidth, height);
    GetClientRect(area);
    const int32_t innerHeight = area.bottom - area.top;
    // The caption bar and the strip under it are docked at the top of the
    // client area: the panels start below them, or the bar covers the
    // message's first line and the icon.
    const int32_t top = BarsHeight();
    const int32_t panelHeight = innerHeight - kButtonsHeight - top;
    iconPanel_.SetRect(0, top, kIconWidth, panelHeight);
    iconPanel_.Show(this);
    client_.SetBorderWidth(kBorder);
    client_.SetRect(kIconWidth, top, clientWidth - kIconWidth, panelHeight);
    client_.Show(this);
    buttons_.SetBorderWidth(kBorder);
    buttons_.SetRect(0, innerHeight - kButtonsHeight, clientWidth, kButtonsHeight);
    buttons_.Show(this);
    icon_.SetRect(15, 10, 32, 32);
    icon_.SetTransparent(1);
    icon_.SetSource(dynamic_cast<TMetaImg*>(Resources().Find(kind_.icon)));
    icon_.Attach(&iconPanel_);
    message_.SetRect(0, 0, clientWidth - kIconWidth - 2 * kBorder, panelHeight - 2 * kBorder);
    message_.Show(&client_);
    first_.SetRect(30, 0, 150, 30);
    first_.SetText(MainText(kind_.first));
    first_.SetCancel(kind_.firstCancels ? 1 : 0);
    second_.SetRect(190, 0, 150, 30);
    second_.SetText(MainText(kind_.second));
    second_.SetDefault(1);
    second_.SetCancel(kind_.secondCancels ? 1 : 0);
    for (TTextButtonEx* button : {&first_, &second_}) {
        button->Add<GameBox, &GameBox::OnButton>(evCommand, this);
        button->Show(&buttons_);
    }
    const int32_t parentWidth = parent ? parent->GetWidth() : 800;
    const int32_t parentHeight = parent ? parent->GetHeight() : 600;
    SetPos((parentWidth - kWidth) / 2, (parentHeight - height) / 2);
}

int32_t GameBox::BarsHeight() const {
    TWinSysB* caption = GetWinCaptionBar();
    TPanel* strip = GetTopStrip();
    return (caption && caption->IsVisible() ? caption->GetHeight() : 0) +
           (strip && strip->IsVisible() ? strip->GetHeight() : 0);
}

int GameBox::OnButton(TObject* sender, TEvent*) {
    result_ = sender == &first_ ? 1 : 0;
    EndModal(result_ == 1 ? 1 : 2);
    return 1;
}

bool GameBox::AnswerByPolicy(HWND owner, const char* text) {
    const std::string message = text ? text : "";
    const char* caption = kind_.caption ? MainText(kind_.caption) : "";
    return MessageBoxA(owner, message.c_str(), caption, kind_.hostType) == kind_.hostFirst;
}

bool GameBox::Run(TControl* parent, const char* text) {
    result_ = kind_.unansweredIsFirst ? 1 : 0;
    Layout(parent, text);
    ShowModal();
    first_.Hide();
    second_.Hide();
    message_.Hide();
    Close();
    return result_ == 1;
}
