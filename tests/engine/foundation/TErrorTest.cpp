#include "foundation/TError.h"

#include "TempDir.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Listener {
    std::vector<std::string> seen;
    int answer = 0;
    int stopAfter = -1; // answer non-zero once this many texts were seen
};

int Listen(void* owner, const char* text) {
    auto* l = static_cast<Listener*>(owner);
    l->seen.push_back(text);
    if (l->stopAfter >= 0 && static_cast<int>(l->seen.size()) >= l->stopAfter) return 1;
    return l->answer;
}

class ErrorHandler : public testing::Test {
protected:
    void SetUp() override {
        TError::SetTable(TError::EnglishTable());
        TError::SetCallback(&listener, Listen);
    }
    void TearDown() override { TError::SetTable(TError::EnglishTable()); }
    Listener listener;
};

TEST_F(ErrorHandler, RepeatsAreDroppedAndShownAgainOnce) {
    TError::Raise(2, "msg", "a.ini", "Source\\X", 10);
    EXPECT_EQ(TError::Notify(0), 0);
    TError::Raise(2, "msg", "a.ini", "Source\\X", 10);
    EXPECT_EQ(TError::ShownList().Count(), 1);
    TError::Raise(2, "msg", "a.ini", "Source\\X", 11); // another line: kept
    EXPECT_EQ(TError::ShownList().Count(), 2);
    EXPECT_EQ(TError::Notify(0), 0);
    EXPECT_EQ(listener.seen,
              (std::vector<std::string>{"ERROR: That file does not exist. (a.ini)",
                                        "ERROR: That file does not exist. (a.ini)",
                                        "ERROR: That file does not exist. (a.ini)"}));
}

TEST_F(ErrorHandler, NotifyHandsOutOldestFirstAndStopsOnRequest) {
    TError::Raise(2, nullptr, nullptr, nullptr, 1);
    TError::Raise(3, nullptr, nullptr, nullptr, 2);
    TError::Raise(4, nullptr, nullptr, nullptr, 3);
    listener.stopAfter = 1;
    EXPECT_EQ(TError::Notify(0), 1);
    ASSERT_EQ(listener.seen.size(), 1u);
    EXPECT_EQ(listener.seen[0], "ERROR: That file does not exist.");
    listener.stopAfter = -1;
    EXPECT_EQ(TError::Notify(0), 0);
    EXPECT_EQ(listener.seen,
              (std::vector<std::string>{
                  "ERROR: That file does not exist.", "ERROR: That file cannot be opened.",
                  "ERROR: There was an error while trying to read that file."}));
    EXPECT_FALSE(TError::ErrorsPending());
}

TEST_F(ErrorHandler, WarningsWaitForNotifyWithWarnings) {
    TError::Raise(150, nullptr, "obj", nullptr, 1);
    TError::Raise(77, nullptr, "-", nullptr, 2);
    EXPECT_EQ(TError::Notify(0), 0);
    EXPECT_EQ(listener.seen, (std::vector<std::string>{"ERROR: Unknown error!"}));
    EXPECT_TRUE(TError::WarningsPending());
    EXPECT_EQ(TError::Notify(1), 0);
    EXPECT_EQ(listener.seen.back(), "WARNING: Unknown error! (obj)");
    TError::Raise(103, nullptr, nullptr, nullptr, 3);
    EXPECT_EQ(TError::Notify(1), 0);
    EXPECT_EQ(listener.seen.back(), "WARNING: File is empty!");
}

TEST_F(ErrorHandler, HeldReportsAreCommittedOrDiscardedByLevel) {
    TError::Hold();
    TError::Raise(2, nullptr, "outer", nullptr, 1);
    TError::Hold();
    TError::Raise(3, nullptr, "inner", nullptr, 2);
    EXPECT_EQ(TError::Notify(0), 0);
    EXPECT_TRUE(listener.seen.empty());
    EXPECT_EQ(TError::HeldList().Count(), 2);
    TError::DiscardPending(); // level -2: only the inner report
    TError::Release();
    EXPECT_EQ(TError::HeldList().Count(), 1);
    TError::CommitPending();
    TError::Release();
    EXPECT_EQ(TError::Notify(0), 0);
    EXPECT_EQ(listener.seen,
              (std::vector<std::string>{"ERROR: That file does not exist. (outer)"}));

    TError::Hold();
    TError::Raise(4, nullptr, nullptr, nullptr, 3);
    TError::Raise(5, nullptr, nullptr, nullptr, 4);
    TError::CommitPending();
    TError::Release();
    EXPECT_EQ(TError::Notify(0), 0);
    ASSERT_EQ(listener.seen.size(), 3u);
    EXPECT_EQ(listener.seen[1], "ERROR: There was an error while trying to read that file.");
}

