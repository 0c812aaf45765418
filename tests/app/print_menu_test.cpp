// File > Print and File > Export PDF in the main window, through the scripted platform; the
// paper is read back with poppler's pdftotext.

#include "app/main_window.h"

#include "window_test_support.h"

#include <QAction>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

using namespace tamberlin;
using tamberlin::testing::MakeQuiz;
using tamberlin::testing::WindowTestBase;
using Kind = FakePlatform::Kind;
using Answer = Platform::Answer;

namespace {

QString pdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(30000) || process.exitCode() != 0) {
        qFatal("pdftotext failed on %s", qPrintable(pdf));
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class PrintMenuTest : public WindowTestBase {
    Q_OBJECT

private slots:
    void init() { setUpWindow(); }
    void cleanup() { tearDownWindow(); }

    void fileMenuOffersPrintingOnlyWithAQuiz() {
        form = std::make_unique<TForm1>();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QVERIFY(!menuItem("Print1")->isEnabled());
        QVERIFY(!menuItem("ExportPdf1")->isEnabled());
        QCOMPARE(menuItem("Print1")->shortcut(), QKeySequence(QKeySequence::Print));
        // Every underlined letter of the File menu leads to one item only.
        QSet<QChar> letters;
        for (QAction* item : menuNamed("File1")->actions()) {
            const qsizetype amp = item->text().indexOf(u'&');
            if (amp >= 0) {
                const QChar letter = item->text().at(amp + 1).toLower();
                QVERIFY2(!letters.contains(letter), qPrintable(item->text()));
                letters.insert(letter);
            }
        }
        form.reset();
        startWith(MakeQuiz(3, 3), "planets.qvt");
        QVERIFY(menuItem("Print1")->isEnabled());
        QVERIFY(menuItem("ExportPdf1")->isEnabled());
    }

    void printGoesThroughThePrintDialog() {
        startWith(MakeQuiz(3, 3), "planets.qvt");
        // Cancelled: nothing else happens.
        fake->answerPrint(std::nullopt);
        menuItem("Print1")->trigger();
        QCOMPARE(fake->lastAsked().kind, Kind::Print);
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Planets"));
        // Three short questions on one page, the key on a second.
        QCOMPARE(fake->lastAsked().pageCount, 2);

        const QString printed = path("printed.pdf");
        fake->answerPrint(printed);
        menuItem("Print1")->trigger();
        const QString text = pdfText(printed);
        qsizetype at = 0;
        for (const char* expected :
             {"Planets", "Name:", "1.", "Question 1", "A.", "Q1 choice A", "C.", "Q1 choice C",
              "Question 3", "Q3 choice C", "Page 1 of 2", "Answer key", "Page 2 of 2"}) {
            const qsizetype found = text.indexOf(QString::fromLatin1(expected), at);
            QVERIFY2(found >= 0, expected);
            at = found;
        }
        // The key: question n's answer is letter n-1 (MakeQuiz's rule).
        const QString key = text.mid(text.indexOf(QStringLiteral("Answer key")));
        for (int n = 1; n <= 3; ++n) {
            QVERIFY(key.contains(QRegularExpression(
                QStringLiteral("\\b%1\\s+%2\\b").arg(n).arg(QChar(u'A' + (n - 1) % 3)))));
        }
    }

    void unstoredEditsAreOfferedBeforePrinting() {
        startWith(MakeQuiz(2, 2), "planets.qvt");
        edit("Edit1")->setText(QStringLiteral("Edited choice"));
        QTest::keyClick(edit("Edit1"), Qt::Key_Space);
        fake->answerConfirm(Answer::Yes); // Save changes?
        const QString printed = path("printed.pdf");
        fake->answerPrint(printed);
        menuItem("Print1")->trigger();
        QVERIFY(pdfText(printed).contains(QStringLiteral("Edited choice")));
    }

    void aMissingPictureIsNamedBeforePaperIsUsed() {
        TQuizRec quiz = MakeQuiz(2, 2);
        quiz.Questions[1].PicAddress = "gone.gif";
        startWith(quiz, "planets.qvt");
        fake->answerConfirm(Answer::No);
        menuItem("Print1")->trigger();
        QCOMPARE(fake->lastAsked().kind, Kind::Confirm);
        QVERIFY(fake->lastAsked().text.contains(
            QStringLiteral("Question 2: the picture \"gone.gif\"")));
        QVERIFY(fake->lastAsked().text.endsWith(QStringLiteral("Print anyway?")));

        // Exported anyway, the paper shows a note where the picture would be.
        const QString pdf = path("planets.pdf");
        fake->answerSaveFile(pdf);
        fake->expectMessage();
        menuItem("ExportPdf1")->trigger();
        QVERIFY(fake->lastAsked().text.contains(QStringLiteral("gone.gif")));
        QVERIFY(pdfText(pdf).contains(QStringLiteral("Picture missing: gone.gif")));
    }

    void exportWritesTheChosenFile() {
        startWith(MakeQuiz(4, 5), "planets.qvt");
        fake->answerSaveFile(std::nullopt);
        menuItem("ExportPdf1")->trigger();
        QCOMPARE(fake->lastAsked().fileOptions.defaultExtension, QStringLiteral("pdf"));
        QCOMPARE(fake->lastAsked().fileOptions.initialFolder,
                 QFileInfo(path("planets.qvt")).absolutePath());

        const QString pdf = path("paper.pdf");
        fake->answerSaveFile(pdf);
        fake->expectMessage();
        menuItem("ExportPdf1")->trigger();
        QCOMPARE(fake->lastAsked().text,
                 QStringLiteral("The quiz and its answer key were written to ") + pdf + u'.');
        const QString text = pdfText(pdf);
        QVERIFY(text.contains(QStringLiteral("E.   Q4 choice E")));
        QVERIFY(text.contains(QStringLiteral("Answer key")));

        // A folder that cannot be written to: an error, no message of success.
        fake->answerSaveFile(path("no such folder/paper.pdf"));
        fake->expectError();
        menuItem("ExportPdf1")->trigger();
        QVERIFY(fake->lastAsked().text.startsWith(QStringLiteral("Cannot write ")));
    }
};

QTEST_MAIN(PrintMenuTest)
#include "print_menu_test.moc"
