#include "app/main_window.h"
#include "common/temp_dir.h"
#include "document/quiz_file.h"
#include "platform/fake_platform.h"
#include "window_test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <functional>
#include <memory>

using namespace tamberlin;
using tamberlin::testing::MakeQuiz;
using tamberlin::testing::TempDir;
using tamberlin::testing::WhenModal;
using tamberlin::testing::WindowTestBase;
using Kind = FakePlatform::Kind;

class MainWindowPicturesTest : public WindowTestBase {
    Q_OBJECT
private:
    QString pictures_;

    // A two-question quiz opened at start-up.
    void start() { startWith(MakeQuiz(2, 3), "quiz.qvt"); }

    // Runs Insert Image; inside the chooser, browses to file (unless empty) and applies, with
    // the address as the bare name or the absolute path.
    void insertImage(const QString& file, bool absolute = false,
                     std::function<void()> beforeApply = {}, bool loadFails = false) {
        if (!file.isEmpty()) {
            fake->answerOpenFile(file);
        }
        if (loadFails) {
            fake->expectError();
        }
        WhenModal([file, absolute, beforeApply](QWidget* dialog) {
            auto* chooser = qobject_cast<TPictureDialog*>(dialog);
            QVERIFY(chooser != nullptr);
            if (!file.isEmpty()) {
                chooser->BrowseBtnClick();
            }
            chooser->findChild<QCheckBox*>(QStringLiteral("AbsoluteAddress"))->setChecked(absolute);
            if (beforeApply) {
                beforeApply();
            }
            chooser->ApplyBtnClick();
        });
        form->InsertImgBtn->click();
    }

private slots:
    void init() {
        setUpWindow();
        std::filesystem::create_directory(dir->path() / "pictures");
        pictures_ = path("pictures");
        QImage red(40, 30, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(pictures_ + QStringLiteral("/red.png")));
        QImage blue(20, 50, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(pictures_ + QStringLiteral("/blue.bmp")));
    }
    void cleanup() { tearDownWindow(); }

    void cancelledChooserChangesNothing() {
        start();
        WhenModal([](QWidget* dialog) { qobject_cast<TPictureDialog*>(dialog)->CancelBtnClick(); });
        form->InsertImgBtn->click();
        QVERIFY(form->qpicaddress->text().isEmpty());
        QVERIFY(!form->Image1->isEnabled());
        QVERIFY(!form->ClearImgBtn->isEnabled());
        QVERIFY(!form->QuizChanged);
        QVERIFY(!form->QuestionChanged);
    }

    void bareNameLoadsFromTheBrowsedFolder() {
        start();
        insertImage(pictures_ + QStringLiteral("/red.png"));
        QCOMPARE(form->qpicaddress->text(), QStringLiteral("red.png"));
        QVERIFY(form->Image1->isEnabled());
        QVERIFY(form->ClearImgBtn->isEnabled());
        QCOMPARE(form->Image1->picture().size(), QSize(40, 30));
        QVERIFY(form->QuizChanged);
        QVERIFY(form->QuestionChanged);
        // Until the question is stored, Store is on and Create HTML off.
        QVERIFY(form->PostBtn->isEnabled());
        QVERIFY(form->PostQuestion1->isEnabled());
        QVERIFY(!form->createbtn->isEnabled());
        QVERIFY(!form->Create1->isEnabled());

        form->PostBtn->click();
        QCOMPARE(form->quiz().Questions[0].PicAddress.str(), std::string("red.png"));
    }

    void absoluteAddressIsTheFullPath() {
        start();
        insertImage(pictures_ + QStringLiteral("/blue.bmp"), true);
        QCOMPARE(form->qpicaddress->text(), pictures_ + QStringLiteral("/blue.bmp"));
        QCOMPARE(form->Image1->picture().size(), QSize(20, 50));
    }

    void pictureThatCannotBeLoadedKeepsTheOldPictureAndSetsNoFlag() {
        start();
        insertImage(pictures_ + QStringLiteral("/red.png"));
        form->PostBtn->click();
        form->QuizChanged = false;
        QVERIFY(!form->QuestionChanged);

        // The bare name handed back is looked up in the current folder, which is no longer the
        // picture's when something else changed it after the Browse.
        const QString elsewhere = path("");
        insertImage(
            pictures_ + QStringLiteral("/blue.bmp"), false,
            [elsewhere] { QDir::setCurrent(elsewhere); }, true);
        QVERIFY(fake->lastAsked().text.startsWith(QStringLiteral("Cannot open file \"") +
                                                  elsewhere + QStringLiteral("blue.bmp\". ")));
        QCOMPARE(form->qpicaddress->text(), QStringLiteral("blue.bmp"));
        QVERIFY(form->Image1->isEnabled());
        QVERIFY(form->ClearImgBtn->isEnabled());
        QCOMPARE(form->Image1->picture().size(), QSize(40, 30));
        QVERIFY(!form->QuizChanged);
        QVERIFY(!form->QuestionChanged);
    }

    void emptyAddressFailsForItsMissingExtension() {
        start();
        // Apply without ever browsing hands back an empty address.
        insertImage(QString(), false, {}, true);
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Unknown picture file extension (.)"));
        QVERIFY(form->Image1->isEnabled());
        QVERIFY(form->ClearImgBtn->isEnabled());
        QVERIFY(!form->QuizChanged);
    }

