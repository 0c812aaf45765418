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

using tamberlin::testing::Child;
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
        toolButton("InsertImgBtn")->click();
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
        toolButton("InsertImgBtn")->click();
        QVERIFY(edit("qpicaddress")->text().isEmpty());
        QVERIFY(!pictureBox("Image1")->isEnabled());
        QVERIFY(!toolButton("ClearImgBtn")->isEnabled());
        QVERIFY(!form->session().quizChanged());
        QVERIFY(!form->session().questionChanged());
    }

    void bareNameLoadsFromTheBrowsedFolder() {
        start();
        insertImage(pictures_ + QStringLiteral("/red.png"));
        QCOMPARE(edit("qpicaddress")->text(), QStringLiteral("red.png"));
        QVERIFY(pictureBox("Image1")->isEnabled());
        QVERIFY(toolButton("ClearImgBtn")->isEnabled());
        QCOMPARE(pictureBox("Image1")->picture().size(), QSize(40, 30));
        QVERIFY(form->session().quizChanged());
        QVERIFY(form->session().questionChanged());
        // Until the question is stored, Store is on and Create HTML off.
        QVERIFY(toolButton("PostBtn")->isEnabled());
        QVERIFY(menuItem("PostQuestion1")->isEnabled());
        QVERIFY(!toolButton("createbtn")->isEnabled());
        QVERIFY(!menuItem("Create1")->isEnabled());

        toolButton("PostBtn")->click();
        QCOMPARE(form->quiz().Questions[0].PicAddress.str(), std::string("red.png"));
    }

    void absoluteAddressIsTheFullPath() {
        start();
        insertImage(pictures_ + QStringLiteral("/blue.bmp"), true);
        QCOMPARE(edit("qpicaddress")->text(), pictures_ + QStringLiteral("/blue.bmp"));
        QCOMPARE(pictureBox("Image1")->picture().size(), QSize(20, 50));
    }

    void pictureThatCannotBeLoadedKeepsTheOldPictureAndSetsNoFlag() {
        start();
        insertImage(pictures_ + QStringLiteral("/red.png"));
        toolButton("PostBtn")->click();
        menuItem("Save1")->trigger();
        QVERIFY(!form->session().quizChanged() && !form->session().questionChanged());

        // The bare name handed back is looked up in the current folder, which is no longer the
        // picture's when something else changed it after the Browse.
        const QString elsewhere = path("");
        insertImage(
            pictures_ + QStringLiteral("/blue.bmp"), false,
            [elsewhere] { QDir::setCurrent(elsewhere); }, true);
        QVERIFY(fake->lastAsked().text.startsWith(QStringLiteral("Cannot open file \"") +
                                                  elsewhere + QStringLiteral("blue.bmp\". ")));
        QCOMPARE(edit("qpicaddress")->text(), QStringLiteral("blue.bmp"));
        QVERIFY(pictureBox("Image1")->isEnabled());
        QVERIFY(toolButton("ClearImgBtn")->isEnabled());
        QCOMPARE(pictureBox("Image1")->picture().size(), QSize(40, 30));
        QVERIFY(!form->session().quizChanged());
        QVERIFY(!form->session().questionChanged());
    }

    void emptyAddressFailsForItsMissingExtension() {
        start();
        // Apply without ever browsing hands back an empty address.
        insertImage(QString(), false, {}, true);
        QCOMPARE(fake->lastAsked().text, QStringLiteral("Unknown picture file extension (.)"));
        QVERIFY(pictureBox("Image1")->isEnabled());
        QVERIFY(toolButton("ClearImgBtn")->isEnabled());
        QVERIFY(!form->session().quizChanged());
    }

    void clearImageSetsTheFlagsButDoesNotRefreshTheButtons() {
        start();
        insertImage(pictures_ + QStringLiteral("/red.png"));
        toolButton("PostBtn")->click();
        menuItem("Save1")->trigger();
        QVERIFY(!form->session().quizChanged());
        QVERIFY(!toolButton("PostBtn")->isEnabled());
        QVERIFY(toolButton("createbtn")->isEnabled());

        toolButton("ClearImgBtn")->click();
        QVERIFY(edit("qpicaddress")->text().isEmpty());
        QVERIFY(pictureBox("Image1")->picture().isNull());
        QVERIFY(!pictureBox("Image1")->isEnabled());
        QVERIFY(!toolButton("ClearImgBtn")->isEnabled());
        QVERIFY(form->session().quizChanged());
        QVERIFY(form->session().questionChanged());
        QVERIFY(!toolButton("PostBtn")->isEnabled());
        QVERIFY(toolButton("createbtn")->isEnabled());

        // Moving on still asks about the change.
        fake->answerConfirm(Platform::Answer::No);
        toolButton("NextBtn")->click();
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
        QCOMPARE(form->quizFileName(), path("examples/quiz.qvt"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Tamberlin - ") + path("examples/quiz.qvt"));

        fake->answerOpenFile(QStringLiteral("pictures/red.png"));
        WhenModal([](QWidget* dialog) {
            auto* chooser = qobject_cast<TPictureDialog*>(dialog);
            chooser->BrowseBtnClick();
            chooser->findChild<QCheckBox*>(QStringLiteral("CopyImg"))->setChecked(true);
            chooser->ApplyBtnClick();
        });
        toolButton("InsertImgBtn")->click();
        QCOMPARE(QDir::currentPath(), pictures_);
        QCOMPARE(form->findChild<TPictureDialog*>()->PicturePath,
                 pictures_ + QStringLiteral("/red.png"));
        // The copy went beside the quiz file, not onto the picture in the current folder.
        QVERIFY(std::filesystem::exists(dir->path() / "examples" / "red.png"));

        toolButton("PostBtn")->click();
        menuItem("Save1")->trigger();
        TQuizRec reread{};
        ReadQuizFile(reread, dir->file("examples/quiz.qvt"));
        QCOMPARE(reread.Questions[0].PicAddress.str(), std::string("red.png"));
        QVERIFY(!std::filesystem::exists(dir->path() / "pictures" / "examples"));

        // Save As on a relative name: the quiz keeps the absolute one.
        fake->answerSaveFile(QStringLiteral("../saved.qvt"));
        menuItem("SaveAs1")->trigger();
        QCOMPARE(form->quizFileName(), path("saved.qvt"));
        QCOMPARE(QDir::currentPath() + u'/', path(""));
        QVERIFY(std::filesystem::exists(dir->path() / "saved.qvt"));
    }

    void viewerShowsThePictureAndIsReplacedWhenOpen() {
        start();
        // No picture: a press does nothing.
        QTest::mousePress(pictureBox("Image1"), Qt::LeftButton);
        QVERIFY(!form->findChild<TPicForm*>()->isVisible());

        insertImage(pictures_ + QStringLiteral("/red.png"));
        QTest::mousePress(pictureBox("Image1"), Qt::RightButton);
        QVERIFY(form->findChild<TPicForm*>()->isVisible());
        auto* shown = form->findChild<TPicForm*>()->findChild<QLabel*>(QStringLiteral("Image1"));
        QCOMPARE(shown->size(), QSize(40, 30));
        const QPoint where = form->findChild<TPicForm*>()->pos();

        toolButton("PostBtn")->click();
        insertImage(pictures_ + QStringLiteral("/blue.bmp"));
        QTest::mousePress(pictureBox("Image1"), Qt::LeftButton);
        QCOMPARE(shown->size(), QSize(20, 50));
        QCOMPARE(form->findChild<TPicForm*>()->pos(), where);

        QTest::mousePress(shown, Qt::LeftButton);
        QVERIFY(!form->findChild<TPicForm*>()->isVisible());
    }

    void aboutShowsTheSplashUntilItsTimerCloses() {
        start();
        form->CreateSplash();
        QTimer* timer = Child<QTimer>(form->findChild<TSplash*>(), "Timer1");
        bool shown = false;
        // The timer's period ends at once: its timeout, as the timer emits it.
        QTimer::singleShot(0, [&] {
            shown = form->findChild<TSplash*>()->isVisible() && timer->isActive();
            QMetaObject::invokeMethod(timer, "timeout");
        });
        menuItem("About1")->trigger();
        QVERIFY(shown);
        QVERIFY(!form->findChild<TSplash*>()->isVisible());
        QVERIFY(!Child<QTimer>(form->findChild<TSplash*>(), "Timer1")->isActive());
    }

    void helpOpensThePageInTheStartFolder() {
        // The folder current at start-up is the start folder.
        QDir::setCurrent(QString::fromStdString(dir->path().string()));
        start();
        QDir::setCurrent(pictures_);
        const std::string page = dir->file("tamberlin_help.htm");
        tamberlin::testing::WriteAll(page, "<html></html>");
        fake->answerShellOpen(true);
        menuItem("HelponTamberlin1")->trigger();
        QCOMPARE(fake->lastAsked().kind, Kind::ShellOpen);
        QCOMPARE(fake->lastAsked().text, QString::fromStdString(page));
    }
};

QTEST_MAIN(MainWindowPicturesTest)
#include "main_window_pictures_test.moc"
