#include "DialogView.h"

#include "DialogManager.h"
#include "GameApp.h"
#include "GameStatics.h"
#include "GameWorld.h"
#include "ScriptRefs.h"

#include "GameServices.h"
#include "RoomGlobals.h"
#include "TActor.h"
#include "TRoom.h"

#include "foundation/TError.h"
#include "foundation/TFile.h"
#include "foundation/TFileCtl.h"
#include "foundation/TKeys.h"
#include "foundation/TSectTxt.h"
#include "media/devices/TCursDev.h"
#include "media/resources/TMetaFnt.h"
#include "media/resources/TMetaImg.h"
#include "platform/Kernel.h"
#include "ui/THintForm.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr const char* kSource = "Int\\All\\Source\\DialogView";

TSectTxt* DialogTexts() {
    return Resources().Text("txtDialoge");
}

// The text of a phrase, null when its section is missing or empty.
const char* PhraseText(const DialogPhrase& phrase) {
    TSectTxt* texts = DialogTexts();
    if (!texts) return nullptr;
    texts->SetSection(phrase.textKey.c_str());
    return texts->GetSection();
}

void Cursor(bool visible) {
    TCursDev::Global().SetVisible(visible);
}
} // namespace

DialogView::DialogView() = default;

DialogView::~DialogView() {
    // Nothing of a running dialog calls back into a world that goes.
    ScriptUnref(endAction_);
    timer_.Detach();
    sound_.Detach();
}

void DialogView::Build(TControl* world) {
    SetRect(0, 0, 800, 150);
    SetBorderWidth(0);
    SetTransparent(1);
    SetFont(Resources().Font("fntDialog", 0));
    if (world) world->Add<DialogView, &DialogView::OnKey>(evKeyDown, this);
    timer_.SetFlags(kEnabled, false);
    timer_.Add<DialogView, &DialogView::OnTimer>(evTick, this);
    timer_.SetParent(world);
    sound_.Attach(world);
    speech_.Build(world);
    auto* panels = dynamic_cast<TMetaImg*>(Resources().Find("albPanels"));
    background_.SetSource(panels);
    background_.SetIndex(0);
    background_.SetSubIndex(4);
    background_.SetAlpha(127);
    background_.Attach(this);
    Show(world);
    SetVisible(false);
}

ChoiceButton* DialogView::Choice(int32_t i) const {
    return i >= 0 && size_t(i) < choices_.size() ? choices_[size_t(i)].get() : nullptr;
}

void DialogView::SetEndAction(int32_t reference) {
    if (endAction_ == reference) return;
    ScriptUnref(endAction_);
    endAction_ = reference;
}

std::string DialogView::SpeechPath(const DialogPhrase& phrase) {
    TString folder;
    // Only a key that is there is read: a missing one is no error here.
    if (!TFileCtl::HasKey("Main", "PathDialog") ||
        !TFileCtl::GetPath("Main", "PathDialog", folder) || !folder.c_str() || !folder.c_str()[0]) {
        const char* base = TFileCtl::GetBasePath();
        folder = base ? base : "";
        const size_t length = base ? std::strlen(base) : 0;
        if (length > 0 && base[length - 1] != '\\' && base[length - 1] != '/') folder += "\\";
        folder += "Deu\\All\\Speech\\";
    }
    return std::string(folder.c_str() ? folder.c_str() : "") + phrase.speechName + ".wav";
}

void DialogView::Note(const std::string& text) {
    OutputDebugStringA((text + "\n").c_str());
}

TRoom* DialogView::Room() {
    return CurrentRoom();
}

// --- Start and end ---------------------------------------------------------------------

void DialogView::MakeRecording(DialogManager& manager, const DialogDef* starting) {
    DialogDef* old = manager.FindDialog(DialogManager::kRepeat);
    if (old && old == starting) {
        // A replay keeps its recording and withdraws nothing.
        recording_ = old;
        deactivate_ = 0;
        return;
    }
    if (old) manager.Remove(old);
    recording_ = manager.Add(DialogManager::kRepeat);
}

