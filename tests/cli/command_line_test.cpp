#include "cli/command_line.h"
#include "document/quiz.h"
#include "document/quiz_file.h"

#include "common/headless_run.h"
#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <future>
#include <memory>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace tamberlin;
using tamberlin::testing::ReadAll;
using tamberlin::testing::TempDir;
using tamberlin::testing::WriteAll;

namespace {

using tamberlin::testing::Outcome;

Outcome run(std::vector<std::string> args) {
    return tamberlin::testing::RunHeadless(std::move(args));
}

std::string expected(const std::string& name) {
    return ReadAll(std::string(TAMBERLIN_TEST_DATA_DIR) + "/pages/" + name);
}

// A quiz file whose page-look settings, applied as the preferences window applies them, give
// the inputs of the hand-written page "edge": the stored tags are stale and must be rebuilt.
std::string writeEdgeQuizFile(const TempDir& dir, const std::string& name) {
    auto doc = std::make_unique<QuizDocument>();
    doc->ClearBlankQuestion();
    doc->ResetQuiz();
    TQuizRec& quiz = doc->quiz;
    quiz.Title = "Fish & <Chips> \"quiz\"";
    quiz.QuizId = "FC-01";
    quiz.CgiTarget = "http://127.0.0.1:8080/cgi-bin/score.cgi";
    quiz.LoginAddress = "http://example.org/login";
    quiz.RedirectAddress = "http://example.org/thanks.htm";
    quiz.Interval = 300;
    quiz.QuestionCount = 3;
    quiz.ChoiceCount = 3;
    THtmlPrefs& p = quiz.Prefs;
    p.CookieRequired = 1;
    p.Alignment = 77;
    p.TitleFontOn = 1;
    p.TitleFontFace = "Serif";
    p.TitleFontSize = 5;
    p.TitleFontColor = 0x000000FF;
    p.TitleFontTag = "<FONT stale>";
    p.QuestionFontOn = 1;
    p.QuestionFontFace = "Helvetica";
    p.QuestionFontSize = 3;
    p.QuestionFontColor = 0x00FFFFFF;
    p.ChoiceFontOn = 1;
    p.ChoiceFontFace = "Monospace";
    p.ChoiceFontSize = 2;
    p.ChoiceFontColor = 0x00123456;
    p.BgColorOn = 1;
    p.BgColor = 0x0000FFFF;
    p.TextColorOn = 1;
    p.TextColor = 0x00800000;
    auto set = [](TQuestionRec& q, const std::string& text, std::vector<std::string> choices,
                  const std::string& answer, const std::string& picture) {
        q.QuestionText = text;
        for (std::size_t k = 0; k < choices.size(); ++k) {
            q.choice(static_cast<int>(k)) = choices[k];
        }
        q.Answer = answer;
        q.PicAddress = picture;
    };
    set(quiz.Questions[0], "first\r\nsecond", {"Paris", "A & B", "\"quoted\"", "hidden D", "E"},
        "B", "");
    set(quiz.Questions[1], "Is 1 < 2 > 0 & \"x\"?", {"<b>yes</b>", "no", "maybe"}, "", "pic 1.gif");
    set(quiz.Questions[2], std::string(253, 'x') + "<y", {"1", "2", "3"}, "C", "");
    const std::string path = dir.file(name);
    WriteQuizFile(quiz, path);
    return path;
}

} // namespace

TEST(CommandLine, DesktopArgumentsAreLeftToTheWindow) {
    EXPECT_FALSE(run({}).status.has_value());
    EXPECT_FALSE(run({"quiz.qvt"}).status.has_value());
}

TEST(CommandLine, HelpAndVersion) {
    const Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--publish QUIZ.qvt"), std::string::npos);
    EXPECT_NE(help.out.find("clock.js"), std::string::npos);
    const Outcome version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("tamberlin ") + TAMBERLIN_VERSION + "\n");
}

