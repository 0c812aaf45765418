#include "document/errors.h"
#include "document/quiz_file.h"

#include "common/quiz_builders.h"
#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace tamberlin;
using tamberlin::testing::FreshDocument;
using tamberlin::testing::ReadAll;
using tamberlin::testing::TempDir;
using tamberlin::testing::WriteAll;

namespace {

std::int32_t int32At(const std::string& bytes, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = (v << 8) | static_cast<unsigned char>(bytes[offset + static_cast<std::size_t>(i)]);
    }
    return static_cast<std::int32_t>(v);
}

std::string counted(const std::string& text, std::size_t capacity) {
    std::string field(capacity + 1, '\0');
    field[0] = static_cast<char>(text.size());
    field.replace(1, text.size(), text);
    return field;
}

std::string le32(std::int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) {
        s[static_cast<std::size_t>(i)] =
            static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF);
    }
    return s;
}

std::string freshPrefsBytes() {
    return std::string(1388, '\0') + std::string("\x03\0\0\0\x03\0\0\0\x03\0\0\0", 12) +
           std::string(4, '\0');
}

// A quiz with every kind of field filled, and old text left after shortened strings.
std::unique_ptr<QuizDocument> filledDocument() {
    auto doc = FreshDocument();
    auto& q = doc->quiz;
    q.Title = "Planets of the Solar System";
    q.QuestionCount = 3;
    q.ChoiceCount = 4;
    q.QuizId = "planets-01";
    q.CgiTarget = "http://quiz.example.invalid/cgi-bin/score";
    q.LoginAddress = "http://quiz.example.invalid/login";
    q.RedirectAddress = "http://quiz.example.invalid/thanks";
    q.Interval = 600;
    q.Prefs.TitleFontOn = 1;
    q.Prefs.TitleFontFace = "Sans Serif";
    q.Prefs.TitleFontTag = "<FONT FACE=\"sans-serif\" SIZE=\"5\" COLOR=\"#0000FF\">\r\n";
    q.Prefs.TitleFontColor = 0x00FF0000;
    q.Prefs.TitleFontSize = 5;
    q.Prefs.Author = "A. Teacher";
    q.Prefs.Alignment = 1;
    q.Prefs.Filler1[0] = 0x42;
    for (int i = 0; i < 3; ++i) {
        auto& rec = q.Questions[static_cast<std::size_t>(i)];
        rec.QuestionText = "A much longer question text that will be shortened";
        rec.QuestionText = "Which planet " + std::to_string(i + 1) + "?\r\nThink.";
        rec.ChoiceA = "Mercury";
        rec.ChoiceB = "Venus";
        rec.ChoiceC = "Earth";
        rec.ChoiceD = "Mars";
        rec.ChoiceE = "kept beyond the count";
        rec.Answer = std::string(1, static_cast<char>('A' + i));
    }
    q.Questions[1].PicAddress = "venus.gif";
    return doc;
}

} // namespace

TEST(QuizFileLayout, OneBlankQuestionIs4305Bytes) {
    auto doc = FreshDocument();
    doc->quiz.Title = "T";
    doc->quiz.QuestionCount = 1;
    doc->quiz.ChoiceCount = 2;
    doc->quiz.QuizId = "id";
    doc->quiz.CgiTarget = "cgi";
    doc->quiz.LoginAddress = "login";
    doc->quiz.RedirectAddress = "redirect";
    doc->quiz.Interval = 120;

    const std::string expected = counted("T", 255) + le32(1) + le32(2) + counted("id", 100) +
                                 counted("cgi", 255) + counted("login", 255) +
                                 counted("redirect", 255) + freshPrefsBytes() +
                                 std::string(1764, '\0') + le32(120);
    ASSERT_EQ(expected.size(), 4305u);
    EXPECT_EQ(SerializeQuiz(doc->quiz), expected);

    TempDir dir;
    WriteQuizFile(doc->quiz, dir.file("one.qvt"));
    EXPECT_EQ(ReadAll(dir.file("one.qvt")), expected);
}

TEST(QuizFileLayout, CountsAndIntervalOffsetsForTenQuestions) {
    auto doc = FreshDocument();
    doc->quiz.QuestionCount = 10;
    doc->quiz.ChoiceCount = 3;
    doc->quiz.Interval = -7;
    doc->quiz.Questions[9].Answer = "C";
    const std::string bytes = SerializeQuiz(doc->quiz);
    ASSERT_EQ(bytes.size(), 2541u + 10 * 1764);
    EXPECT_EQ(bytes.substr(256, 8), std::string("\x0A\0\0\0\x03\0\0\0", 8));
    EXPECT_EQ(int32At(bytes, 20177), -7);
    EXPECT_EQ(bytes.substr(2537 + 9 * 1764 + 1762, 2), "\x01"
                                                       "C");
    EXPECT_EQ(bytes.substr(1133, 1404), freshPrefsBytes());
}

