// A full-screen form that scrolls a column of texts, pictures and animations
// upwards over an optional background picture or animation, with optional
// music, all described by one settings resource (section Global, then one
// section per item: Item0, Item1 ...). The game shows its credits so. The
// screen ends on a left button release, on Esc, or, with looping off, once
// the content has scrolled off the top.
#pragma once

#include "foundation/TColor.h"
#include "foundation/TTimer.h"
#include "media/sound/TSound.h"
#include "ui/TImage.h"
#include "ui/TLabel.h"
#include "ui/TPanel.h"
#include "ui/TSoundGraphic.h"
#include "ui/TWinForm.h"

#include <cstdint>
#include <memory>
#include <utility>
#include <string>
#include <vector>

class TIniFile;
class TMetaAni;
class TMetaFnt;
class TMetaImg;
class TSectTxt;
class TWave;

class TTextSequence : public TWinForm {
public:
    // The scroll interval when the settings give none, or none above 0.
    static constexpr int32_t kDefaultScrollMs = 40;
    // The first step's wait when Wait is there but empty.
    static constexpr int32_t kEmptyWaitMs = 500;

    TTextSequence();
    ~TTextSequence() override;

    // The settings resource (not owned).
    void SetIniFile(TIniFile* ini) { ini_ = ini; }
    // Reads the settings, builds the content, starts the background sound
    // and animation and opens the form under `parent`; the creator gives
    // the form its rectangle before and runs it modally after.
    void Load(TControl* parent);
    // Releases what Load built and closes the form.
    void Close();

    void OnKeyDown(TEvent* event) override;
    int OnClick(TObject* sender, TEvent* event);
    int OnScrollTimer(TObject* sender, TEvent* event);
    int OnOrderTimer(TObject* sender, TEvent* event);

    // --- What Load built, for those who look at the screen ---
    int32_t ContentHeight() const { return contentHeight_; }
    int32_t ScrollInterval() const { return scrollMs_; }
    bool Loops() const { return loop_; }
    TTimer& ScrollTimer() { return scrollTimer_; }
    // The items in stepping order: texts, then images, then animations,
    // each newest first.
    std::vector<TGraphic*> Items() const;

private:
    struct Defaults {
        int32_t fit = 4;
        TColor text{0, 0, 0}, light{0, 0, 0}, shadow{0, 0, 0};
        uint32_t style = 0;
        std::string font = "fntMain";
        int32_t align = 0, vertAlign = 0;
    };
    // Each resource is declared before its user, so that a screen that
    // goes without Close lets the user go first.
    struct TextItem {
        std::unique_ptr<TMetaFnt> font;
        std::unique_ptr<TLabel> label;
    };
    struct ImageItem {
        std::unique_ptr<TMetaImg> picture;
        std::unique_ptr<TImage> image;
    };
    struct AnimItem {
        std::unique_ptr<TMetaAni> animation;
        std::unique_ptr<TSoundGraphic> graphic;
    };

    void ReadTimers();
    void ReadBackground();
    void ReadDefaults();
    void BuildItems();
    // One item of `section` at the running top; its height, or -1 when the
    // section builds none.
    int32_t BuildItem(const std::string& section, int32_t& top);
    int32_t BuildText(const std::string& section, int32_t x, int32_t y);
    int32_t BuildImage(const std::string& section, int32_t x, int32_t y);
    int32_t BuildAnim(const std::string& section, int32_t x, int32_t y);
    // The item's fit flags, and its own size unless both sizes are given
    // and positive.
    void PlaceGraphic(TGraphic& graphic, const std::string& section, int32_t x, int32_t y);
    template <size_t N>
    bool ItemValue(const std::string& section, const char* key,
                   const std::pair<const char*, int32_t> (&table)[N], int32_t& value) const;
    void StartBackground();
    void Finish();

    TIniFile* ini_ = nullptr;
    std::unique_ptr<TSectTxt> textResource_;
    std::unique_ptr<TWave> wave_;
    std::unique_ptr<TMetaImg> backPicture_;
    std::unique_ptr<TMetaAni> backAnimation_;
    TTimer scrollTimer_;
    std::vector<TextItem> texts_;
    std::vector<ImageItem> images_;
    std::vector<AnimItem> anims_;
    int32_t contentHeight_ = 0;
    int32_t scrollMs_ = kDefaultScrollMs;
    TSound sound_;
    TImage backImage_;
    bool loop_ = true;
    TPanel backPanel_;
    TSoundGraphic backAnim_;
    TTimer orderTimer_;
    Defaults defaults_;
};
