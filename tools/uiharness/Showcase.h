// The widgets the harness shows inside its captioned form: a title label,
// text buttons, a radio panel, a keyed and a translucent picture, hints, and
// the font they are written in (a small bitmap font the harness writes next
// to its configuration).
#pragma once

#include "media/resources/TMetaFnt.h"
#include "ui/THintForm.h"
#include "ui/TImage.h"
#include "ui/TLabel.h"
#include "ui/TPanel.h"
#include "ui/TTextButtonEx.h"

#include <memory>
#include <string>

class TWinForm;
class TWinApp;
class TPicture;

class Showcase {
public:
    Showcase();
    ~Showcase();

    // Writes the font into `folder` when missing and loads it.
    void LoadFont(const std::string& folder);
    TFontRes* Font() { return font_.get(); }
    // Shows the widgets in `form` and opens the hint window on `app`.
    void Open(TWinForm& form, TWinApp& app);
    void Close();

private:
    std::unique_ptr<TMetaFnt> font_;
    std::unique_ptr<TPicture> picture_;
    TLabel title_;
    TTextButtonEx ok_;
    TTextButton cancel_;
    TPanel radios_;
    TTextButtonEx red_, blue_;
    TImage keyed_, translucent_;
    THintForm hint_;
};
