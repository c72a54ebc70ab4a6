#include "TTextSequence.h"

#include "foundation/TEvent.h"
#include "foundation/TIniFile.h"
#include "foundation/TKeys.h"
#include "foundation/Saturate.h"
#include "foundation/TSectTxt.h"
#include "media/animation/TMetaAni.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TMetaImg.h"
#include "media/sound/TWave.h"

#include <utility>

namespace {

constexpr uint16_t kEscape = 0x011B;
constexpr int32_t kFillParent = 5;
constexpr float kOrderMs = 10.0f;

// Whether the key is there; only a key that is there is read.
bool HasKey(TIniFile* ini, const std::string& section, const char* key) {
    return ini && ini->FindSection(section.c_str()) && ini->FindKey(key);
}

std::string Text(TIniFile* ini, const std::string& section, const char* key) {
    if (!HasKey(ini, section, key)) return "";
    const char* value = ini->GetString(section.c_str(), key, "");
    return value ? value : "";
}

int32_t Number(TIniFile* ini, const std::string& section, const char* key, int32_t fallback) {
    return HasKey(ini, section, key) ? ini->GetInt(section.c_str(), key, fallback) : fallback;
}

// prefix + R, G and B, when all three are there.
bool Colour(TIniFile* ini, const std::string& section, const std::string& prefix, TColor& out) {
    for (const char* c : {"R", "G", "B"})
        if (!HasKey(ini, section, (prefix + c).c_str())) return false;
    const auto part = [&](const char* c) {
        return uint8_t(Number(ini, section, (prefix + c).c_str(), 0) & 0xFF);
    };
    out = TColor(part("R"), part("G"), part("B"));
    return true;
}

// A value of `table` by its exact name; false for any other.
template <size_t N>
bool Lookup(const std::string& value, const std::pair<const char*, int32_t> (&table)[N],
            int32_t& out) {
    for (const auto& [name, number] : table)
        if (value == name) {
            out = number;
            return true;
        }
    return false;
}

constexpr std::pair<const char*, int32_t> kAspects[] = {{"Scale", 1}, {"Center", 4}};
constexpr std::pair<const char*, int32_t> kStyles[] = {{"Bold", 1}, {"Underline", 2}, {"3D", 32}};
constexpr std::pair<const char*, int32_t> kAligns[] = {{"Left", 0}, {"Center", 1}, {"Right", 2}};
constexpr std::pair<const char*, int32_t> kVertAligns[] = {
    {"Top", 0}, {"Middle", 1}, {"Bottom", 2}, {"Baseline", 3}};

const std::string kGlobal = "Global";

} // namespace

// An item's key of named values: without the key the default `value`
// holds (true); with one of the names, its number (true); with any other
// value, nothing is to be set (false).
template <size_t N>
bool TTextSequence::ItemValue(const std::string& section, const char* key,
                              const std::pair<const char*, int32_t> (&table)[N],
                              int32_t& value) const {
    if (!HasKey(ini_, section, key)) return true;
    return Lookup(Text(ini_, section, key), table, value);
}

TTextSequence::TTextSequence() = default;

TTextSequence::~TTextSequence() = default;

void TTextSequence::Load(TControl* parent) {
    SetBorderWidth(0);
    SetFrameStyle(0);
    Add<TTextSequence, &TTextSequence::OnClick>(evLeftUp, this);
    SetTransparent(0);
    if (ini_) ini_->Load();
    ReadTimers();
    const std::string resource = Text(ini_, kGlobal, "TextResource");
    // Without a name there is nothing to load (an empty key would only be
    // reported as missing).
    if (!resource.empty()) {
        textResource_ = std::make_unique<TSectTxt>(resource.c_str());
        if (textResource_) textResource_->Load();
    }
    loop_ = Text(ini_, kGlobal, "Loop") != "no";
    ReadBackground();
    ReadDefaults();
    BuildItems();
    Finish();
    Open(parent);
}