TEST(QuizFileLayout, OnlyTheQuizsQuestionsAreWritten) {
    auto doc = filledDocument();
    doc->quiz.QuestionCount = 10;
    doc->quiz.Questions[5].QuestionText = "hidden later";
    doc->quiz.QuestionCount = 5;
    const std::string bytes = SerializeQuiz(doc->quiz);
    EXPECT_EQ(bytes.size(), QuizFileSize(5));
    EXPECT_EQ(int32At(bytes, 2537 + 5 * 1764), 600);
    EXPECT_EQ(bytes.find("hidden later"), std::string::npos);
}

TEST(QuizFileLayout, QuestionRecordOffsets) {
    auto doc = filledDocument();
    const std::string bytes = SerializeQuiz(doc->quiz);
    const std::size_t second = 2537 + 1764;
    EXPECT_EQ(bytes.substr(second, 10), "\x09venus.gif");
    EXPECT_EQ(bytes.substr(second + 251, 16), "\x17Which planet 2?");
    EXPECT_EQ(bytes.substr(second + 507, 8), "\x07Mercury");
    EXPECT_EQ(bytes.substr(second + 758, 6), "\x05Venus");
    EXPECT_EQ(bytes.substr(second + 1511, 2), "\x15k");
    EXPECT_EQ(bytes.substr(second + 1762, 2), "\x01"
                                              "B");
    // The shortened question text keeps the old text's tail after its length.
    EXPECT_NE(bytes.substr(2537 + 251 + 1, 255).find("be shortened"), std::string::npos);
}

TEST(QuizFileRoundTrip, ReadThenWriteReproducesTheBytes) {
    TempDir dir;
    auto doc = filledDocument();
    WriteQuizFile(doc->quiz, dir.file("a.qvt"));
    const std::string original = ReadAll(dir.file("a.qvt"));

    auto reread = FreshDocument();
    ReadQuizFile(reread->quiz, dir.file("a.qvt"));
    EXPECT_EQ(reread->quiz.Title.str(), "Planets of the Solar System");
    EXPECT_EQ(reread->quiz.Questions[1].PicAddress.str(), "venus.gif");
    EXPECT_EQ(reread->quiz.Interval, 600);
    WriteQuizFile(reread->quiz, dir.file("b.qvt"));
    EXPECT_EQ(ReadAll(dir.file("b.qvt")), original);
}

TEST(QuizFileRoundTrip, ArbitraryBytesInValidFileSurvive) {
    // Every byte that is not a count is taken as it is: fill them with a pattern.
    std::string bytes(QuizFileSize(2), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 37 + 11) & 0xFF);
    }
    bytes.replace(256, 8, le32(2) + le32(5));
    TempDir dir;
    WriteAll(dir.file("p.qvt"), bytes + "trailing bytes are ignored");
    auto doc = FreshDocument();
    ReadQuizFile(doc->quiz, dir.file("p.qvt"));
    EXPECT_EQ(SerializeQuiz(doc->quiz), bytes);
}

TEST(QuizFileShort, FieldsNotReachedKeepResetValuesAndInterval) {
    auto full = filledDocument();
    const std::string bytes = SerializeQuiz(full->quiz);
    const std::size_t cuts[] = {
        0, 100, 258, 264, 400, 1133, 1500, 2537, 2537 + 1000, 2537 + 1764 + 600, bytes.size() - 2};
    for (std::size_t cut : cuts) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        auto doc = FreshDocument();
        doc->quiz.Interval = 77;
        if (cut < 256 + 8 && cut > 256) {
            // A cut inside the counts leaves counts that no quiz has.
            EXPECT_FALSE(DeserializeQuiz(std::string_view(bytes).substr(0, cut), doc->quiz));
            continue;
        }
        ASSERT_TRUE(DeserializeQuiz(std::string_view(bytes).substr(0, cut), doc->quiz));
        const std::string again = SerializeQuiz(doc->quiz);
        // What was there is taken; the rest of the block is as reset.
        auto reset = FreshDocument();
        reset->quiz.Interval = 77;
        if (cut >= 264) {
            reset->quiz.QuestionCount = 3;
            reset->quiz.ChoiceCount = 4;
        }
        std::string expected = SerializeQuiz(reset->quiz);
        expected.replace(0, std::min(cut, expected.size()),
                         bytes.substr(0, std::min(cut, expected.size())));
        EXPECT_EQ(again, expected);
        EXPECT_EQ(doc->quiz.Interval, cut >= bytes.size() - 3 ? doc->quiz.Interval : 77);
    }
}

