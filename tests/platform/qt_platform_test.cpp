#include "platform/qt_platform.h"

#include "common/qt_helpers.h"
#include "common/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <QAbstractButton>
#include <QColorDialog>
#include <QMessageBox>
#include <QPagedPaintDevice>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QWindow>

using namespace tamberlin;
using tamberlin::testing::WhenModal;

namespace {

// What a message box showed: caption, text, icon and button texts.
struct Shown {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

// Records the next message box and then closes it with act.
void answerNextBox(Shown& shown, std::function<void(QMessageBox*)> act) {
    WhenModal([&shown, act](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        QVERIFY(box != nullptr);
        shown.caption = box->windowTitle();
        shown.text = box->text();
        shown.icon = box->icon();
        for (QAbstractButton* button : box->buttons()) {
            shown.buttons << button->text();
        }
        if (box->defaultButton() != nullptr) {
            shown.defaultButton = box->defaultButton()->text();
        }
        act(box);
    });
}

void pressEscape(QMessageBox* box) {
    QTest::keyClick(box, Qt::Key_Escape);
}

// The close box: the window system asks the window to close.
void closeFromFrame(QMessageBox* box) {
    box->windowHandle()->close();
}

QAbstractButton* buttonNamed(QMessageBox* box, const QString& text) {
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

} // namespace

class QtPlatformTest : public QObject {
    Q_OBJECT

private:
    QtPlatform qt;

private slots:
    void confirmationLooksAndAnswersAsDescribed() {
        Shown shown;
        answerNextBox(shown,
                      [](QMessageBox* box) { buttonNamed(box, QStringLiteral("&No"))->click(); });
        QCOMPARE(qt.confirm(QStringLiteral("Save changes?"), Platform::Buttons::YesNoCancel),
                 Platform::Answer::No);
        QCOMPARE(shown.caption, QStringLiteral("Confirm"));
        QCOMPARE(shown.text, QStringLiteral("Save changes?"));
        QCOMPARE(shown.icon, QMessageBox::Question);
        QVERIFY(shown.buttons.contains(QStringLiteral("&Yes")));
        QVERIFY(shown.buttons.contains(QStringLiteral("Cancel")));
        QCOMPARE(shown.defaultButton, QStringLiteral("&Yes"));

        answerNextBox(shown, pressEscape);
        QCOMPARE(qt.confirm(QStringLiteral("Save changes?"), Platform::Buttons::YesNoCancel),
                 Platform::Answer::Cancel);
        // Without a Cancel button Escape chooses No.
        answerNextBox(shown, pressEscape);
        QCOMPARE(qt.confirm(QStringLiteral("Clear this entry?"), Platform::Buttons::YesNo),
                 Platform::Answer::No);
        // The close box counts as Cancel, also without a Cancel button.
        answerNextBox(shown, closeFromFrame);
        QCOMPARE(qt.confirm(QStringLiteral("Clear this entry?"), Platform::Buttons::YesNo),
                 Platform::Answer::Cancel);
        answerNextBox(shown,
                      [](QMessageBox* box) { buttonNamed(box, QStringLiteral("&Yes"))->click(); });
        QCOMPARE(qt.confirm(QStringLiteral("Clear this entry?"), Platform::Buttons::YesNo),
                 Platform::Answer::Yes);
    }

    void plainMessageAndErrorBoxes() {
        Shown shown;
        answerNextBox(shown, [](QMessageBox* box) { box->buttons().constFirst()->click(); });
        qt.showMessage(QStringLiteral("End of Quiz"));
        QCOMPARE(shown.caption, QStringLiteral("Tamberlin"));
        QCOMPARE(shown.icon, QMessageBox::NoIcon);
        QCOMPARE(shown.buttons, QStringList{QStringLiteral("OK")});

        Shown error;
        answerNextBox(error, [](QMessageBox* box) { box->buttons().constFirst()->click(); });
        qt.showError(QStringLiteral("File not found"));
        QCOMPARE(error.caption, QStringLiteral("Tamberlin"));
        QCOMPARE(error.text, QStringLiteral("File not found."));
        QCOMPARE(error.icon, QMessageBox::Critical);

        Shown box;
        answerNextBox(box, [](QMessageBox* b) { b->buttons().constFirst()->click(); });
        qt.showErrorBox(QStringLiteral("Failed to execute page.htm"));
        QCOMPARE(box.caption, QStringLiteral("Error"));
        QCOMPARE(box.icon, QMessageBox::Critical);
    }

    void oneColourChooserOpensOnTheLastColour() {
        QWidget* first = nullptr;
        QColor shownFirst;
        WhenModal([&](QWidget* widget) {
            auto* chooser = qobject_cast<QColorDialog*>(widget);
            QVERIFY(chooser != nullptr);
            first = chooser;
            shownFirst = chooser->currentColor();
            chooser->setCurrentColor(QColor(0x12, 0x34, 0x56));
            chooser->accept();
        });
        QCOMPARE(qt.chooseColor(), std::optional<std::uint32_t>(0x563412));
        QCOMPARE(shownFirst, QColor(Qt::black));

        QColor shownSecond;
        QWidget* second = nullptr;
        WhenModal([&](QWidget* widget) {
            second = widget;
            shownSecond = static_cast<QColorDialog*>(widget)->currentColor();
            static_cast<QColorDialog*>(widget)->reject();
        });
        QCOMPARE(qt.chooseColor(), std::optional<std::uint32_t>());
        QCOMPARE(shownSecond, QColor(0x12, 0x34, 0x56));
        QCOMPARE(second, first);
        QCOMPARE(qt.lastChosenColor(), 0x563412u);
    }

