// The declared dialogs: what Dialog and Statement make of their arguments,
// first-match lookups, and the dialog block of a save game, written and read
// back, and refused when it is hostile.
#include "DialogManager.h"
#include "LuaScript.h"
#include "ScriptCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The declarations of a script, run as dialogs.scr runs.
struct Declared {
    explicit Declared(const std::string& text) {
        RegisterDialogCommands(script);
        EXPECT_TRUE(script.RunString(text.c_str())) << text;
    }
    DialogManager manager;
    LuaScript script;
};

const char* const kTwo = R"(
Dialog("a")
Statement(1, 0, "A1", 2, 0, 0, "A2", 0, 0, 0)
Statement(2, 3, "B1", 0, 0, 0)
Dialog("empty")
)";

TEST(DialogData, StatementsKeepCompleteGroupsOnly) {
    Declared d(R"(
Statement(9, 9, "LOST", 0, 0, 0)
Dialog("x")
Statement(1, 65539, "K", 7, 8, 0, "L", 1)
Statement(2.9, -1)
Dialog("x")
Statement(5, 0, "SECOND", 0, 0, 0)
)");
    ASSERT_EQ(d.manager.Count(), 2);
    DialogDef* x = d.manager.FindDialog("x");
    ASSERT_EQ(x, d.manager.At(0)->dialog.get()) << "the first of two names is reached";
    ASSERT_EQ(x->statements.size(), 2u) << "a statement before any dialog is dropped";
    const DialogStatement& s1 = *x->statements[0];
    EXPECT_EQ(s1.speaker, 3) << "the low 16 bits";
    ASSERT_EQ(s1.phrases.size(), 1u) << "an incomplete group is dropped";
    EXPECT_EQ(s1.phrases[0]->textKey, "K");
    EXPECT_EQ(s1.phrases[0]->speechName, "K");
    EXPECT_EQ(s1.phrases[0]->next, 7);
    EXPECT_EQ(s1.phrases[0]->alternative, 8);
    EXPECT_EQ(s1.phrases[0]->flags, DialogPhrase::kActive);
    const DialogStatement& s2 = *x->statements[1];
    EXPECT_EQ(s2.id, 2) << "truncated";
    EXPECT_EQ(s2.speaker, 0xFFFF);
    EXPECT_TRUE(s2.phrases.empty());
    EXPECT_EQ(x->state, 0);
    EXPECT_EQ(d.manager.FindDialog("X"), nullptr) << "names compare exactly";
}

std::vector<uint8_t> Save(const DialogManager& manager) {
    std::vector<uint8_t> bytes;
    platform::ByteWriter out(bytes);
    EXPECT_TRUE(manager.SaveState(out));
    return bytes;
}

TEST(DialogData, ProgressSurvivesSaveAndLoad) {
    Declared played(kTwo);
    DialogDef* a = played.manager.FindDialog("a");
    a->state = 0x1234;
    a->statements[0]->flags = DialogStatement::kReached;
    a->statements[0]->phrases[0]->flags = DialogPhrase::kSaid; // said, withdrawn
    DialogDef* repeat = played.manager.Add(DialogManager::kRepeat);
    repeat->AddStatement(std::make_unique<DialogStatement>());
    const std::vector<uint8_t> bytes = Save(played.manager);

    // Count 3; "a" (2+1 name), state, 2 statements ...; "empty" state and 0;
    // the recording by name only.
    const std::vector<uint8_t> tail = {13,  0,   0,   0,   'r', 'e', 'p', 'e', 'a',
                                       't', 'd', 'i', 'a', 'l', 'o', 'g', 0};
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), bytes.end() - long(tail.size())));
    const std::vector<uint8_t> empty = {6, 0, 0, 0, 'e', 'm', 'p', 't', 'y', 0, 0, 0, 0, 0, 0, 0};
    EXPECT_TRUE(
        std::equal(empty.begin(), empty.end(), bytes.end() - long(tail.size() + empty.size())));

    Declared fresh(kTwo);
    platform::ByteReader check(bytes);
    ASSERT_TRUE(fresh.manager.LoadState(check, true));
    EXPECT_EQ(fresh.manager.FindDialog("a")->state, 0) << "a check changes nothing";
    platform::ByteReader in(bytes);
    ASSERT_TRUE(fresh.manager.LoadState(in));
    const DialogDef* b = fresh.manager.FindDialog("a");
    EXPECT_EQ(b->state, 0x1234);
    EXPECT_EQ(b->statements[0]->flags, DialogStatement::kReached);
    EXPECT_EQ(b->statements[0]->phrases[0]->flags, DialogPhrase::kSaid);
    EXPECT_EQ(b->statements[0]->phrases[1]->flags, DialogPhrase::kActive);
    EXPECT_EQ(fresh.manager.Find(DialogManager::kRepeat), nullptr);
}

// A block of hand-made bytes.
struct Block {
    std::vector<uint8_t> bytes;
    Block& I32(int32_t v) {
        platform::ByteWriter(bytes).S32(v);
        return *this;
    }
    Block& I16(int16_t v) {
        platform::ByteWriter(bytes).S16(v);
        return *this;
    }
    Block& Raw(const std::string& s) {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
};

TEST(DialogData, HostileBlocksAreRefused) {
    const std::string a("a\0", 2);
    const struct {
        const char* what;
        Block block;
    } cases[] = {
        {"undeclared dialog", Block().I32(1).I32(4).Raw(std::string("zzz\0", 4)).I16(0).I32(0)},
        {"entry count past the file", Block().I32(0x7FFFFFFF).I32(2).Raw(a)},
        {"negative entry count", Block().I32(-1)},
        {"name length 0", Block().I32(1).I32(0)},
        {"name length 2^31-1", Block().I32(1).I32(0x7FFFFFFF).Raw(a)},
        {"name length -2^31", Block().I32(1).I32(int32_t(0x80000000u)).Raw(a)},
        {"name without its zero", Block().I32(1).I32(1).Raw("a").I16(0).I32(0)},
        {"statement count past the file", Block().I32(1).I32(2).Raw(a).I16(0).I32(1000000)},
        {"more statements than declared",
         Block().I32(1).I32(2).Raw(a).I16(0).I32(3).I16(0).I32(0).I16(0).I32(0).I16(0).I32(0)},
        {"more phrases than declared",
         Block().I32(1).I32(2).Raw(a).I16(0).I32(1).I16(0).I32(3).I16(8).I16(8).I16(8)},
        {"phrase count past the file",
         Block().I32(1).I32(2).Raw(a).I16(0).I32(1).I16(0).I32(0x40000000)},
        {"cut in a phrase", Block().I32(1).I32(2).Raw(a).I16(0).I32(1).I16(0).I32(2).I16(8)},
        {"cut in the state", Block().I32(1).I32(2).Raw(a).Raw("x")},
        {"empty", Block()},
    };
    for (const auto& c : cases) {
        Declared d(kTwo);
        platform::ByteReader in(c.block.bytes);
        EXPECT_FALSE(d.manager.LoadState(in)) << c.what;
        platform::ByteReader check(c.block.bytes);
        EXPECT_FALSE(d.manager.LoadState(check, true)) << c.what;
    }
    // Fewer statements and phrases than declared are matched by position.
    Declared d(kTwo);
    Block partial;
    partial.I32(1).I32(2).Raw(a).I16(5).I32(1).I16(1).I32(1).I16(16);
    platform::ByteReader in(partial.bytes);
    EXPECT_TRUE(d.manager.LoadState(in));
    EXPECT_EQ(d.manager.FindDialog("a")->statements[0]->phrases[0]->flags, 16);
}

} // namespace