    void clearImageSetsTheFlagsButDoesNotRefreshTheButtons() {
        start();
        insertImage(pictures_ + QStringLiteral("/red.png"));
        form->PostBtn->click();
        form->QuizChanged = false;
        QVERIFY(!form->PostBtn->isEnabled());
        QVERIFY(form->createbtn->isEnabled());

        form->ClearImgBtn->click();
        QVERIFY(form->qpicaddress->text().isEmpty());
        QVERIFY(form->Image1->picture().isNull());
        QVERIFY(!form->Image1->isEnabled());
        QVERIFY(!form->ClearImgBtn->isEnabled());
        QVERIFY(form->QuizChanged);
        QVERIFY(form->QuestionChanged);
        QVERIFY(!form->PostBtn->isEnabled());
        QVERIFY(form->createbtn->isEnabled());

        // Moving on still asks about the change.
        fake->answerConfirm(Platform::Answer::No);
        form->NextBtn->click();
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Save changes?"));
    }

    void relativeNamesStayBoundToTheirFilesWhenTheFolderChanges() {
        // Started from the temporary folder on a relative name; the chooser's open dialog hands
        // back a relative name too.
        std::filesystem::create_directory(dir->path() / "examples");
        const TQuizRec original = MakeQuiz(2, 3);
        WriteQuizFile(original, dir->file("examples/quiz.qvt"));
        QDir::setCurrent(path(""));
        form = std::make_unique<TForm1>(QStringLiteral("examples/quiz.qvt"));
        form->CreateDialogs();
        QCOMPARE(form->QuizFileName, path("examples/quiz.qvt"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + path("examples/quiz.qvt"));

        fake->answerOpenFile(QStringLiteral("pictures/red.png"));
        WhenModal([](QWidget* dialog) {
            auto* chooser = qobject_cast<TPictureDialog*>(dialog);
            chooser->BrowseBtnClick();
            chooser->findChild<QCheckBox*>(QStringLiteral("CopyImg"))->setChecked(true);
            chooser->ApplyBtnClick();
        });
        form->InsertImgBtn->click();
        QCOMPARE(QDir::currentPath(), pictures_);
        QCOMPARE(form->PictureDialog->PicturePath, pictures_ + QStringLiteral("/red.png"));
        // The copy went beside the quiz file, not onto the picture in the current folder.
        QVERIFY(std::filesystem::exists(dir->path() / "examples" / "red.png"));

        form->PostBtn->click();
        form->Save1->trigger();
        TQuizRec reread{};
        ReadQuizFile(reread, dir->file("examples/quiz.qvt"));
        QCOMPARE(reread.Questions[0].PicAddress.str(), std::string("red.png"));
        QVERIFY(!std::filesystem::exists(dir->path() / "pictures" / "examples"));

        // Save As on a relative name: the quiz keeps the absolute one.
        fake->answerSaveFile(QStringLiteral("../saved.qvt"));
        form->SaveAs1->trigger();
        QCOMPARE(form->QuizFileName, path("saved.qvt"));
        QCOMPARE(QDir::currentPath() + u'/', path(""));
        QVERIFY(std::filesystem::exists(dir->path() / "saved.qvt"));
    }

    void viewerShowsThePictureAndIsReplacedWhenOpen() {
        start();
        // No picture: a press does nothing.
        QTest::mousePress(form->Image1, Qt::LeftButton);
        QVERIFY(!form->PicForm->isVisible());

        insertImage(pictures_ + QStringLiteral("/red.png"));
        QTest::mousePress(form->Image1, Qt::RightButton);
        QVERIFY(form->PicForm->isVisible());
        auto* shown = form->PicForm->findChild<QLabel*>(QStringLiteral("Image1"));
        QCOMPARE(shown->size(), QSize(40, 30));
        const QPoint where = form->PicForm->pos();

        form->PostBtn->click();
        insertImage(pictures_ + QStringLiteral("/blue.bmp"));
        QTest::mousePress(form->Image1, Qt::LeftButton);
        QCOMPARE(shown->size(), QSize(20, 50));
        QCOMPARE(form->PicForm->pos(), where);

        QTest::mousePress(shown, Qt::LeftButton);
        QVERIFY(!form->PicForm->isVisible());
    }

    void aboutShowsTheSplashUntilItsTimerCloses() {
        start();
        form->CreateSplash();
        form->Splash->Timer1->setInterval(50);
        bool shown = false;
        QTimer::singleShot(20, [&] { shown = form->Splash->isVisible(); });
        form->About1->trigger();
        QVERIFY(shown);
        QVERIFY(!form->Splash->isVisible());
        QVERIFY(!form->Splash->Timer1->isActive());
    }

    void helpOpensThePageInTheStartFolder() {
        start();
        const std::string page = dir->file("tamberlin_help.htm");
        tamberlin::testing::WriteAll(page, "<html></html>");
        form->StartFolder = path("");
        form->StartFolder.chop(1);
        fake->answerShellOpen(true);
        form->HelponTamberlin1->trigger();
        QCOMPARE(fake->lastAsked().kind, Kind::ShellOpen);
        QCOMPARE(fake->lastAsked().text, QString::fromStdString(page));
    }
};

QTEST_MAIN(MainWindowPicturesTest)
#include "main_window_pictures_test.moc"
