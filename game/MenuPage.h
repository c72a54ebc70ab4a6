// What the game menu's full-screen pages share: the page itself over the
// whole screen with its background, and picture buttons whose pictures
// follow the button's state ("a" normal, "b" under the pointer, "c"
// disabled), keyed in pure green and sized by their pictures.
#pragma once

#include "ui/TImage.h"
#include "ui/TListForm.h"
#include "ui/TStyleScrollBar.h"
#include "ui/TWinForm.h"

#include <cstdint>

class TPicture;

// The named picture `key`, or null.
TPicture* MenuPicture(const char* key);

// The page as 800 x 600 at (0, 0) without frame or border, opened under
// `parent`, with `background` (picMenu1 unless said otherwise) at (0, 0).
void OpenMenuPage(TWinForm& page, TControl* parent, TImage& background,
                  const char* picture = "picMenu1");

// A picture button at (x, y) under `page`: `normal` in states 0 and 1,
// `over` in states 3 and 4, `disabled` (may be null) in state 2, the hand
// cursor, keyed in pure green, shown.
void ShowMenuButton(TListForm& button, TControl* page, int32_t x, int32_t y, const char* normal,
                    const char* over, const char* disabled = nullptr);

// A toggle at (x, y) under `page`: `off` and `on` in states 0 and 1, the
// same under the pointer in states 3 and 4, checked as `checked` says.
struct MenuToggleLooks {
    const char* off;
    const char* on;
    const char* offOver;
    const char* onOver;
};
void ShowMenuToggle(TListForm& toggle, TControl* page, int32_t x, int32_t y,
                    const MenuToggleLooks& looks, bool checked);

// The named picture `key` at (x, y) on `page`, keyed in pure green.
void AttachMenuPicture(TImage& image, TControl* page, int32_t x, int32_t y, const char* key);

// The menu's picture scroll bar at (x, y) under `page`: every part from
// `album` (picMenuScrollBar), its frame by the part's state and its entry by the part
// (`parts`: first button, second button, thumb, track), keyed in pure green,
// shown. The three styles are the caller's and must outlive the bar.
struct MenuScrollParts {
    int32_t first, second, thumb, track;
};
void ShowMenuScrollBar(TStyleScrollBar& bar, TStyle (&styles)[3], TPicture* album, TControl* page,
                       int32_t x, int32_t y, const MenuScrollParts& parts);
