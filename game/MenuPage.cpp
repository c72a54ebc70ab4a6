#include "MenuPage.h"

#include "GameStatics.h"

#include "foundation/TSwpFile.h"
#include "media/resources/TPicture.h"

namespace {
const TColor kKeyGreen(0, 255, 0);
} // namespace

TPicture* MenuPicture(const char* key) {
    return dynamic_cast<TPicture*>(Resources().Find(key));
}

void OpenMenuPage(TWinForm& page, TControl* parent, TImage& background, const char* picture) {
    page.SetRect(0, 0, 800, 600);
    page.SetFrameStyle(0);
    page.SetBorderWidth(0);
    page.Open(parent);
    background.SetSource(MenuPicture(picture));
    background.SetRect(0, 0, 800, 600);
    background.SetTransparent(0);
    background.Attach(&page);
}

void ShowMenuButton(TListForm& button, TControl* page, int32_t x, int32_t y, const char* normal,
                    const char* over, const char* disabled) {
    button.SetPos(x, y);
    button.SetAutoSize(1);
    button.SetCursor(Resources().Cursor("curHand"));
    TStyle& styles = button.GetStyleRecords();
    TPicture* normalPicture = MenuPicture(normal);
    TPicture* overPicture = MenuPicture(over);
    styles.SetRecord1(normalPicture, 0, 0);
    styles.SetRecord2(normalPicture, 0, 0);
    if (disabled) styles.SetRecord3(MenuPicture(disabled), 0, 0);
    styles.SetRecord4(overPicture, 0, 0);
    styles.SetRecord5(overPicture, 0, 0);
    button.SetTransparent(1);
    button.SetColor(kKeyGreen);
    button.Show(page);
}

void ShowMenuToggle(TListForm& toggle, TControl* page, int32_t x, int32_t y,
                    const MenuToggleLooks& looks, bool checked) {
    toggle.SetMode(TClickCtl::mdToggle);
    toggle.SetPos(x, y);
    toggle.SetAutoSize(1);
    toggle.SetCursor(Resources().Cursor("curHand"));
    TStyle& styles = toggle.GetStyleRecords();
    styles.SetRecord1(MenuPicture(looks.off), 0, 0);
    styles.SetRecord2(MenuPicture(looks.on), 0, 0);
    styles.SetRecord4(MenuPicture(looks.offOver), 0, 0);
    styles.SetRecord5(MenuPicture(looks.onOver), 0, 0);
    toggle.SetTransparent(1);
    toggle.SetColor(kKeyGreen);
    toggle.SetEnabled(true);
    toggle.SetChecked(checked ? 1 : 0);
    toggle.Show(page);
}

void AttachMenuPicture(TImage& image, TControl* page, int32_t x, int32_t y, const char* key) {
    image.SetSource(MenuPicture(key));
    image.SetPos(x, y);
    image.SetAutoSize(1);
    image.SetTransparent(1);
    image.SetColor(kKeyGreen);
    image.Attach(page);
}

void ShowMenuScrollBar(TStyleScrollBar& bar, TStyle (&styles)[3], TPicture* album, TControl* page,
                       int32_t x, int32_t y, const MenuScrollParts& parts) {
    // The album's frame follows the part's state: normal, pressed, pointer
    // over, pressed under the pointer, disabled.
    const int32_t entries[3] = {parts.first, parts.second, parts.thumb};
    for (int part = 0; part < 3; ++part) {
        TStyle& style = styles[part];
        style.SetRecord1(album, 0, entries[part]);
        style.SetRecord2(album, 1, entries[part]);
        style.SetRecord3(album, 4, entries[part]);
        style.SetRecord4(album, 2, entries[part]);
        style.SetRecord5(album, 3, entries[part]);
    }
    bar.SetPos(x, y);
    bar.SetFirstButtonStyle(&styles[0]);
    bar.SetSecondButtonStyle(&styles[1]);
    bar.SetThumbStyle(&styles[2]);
    bar.SetTrack(album, 0, parts.track);
    bar.SetTransparent(1);
    bar.SetColor(kKeyGreen);
    bar.Show(page);
}
