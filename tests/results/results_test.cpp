// The receiver's own rules: the form decoder, the score check, the database and the file
// rules of the embedded server. The receiver as a whole, against real clients, a real web
// server and Chromium, is tested by receiver_system_test.py and results_in_browser.test.mjs.
#include "document/code_page.h"
#include "document/quiz.h"
#include "document/quiz_file.h"
#include "results/form.h"
#include "results/login.h"
#include "results/quizzes.h"
#include "results/report.h"
#include "results/report_stats.h"
#include "results/static_files.h"
#include "results/store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace tamberlin;
using namespace tamberlin::results;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        char name[] = "/tmp/tamberlin-results-XXXXXX";
        path = mkdtemp(name);
    }
    ~TempDir() { fs::remove_all(path); }
    std::string file(const std::string& name) const { return (path / name).string(); }
};

Submission submit(const std::string& body, const CodePage& codePage) {
    std::string error;
    const auto s = ReadSubmission(DecodeForm(body), codePage, error);
    EXPECT_TRUE(s) << error;
    return s.value_or(Submission{});
}

} // namespace

TEST(FormDecoder, DecodesAndRefusesAsTheFormEncodingSays) {
    const FormFields form = DecodeForm("q1=A&&name=Ann+Lee%21&empty=&bare&%41%62=%3d");
    ASSERT_EQ(form.error, "");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"q1", "A"}, {"name", "Ann Lee!"}, {"empty", ""}, {"bare", ""}, {"Ab", "="}};
    EXPECT_EQ(form.fields, expected);
    for (const char* bad : {"name=%", "name=%4", "name=%G1", "x%zz=1", "a=1&b=%%"}) {
        EXPECT_NE(DecodeForm(bad).error, "") << bad;
    }
    EXPECT_TRUE(IsFormContentType("Application/X-WWW-Form-Urlencoded; charset=UTF-8"));
    EXPECT_FALSE(IsFormContentType("multipart/form-data; boundary=x"));
    EXPECT_FALSE(IsFormContentType("application/x-www-form-urlencodedx"));
}

TEST(FormDecoder, PicksTheQuizFieldsWithTheirBounds) {
    const CodePage cp1252("CP1252");
    std::string error;
    // Unknown names and answer fields outside q1..q100 are ignored; the first of two counts.
    const Submission s = submit("q1=B&q01=C&q0=D&q101=E&q100=x&ID=Q7&ID=other&email=a%40b"
                                "&URL=&lapsed=1%3A02&score=50%25&colour=red",
                                cp1252);
    EXPECT_EQ(s.quizId, "Q7");
    EXPECT_EQ(s.answers, (std::map<int, std::string>{{1, "B"}, {100, "x"}}));
    EXPECT_FALSE(s.hasName);
    EXPECT_EQ(s.email, "a@b");
    EXPECT_EQ(s.lapsed, "1:02");
    EXPECT_EQ(s.score, "50%");
    EXPECT_FALSE(ReadSubmission(DecodeForm("q1=A&score=1%25"), cp1252, error));
    EXPECT_EQ(error, "no quiz ID (field ID)");
    EXPECT_FALSE(ReadSubmission(DecodeForm("ID=1&name=" + std::string(256, 'n')), cp1252, error));
    EXPECT_EQ(error, "field name is longer than 255 bytes");
    EXPECT_TRUE(ReadSubmission(DecodeForm("ID=1&name=" + std::string(255, 'n')), cp1252, error));
}

TEST(FormDecoder, TextArrivesAsUtf8FromTheCodePage) {
    // What a browser sends for "José" from a Windows-1252 page and for "Иван" from a
    // Windows-1251 page.
    EXPECT_EQ(submit("ID=1&name=Jos%E9", CodePage("CP1252")).name, "Jos\u00e9");
    EXPECT_EQ(submit("ID=%D2%E5%F1%F2&name=%C8%E2%E0%ED", CodePage("CP1251")).name,
              "\u0418\u0432\u0430\u043d");
    EXPECT_EQ(submit("ID=%D2%E5%F1%F2", CodePage("CP1251")).quizId, "\u0422\u0435\u0441\u0442");
}

