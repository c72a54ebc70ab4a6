// Conversations run through the game on virtual time (50 ms a tick): choices
// at the top, phrases spoken for their text's length or their speech's, the
// data marked as phrases are said, the recording replayed, the end action
// run once; and the Dialog commands' answers.
#include "GameTestFixture.h"

#include "AlbumWriter.h"
#include "ChoiceButton.h"
#include "DialogManager.h"
#include "DialogView.h"
#include "WavWriter.h"
#include "WorldRandom.h"

#include "foundation/TKeys.h"
#include "media/devices/TCursDev.h"
#include "media/resources/TMetaFnt.h"

namespace gametest {
namespace {

const char* const kDialogs = R"(
Dialog("talk")
Statement(1, 0, "Q1", 2, 0, 0, "Q2", 2, 0, 0, "BYE", 0, 0, 0)
Statement(2, 1, "ANS", 1, 0, 0)
Dialog("one")
Statement(1, 0, "SPOKEN", 0, 0, 0)
Dialog("mute")
Statement(1, 1)
Dialog("late")
Statement(2, 1, "SPOKEN", 0, 0, 0)
Dialog("faceless")
Statement(1, 5, "SPOKEN", 0, 0, 0)
)";

class Dialogs : public GameTest {
protected:
    void SetUp() override {
        GameTest::SetUp();
        fixture.dialogsScript = kDialogs;
        fixture.dialogTexts = {{"Q1", std::string(20, 'a')},
                               {"Q2", "second question"},
                               {"BYE", "bye"},
                               {"ANS", std::string(40, 'b')},
                               {"SPOKEN", "spoken"}};
        fixture.mainScript = tools::DefaultMainScript() +
                             "function Game.DoTickAction() Error('tick') end\n"
                             "function Ended() Error('ended') end\n";
    }
    void Begin() {
        Start();
        App().World()->RoomView().SetPlayerActor(0);
        platform::ClearMessageBoxLog();
    }
    static DialogView& View() { return App().World()->Dialogs(); }
    static DialogDef& Data(const char* name) { return *DialogManager::Current()->FindDialog(name); }
    static void Ms(long ms) { RunTicks(ms / 50); }
    static void Choose(int32_t i) { View().OnChoice(View().Choice(i), nullptr); }
    static int Key(uint16_t code) {
        TEvent key;
        key.SetType(evKeyDown);
        key.data[0] = code;
        return App().World()->Dispatch(App().World(), &key);
    }
};

TEST_F(Dialogs, ChoicesSpeakingAndTheEndFollowTheData) {
    Begin();
    ASSERT_TRUE(Run("Dialog.Do('talk', 0, Ended)"));
    DialogView& view = View();
    ASSERT_TRUE(view.Running());
    ASSERT_EQ(view.ChoiceCount(), 3);
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(view.Choice(i)->GetX(), 800 - 770) << i;
        EXPECT_EQ(view.Choice(i)->GetY(), 70 * i) << i;
    }
    EXPECT_EQ(view.ChoiceBackground().GetSubIndex(), 4);
    EXPECT_EQ(view.GetX(), (800 - 780) / 2);
    EXPECT_EQ(view.GetHeight(), 210);
    EXPECT_EQ(TWinApp::GetHintWindow(), nullptr) << "no hints while the dialog runs";

    Choose(0); // Q1: 20 characters wait 1500 ms
    const DialogPhrase& q1 = *Data("talk").statements[0]->phrases[0];
    EXPECT_EQ(q1.flags, DialogPhrase::kSaid) << "said and withdrawn";
    EXPECT_EQ(Data("talk").statements[0]->flags, DialogStatement::kReached);
    EXPECT_TRUE(view.Speaking());
    EXPECT_EQ(view.IsActive(), 0);
    Ms(1450);
    EXPECT_TRUE(view.Speaking());
    Ms(150);
    // ANS, the only phrase on offer: spoken at once; 40 characters wait 2000.
    EXPECT_TRUE(view.Speaking());
    EXPECT_EQ(view.IsActive(), 1);
    Ms(1950);
    EXPECT_TRUE(view.Speaking());
    Ms(150);
    ASSERT_EQ(view.ChoiceCount(), 2) << "Q1 is no longer offered";
    EXPECT_EQ(view.ChoiceBackground().GetSubIndex(), 3);
    EXPECT_EQ(view.Choice(1)->phrase, Data("talk").statements[0]->phrases[2].get());
    Choose(1); // BYE ends the dialog after its phrase
    Ms(1600);
    EXPECT_FALSE(view.Running());
    EXPECT_EQ(Boxes(), std::vector<std::string>{"ended"}) << "once, and no tick during it";
    EXPECT_EQ(TWinApp::GetHintWindow(), &App().HintWindow());
    EXPECT_TRUE(TCursDev::Global().IsVisible());