TEST(QuizFileShort, FileEndingInsideQuestionsOpensWithBlankQuestions) {
    auto full = filledDocument();
    const std::string bytes = SerializeQuiz(full->quiz);
    TempDir dir;
    WriteAll(dir.file("short.qvt"), bytes.substr(0, 2537 + 1764 + 10));
    auto doc = FreshDocument();
    doc->quiz.Interval = 45;
    ReadQuizFile(doc->quiz, dir.file("short.qvt"));
    EXPECT_EQ(doc->quiz.QuestionCount, 3);
    EXPECT_EQ(doc->quiz.Questions[0].ChoiceA.str(), "Mercury");
    EXPECT_EQ(doc->quiz.Questions[1].PicAddress.str(), "venus.gif");
    EXPECT_TRUE(doc->quiz.Questions[1].QuestionText.empty());
    EXPECT_TRUE(doc->quiz.Questions[2].ChoiceA.empty());
    EXPECT_EQ(doc->quiz.Interval, 45);
}

TEST(QuizFileRefusal, CountsOutsideAQuizsRangesAreRefused) {
    struct Case {
        std::int32_t questions, choices;
        bool quiz;
    };
    const Case cases[] = {
        {0, 0, true},   {0, 5, true},        {1, 2, true},         {100, 5, true}, {0, 6, false},
        {0, -1, false}, {1, 0, false},       {1, 1, false},        {1, 6, false},  {101, 3, false},
        {-1, 3, false}, {1000000, 4, false}, {INT32_MIN, 2, false}};
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.questions) + "/" + std::to_string(c.choices));
        auto source = FreshDocument();
        source->quiz.Title = "foreign";
        std::string bytes = SerializeQuiz(source->quiz);
        bytes.replace(256, 8, le32(c.questions) + le32(c.choices));
        bytes += std::string(200000, '\x01');
        WriteAll(dir.file("x.qvt"), bytes);
        auto doc = FreshDocument();
        doc->quiz.Interval = 9;
        if (c.quiz) {
            EXPECT_NO_THROW(ReadQuizFile(doc->quiz, dir.file("x.qvt")));
        } else {
            try {
                ReadQuizFile(doc->quiz, dir.file("x.qvt"));
                ADD_FAILURE() << "not refused";
            } catch (const EQuizFormatError& e) {
                EXPECT_EQ(std::string(e.what()), "The file \"" + dir.file("x.qvt") +
                                                     "\" is not a quiz file or is damaged.");
            }
            EXPECT_TRUE(doc->quiz.Title.empty());
            EXPECT_EQ(doc->quiz.QuestionCount, 0);
            EXPECT_EQ(doc->quiz.Interval, 9);
        }
    }
}

