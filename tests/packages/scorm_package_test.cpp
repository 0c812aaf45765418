// Which files go into the package and under which names: the rules that decide whether the
// page finds its pictures inside a platform. The package in a real runtime and its manifest
// against the schemas are tested by scorm_package.test.mjs.
#include "packages/scorm_package.h"

#include "common/quiz_builders.h"
#include "common/temp_dir.h"
#include "generator/page_look.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

using namespace tamberlin;
using tamberlin::testing::MakeQuiz;
using tamberlin::testing::TempDir;

namespace {

class ScormPackageTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string quizPath = dir.file("quiz.qvt");

    void writeFile(const std::string& path, const std::string& bytes) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    std::map<std::string, std::string> build(const TQuizRec& quiz,
                                             const ScormOptions& options = {}) {
        std::map<std::string, std::string> files;
        for (auto& file : BuildScormPackage(quiz, DerivePageLook(quiz.Prefs).inputs,
                                            {quizPath, TAMBERLIN_SOURCE_DIR "/web"}, options)) {
            files.emplace(file.name, file.bytes);
        }
        return files;
    }
    std::string refusal(const TQuizRec& quiz, const ScormOptions& options = {}) {
        try {
            build(quiz, options);
        } catch (const EScormExportError& e) {
            return e.what();
        }
        return "not refused";
    }
};

TEST_F(ScormPackageTest, PicturesKeepTheAddressesThePageUses) {
    TempDir elsewhere;
    writeFile(dir.file("beside.gif"), "beside");
    writeFile(dir.file("pics/sub.gif"), "sub");
    writeFile(elsewhere.file("far.gif"), "far");
    writeFile(dir.file("up.gif"), "up");
    TQuizRec quiz = MakeQuiz(6, 2);
    quiz.Questions[0].PicAddress = "beside.gif";
    quiz.Questions[1].PicAddress = "pics/sub.gif";
    quiz.Questions[2].PicAddress = elsewhere.file("far.gif");
    quiz.Questions[3].PicAddress = "beside.gif";
    quiz.Questions[4].PicAddress = "http://example.org/remote.gif";
    quiz.Questions[5].PicAddress = "pics/../up.gif";
    const auto files = build(quiz);
    EXPECT_EQ(files.at("beside.gif"), "beside");
    EXPECT_EQ(files.at("pics/sub.gif"), "sub");
    // A full path or a path that leaves the folder is packed by its file name, and the launch
    // page tells its script where the page's address now points.
    EXPECT_EQ(files.at("far.gif"), "far");
    EXPECT_EQ(files.at("up.gif"), "up");
    const std::string& launch = files.at("index.html");
    EXPECT_NE(launch.find("\"" + elsewhere.file("far.gif") + "\":\"far.gif\""), std::string::npos);
    EXPECT_NE(launch.find("\"pics/../up.gif\":\"up.gif\""), std::string::npos);
    EXPECT_EQ(launch.find("beside.gif"), std::string::npos);
    EXPECT_FALSE(files.contains("remote.gif"));
    // Manifest, launch page, script, page, listing, 12 clock files, 4 pictures.
    EXPECT_EQ(files.size(), 21u);
}

TEST_F(ScormPackageTest, TwoFilesUnderOneNameAreRefused) {
    TempDir elsewhere;
    writeFile(dir.file("sun.gif"), "one sun");
    writeFile(elsewhere.file("sun.gif"), "another sun");
    TQuizRec quiz = MakeQuiz(2, 2);
    quiz.Questions[0].PicAddress = "sun.gif";
    quiz.Questions[1].PicAddress = elsewhere.file("sun.gif");
    EXPECT_EQ(refusal(quiz), "The package cannot hold both the picture \"sun.gif\" and the "
                             "picture \"" +
                                 elsewhere.file("sun.gif") +
                                 "\": both would be named \"sun.gif\".");
    // A picture of the author's named like a clock picture would replace the clock's.
    writeFile(dir.file("0fdg.gif"), "not a digit");
    quiz.QuestionCount = 1;
    quiz.Questions[0].PicAddress = "0fdg.gif";
    EXPECT_NE(refusal(quiz).find("the clock file 0fdg.gif and the picture \"0fdg.gif\""),
              std::string::npos);
}

TEST_F(ScormPackageTest, BarePictureNamesAreFoundBesideTheQuizFirst) {
    TempDir current;
    writeFile(dir.file("both.gif"), "beside the quiz");
    writeFile(current.file("both.gif"), "in the current folder");
    writeFile(current.file("only_here.gif"), "current only");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(current.path());
    TQuizRec quiz = MakeQuiz(2, 2);
    quiz.Questions[0].PicAddress = "both.gif";
    quiz.Questions[1].PicAddress = "only_here.gif";
    const auto files = build(quiz);
    std::filesystem::current_path(previous);
    EXPECT_EQ(files.at("both.gif"), "beside the quiz");
    EXPECT_EQ(files.at("only_here.gif"), "current only");
}

TEST_F(ScormPackageTest, ManifestCarriesTheQuizAndThePassMark) {
    TQuizRec quiz = MakeQuiz(1, 2, "Sun & <Moon>");
    quiz.QuizId = "Q 1/\xE9";
    auto files = build(quiz, {ScormVersion::Scorm12, 70});
    const std::string& v12 = files.at("imsmanifest.xml");
    EXPECT_NE(v12.find("<title>Sun &amp; &lt;Moon&gt;</title>"), std::string::npos);
    EXPECT_NE(v12.find("identifier=\"tamberlin-Q_1___\""), std::string::npos) << v12;
    EXPECT_NE(v12.find("<adlcp:masteryscore>70</adlcp:masteryscore>"), std::string::npos);
    EXPECT_NE(files.at("index.html").find("\"passPercent\": 70"), std::string::npos);
    files = build(quiz, {ScormVersion::Scorm2004, 70});
    const std::string& v2004 = files.at("imsmanifest.xml");
    EXPECT_NE(v2004.find("<schemaversion>2004 4th Edition</schemaversion>"), std::string::npos);
    EXPECT_NE(v2004.find("adlcp:scormType=\"sco\""), std::string::npos);
    EXPECT_NE(files.at("index.html").find("\"version\": \"2004\""), std::string::npos);
}

TEST_F(ScormPackageTest, RefusalsSayWhy) {
    EXPECT_EQ(refusal(MakeQuiz(0, 2)), "The quiz has no questions: there is nothing to export.");
    EXPECT_EQ(refusal(MakeQuiz(1, 2), {ScormVersion::Scorm12, 101}),
              "The pass mark must be a percentage from 0 to 100.");
    TQuizRec quiz = MakeQuiz(1, 2);
    EXPECT_THROW(BuildScormPackage(quiz, {}, {quizPath, ""}, {}), EScormExportError);
    // A zip that cannot be made leaves nothing behind.
    EXPECT_THROW(WriteZip(dir.file("no/such/folder/quiz.zip"), {{"a.txt", "a"}}),
                 EScormExportError);
    EXPECT_FALSE(std::filesystem::exists(dir.file("no")));
}

} // namespace