    // The recording replays without choices and withdraws nothing.
    DialogDef& recording = Data("repeatdialog");
    ASSERT_EQ(recording.statements.size(), 3u);
    EXPECT_EQ(recording.statements[0]->phrases[0]->next, 2);
    ASSERT_TRUE(Run("Dialog.Do('repeatdialog')"));
    EXPECT_EQ(view.ChoiceCount(), 0);
    Ms(1600 + 2100 + 1600);
    EXPECT_FALSE(view.Running());
    EXPECT_EQ(recording.statements.size(), 3u);
    EXPECT_EQ(recording.statements[2]->phrases[0]->flags,
              DialogPhrase::kActive | DialogPhrase::kSaid);

    // Saved and loaded over the declared flags: the progress comes back.
    std::vector<uint8_t> bytes;
    platform::ByteWriter out(bytes);
    ASSERT_TRUE(DialogManager::Current()->SaveState(out));
    for (auto& s : Data("talk").statements)
        for (auto& p : s->phrases)
            p->flags = DialogPhrase::kActive;
    platform::ByteReader in(bytes);
    ASSERT_TRUE(DialogManager::Current()->LoadState(in));
    EXPECT_EQ(q1.flags, DialogPhrase::kSaid);
    EXPECT_EQ(Data("talk").statements[0]->phrases[1]->flags, DialogPhrase::kActive);
    Stop();
}

// The game with a pixel dialog font of `subFonts` sub-fonts (sub-font i
// 4 + i pixels high), its "talk" choices on offer, and the font the second
// choice takes while the pointer is over it.
class HoveredChoice : public Dialogs {
protected:
    TMetaFnt* HoverWithSubFonts(size_t subFonts) {
        tools::AlbumPlan plan;
        plan.palette = {0, 0, 0, 255, 255, 255};
        tools::GlyphTable table;
        table.map.fill(1);
        table.width.fill(4);
        for (size_t i = 0; i < subFonts; ++i) {
            const size_t bytes = 8 * (4 + i);
            plan.entries.push_back(
                {8,
                 uint16_t(4 + i),
                 {std::vector<uint8_t>(bytes, 0), std::vector<uint8_t>(bytes, 1)},
                 0});
        }
        std::string error;
        const std::vector<uint8_t> font = tools::WritePixelFont(
            plan, std::vector<tools::GlyphTable>(subFonts, table), false, &error);
        EXPECT_FALSE(font.empty()) << error;
        WriteGame();
        dir.Write("data/fonts/dialog.pxf", font);
        const std::vector<unsigned char> bytes =
            testsupport::TempDir::Read(dir.File("resource.ini"));
        std::string index(bytes.begin(), bytes.end());
        const std::string fnt = "fntDialog=fonts\\main.fnt";
        const size_t at = index.find(fnt);
        if (at == std::string::npos) return nullptr;
        index.replace(at, fnt.size(), "fntDialog=fonts\\dialog.pxf");
        dir.Write("resource.ini", index);
        Statics().noteHook = &RecordNote;
        if (!GameSetUp()) return nullptr;
        App().Show();
        RunTicks(1);
        App().World()->RoomView().SetPlayerActor(0);
        if (!Run("Dialog.Do('talk', 0)")) return nullptr;
        TEvent enter;
        enter.SetType(evMouseEnter);
        View().Choice(1)->OnMouseEnter(&enter);
        return dynamic_cast<TMetaFnt*>(View().Choice(1)->GetFont());
    }
    // The pointer leaves the choice: the first sub-font again.
    static void Leave() {
        TEvent leave;
        leave.SetType(evMouseLeave);
        View().Choice(1)->OnMouseLeave(&leave);
        EXPECT_EQ(dynamic_cast<TMetaFnt*>(View().Choice(1)->GetFont()),
                  Resources().Font("fntDialog", 0));
    }
};

