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