TEST_F(ErrorHandler, NoCallbackStopsAndAcknowledgeSkipsEverything) {
    TError::SetCallback(nullptr, nullptr);
    TError::Raise(2, nullptr, nullptr, nullptr, 1);
    TError::Raise(3, nullptr, nullptr, nullptr, 2);
    EXPECT_EQ(TError::Notify(0), 1);
    TError::AcknowledgeAll();
    TError::SetCallback(&listener, Listen);
    EXPECT_EQ(TError::Notify(1), 0);
    EXPECT_TRUE(listener.seen.empty());
}

int RaiseInside(void* owner, const char* text) {
    TError::Raise(9, nullptr, nullptr, nullptr, 99);
    static_cast<Listener*>(owner)->seen.push_back(text);
    return TError::Notify(0); // nested: reports the raised-while-notifying flag
}

TEST_F(ErrorHandler, ReportsDuringNotifyAreDropped) {
    TError::SetCallback(&listener, RaiseInside);
    TError::Raise(2, nullptr, nullptr, nullptr, 1);
    EXPECT_EQ(TError::Notify(0), 1);
    EXPECT_TRUE(TError::RaisedWhileNotifying());
    EXPECT_EQ(TError::ShownList().Count(), 1);
}

TEST_F(ErrorHandler, FirstErrorWithoutRoomIsKeptAside) {
    TListIter saved;
    TError::ShownList().PushIter(saved); // the list refuses inserts
    TError::Raise(2, nullptr, "first", nullptr, 1);
    TError::Raise(3, nullptr, "second", nullptr, 2); // lost
    TError::ShownList().PopIter(saved);
    EXPECT_EQ(TError::ShownList().Count(), 0);
    EXPECT_EQ(TError::Notify(0), 0);
    EXPECT_EQ(listener.seen,
              (std::vector<std::string>{"ERROR: That file does not exist. (first)"}));
}

TEST_F(ErrorHandler, TablesAndLookup) {
    EXPECT_STREQ(TError::Lookup(0), "no error");
    EXPECT_EQ(TError::Lookup(0), TError::EnglishTable()[0].text); // the first of the two
    EXPECT_STREQ(TError::Lookup(36), "Not supported PCX format!");
    EXPECT_STREQ(TError::Lookup(202), "Debug message!");
    TError::SetTable(nullptr);
    EXPECT_EQ(TError::GetTable(), TError::EnglishTable());

    TError::SetTable(TError::GermanTable());
    EXPECT_STREQ(TError::Lookup(3), "Die Datei kann nicht ge\xf6"
                                    "ffnet werden.");
    EXPECT_STREQ(TError::Lookup(8), "An error ocurred on closing that directory.");
    EXPECT_STREQ(TError::Lookup(44), "Unknown error!");
    EXPECT_STREQ(TError::Lookup(201), "Annahme falsch.");

    auto count = [](const TErrorMsg* t) {
        int n = 0;
        while (t[n].code != -1)
            ++n;
        return n;
    };
    EXPECT_EQ(count(TError::EnglishTable()), 72);
    EXPECT_EQ(count(TError::GermanTable()), 70);
    const int order[] = {0, 0, 1, 35, 37, 47, 36, 48, 63, 101, 103, 199, 202};
    const int at[] = {0, 1, 2, 36, 37, 47, 48, 49, 64, 65, 67, 68, 71};
    for (size_t i = 0; i < std::size(order); ++i)
        EXPECT_EQ(TError::EnglishTable()[at[i]].code, order[i]) << at[i];

    // A table built at run time works the same.
    TErrorMsg own[2] = {{5, "eigen"}, {-1, ""}};
    TError::SetTable(own);
    EXPECT_STREQ(TError::Lookup(5), "eigen");
}

TEST_F(ErrorHandler, LongTextsAreCutAt511) {
    TErrorMsg own[2] = {{1, ""}, {-1, ""}};
    std::string longName(600, 'n');
    TError::SetTable(own);
    TError::Raise(1, nullptr, longName.c_str(), nullptr, 1);
    TError::Notify(0);
    ASSERT_EQ(listener.seen.size(), 1u);
    EXPECT_EQ(listener.seen[0].size(), 511u);
}

TEST_F(ErrorHandler, ReportsFromManyThreadsAreAllKept) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                TError::Raise(100 + t, nullptr, nullptr, "thread", i);
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(TError::ShownList().Count(), 200);
}