// The choice under the pointer is drawn in the dialog font's second
// sub-font.
TEST_F(HoveredChoice, TakesTheSecondSubFont) {
    TMetaFnt* hovered = HoverWithSubFonts(2);
    ASSERT_NE(hovered, nullptr);
    EXPECT_EQ(hovered, Resources().Font("fntDialog", 1));
    EXPECT_EQ(hovered->GetTextHeight('A'), 5);
    Leave();
    Stop();
}

// A font file without a second sub-font keeps the line in the first one:
// it never vanishes under the pointer.
TEST_F(HoveredChoice, KeepsTheFirstWhenTheFontHasNoSecond) {
    TMetaFnt* hovered = HoverWithSubFonts(1);
    ASSERT_NE(hovered, nullptr);
    EXPECT_EQ(hovered, Resources().Font("fntDialog", 0));
    EXPECT_EQ(hovered->GetTextHeight('A'), 4);
    Leave();
    Stop();
}

TEST_F(Dialogs, FlagOneOffersTheSameChoicesAgain) {
    Begin();
    ASSERT_TRUE(Run("Dialog.Do('talk', 1)"));
    Choose(0);
    Ms(1600 + 2100);
    EXPECT_EQ(View().ChoiceCount(), 3);
    EXPECT_EQ(Data("talk").statements[0]->phrases[0]->flags,
              DialogPhrase::kActive | DialogPhrase::kSaid);
    Stop();
}

TEST_F(Dialogs, StartsThatCannotRunAreRefused) {
    Begin();
    const struct {
        const char* script;
        int ended; // end actions run
    } cases[] = {
        {"Dialog.Do('repeatdialog', 0, Ended)", 0}, // nothing recorded yet
        {"Dialog.Do('nowhere', 0, Ended)", 0},
        {"Dialog.Do('late', 0, Ended)", 0}, // no statement 1
        {"Dialog.Do('mute', 0, Ended)", 1}, // statement 1 without phrases
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        platform::ClearMessageBoxLog();
        View().SetEndAction(-1);
        ASSERT_TRUE(Run(c.script));
        RunTicks(1);
        EXPECT_FALSE(View().Running());
        EXPECT_EQ(int(Boxes("ended").size()), c.ended);
    }
    Stop();
}

TEST_F(Dialogs, ANewDialogEndsTheRunningOneWithItsOwnEndAction) {
    Begin();
    ASSERT_TRUE(Run("function First() Error('first') end\n"
                    "function Second() Error('second') end\n"
                    "Dialog.Do('talk', 0, First)"));
    ASSERT_TRUE(Run("Dialog.Do('one', 0, Second)"));
    EXPECT_EQ(Boxes(), std::vector<std::string>{"first"});
    Ms(1600);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(View().EndAction(), -1);
    Stop();
}

// The ended dialog's end action starts a dialog of its own: that one too ends
// with its own end action before the new dialog starts with its.
TEST_F(Dialogs, AnEndActionThatStartsADialogKeepsEachEndActionWithItsDialog) {
    Begin();
    ASSERT_TRUE(Run("function First() Error('first') Dialog.Do('talk', 0, Third) end\n"
                    "function Second() Error('second') end\n"
                    "function Third() Error('third') end\n"
                    "Dialog.Do('talk', 0, First)"));
    ASSERT_TRUE(Run("Dialog.Do('one', 0, Second)"));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"first", "third"}));
    EXPECT_TRUE(View().Running());
    Ms(1600);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"first", "third", "second"}));
    EXPECT_EQ(View().EndAction(), -1);
    Stop();
}

TEST_F(Dialogs, EscapeEndsThePhraseAndOtherKeysAreSwallowed) {
    Begin();
    const int32_t menus = App().MenuCount();
    ASSERT_TRUE(Run("Dialog.Do('talk', 0)"));
    Choose(0);
    EXPECT_EQ(Key(kKeyF1), 1);
    EXPECT_EQ(App().MenuCount(), menus) << "F1 opened no menu";
    EXPECT_TRUE(View().Speaking());
    EXPECT_EQ(Key(kKeyEscape), 1);
    EXPECT_EQ(View().IsActive(), 1) << "straight on to the answer";
    Stop();
}