void TTextSequence::ReadTimers() {
    const int32_t speed = Number(ini_, kGlobal, "Scrollspeed", 0);
    scrollMs_ = speed > 0 ? speed : kDefaultScrollMs;
    int32_t first = scrollMs_;
    if (HasKey(ini_, kGlobal, "Wait"))
        first = Text(ini_, kGlobal, "Wait").empty() ? kEmptyWaitMs
                                                    : Number(ini_, kGlobal, "Wait", kEmptyWaitMs);
    scrollTimer_.SetInterval(float(first));
    scrollTimer_.Add<TTextSequence, &TTextSequence::OnScrollTimer>(evTick, this);
    orderTimer_.SetInterval(kOrderMs);
    orderTimer_.Add<TTextSequence, &TTextSequence::OnOrderTimer>(evTick, this);
}

void TTextSequence::ReadBackground() {
    const std::string image = Text(ini_, kGlobal, "BackImage");
    if (!image.empty()) {
        backPicture_ = std::make_unique<TMetaImg>(image.c_str());
        backImage_.SetSource(backPicture_.get());
        backImage_.SetTransparent(0);
        backImage_.SetBorderWidth(0);
        backImage_.SetFitFlags(1);
        backImage_.SetAlign(kFillParent);
        backImage_.Attach(this);
    }
    const std::string anim = Text(ini_, kGlobal, "BackAnim");
    if (!anim.empty()) {
        backAnimation_ = std::make_unique<TMetaAni>(anim.c_str());
        backAnim_.SetAnimation(backAnimation_.get());
        backAnim_.SetTransparent(0);
        backAnim_.SetBorderWidth(0);
        backAnim_.SetFitFlags(4);
        backAnim_.SetFlags(3);
        backAnim_.SetRect(0, 0, GetWidth(), GetHeight());
        backAnim_.Attach(&backPanel_);
        backPanel_.SetRect(0, 0, GetWidth(), GetHeight());
        backPanel_.SetTransparent(0);
        backPanel_.Show(this);
        backPanel_.ToBack();
    }
    const std::string wave = Text(ini_, kGlobal, "Wave");
    if (!wave.empty()) {
        wave_ = std::make_unique<TWave>(wave.c_str());
        sound_.SetWave(wave_.get());
        sound_.SetFlags(0);
    }
}

void TTextSequence::ReadDefaults() {
    Lookup(Text(ini_, kGlobal, "Aspect"), kAspects, defaults_.fit);
    Colour(ini_, kGlobal, "FontColor", defaults_.text);
    int32_t style = 0;
    if (Lookup(Text(ini_, kGlobal, "FontStyle"), kStyles, style)) defaults_.style = uint32_t(style);
    if (defaults_.style == TText::tsEmboss) {
        Colour(ini_, kGlobal, "FontLight", defaults_.light);
        Colour(ini_, kGlobal, "FontShadow", defaults_.shadow);
    }
    if (HasKey(ini_, kGlobal, "FontName")) defaults_.font = Text(ini_, kGlobal, "FontName");
    Lookup(Text(ini_, kGlobal, "HAlign"), kAligns, defaults_.align);
    Lookup(Text(ini_, kGlobal, "VAlign"), kVertAligns, defaults_.vertAlign);
}

void TTextSequence::BuildItems() {
    int32_t top = 0;
    int32_t last = 0;
    for (int32_t n = 0; ini_ && ini_->FindSection(("Item" + std::to_string(n)).c_str()); ++n) {
        const int32_t height = BuildItem("Item" + std::to_string(n), top);
        // A section that builds nothing leaves the space of the item before.
        if (height >= 0) last = height;
        // Offsets are the settings' numbers: the top stays at the end of the
        // range it reaches.
        top = SatAdd(top, last);
    }
    contentHeight_ = top;
    textResource_.reset();
    if (ini_) ini_->Detach();
}