// The error protocol.

std::string ReadText(const std::string& path) {
    auto bytes = testsupport::TempDir::Read(path);
    return std::string(bytes.begin(), bytes.end());
}

const char kCalendar[] =
    "[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}\n";

std::string RecordPattern(const std::string& kind, const std::string& text, int code,
                          const std::string& object, const std::string& source,
                          const std::string& comment) {
    return std::string("Date=") + kCalendar + kind + "=" + text + "\nCode=" + std::to_string(code) +
           "\nObject=" + object + "\nSource=" + source + "\nComment=" + comment + "\n\n";
}

TEST_F(ErrorHandler, ProtocolIsCreatedOnceAndAppendedTo) {
    testsupport::TempDir dir;
    std::string log = dir.File("error.log");
    TError::WriteProtocol(log.c_str());
    EXPECT_TRUE(testsupport::TempDir::Read(log).empty()); // nothing to write: no file

    TError::Raise(2, nullptr, nullptr, "Source\\TFile", 95);
    TError::Raise(150, "a (comment)", "thing.pic", "Source\\X", 7);
    TError::WriteProtocol(log.c_str());
    std::string header =
        std::string("Error Protocol V1\\.2 \n") + kCalendar + std::string(75, '-') + "\n";
    std::string first =
        RecordPattern("Error", "That file does not exist\\.", 2, "-", "Source\\\\TFile,95", "-");
    std::string second = RecordPattern("Warning", "Unknown error!", 150, "thing\\.pic",
                                       "Source\\\\X,7", "a \\(comment\\)");
    EXPECT_TRUE(std::regex_match(ReadText(log), std::regex(header + first + second)))
        << ReadText(log);

    TError::WriteProtocol(log.c_str()); // nothing new
    EXPECT_TRUE(std::regex_match(ReadText(log), std::regex(header + first + second)));

    TError::Raise(9, nullptr, nullptr, "Source\\TString", 46);
    TError::WriteProtocol(log.c_str());
    std::string third = RecordPattern("Error", "There's not enough memory available\\.", 9, "-",
                                      "Source\\\\TString,46", "-");
    EXPECT_TRUE(std::regex_match(ReadText(log), std::regex(header + first + second + third)))
        << ReadText(log);
}

TEST_F(ErrorHandler, ProtocolThatCannotBeOpenedRetriesLater) {
    testsupport::TempDir dir;
    std::string log = dir.File("missing/folder/error.log");
    TError::Raise(2, nullptr, nullptr, nullptr, 1);
    TError::WriteProtocol(log.c_str());
    EXPECT_EQ(TError::ShownList().Count(), 1); // the file's own reports were discarded
    EXPECT_EQ(TError::HeldList().Count(), 0);
    EXPECT_EQ(TError::Level(), 0);
    std::string good = dir.File("error.log");
    TError::WriteProtocol(good.c_str());
    EXPECT_NE(ReadText(good).find("Code=2\n"), std::string::npos);
}

// The application's side of the contract: hold, write the protocol, ask,
// release, answer.
struct App {
    std::string log;
    std::vector<std::string> asked;
    std::vector<int> levels;
};

int AppOnError(void* owner, const char* text) {
    auto* app = static_cast<App*>(owner);
    TError::Hold();
    app->levels.push_back(TError::Level());
    TError::WriteProtocol(app->log.c_str());
    app->asked.push_back(text);
    TError::Release();
    return 0;
}

TEST_F(ErrorHandler, ApplicationCallbackWritesTheProtocolWhileHeld) {
    testsupport::TempDir dir;
    App app{dir.File("error.log"), {}, {}};
    TError::Raise(31, nullptr, "start.fnt", nullptr, 1);
    TError::SetCallback(&app, AppOnError);
    TError::AcknowledgeAll(); // reports from start-up are not shown
    TError::Raise(38, nullptr, "title.bmp", nullptr, 2);
    EXPECT_EQ(TError::Notify(0), 0);
    EXPECT_EQ(app.asked,
              (std::vector<std::string>{"ERROR: That BMP image cannot be found. (title.bmp)"}));
    EXPECT_EQ(app.levels, (std::vector<int>{-1}));
    EXPECT_EQ(TError::Level(), 0);
    std::string text = ReadText(app.log);
    EXPECT_NE(text.find("Object=start.fnt"), std::string::npos); // written though never shown
    EXPECT_NE(text.find("Object=title.bmp"), std::string::npos);
}

} // namespace