TEST(CommandLine, UsageErrorsExitWithTwo) {
    const Outcome none = run({"--publish"});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("needs at least one quiz file"), std::string::npos);
    const Outcome unknown = run({"--publsh", "a.qvt"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown option --publsh"), std::string::npos);
}

TEST(Publish, WritesWhatTheWindowWouldAfterOpeningTheFile) {
    TempDir dir;
    const std::string quizPath = writeEdgeQuizFile(dir, "edge.qvt");
    const std::string quizBytes = ReadAll(quizPath);
    const auto quizTime = std::filesystem::last_write_time(quizPath);

    const Outcome first = run({"--publish", quizPath});
    EXPECT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, dir.file("edge.htm") + "\n");
    EXPECT_EQ(first.err, "");
    EXPECT_EQ(ReadAll(dir.file("edge.htm")), expected("edge.htm"));
    EXPECT_EQ(ReadAll(dir.file("edge.qdt")), expected("edge.qdt"));

    // Again: the same bytes, and the quiz file is never touched.
    EXPECT_EQ(run({"--publish", quizPath}).status, 0);
    EXPECT_EQ(ReadAll(dir.file("edge.htm")), expected("edge.htm"));
    EXPECT_EQ(ReadAll(quizPath), quizBytes);
    EXPECT_EQ(std::filesystem::last_write_time(quizPath), quizTime);
}

TEST(Publish, EachFileIsPublishedAndEachFailureReported) {
    TempDir dir;
    const std::string good = writeEdgeQuizFile(dir, "good");
    const std::string missing = dir.file("missing.qvt");
    const std::string notQuiz = dir.file("notquiz.qvt");
    // A title field, then a question count no quiz has.
    WriteAll(notQuiz, std::string(256, '\0') + std::string("\xf4\x01\0\0\x04\0\0\0", 8));
    const std::string blocked = writeEdgeQuizFile(dir, "blocked.qvt");
    std::filesystem::create_directory(dir.path() / "blocked.htm");

    const Outcome r = run({"--publish", missing, good, notQuiz, blocked});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, dir.file("good.htm") + "\n");
    EXPECT_EQ(ReadAll(dir.file("good.htm")), expected("edge.htm"));
    EXPECT_EQ(ReadAll(dir.file("good.qdt")), expected("edge.qdt"));

    EXPECT_NE(r.err.find("\"" + missing + "\": File not found"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"" + notQuiz + "\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Cannot create file \"" + dir.file("blocked.htm") + "\". "),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("blocked.qdt")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.htm")));
}

TEST(Publish, APipeOrAFolderInAFilesPlaceFailsThatQuizWholeAndTheNextOneIsPublished) {
    TempDir dir;
    const std::string pipePage = writeEdgeQuizFile(dir, "pipepage.qvt");
    const std::string pipeListing = writeEdgeQuizFile(dir, "pipelisting.qvt");
    const std::string folderListing = writeEdgeQuizFile(dir, "folderlisting.qvt");
    const std::string good = writeEdgeQuizFile(dir, "good.qvt");
    // Named pipes with no reader: opening one for writing in the usual way waits for ever.
    ASSERT_EQ(::mkfifo(dir.file("pipepage.htm").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo(dir.file("pipelisting.qdt").c_str(), 0644), 0);
    std::filesystem::create_directory(dir.file("folderlisting.qdt"));
    WriteAll(dir.file("folderlisting.htm"), "the page published before");

    auto publishing = std::async(std::launch::async, [&] {
        return run({"--publish", pipePage, pipeListing, folderListing, good});
    });
    if (publishing.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // Let a writer stuck in an open go (the pipes take what it writes), so that the test
        // can end.
        const int readers[] = {::open(dir.file("pipepage.htm").c_str(), O_RDONLY | O_NONBLOCK),
                               ::open(dir.file("pipelisting.qdt").c_str(), O_RDONLY | O_NONBLOCK)};
        publishing.wait();
        for (const int fd : readers) {
            ::close(fd);
        }
        FAIL() << "publishing waits on a pipe";
    }
    const Outcome r = publishing.get();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, dir.file("good.htm") + "\n");
    EXPECT_EQ(ReadAll(dir.file("good.htm")), expected("edge.htm"));
    for (const char* failed : {"pipepage.htm", "pipelisting.qdt", "folderlisting.qdt"}) {
        EXPECT_NE(r.err.find("Cannot create file \"" + dir.file(failed) + "\". "),
                  std::string::npos)
            << failed << ": " << r.err;
    }
    // Nothing of a failed quiz is published, and no temporary file is left behind.
    EXPECT_EQ(ReadAll(dir.file("folderlisting.htm")), "the page published before");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"folderlisting.htm", "folderlisting.qdt",
                                               "folderlisting.qvt", "good.htm", "good.qdt",
                                               "good.qvt", "pipelisting.qdt", "pipelisting.qvt",
                                               "pipepage.htm", "pipepage.qvt"}));
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("pipepage.htm")));
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("pipelisting.qdt")));
}

