#include "foundation/TError.h"
#include "foundation/TFile.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

TErrorRec* Newest() {
    TListNode* head = TError::ShownList().Head();
    return head ? static_cast<TErrorRec*>(head->item) : nullptr;
}

class File : public testing::Test {
protected:
    testsupport::TempDir dir;
};

TEST_F(File, MisuseIsReportedWithItsCodeMessageAndLine) {
    std::string existing = dir.Write("data.bin", "0123456789");
    std::string missing = dir.File("nope.bin");
    char buffer[16];
    struct Case {
        const char* what;
        std::string name;
        std::function<int(TFile&)> act;
        int code;
        const char* message; // null: the runtime's text
        int line;
    } cases[] = {
        {"empty name", "", [](TFile& f) { return f.Open(1); }, 3, "Missing file name.", 58},
        {"open twice", existing,
         [](TFile& f) {
             f.Open(1);
             return f.Open(1);
         },
         3, "File has already been opened.", 61},
        {"read missing", missing, [](TFile& f) { return f.Open(1); }, 2,
         "No such file or directory", 95},
        {"read a folder", dir.Path().string(), [](TFile& f) { return f.Open(1); }, 2,
         "Is a directory", 95},
        {"write into missing folder", dir.File("no/such/x"), [](TFile& f) { return f.Open(2); }, 3,
         "No such file or directory", 86},
        {"append into missing folder", dir.File("no/such/x"), [](TFile& f) { return f.Open(20); },
         3, "No such file or directory", 77},
        {"read closed", existing, [&](TFile& f) { return f.Read(buffer, 4); }, 4,
         "File has not been opened.", 141},
        {"read from writer", dir.File("w.bin"),
         [&](TFile& f) {
             f.Open(2);
             return f.Read(buffer, 4);
         },
         4, "File has not been opened for reading.", 144},
        {"read to null", existing,
         [](TFile& f) {
             f.Open(1);
             return f.Read(nullptr, 4);
         },
         4, "Missing destination memory.", 147},
        {"write closed", existing, [](TFile& f) { return f.Write("x", 1); }, 5,
         "File has not been opened.", 170},
        {"write to reader", existing,
         [](TFile& f) {
             f.Open(1);
             return f.Write("x", 1);
         },
         5, "File has not been opened for writing.", 174},
        {"write null", dir.File("w.bin"),
         [](TFile& f) {
             f.Open(2);
             return f.Write(nullptr, 1);
         },
         5, "Missing source data.", 177},
        {"printf closed", existing, [](TFile& f) { return f.Printf("x"); }, 5,
         "File has not been opened.", 307},
        {"printf to reader", existing,
         [](TFile& f) {
             f.Open(1);
             return f.Printf("x");
         },
         5, "File has not been opened for writing.", 311},
        {"printf null", dir.File("w.bin"),
         [](TFile& f) {
             f.Open(2);
             const char* none = nullptr;
             return f.Printf(none, 0);
         },
         5, "Missing string format.", 315},
    };
    for (Case& c : cases) {
        TError::ClearLists();
        TFile file(c.name.c_str());
        int result = c.act(file);
        EXPECT_TRUE(result == 0 || result == -1) << c.what;
        TErrorRec* rec = Newest();
        ASSERT_NE(rec, nullptr) << c.what;
        EXPECT_EQ(rec->code, c.code) << c.what;
        EXPECT_STREQ(rec->message.c_str(), c.message) << c.what;
        EXPECT_EQ(rec->line, c.line) << c.what;
        EXPECT_STREQ(rec->source.c_str(), "Source\\TFile") << c.what;
        EXPECT_STREQ(rec->object.c_str(), c.name.empty() ? "-" : c.name.c_str()) << c.what;
    }
}

TEST_F(File, OpenModesAppendTruncateAndRead) {
    std::string path = dir.Write("log.txt", "one\n");
    TFile file(path.c_str());
    ASSERT_EQ(file.Open(20), 1);
    EXPECT_EQ(file.Mode(), 20u);
    EXPECT_EQ(file.Printf("%s=%d\n", "two", 2), 6);
    EXPECT_EQ(file.Close(), 0);
    EXPECT_EQ(file.Mode(), 0u);
    EXPECT_EQ(file.GetSize(), 10);

    ASSERT_EQ(file.Open(1), 1);
    char text[32] = {};
    EXPECT_EQ(file.Read(text, 31), 10);
    EXPECT_STREQ(text, "one\ntwo=2\n");
    EXPECT_EQ(file.Read(text, 31), 0); // at the end
    file.Close();

    ASSERT_EQ(file.Open(18), 1);
    EXPECT_EQ(file.Write("new", 3), 3);
    file.Close();
    EXPECT_EQ(file.GetSize(), 3);
    EXPECT_EQ(TError::ShownList().Count(), 0);

    // After a failed open the object can be opened again.
    TFile later(dir.File("later.bin").c_str());
    EXPECT_EQ(later.Open(1), 0);
    dir.Write("later.bin", "x");
    EXPECT_EQ(later.Open(1), 1);
}

TEST_F(File, GetSizeKeepsAnOpenFilesPositionAndClosesWhatItOpened) {
    std::string path = dir.Write("data.bin", "0123456789");
    TFile file(path.c_str());
    EXPECT_EQ(file.GetSize(), 10);
    EXPECT_FALSE(file.IsOpen());
    ASSERT_EQ(file.Open(1), 1);
    EXPECT_EQ(file.Seek(4, 0), 0);
    EXPECT_EQ(file.GetSize(), 10);
    char c = 0;
    EXPECT_EQ(file.Read(&c, 1), 1);
    EXPECT_EQ(c, '4');
    EXPECT_TRUE(file.IsOpen());

    TFile missing(dir.File("none").c_str());
    EXPECT_EQ(missing.GetSize(), 0);
    EXPECT_EQ(Newest()->code, 2);
    EXPECT_EQ(missing.Seek(0, 0), 0);
}

TEST_F(File, ExistsAndCloseNeverReport) {
    std::string path = dir.Write("Data.BIN", "x");
    EXPECT_EQ(TFile("").Exists(), 0);
    EXPECT_EQ(TFile(dir.File("none").c_str()).Exists(), 0);
    EXPECT_EQ(TFile(path.c_str()).Exists(), 1);
    EXPECT_EQ(TFile(dir.File("data.bin").c_str()).Exists(), 1); // names match without case
    TFile closed(path.c_str());
    EXPECT_EQ(closed.Close(), 0);
    EXPECT_EQ(TError::ShownList().Count(), 0);
}

// Update is called first, so a derived class can choose its file name there.
struct LateName : TFile {
    uint32_t Update() override {
        SetFileName(path.c_str());
        return TFile::Update();
    }
    std::string path;
};

TEST_F(File, OpenAsksUpdateForTheName) {
    LateName file;
    file.path = dir.Write("late.bin", "abc");
    EXPECT_EQ(file.Exists(), 1);
    EXPECT_EQ(file.Open(1), 1);
    EXPECT_FALSE(file.IsDirty());
}

} // namespace