TEST(ScoreCheck, ScoresAsThePageDoesAndCatchesAForgedScore) {
    // Math.round(right / count * 100): halves upward.
    EXPECT_EQ(PageScore(2, 3), 67);
    EXPECT_EQ(PageScore(1, 3), 33);
    EXPECT_EQ(PageScore(1, 8), 13);
    EXPECT_EQ(PageScore(0, 7), 0);
    EXPECT_EQ(PageScore(7, 7), 100);
    // 23 / 40 x 100 is 57.49999... in floating point: the browser shows 57%, not 58%.
    EXPECT_EQ(PageScore(23, 40), 57);

    QuizKey quiz;
    quiz.choiceCount = 3;
    quiz.answers = {"A", "B", "C", "D"}; // "D" is not a letter of a three-choice quiz
    const CodePage cp("CP1252");
    const ScoreCheck forged = CheckScore(quiz, submit("ID=x&q1=A&q2=C&q4=D&score=100%25", cp));
    EXPECT_EQ(forged.checkedScore, 25);
    EXPECT_EQ(forged.correct, (std::vector<int>{1, 0, 0, 0}));
    EXPECT_TRUE(forged.differs);
    const ScoreCheck honest = CheckScore(quiz, submit("ID=x&q1=A&q2=B&q3=C&score=75%25", cp));
    EXPECT_EQ(honest.checkedScore, 75);
    EXPECT_FALSE(honest.differs);
}

TEST(QuizFolder, FindsQuizzesByIdAndReadsAChangedFileAgain) {
    TempDir dir;
    fs::create_directory(dir.path / "week2");
    auto quiz = std::make_unique<TQuizRec>();
    quiz->QuestionCount = 2;
    quiz->ChoiceCount = 2;
    quiz->QuizId = "W2";
    quiz->Questions[0].Answer = "A";
    quiz->Questions[1].Answer = "B";
    const std::string path = dir.file("week2/quiz.qvt");
    WriteQuizFile(*quiz, path);
    QuizFolder folder(dir.path.string(), CodePage::system());
    auto found = folder.find("W2", 2).quiz;
    ASSERT_TRUE(found);
    EXPECT_EQ(found->answers, (std::vector<std::string>{"A", "B"}));
    EXPECT_FALSE(folder.find("W3", 2).quiz);
    // An ID with a space reaches the receiver cut where the page's unquoted value ends; of
    // two quizzes that post "W2" the answers sent tell which one is meant.
    quiz->QuizId = "W2 extra";
    quiz->QuestionCount = 1;
    WriteQuizFile(*quiz, dir.file("spaced.qvt"));
    ASSERT_TRUE(folder.find("W2", 1).quiz);
    EXPECT_EQ(folder.find("W2", 1).quiz->quizId, "W2 extra");
    EXPECT_EQ(folder.collisions().size(), 1u);

    // Same ID, same count: never scored against either.
    quiz->QuestionCount = 2;
    WriteQuizFile(*quiz, dir.file("spaced.qvt"));
    const QuizMatch both = folder.find("W2", 2);
    EXPECT_FALSE(both.quiz);
    EXPECT_EQ(both.ambiguousWith.size(), 2u);
    fs::remove(dir.file("spaced.qvt"));

    quiz->QuizId = "W2";
    quiz->Questions[1].Answer = "A";
    quiz->QuestionCount = 1;
    WriteQuizFile(*quiz, path); // another size, so the change shows even within one tick
    found = folder.find("W2", 1).quiz;
    ASSERT_TRUE(found);
    EXPECT_EQ(found->answers, (std::vector<std::string>{"A"}));
    EXPECT_TRUE(folder.collisions().empty());
}