int32_t TTextSequence::BuildItem(const std::string& section, int32_t& top) {
    int32_t (TTextSequence::*build)(const std::string&, int32_t, int32_t) = nullptr;
    if (HasKey(ini_, section, "Text"))
        build = &TTextSequence::BuildText;
    else if (HasKey(ini_, section, "Image"))
        build = &TTextSequence::BuildImage;
    else if (HasKey(ini_, section, "Anim"))
        build = &TTextSequence::BuildAnim;
    if (!build) return -1;
    const int32_t x = Number(ini_, section, "OffsetX", 0);
    top = SatAdd(top, Number(ini_, section, "OffsetY", 0));
    return (this->*build)(section, x, top);
}

int32_t TTextSequence::BuildText(const std::string& section, int32_t x, int32_t y) {
    TextItem item;
    item.label = std::make_unique<TLabel>();
    if (!item.label) return 0;
    TLabel& label = *item.label;
    if (textResource_) {
        textResource_->SetSection(Text(ini_, section, "Text").c_str());
        const char* text = textResource_->GetSection();
        label.SetText(text ? text : "");
    }
    label.SetTransparent(1);
    label.SetColor(TColor(0, 255, 0));
    if (HasKey(ini_, section, "SizeX") && HasKey(ini_, section, "SizeY"))
        label.SetRect(x, y, Number(ini_, section, "SizeX", 0), Number(ini_, section, "SizeY", 0));
    else {
        label.SetPos(x, y);
        label.SetAutoSize(1);
    }
    TColor colour = defaults_.text;
    Colour(ini_, section, "FontColor", colour);
    label.SetTextColor(colour);
    if (Colour(ini_, section, "FontBack", colour)) {
        label.SetBackColor(colour);
        label.SetTransparent(0);
    }
    const std::string font =
        HasKey(ini_, section, "FontName") ? Text(ini_, section, "FontName") : defaults_.font;
    item.font = std::make_unique<TMetaFnt>(font.c_str());
    label.SetFont(item.font.get());
    // An item's own value that is none of the names sets nothing: the label
    // keeps what it was built with, not the screen's default.
    int32_t value = defaults_.align;
    if (ItemValue(section, "HAlign", kAligns, value)) label.SetAlign(value);
    value = defaults_.vertAlign;
    if (ItemValue(section, "VAlign", kVertAligns, value)) label.SetVertAlign(value);
    int32_t style = int32_t(defaults_.style);
    TColor light = defaults_.light, shadow = defaults_.shadow;
    const bool own = HasKey(ini_, section, "FontStyle");
    if (ItemValue(section, "FontStyle", kStyles, style)) {
        label.SetStyle(uint32_t(style));
        if (own) {
            Colour(ini_, section, "FontLight", light);
            Colour(ini_, section, "FontShadow", shadow);
        }
        if (uint32_t(style) == TText::tsEmboss) {
            label.SetLightColor(light);
            label.SetShadowColor(shadow);
        }
    }
    label.Show(this);
    label.Update();
    const int32_t height = label.GetHeight();
    texts_.insert(texts_.begin(), std::move(item));
    return height;
}

int32_t TTextSequence::BuildImage(const std::string& section, int32_t x, int32_t y) {
    ImageItem item;
    item.image = std::make_unique<TImage>();
    if (!item.image) return 0;
    TImage& image = *item.image;
    item.picture = std::make_unique<TMetaImg>(Text(ini_, section, "Image").c_str());
    image.SetSource(item.picture.get());
    image.SetTransparent(1);
    PlaceGraphic(image, section, x, y);
    image.Attach(this);
    image.Update();
    const int32_t height = image.GetHeight();
    images_.insert(images_.begin(), std::move(item));
    return height;
}

int32_t TTextSequence::BuildAnim(const std::string& section, int32_t x, int32_t y) {
    AnimItem item;
    item.graphic = std::make_unique<TSoundGraphic>();
    if (!item.graphic) return 0;
    TSoundGraphic& graphic = *item.graphic;
    item.animation = std::make_unique<TMetaAni>(Text(ini_, section, "Anim").c_str());
    graphic.SetAnimation(item.animation.get());
    graphic.SetFlags(TSoundGraphic::sgLoop);
    PlaceGraphic(graphic, section, x, y);
    graphic.Attach(this);
    graphic.Play();
    graphic.Update();
    const int32_t height = graphic.GetHeight();
    anims_.insert(anims_.begin(), std::move(item));
    return height;
}

