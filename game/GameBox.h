// The game's own modal box: a text beside an icon over a row of two buttons,
// its caption and button texts from txtMain so that they follow the language.
// The error box and the question box differ only in the row of their table.
#pragma once

#include "ui/TImage.h"
#include "ui/TLabel.h"
#include "ui/TPanel.h"
#include "ui/TTextButtonEx.h"
#include "ui/TWinForm.h"

#include "platform/User.h"

#include <cstdint>

class GameBox : public TWinForm {
public:
    struct Kind {
        const char* caption; // section of txtMain, null: none
        const char* icon;    // picture key
        const char* first;   // section of the left button (value 1)
        const char* second;  // section of the right button (value 0)
        bool firstCancels;   // the left button answers Escape
        bool secondCancels;  // the right one answers Escape (it answers Enter)
        UINT hostType;       // the platform box standing in where nobody sees one
        int hostFirst;       // its answer that stands for the left button
        // The answer of a box that ends without a button (an error reported
        // while it runs, the application closing under it).
        bool unansweredIsFirst;
    };

    explicit GameBox(const Kind& kind);
    ~GameBox() override;

    // Lays the box out over `parent`, runs it until a button closes it and
    // answers whether the left button (value 1) did.
    bool Run(TControl* parent, const char* text);
    // The layout alone (Run's first step), for the tests as well.
    void Layout(TControl* parent, const char* text);
    // Where nobody could press a button (a headless run), the platform's box
    // answers by its policy and logs the question; the box itself is not run.
    bool AnswerByPolicy(HWND owner, const char* text);
    int OnButton(TObject* sender, TEvent* event);
    // The text of a section of txtMain, empty when it has none.
    static const char* MainText(const char* section);

    TLabel& Message() { return message_; }
    TTextButtonEx& First() { return first_; }
    TTextButtonEx& Second() { return second_; }
    TPanel& Buttons() { return buttons_; }
    TPanel& ClientPanel() { return client_; }
    TPanel& IconPanel() { return iconPanel_; }
    int32_t Result() const { return result_; }

private:
    // The height of the caption bar and the strip docked under it.
    int32_t BarsHeight() const;

    const Kind& kind_;
    TLabel message_;
    TImage icon_;
    TPanel client_;
    TPanel buttons_;
    TPanel iconPanel_;
    TTextButtonEx first_;
    TTextButtonEx second_;
    int32_t result_ = 1;
};
