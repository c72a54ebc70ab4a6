// What the game menu's full-screen pages share: the page itself over the
// whole screen with its background, and picture buttons whose pictures
// follow the button's state ("a" normal, "b" under the pointer, "c"
// disabled), keyed in pure green and sized by their pictures.
#pragma once

#include "ui/TImage.h"
#include "ui/TListForm.h"
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