void DialogView::StartDialog(const char* name, int32_t flags) {
    if (dialog_) EndDialog();
    showText_ = Statics().dialogText;
    deactivate_ = (flags & 1) ? 0 : 1;
    DialogManager* manager = DialogManager::Current();
    DialogDef* dialog = manager ? manager->FindDialog(name) : nullptr;
    DialogStatement* first = dialog ? dialog->Statement(1) : nullptr;
    if (!first) {
        // Undeclared, or nothing to start with (a replay before any dialog).
        if (std::string(name ? name : "") != DialogManager::kRepeat)
            Note(std::string("Dialog not defined: ") + (name ? name : ""));
        return;
    }
    if (GameWorld* world = App().World()) {
        world->HideLeftPanel();
        world->HideRightPanel();
    }
    MakeRecording(*manager, dialog);
    TRoom* room = Room();
    if (room && first->speaker == room->GetPlayerActor() && first->ActiveCount() == 0) {
        Note(std::string("First dialogstatement without active phrases: ") + name);
        return;
    }
    if (TWinApp::GetHintWindow()) {
        if (auto* hint = dynamic_cast<THintForm*>(TWinApp::GetHintWindow())) hint->Hide();
        TWinApp::SetHintWindow(nullptr);
        hintWasShown_ = 1;
    }
    dialog_ = dialog;
    dialogName_ = name ? name : "";
    ShowStatement(first);
    Invalidate(true);
}

void DialogView::EndDialog() {
    statement_ = nullptr;
    dialog_ = nullptr;
    speaker_ = -1;
    recording_ = nullptr;
    sound_.Release();
    Speaking(false);
    speech_.Silence();
    SetVisible(false);
    Invalidate(true);
    TRoom* room = Room();
    if (room) {
        room->ResetActorsTalk();
        room->RefreshActorsTalk();
    }
    if (hintWasShown_) {
        hintWasShown_ = 0;
        TWinApp::SetHintWindow(&App().HintWindow());
    }
    Cursor(true);
    if (room) room->Refresh();
    if (endAction_ != -1) ScriptCallRefOnce(endAction_);
}

// --- Statements ------------------------------------------------------------------------

void DialogView::ShowStatement(DialogStatement* statement) {
    choiceCount_ = 0;
    statement_ = statement;
    if (statement->ActiveCount() > 1 && dialog_ != recording_) {
        for (const auto& phrase : statement->phrases)
            if (phrase->Active()) AddChoice(phrase.get());
        LayoutChoices();
        background_.SetIndex(0);
        background_.SetSubIndex(choiceCount_ + 1);
        TPicture* picture = background_.GetSource();
        const int32_t w = picture ? picture->GetWidthOf(0, choiceCount_ + 1) : 0;
        const int32_t h = picture ? picture->GetHeightOf(0, choiceCount_ + 1) : 0;
        background_.SetRect(0, 0, w, h);
        SetRect((800 - w) / 2, 0, w, h);
        ToFront();
        SetVisible(true);
        Invalidate(true);
        Cursor(true);
        return;
    }
    DialogPhrase* phrase = statement->Phrase(0);
    if (phrase && !phrase->Active()) {
        if (DialogPhrase* active = statement->FirstActive()) phrase = active;
    }
    // A statement without phrases has nothing to say: the dialog ends.
    if (!phrase) {
        EndDialog();
        return;
    }
    PlayStatement(phrase);
    SetVisible(false);
}

void DialogView::AddChoice(DialogPhrase* phrase) {
    if (size_t(choiceCount_) >= choices_.size()) {
        auto button = std::make_unique<ChoiceButton>();
        button->Add<DialogView, &DialogView::OnChoice>(evCommand, this);
        button->Show(this);
        choices_.push_back(std::move(button));
    }
    ChoiceButton& button = *choices_[size_t(choiceCount_)];
    ++choiceCount_;
    button.phrase = phrase;
    if (const char* text = PhraseText(*phrase)) {
        button.SetText(text);
        return;
    }
    TError::Raise(666, "missing dialog text", nullptr, kSource, 381);
    button.SetText(("** Missing Dialog Text:  - " + phrase->textKey + " **").c_str());
}

void DialogView::LayoutChoices() {
    for (size_t i = 0; i < choices_.size(); ++i) {
        ChoiceButton& button = *choices_[i];
        const bool used = int32_t(i) < choiceCount_;
        if (used) {
            button.SetPos(800 - button.GetWidth(), 70 * int32_t(i));
            button.ToFront();
        }
        button.SetVisible(used);
    }
    if (choices_.empty()) Note("Playerstatement with 0 Statements" + dialogName_);
}

int DialogView::OnChoice(TObject* sender, TEvent*) {
    if (!dialog_ || !IsVisible()) return 1;
    auto* button = dynamic_cast<ChoiceButton*>(sender);
    DialogPhrase* phrase = nullptr;
    for (int32_t i = 0; i < choiceCount_; ++i)
        if (choices_[size_t(i)].get() == button) phrase = button->phrase;
    if (!phrase) {
        EndDialog();
        return 1;
    }
    PlayStatement(phrase);
    for (int32_t i = 0; i < choiceCount_; ++i)
        choices_[size_t(i)]->SetVisible(false);
    SetVisible(false);
    return 1;
}