TEST(ResultsStore, StoresWithSchemaVersionAndRefusesWhatItCannotWrite) {
    TempDir dir;
    const std::string db = dir.file("results.sqlite");
    const CodePage cp("CP1252");
    QuizKey quiz;
    quiz.path = "q.qvt";
    quiz.quizId = "Q";
    quiz.title = "Quiz";
    quiz.choiceCount = 2;
    quiz.answers = {"A", "B"};
    {
        ResultsStore store(db);
        const Submission s = submit("ID=Q&q1=A&q2=A&email=e&lapsed=0%3A10&score=100%25", cp);
        store.record(s, &quiz, CheckScore(quiz, s), "2026-01-01T00:00:00.000Z");
        const Submission unknown = submit("ID=nobody&q1=Z&score=5%25", cp);
        store.record(unknown, nullptr, ScoreCheck{}, "2026-01-01T00:00:01.000Z");
    }
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(db.c_str(), &raw), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(raw, "PRAGMA user_version", -1, &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(stmt, 0), ResultsStore::kSchemaVersion);
    sqlite3_finalize(stmt);
    sqlite3_prepare_v2(raw, "PRAGMA journal_mode", -1, &stmt, nullptr);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "wal");
    sqlite3_finalize(stmt);
    sqlite3_close(raw);

    const auto rows = ReadSubmissions(db, std::nullopt);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].checkedScore, 50);
    EXPECT_TRUE(rows[0].differs);
    ASSERT_EQ(rows[0].answers.size(), 2u);
    EXPECT_EQ(rows[0].answers[1].answer, "A");
    EXPECT_EQ(rows[0].answers[1].correct, 0);
    EXPECT_FALSE(rows[1].checked);
    EXPECT_EQ(rows[1].answers[0].answer, "Z");
    EXPECT_EQ(ReadSubmissions(db, std::string("nobody")).size(), 1u);

    // A database whose file lost its write permission, and one whose folder is gone: an
    // error, never a submission acknowledged into nowhere.
    ResultsStore store(db);
    chmod(db.c_str(), 0444);
    const Submission s = submit("ID=Q&q1=A&score=1%25", cp);
    try {
        store.record(s, nullptr, ScoreCheck{}, "t");
        ADD_FAILURE() << "stored into a read-only database";
    } catch (const SqliteError& e) {
        EXPECT_NE(std::string(e.what()).find(db), std::string::npos) << e.what();
    }
    chmod(db.c_str(), 0644);
    EXPECT_THROW(ResultsStore(dir.file("missing/results.sqlite")), SqliteError);
    EXPECT_EQ(ReadSubmissions(db, std::nullopt).size(), 2u);
}

