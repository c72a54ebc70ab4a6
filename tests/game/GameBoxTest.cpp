// The game's two boxes laid out over the game: the button table, texts from
// txtMain, a long text making the box taller with the buttons in its bottom
// row, the box centred on its parent.
#include "GameTestFixture.h"

#include "TErrorBox.h"
#include "TQuestionBox.h"

#include "foundation/TError.h"
#include "ui/TWinSysB.h"

namespace gametest {
namespace {

class GameBoxes : public GameTest {};

TEST_F(GameBoxes, TheTableAndTheLayout) {
    Start();
    TErrorBox error;
    error.Layout(&App(), "short");
    EXPECT_STREQ(error.First().GetText(), "Cancel");
    EXPECT_STREQ(error.Second().GetText(), "OK");
    EXPECT_EQ(error.GetWidth(), 520);
    EXPECT_EQ(error.GetX(), (App().GetWidth() - 520) / 2);
    EXPECT_EQ(error.GetY(), (App().GetHeight() - error.GetHeight()) / 2);
    EXPECT_EQ(error.First().GetX(), 30);
    EXPECT_EQ(error.Second().GetX(), 190);
    EXPECT_EQ(error.Result(), 1);
    // The caption bar and the strip under it cover neither the message nor
    // the icon, and the message has room for its text.
    TWinSysB* caption = error.GetWinCaptionBar();
    ASSERT_NE(caption, nullptr);
    EXPECT_GE(error.ClientPanel().GetY(), caption->GetY() + caption->GetHeight());
    EXPECT_GE(error.IconPanel().GetY(), caption->GetY() + caption->GetHeight());
    EXPECT_GE(error.Message().GetHeight(), error.Message().GetTextHeight());
    const int32_t shortHeight = error.GetHeight();
    error.Close();

    TQuestionBox question;
    std::string words;
    for (int i = 0; i < 80; ++i)
        words += "word ";
    question.Layout(&App(), words.c_str());
    EXPECT_STREQ(question.First().GetText(), "Yes");
    EXPECT_STREQ(question.Second().GetText(), "No");
    EXPECT_GT(question.GetHeight(), shortHeight) << "a long text makes the box taller";
    TRectArea client;
    question.GetClientRect(client);
    EXPECT_EQ(question.Buttons().GetY() + question.Buttons().GetHeight(),
              client.bottom - client.top)
        << "the buttons stay in the bottom row";
    question.Close();
    Stop();
}

// A message that is itself a section of txtMain survives the box reading its
// caption and button texts from the same resource.
TEST_F(GameBoxes, AMainTextMessageKeepsItsText) {
    fixture.mainTexts = {{"GAME_LOAD_FAILED", "Load failed"}};
    Start();
    TErrorBox error;
    error.Layout(&App(), GameBox::MainText("GAME_LOAD_FAILED"));
    EXPECT_STREQ(error.Message().GetText(), "Load failed");
    error.Close();
    platform::ClearMessageBoxLog();
    error.AnswerByPolicy(nullptr, GameBox::MainText("GAME_LOAD_FAILED"));
    EXPECT_EQ(Boxes("Load failed").size(), 1u);
    Stop();
}

TEST_F(GameBoxes, EnterAndEscapeAnswer) {
    Start();
    const struct {
        bool question;
        platform::KeyCode key;
        bool answer;
    } cases[] = {
        {true, platform::KeyCode::Return, false},
        {true, platform::KeyCode::Escape, false},
        {false, platform::KeyCode::Return, false},
        {false, platform::KeyCode::Escape, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.question) + " " + std::to_string(int(c.key)));
        platform::InjectKey(c.key, true);
        platform::InjectKey(c.key, false);
        if (c.question) {
            TQuestionBox box;
            EXPECT_EQ(box.Run(&App(), "Sure?"), c.answer);
        } else {
            TErrorBox box;
            EXPECT_EQ(box.Run(&App(), "Broken."), c.answer);
        }
    }
    Stop();
}

// A box that ends without a button (a report of the error handler stopped
// its loop): the question answers no, never quitting or overwriting on its
// own; the error box stops, as its Cancel does.
TEST_F(GameBoxes, ABoxNobodyAnsweredIsNoOrStop) {
    Start();
    for (bool question : {true, false}) {
        SCOPED_TRACE(question ? "question" : "error");
        // The report's own box (answered by the host's policy) says stop.
        platform::ScriptMessageBoxAnswers({IDCANCEL});
        TError::Raise(9, nullptr, nullptr, "Test", 1);
        if (question) {
            TQuestionBox box;
            EXPECT_FALSE(box.Run(&App(), "Quit the game?"));
        } else {
            TErrorBox box;
            EXPECT_TRUE(box.Run(&App(), "Broken."));
        }
        EXPECT_EQ(Boxes("ERROR").size(), 1u);
        platform::ClearMessageBoxLog();
    }
    platform::SetMessageBoxPolicy(platform::BoxPolicy::FirstButton);
    Stop();
}

} // namespace
} // namespace gametest