// --- Phrases ---------------------------------------------------------------------------

void DialogView::RecordPhrase(const DialogPhrase& phrase, uint16_t speaker) {
    if (!recording_ || dialog_ == recording_) return;
    const auto n = uint16_t(recording_->statements.size());
    if (n > 0)
        if (DialogStatement* last = recording_->Statement(n))
            if (DialogPhrase* link = last->Phrase(0)) {
                link->next = uint16_t(n + 1);
                link->alternative = 0;
            }
    auto statement = std::make_unique<DialogStatement>();
    statement->id = uint16_t(n + 1);
    statement->speaker = speaker;
    auto copy = std::make_unique<DialogPhrase>();
    copy->textKey = phrase.textKey;
    copy->speechName = phrase.speechName;
    statement->AddPhrase(std::move(copy));
    recording_->AddStatement(std::move(statement));
}

void DialogView::PlayStatement(DialogPhrase* phrase) {
    int32_t show = showText_;
    const uint16_t speaker = statement_ ? statement_->speaker : 0;
    RecordPhrase(*phrase, speaker);
    if (deactivate_ == 1) phrase->flags &= uint16_t(~DialogPhrase::kActive);
    phrase->flags |= DialogPhrase::kSaid;
    if (statement_) statement_->flags |= DialogStatement::kReached;
    if (speechOn_ && !phrase->speechName.empty()) {
        const std::string path = SpeechPath(*phrase);
        TFile file(path.c_str());
        if (file.Exists()) {
            wave_.SetPath(path.c_str());
            sound_.SetWave(&wave_);
            sound_.SetVolume(uint32_t(std::max<int32_t>(0, Game().SoundVolume())));
            sound_.Play(0);
        } else {
            sound_.SetWave(nullptr);
            show = 1; // the text stands in for the missing speech
        }
    }
    TRoom* room = Room();
    if (speaker != 0 && room)
        if (TActor* actor = room->FindActor(speaker)) {
            actor->SetFlag(&sound_);
            actor->SetTalkState(1);
        }
    const char* text = PhraseText(*phrase);
    if (show == 1 && text && text[0]) speech_.Say(text, speaker, &sound_);
    speaker_ = speaker;
    const int32_t length = text ? int32_t(std::strlen(text)) : 0;
    // While the speech plays the timer polls it every 100 ms until it ends.
    const float wait =
        sound_.GetWave() && sound_.IsPlaying() ? 100.0f : float(std::max(1500, 50 * length));
    timer_.SetInterval(wait);
    Speaking(true);
    FollowPhrase(*phrase);
    SetVisible(false);
    Cursor(false);
}

DialogStatement* DialogView::Playable(uint16_t id) {
    DialogStatement* statement = dialog_ ? dialog_->Statement(id) : nullptr;
    if (!statement) {
        Note("Missing Dialogstatement: " + dialogName_ + " : " + std::to_string(id));
        return nullptr;
    }
    return statement->ActiveCount() > 0 ? statement : nullptr;
}

void DialogView::FollowPhrase(const DialogPhrase& phrase) {
    statement_ = nullptr;
    if (phrase.next == 0) return;
    DialogStatement* next = dialog_ ? dialog_->Statement(phrase.next) : nullptr;
    if (!next) {
        Note("Missing Dialogstatement: " + dialogName_ + " : " + std::to_string(phrase.next));
        return;
    }
    if (next->ActiveCount() > 0) {
        statement_ = next;
        return;
    }
    if (phrase.alternative != 0) statement_ = Playable(phrase.alternative);
}

int DialogView::OnTimer(TObject*, TEvent*) {
    // A late tick may fire the timer again after it was stopped.
    if (!dialog_ || !speaking_) return 1;
    if (sound_.GetWave() && sound_.IsPlaying()) {
        timer_.SetInterval(100.0f);
        return 1;
    }
    EndPhrase();
    return 1;
}

void DialogView::Speaking(bool on) {
    speaking_ = on;
    timer_.SetFlags(kEnabled, on);
}

void DialogView::EndPhrase() {
    Speaking(false);
    speaker_ = -1;
    speech_.Silence();
    if (TRoom* room = Room()) room->ResetActorsTalk();
    NextStatement();
}

int DialogView::OnKey(TObject*, TEvent* event) {
    if (!dialog_ || !event) return 0;
    event->passState = psConsumed;
    if (event->KeyCode() == kKeyEscape && speaking_) EndPhrase();
    return 1;
}

void DialogView::NextStatement() {
    if (!statement_ || statement_->ActiveCount() == 0) {
        EndDialog();
        return;
    }
    if (sound_.IsPlaying()) sound_.Release();
    ShowStatement(statement_);
}