TEST(Report, CsvQuotesAsRfc4180AndKeepsFormulasAsText) {
    StoredSubmission row;
    row.received = "2026-01-01T00:00:00.000Z";
    row.quizId = "Q";
    row.name = "Lee, \"Ann\"\nB";
    row.email = "=HYPERLINK(\"x\")";
    row.postedScore = "100%";
    row.checkedScore = 50;
    row.checked = true;
    row.differs = true;
    row.answers = {{"A", 1, "A"}, {"", 0, "B"}};
    EXPECT_EQ(ResultsCsv({row}),
              "\xEF\xBB\xBFreceived,quiz_id,name,email,posted_score,checked_score,score_check,"
              "lapsed,q1,q2\r\n"
              "2026-01-01T00:00:00.000Z,Q,\"Lee, \"\"Ann\"\"\nB\",\"'=HYPERLINK(\"\"x\"\")\","
              "100%,50%,differs,,A,\r\n");
    const std::string html = ResultsHtml({row}, "");
    EXPECT_NE(html.find("Lee, &quot;Ann&quot;"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_NE(html.find("<svg"), std::string::npos);
}

TEST(StaticFolder, ServesOnlyWhatLiesInTheFolder) {
    TempDir dir;
    const fs::path site = dir.path / "site";
    fs::create_directories(site / "pics");
    fs::create_directories(site / ".git");
    for (const char* name : {"quiz.htm", "quiz.qvt", "quiz.qdt", "QUIZ.QVT", "pics/a.gif",
                             ".git/config", "results.sqlite", "results.sqlite-wal"}) {
        std::ofstream(site / name) << "x";
    }
    for (const char* name :
         {"bank.gift", "notes.txt", "GRADES.DAT", "results.sqlite-WAL", "report.htm"}) {
        std::ofstream(site / name)
            << (std::string(name) == "report.htm"
                    ? "<!DOCTYPE html><html><head>" + std::string(kReportMarker)
                    : std::string("x"));
    }
    std::ofstream(dir.path / "secret.txt") << "x";
    fs::create_symlink(dir.path / "secret.txt", site / "out.txt");
    fs::create_symlink(site / "quiz.qvt", site / "answers.htm");
    fs::create_symlink(site / "pics", site / "inside");
    const StaticFolder folder(site.string());
    EXPECT_EQ(folder.resolve("/quiz.htm"), (site / "quiz.htm").string());
    EXPECT_EQ(folder.resolve("/inside/a.gif"), (site / "pics/a.gif").string());
    for (const char* refused : {"/",
                                "/pics",
                                "/pics/",
                                "/quiz.qvt",
                                "/QUIZ.QVT",
                                "/quiz.qdt",
                                "/../secret.txt",
                                "/pics/../quiz.htm",
                                "/./quiz.htm",
                                "//quiz.htm",
                                "/.git/config",
                                "/out.txt",
                                "/answers.htm",
                                "/results.sqlite",
                                "/results.sqlite-wal",
                                "/missing.htm",
                                "quiz.htm",
                                "/pics\\..\\quiz.htm",
                                "/bank.gift",
                                "/notes.txt",
                                "/GRADES.DAT",
                                "/quiz.qvt.",
                                "/results.sqlite-WAL",
                                "/report.htm",
                                "/quiz.htm/x"}) {
        EXPECT_FALSE(folder.resolve(refused)) << refused;
    }
    EXPECT_TRUE(SameFileName("/x/GRADES.DAT.", "/x/grades.dat"));
    EXPECT_FALSE(SameFileName("/x/grades.dat", "/y/grades.dat"));
    EXPECT_EQ(StaticFolder::contentType("a.HTM", "windows-1251"),
              "text/html; charset=windows-1251");
    EXPECT_EQ(StaticFolder::contentType("0fdg.gif", ""), "image/gif");
    EXPECT_EQ(StaticFolder::contentType("clock.js", ""), "text/javascript");
}

TEST(Login, RosterRefusesStrangersAndWrongCodesAndSignsTheName) {
    TempDir dir;
    std::ofstream(dir.file("class.csv")) << "Name,E-mail\r\nAnn Lee,ann@example.org\r\n"
                                            "\"Bo, Jr\",\r\n";
    const std::string key = LoadOrCreateKey(dir.file("db.key"));
    EXPECT_EQ(LoadOrCreateKey(dir.file("db.key")), key);
    struct stat info {};
    ASSERT_EQ(stat(dir.file("db.key").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const Roster roster = LoadRoster(dir.file("class.csv"), key);
    ASSERT_EQ(roster.entries.size(), 2u);
    EXPECT_TRUE(roster.codesGenerated);
    EXPECT_EQ(roster.entries[1].name, "Bo, Jr");
    EXPECT_EQ(roster.entries[0].code.size(), 6u);
    // The same key gives the same codes in the next run.
    EXPECT_EQ(LoadRoster(dir.file("class.csv"), key).entries[0].code, roster.entries[0].code);
    EXPECT_EQ(roster.find("  ann   LEE "), &roster.entries[0]);

    const Login login(key, roster, {});
    EXPECT_EQ(login.submit("name=Nobody&code=X&back=%2Fq.htm").status, 403);
    EXPECT_EQ(login.submit("name=Ann+Lee&code=WRONG1&back=%2Fq.htm").status, 403);
    const Reply ok = login.submit("name=ann+lee&code=" + roster.entries[0].code + "&back=%2Fq.htm");
    ASSERT_EQ(ok.status, 303);
    EXPECT_EQ(ok.location, "/q.htm");
    ASSERT_EQ(ok.cookies.size(), 3u);
    EXPECT_TRUE(ok.cookies[0].starts_with("username=Ann%20Lee; Path=/;")) << ok.cookies[0];
    EXPECT_TRUE(ok.cookies[1].starts_with("email=ann@example.org;")) << ok.cookies[1];
    const std::string session = ok.cookies[2].substr(0, ok.cookies[2].find(';'));

    Submission s;
    s.hasName = true;
    s.name = "Ann Lee";
    EXPECT_TRUE(login.verified(s, "a=b; " + session));
    s.name = "Bo, Jr";
    EXPECT_FALSE(login.verified(s, session));
    EXPECT_FALSE(login.verified(s, "tamberlin_login=1.ab"));
    // An address elsewhere is never where the taker is sent back to.
    EXPECT_TRUE(
        login.submit("name=Ann+Lee&code=" + roster.entries[0].code + "&back=%2F%2Fevil.example%2F")
            .location.empty());
}

TEST(Login, CookieValuesAreWhatThePagesUnescapeReadsBack) {
    EXPECT_EQ(ScriptEscape("Ann-Lee_1.a@b*c+d/e"), "Ann-Lee_1.a@b*c+d/e");
    EXPECT_EQ(ScriptEscape("O'Neil; x=1"), "O%27Neil%3B%20x%3D1");
    EXPECT_EQ(ScriptEscape("Zoë"), "Zo%EB");
    EXPECT_EQ(ScriptEscape("Иван"), "%u0418%u0432%u0430%u043D");
    EXPECT_EQ(ScriptEscape("\xF0\x9F\x98\x80"), "%uD83D%uDE00");
}

TEST(ReportStatistics, CountsPerQuizAndNamesWhoHasNotSubmitted) {
    const auto row = [](std::string quiz, std::string name, std::int64_t score,
                        std::vector<StoredAnswer> answers) {
        StoredSubmission s;
        s.quizId = std::move(quiz);
        s.name = std::move(name);
        s.checked = true;
        s.quizTitle = "T";
        s.checkedScore = score;
        s.answers = std::move(answers);
        return s;
    };
    const std::vector<StoredSubmission> rows = {
        row("Q", "Ann Lee", 50, {{"A", 1, "A"}, {"C", 0, "B"}}),
        row("R", "Bo", 100, {{"B", 1, "B"}}),
        row("Q", "bo", 0, {{"B", 0, "A"}, {"C", 0, "B"}}),
    };
    Roster roster;
    roster.entries = {{"Ann Lee", "", "X"}, {"Bo", "", "Y"}, {"Cy", "", "Z"}};
    const auto stats = ComputeStatistics(rows, &roster);
    ASSERT_EQ(stats.size(), 2u);
    EXPECT_EQ(stats[0].quizId, "Q");
    EXPECT_EQ(stats[0].submissions.size(), 2u);
    EXPECT_EQ(stats[0].averageScore, 25);
    ASSERT_EQ(stats[0].questions.size(), 2u);
    EXPECT_EQ(stats[0].questions[0].answeredRight, 1u);
    EXPECT_EQ(stats[0].questions[1].commonWrong, "C");
    EXPECT_EQ(stats[0].questions[1].commonWrongTimes, 2u);
    EXPECT_EQ(stats[0].notSubmitted, (std::vector<std::string>{"Cy"}));
    EXPECT_EQ(stats[1].notSubmitted, (std::vector<std::string>{"Ann Lee", "Cy"}));
    EXPECT_NE(ResultsHtml(rows, "", &roster).find("Not submitted yet (1): Cy"), std::string::npos);
}