TEST(Publish, RepublishingInOneCallGivesEachQuizItsOwnBytesAndSparesOtherLinks) {
    TempDir dir;
    const std::string edge = writeEdgeQuizFile(dir, "edge.qvt");
    const std::string solar = dir.file("solar_system.qvt");
    std::filesystem::copy_file(std::string(TAMBERLIN_SOURCE_DIR) + "/examples/solar_system.qvt",
                               solar);
    ASSERT_EQ(run({"--publish", edge, solar}).status, 0);
    // Another name for the old edge page, and stale files in the other places.
    std::filesystem::create_hard_link(dir.file("edge.htm"), dir.file("kept.htm"));
    WriteAll(dir.file("edge.qdt"), "stale");
    WriteAll(dir.file("solar_system.htm"), "stale");

    // The files each publication replaces are reused for the next ones in the same call.
    const Outcome r = run({"--publish", solar, edge, solar, edge});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadAll(dir.file("edge.htm")), expected("edge.htm"));
    EXPECT_EQ(ReadAll(dir.file("edge.qdt")), expected("edge.qdt"));
    EXPECT_EQ(ReadAll(dir.file("solar_system.htm")), expected("solar_system.htm"));
    EXPECT_EQ(ReadAll(dir.file("solar_system.qdt")), expected("solar_system.qdt"));
    EXPECT_EQ(ReadAll(dir.file("kept.htm")), expected("edge.htm"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              7);
}

TEST(Publish, TheExampleQuizPublishesBesideItsCompanionFiles) {
    TempDir dir;
    const std::string examples = std::string(TAMBERLIN_SOURCE_DIR) + "/examples/";
    std::filesystem::copy_file(examples + "solar_system.qvt", dir.file("solar_system.qvt"));
    const Outcome r = run({"--publish", dir.file("solar_system.qvt")});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string page = ReadAll(dir.file("solar_system.htm"));
    EXPECT_EQ(page, expected("solar_system.htm"));
    EXPECT_EQ(ReadAll(dir.file("solar_system.qdt")), expected("solar_system.qdt"));
    for (const char* companion : {"clock.js", "0fdg.gif", "9fdg.gif", "cfdg.gif", "saturn.gif"}) {
        EXPECT_TRUE(std::filesystem::exists(examples + companion)) << companion;
    }
}

TEST(CopyWebFiles, CopiesTheClockFilesAndKeepsAChangedOneUnlessForced) {
    TempDir dir;
    const std::string web = std::string(TAMBERLIN_SOURCE_DIR) + "/web/";
    const std::string folder = dir.file("site/quiz");
    const Outcome first = run({"--copy-web-files", folder});
    ASSERT_EQ(first.status, 0) << first.err;
    for (const char* name : {"clock.js", "0fdg.gif", "5fdg.gif", "9fdg.gif", "cfdg.gif"}) {
        EXPECT_EQ(ReadAll(folder + "/" + name), ReadAll(web + name)) << name;
        EXPECT_NE(first.out.find(folder + "/" + name + "\n"), std::string::npos) << name;
    }

    // Files that are already the same are left alone.
    const Outcome again = run({"--copy-web-files", folder});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(again.out, "");

    // A changed clock refuses the whole copy: the missing picture is not put back either.
    WriteAll(folder + "/clock.js", "// the author's own clock\n");
    std::filesystem::remove(folder + "/7fdg.gif");
    const Outcome refused = run({"--copy-web-files", folder});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find(folder + "/clock.js differs"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadAll(folder + "/clock.js"), "// the author's own clock\n");
    EXPECT_FALSE(std::filesystem::exists(folder + "/7fdg.gif"));

    const Outcome forced = run({"--copy-web-files", "--force", folder});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_EQ(forced.out, folder + "/clock.js\n" + folder + "/7fdg.gif\n");
    EXPECT_EQ(ReadAll(folder + "/clock.js"), ReadAll(web + "clock.js"));

    EXPECT_EQ(run({"--copy-web-files"}).status, 2);
    EXPECT_EQ(run({"--copy-web-files", folder, "other"}).status, 2);
    WriteAll(dir.file("plain"), "x");
    EXPECT_EQ(run({"--copy-web-files", dir.file("plain")}).status, 1);
}
