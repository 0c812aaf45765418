#include "platform/qt_platform.h"

#include "window_test_support.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QMessageBox>
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

    void fileDialogFilterInQtForm() {
        QCOMPARE(QtFileDialogFilter(QStringLiteral("Tamberlin files (*.qvt)|*.qvt")),
                 QStringLiteral("Tamberlin files (*.qvt)"));
        QCOMPARE(QtFileDialogFilter(QStringLiteral("Pictures|*.jpg;*.gif|All|*.*")),
                 QStringLiteral("Pictures (*.jpg *.gif);;All (*.*)"));
    }
};

QTEST_MAIN(QtPlatformTest)
#include "qt_platform_test.moc"