TEST_F(Dialogs, SpeechHoldsThePhraseAndAMissingOneShowsTheText) {
    // Three seconds of silence for SPOKEN.
    fixture.sound = true;
    fixture.speeches = {{"SPOKEN", tools::PcmWav16(1, 11025, std::vector<int16_t>(3 * 11025))}};
    Begin();
    Statics().dialogText = 0;
    ASSERT_TRUE(Run("Dialog.Do('one')"));
    EXPECT_FALSE(View().Speech().IsVisible()) << "texts are off and the speech plays";
    Ms(2500);
    EXPECT_TRUE(View().Running()) << "held while the speech plays";
    Ms(1000);
    EXPECT_FALSE(View().Running());
    // The Q1 speech is missing: its text stands in, though texts are off.
    ASSERT_TRUE(Run("Dialog.Do('talk', 0)"));
    Choose(0);
    EXPECT_TRUE(View().Speech().IsVisible());
    SpeechPanel& panel = View().Speech();
    EXPECT_EQ(panel.GetX(), (800 - 640) / 2);
    EXPECT_EQ(panel.GetY(), 600 - 100);
    Stop();
}

TEST_F(Dialogs, TheFaceFollowsTheSpeakersPictures) {
    Begin();
    WorldSeed(1);
    ASSERT_TRUE(Run("Dialog.Do('talk', 0)"));
    Choose(0);
    Ms(1600); // ANS by actor 1: three faces
    SpeechPanel& panel = View().Speech();
    ASSERT_TRUE(panel.IsVisible());
    Ms(200);
    EXPECT_EQ(panel.Face().GetX(), 10);
    EXPECT_EQ(panel.Face().GetY(), 30);
    EXPECT_TRUE(panel.FaceShown());
    EXPECT_LT(panel.Face().GetIndex(), 3);
    EXPECT_EQ(panel.Face().GetSubIndex(), 1);
    ASSERT_TRUE(Run("Dialog.Do('faceless')"));
    Ms(200);
    EXPECT_FALSE(panel.FaceShown()) << "actor 5 has no face";
    Stop();
}

TEST_F(Dialogs, CommandsAnswerFromTheData) {
    fixture.mainScript = tools::DefaultMainScript() + R"(
function Say(v) if v == nil then Error("nil") else Error(v) end end
)";
    Begin();
    Data("talk").statements[0]->flags = DialogStatement::kReached;
    Data("talk").statements[0]->phrases[1]->flags = DialogPhrase::kSaid;
    ASSERT_TRUE(Run(R"(
Say(Dialog.Get(0)) Say(Dialog.Get(5)) Say(Dialog.Get(-1))
Say(Dialog.StatementPlayed("talk", 1)) Say(Dialog.StatementPlayed("talk", 2))
Say(Dialog.StatementPlayed("zzz", 1))
Say(Dialog.PhrasePlayed("talk", 1, 2)) Say(Dialog.PhrasePlayed("talk", 1, 1))
Say(Dialog.PhrasePlayed("talk", 1, 0)) Say(Dialog.PhrasePlayed("talk", 1, 9))
Say(Dialog.GetText("talk", 1, 1)) Say(Engine.GetDialogText("talk", 1, 3))
Say(Dialog.GetText("zzz", 1, 0))
)"));
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"talk", "nil", "nil", "1", "nil", "nil", "1", "nil", "nil",
                                        "nil", "second question", "Missing DialogText: talk",
                                        "Missing DialogText: zzz"}));
    Stop();
}

// The fixture's own conversation, as a click on the keeper starts it.
class FixtureChat : public GameTest {};

TEST_F(FixtureChat, AChoiceOfThreeThenTheSpokenFarewell) {
    Start();
    App().World()->RoomView().SetPlayerActor(0);
    ASSERT_TRUE(Run("Game.DoAction(Keeper)"));
    DialogView& view = App().World()->Dialogs();
    ASSERT_EQ(view.ChoiceCount(), 3);
    EXPECT_STREQ(view.Choice(2)->GetText(), "Goodbye.");
    view.OnChoice(view.Choice(2), nullptr);
    RunTicks(1600 / 50);
    EXPECT_EQ(view.IsActive(), 1) << "the keeper says farewell";
    EXPECT_STREQ(view.Speech().Text().GetText(), "Farewell, traveller.");
    RunTicks(2000 / 50);
    EXPECT_FALSE(view.Running());
    Stop();
}

} // namespace
} // namespace gametest