namespace {

template <typename F>
std::string ioErrorOf(F&& action, int* code = nullptr) {
    try {
        action();
    } catch (const EInOutError& e) {
        if (code != nullptr) {
            *code = e.code();
        }
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(QuizFileErrors, MissingFileAndBadNames) {
    TempDir dir;
    auto doc = FreshDocument();
    int code = 0;
    EXPECT_EQ(ioErrorOf([&] { ReadQuizFile(doc->quiz, dir.file("none.qvt")); }, &code),
              "File not found");
    EXPECT_EQ(code, 2);
    EXPECT_EQ(ioErrorOf([&] { WriteQuizFile(doc->quiz, dir.file("no/such/folder.qvt")); }),
              "File not found");
    EXPECT_EQ(ioErrorOf([&] { ReadQuizFile(doc->quiz, dir.path().string()); }, &code),
              "Invalid filename");
    EXPECT_EQ(code, 3);
    EXPECT_EQ(ioErrorOf([&] { WriteQuizFile(doc->quiz, dir.path().string()); }),
              "Invalid filename");
    EXPECT_EQ(ioErrorOf([&] { WriteQuizFile(doc->quiz, dir.file(std::string(300, 'n'))); }),
              "Invalid filename");
    EXPECT_EQ(ioErrorOf([&] { ReadQuizFile(doc->quiz, ""); }), "File not found");
    // A named pipe in a quiz file's place is refused at once instead of waiting for a writer.
    ASSERT_EQ(::mkfifo(dir.file("pipe.qvt").c_str(), 0600), 0);
    EXPECT_EQ(ioErrorOf([&] { ReadQuizFile(doc->quiz, dir.file("pipe.qvt")); }),
              "Invalid filename");
    // Saving onto it with no reader fails at once (ENXIO) instead of waiting for one.
    EXPECT_EQ(ioErrorOf([&] { WriteQuizFile(doc->quiz, dir.file("pipe.qvt")); }), "I/O error 6");
}

TEST(QuizFileErrors, UnwritableFolderIsAccessDenied) {
    TempDir dir;
    auto doc = filledDocument();
    int code = 0;
    const std::string path = tamberlin::testing::UnwritableFolder(dir) + "/quiz.qvt";
    EXPECT_EQ(ioErrorOf([&] { WriteQuizFile(doc->quiz, path); }, &code), "File access denied");
    EXPECT_EQ(code, 5);
}

TEST(QuizFileErrors, ReadOnlyFileOpensButRefusesSaving) {
    TempDir dir;
    auto doc = filledDocument();
    const std::string path = dir.file("ro.qvt");
    WriteQuizFile(doc->quiz, path);
    const std::string before = ReadAll(path);
    ::chmod(path.c_str(), 0444);

    auto reread = FreshDocument();
    EXPECT_NO_THROW(ReadQuizFile(reread->quiz, path));
    EXPECT_EQ(reread->quiz.Title.str(), "Planets of the Solar System");

    reread->quiz.Title = "changed";
    EXPECT_EQ(ioErrorOf([&] { WriteQuizFile(reread->quiz, path); }), "File access denied");
    EXPECT_EQ(ReadAll(path), before);
}

TEST(QuizFileErrors, FailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    TempDir dir;
    auto doc = filledDocument();
    const std::string path = dir.file("keep.qvt");
    WriteQuizFile(doc->quiz, path);
    const std::string before = ReadAll(path);

    // A write that fails half way (the file size limit stops it) must leave the old file whole.
    {
        struct rlimit old {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &small);
        doc->quiz.Title = "first attempt";
        const std::string error = ioErrorOf([&] { WriteQuizFile(doc->quiz, path); });
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(error, "I/O error " + std::to_string(EFBIG));
        EXPECT_EQ(ReadAll(path), before);
    }
    ::chmod(path.c_str(), 0444);
    doc->quiz.Title = "second version";
    EXPECT_NE(ioErrorOf([&] { WriteQuizFile(doc->quiz, path); }), "no error");
    EXPECT_EQ(ReadAll(path), before);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

TEST(QuizFileSave, ReplacesAnExistingFileAndKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir.file("r.qvt");
    WriteAll(path, std::string(300000, 'x'));
    ::chmod(path.c_str(), 0640);
    auto doc = filledDocument();
    WriteQuizFile(doc->quiz, path);
    EXPECT_EQ(ReadAll(path), SerializeQuiz(doc->quiz));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(QuizFileSave, SavingThroughALinkReplacesTheLinkedFile) {
    TempDir dir;
    auto doc = filledDocument();
    const std::string real = dir.file("real.qvt");
    WriteAll(real, "old");
    std::filesystem::create_symlink(real, dir.file("link.qvt"));
    WriteQuizFile(doc->quiz, dir.file("link.qvt"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.qvt")));
    EXPECT_EQ(ReadAll(real), SerializeQuiz(doc->quiz));
}

TEST(InOutErrorMessages, CodesAndOtherErrnoValues) {
    EXPECT_STREQ(EInOutError(2).what(), "File not found");
    EXPECT_STREQ(EInOutError(3).what(), "Invalid filename");
    EXPECT_STREQ(EInOutError(4).what(), "Too many open files");
    EXPECT_STREQ(EInOutError(5).what(), "File access denied");
    EXPECT_STREQ(EInOutError(103).what(), "I/O error 103");
    EXPECT_STREQ(EInOutError::fromErrno(EMFILE).what(), "Too many open files");
    EXPECT_STREQ(EInOutError::fromErrno(EROFS).what(), "File access denied");
    // EIO is 5 on Linux, but it is not an access problem.
    EXPECT_STREQ(EInOutError::fromErrno(EIO).what(), "I/O error 5");
    EXPECT_EQ(EInOutError::fromErrno(ENOSPC).code(), ENOSPC);
}