    void shellOpenHandsTheTargetToTheLauncher() {
        tamberlin::testing::TempDir scratch;
        const QString root =
            QFileInfo(QString::fromStdString(scratch.path().string())).canonicalFilePath();
        // A stand-in for the desktop's launcher: it notes what it was given and where it ran.
        const QString launcher = root + QStringLiteral("/launcher.sh");
        const QString log = root + QStringLiteral("/launched.log");
        tamberlin::testing::WriteAll(launcher.toStdString(),
                                     "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$(pwd -P)\" >> "
                                     "\"$(dirname \"$0\")/launched.log\"\n");
        QFile::setPermissions(launcher, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(QDir(root).mkdir(QStringLiteral("work")));
        const QString work = root + QStringLiteral("/work");
        const QString page = work + QStringLiteral("/10:30 quiz.htm");
        tamberlin::testing::WriteAll(page.toStdString(), "<HTML>");
        qt.setLauncher(launcher);

        const auto launched = [&] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly)
                       ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                       : QStringList();
        };
        // A missing file fails without starting the launcher.
        QVERIFY(!qt.shellOpen(work + QStringLiteral("/missing.htm"), work));
        QVERIFY(!qt.shellOpen(QStringLiteral("missing.htm"), work));
        // A web address goes as it is; a file (with a ":" in its name) as its full path, also
        // when named relative to the working folder, in which the launcher runs.
        QVERIFY(qt.shellOpen(QStringLiteral("https://www.tamberlin.example/a:b"), QString()));
        QTRY_COMPARE_WITH_TIMEOUT(launched().size(), 1, 10000);
        QVERIFY(qt.shellOpen(page, root));
        QTRY_COMPARE_WITH_TIMEOUT(launched().size(), 2, 10000);
        QVERIFY(qt.shellOpen(QStringLiteral("10:30 quiz.htm"), work));
        QTRY_COMPARE_WITH_TIMEOUT(launched().size(), 3, 10000);
        const QStringList lines = launched();
        QVERIFY(lines[0].startsWith(QStringLiteral("https://www.tamberlin.example/a:b|")));
        QCOMPARE(lines[1], page + u'|' + root);
        QCOMPARE(lines[2], page + u'|' + work);

        // A launcher that cannot be started is a failure.
        qt.setLauncher(root + QStringLiteral("/no-such-launcher"));
        QVERIFY(!qt.shellOpen(page, work));
        qt.setLauncher(QStringLiteral("xdg-open"));
    }

    void printGoesThroughTheSystemPrintDialog() {
        QtPlatform platform;
        int painted = 0;
        Platform::PrintJob job;
        job.documentName = QStringLiteral("Planets");
        job.pageCount = 3;
        job.margins = QMarginsF(18, 16, 18, 14);
        job.paint = [&painted](QPagedPaintDevice&, const std::function<bool(int)>&) {
            ++painted;
            return QString();
        };
        int maxPage = 0;
        WhenModal([&maxPage](QWidget* widget) {
            auto* dialog = qobject_cast<QPrintDialog*>(widget);
            QVERIFY(dialog != nullptr);
            maxPage = dialog->maxPage();
            QCOMPARE(dialog->printer()->docName(), QStringLiteral("Planets"));
            dialog->reject();
        });
        QCOMPARE(platform.print(job).status, Platform::PrintOutcome::Cancelled);
        QCOMPARE(maxPage, 3);
        QCOMPARE(painted, 0);

        // Confirmed (printing to a file, as the dialog offers): the job paints the pages asked.
        tamberlin::testing::TempDir dir;
        const QString pdf = QString::fromStdString(dir.file("printed.pdf"));
        QList<int> wanted;
        job.paint = [&wanted](QPagedPaintDevice&, const std::function<bool(int)>& pageWanted) {
            for (int page = 1; page <= 3; ++page) {
                if (pageWanted(page)) {
                    wanted << page;
                }
            }
            return QString();
        };
        WhenModal([pdf](QWidget* widget) {
            auto* dialog = qobject_cast<QPrintDialog*>(widget);
            QVERIFY(dialog != nullptr);
            dialog->printer()->setOutputFileName(pdf);
            dialog->accept();
        });
        QCOMPARE(platform.print(job).status, Platform::PrintOutcome::Printed);
        QCOMPARE(wanted, QList<int>({1, 2, 3}));
    }

    void fileDialogFilterInQtForm() {
        QCOMPARE(QtFileDialogFilter(QStringLiteral("Tamberlin files (*.qvt)|*.qvt")),
                 QStringLiteral("Tamberlin files (*.qvt)"));
        QCOMPARE(QtFileDialogFilter(QStringLiteral("Pictures|*.jpg;*.gif|All|*.*")),
                 QStringLiteral("Pictures (*.jpg *.gif);;All (*.*)"));
        // Whatever the description holds, Qt gets the real patterns, separated by spaces.
        QCOMPARE(
            QtFileDialogFilter(QStringLiteral("Web (*.jpg;*.gif)|*.jpg;*.gif|Old (kept)|*.bmp")),
            QStringLiteral("Web (*.jpg *.gif);;Old (kept) (*.bmp)"));
    }
};

QTEST_MAIN(QtPlatformTest)
#include "qt_platform_test.moc"