void TTextSequence::PlaceGraphic(TGraphic& graphic, const std::string& section, int32_t x,
                                 int32_t y) {
    int32_t fit = defaults_.fit;
    if (ItemValue(section, "Aspect", kAspects, fit)) graphic.SetFitFlags(fit);
    const int32_t w = Number(ini_, section, "SizeX", 0);
    const int32_t h = Number(ini_, section, "SizeY", 0);
    if (HasKey(ini_, section, "SizeX") && HasKey(ini_, section, "SizeY") && w > 0 && h > 0) {
        graphic.SetRect(x, y, w, h);
        return;
    }
    graphic.SetPos(x, y);
    graphic.SetAutoSize(1);
}

void TTextSequence::Finish() {
    scrollTimer_.SetParent(this);
    orderTimer_.SetParent(this);
    if (wave_) {
        sound_.Attach(this);
        sound_.Play(0);
    }
    if (backAnim_.GetAnimation()) backAnim_.Play();
}

std::vector<TGraphic*> TTextSequence::Items() const {
    std::vector<TGraphic*> items;
    for (const TextItem& item : texts_)
        items.push_back(item.label.get());
    for (const ImageItem& item : images_)
        items.push_back(item.image.get());
    for (const AnimItem& item : anims_)
        items.push_back(item.graphic.get());
    return items;
}

int TTextSequence::OnClick(TObject*, TEvent*) {
    SetVisible(false);
    TFocusCtl::Close();
    return 1;
}

void TTextSequence::OnKeyDown(TEvent* event) {
    if (event && uint16_t(event->data[kwKey]) == kEscape) OnClick(this, event);
}

int TTextSequence::OnScrollTimer(TObject*, TEvent*) {
    scrollTimer_.SetFlags(TComp::kEnabled, false);
    scrollTimer_.SetInterval(float(scrollMs_));
    for (TGraphic* item : Items()) {
        // In 64 bits: an item may stand at the lowest place there is, and
        // the content's height may be that far negative.
        const int64_t y = int64_t{item->GetY()} - 1;
        item->SetPos(item->GetX(), Saturate32(y));
        if (y >= -int64_t{contentHeight_}) continue;
        if (loop_) {
            item->SetPos(item->GetX(), GetHeight());
            continue;
        }
        // The screen has ended: the rest of the step would only move items
        // of a closed form.
        OnClick(this, nullptr);
        return 1;
    }
    scrollTimer_.SetFlags(TComp::kEnabled, true);
    return 1;
}

int TTextSequence::OnOrderTimer(TObject*, TEvent*) {
    orderTimer_.SetFlags(TComp::kEnabled, false);
    backPanel_.ToBack();
    backAnim_.ToBack();
    for (TGraphic* item : Items())
        item->ToFront();
    orderTimer_.SetFlags(TComp::kEnabled, true);
    return 1;
}

void TTextSequence::Close() {
    if (backImage_.GetSource()) {
        backImage_.SetSource(nullptr);
        backPicture_.reset();
        backImage_.Detach();
    }
    if (backAnim_.GetAnimation()) {
        backAnim_.Stop();
        backAnim_.SetAnimation(nullptr);
        backAnimation_.reset();
        backAnim_.Detach();
        backPanel_.Hide();
    }
    if (sound_.GetWave()) {
        sound_.Release();
        sound_.Detach();
        sound_.SetWave(nullptr);
        wave_.reset();
    }
    for (TextItem& item : texts_) {
        item.label->Hide();
        item.label.reset();
        item.font.reset();
    }
    texts_.clear();
    for (ImageItem& item : images_) {
        item.image->Detach();
        item.image.reset();
        item.picture.reset();
    }
    images_.clear();
    for (AnimItem& item : anims_) {
        item.graphic->Stop();
        item.graphic->Detach();
        item.graphic.reset();
        item.animation.reset();
    }
    anims_.clear();
    scrollTimer_.SetParent(nullptr);
    orderTimer_.SetParent(nullptr);
    TWinForm::Close();
}
