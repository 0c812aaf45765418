#include "app/main_window.h"

#include "window_test_support.h"

#include "document/quiz_file.h"
#include "packages/scorm_package.h"

#include <QAction>
#include <QMenu>
#include <QTest>

#include <filesystem>
#include <fstream>
#include <map>
#include <zip.h>

using namespace tamberlin;
using tamberlin::testing::MakeQuiz;
using tamberlin::testing::WindowTestBase;
using Kind = FakePlatform::Kind;

namespace {

// The files of a zip by name, read back through libzip.
std::map<std::string, std::string> zipContents(const std::string& path) {
    std::map<std::string, std::string> files;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) {
        return files;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat);
        std::string bytes(stat.size, '\0');
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        zip_fread(file, bytes.data(), stat.size);
        zip_fclose(file);
        files[stat.name] = bytes;
    }
    zip_close(archive);
    return files;
}

} // namespace

class ScormMenuTest : public WindowTestBase {
    Q_OBJECT

private slots:
    void init() { setUpWindow(); }
    void cleanup() { tearDownWindow(); }

    // The menu item makes the package that the command line makes from the saved quiz.
    void exportMakesThePackage() {
        std::filesystem::copy_file(TAMBERLIN_SOURCE_DIR "/examples/saturn.gif",
                                   dir->file("saturn.gif"));
        TQuizRec quiz = MakeQuiz(3, 3);
        quiz.Questions[1].PicAddress = "saturn.gif";
        startWith(quiz, "planets.qvt");
        QVERIFY(menuNamed("Script1")->actions().contains(menuItem("ExportScorm1")));
        QCOMPARE(menuItem("ExportScorm1")->text(),
                 QStringLiteral("Export for &Learning Platform (SCORM)\u2026"));

        fake->answerSaveFile(path("planets.zip"));
        fake->expectMessage();
        menuItem("ExportScorm1")->trigger();
        QCOMPARE(fake->asked().first().kind, Kind::SaveFile);
        QCOMPARE(fake->asked().first().fileOptions.defaultExtension, QStringLiteral("zip"));
        QCOMPARE(fake->lastAsked().text, QStringLiteral("The SCORM package ") +
                                             path("planets.zip") +
                                             QStringLiteral(" has been created."));

        const std::string again = dir->file("again.zip");
        TQuizRec saved{};
        QuizFileExtent extent;
        ReadQuizFile(saved, dir->file("planets.qvt"), extent);
        ExportScormPackage(saved, dir->file("planets.qvt"), again, ScormOptions{});
        const auto made = zipContents(dir->file("planets.zip"));
        QVERIFY(made.contains("planets.htm") && made.contains("saturn.gif"));
        QVERIFY(made == zipContents(again));
    }

    // A missing picture stops the export with its name, and no file is written.
    void missingPictureRefused() {
        TQuizRec quiz = MakeQuiz(2, 2);
        quiz.Questions[0].PicAddress = "gone.gif";
        fake->expectError(); // the window cannot show the picture either
        startWith(quiz, "planets.qvt");
        fake->answerSaveFile(path("planets.zip"));
        fake->expectError();
        menuItem("ExportScorm1")->trigger();
        QVERIFY2(fake->lastAsked().text.contains(QStringLiteral("\"gone.gif\" of question 1")),
                 qPrintable(fake->lastAsked().text));
        QVERIFY(!std::filesystem::exists(dir->file("planets.zip")));
    }
};

QTEST_MAIN(ScormMenuTest)
#include "scorm_menu_test.moc"
