#pragma once

// The main window's tests: the window started on a quiz file, its controls found by name.

#include "app/main_window.h"
#include "common/qt_helpers.h"
#include "common/quiz_builders.h"
#include "common/temp_dir.h"
#include "dialogs/newhtml.h"
#include "dialogs/picform.h"
#include "dialogs/picture_dialog.h"
#include "dialogs/qsetup.h"
#include "dialogs/splash.h"
#include "document/quiz.h"
#include "document/quiz_file.h"
#include "platform/fake_platform.h"
#include "widgets/picture_box.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace tamberlin::testing {

// The state every main-window test starts from: the scripted platform installed, a fresh
// temporary folder, and the current folder put back afterwards. Test classes call setUpWindow()
// from init() and tearDownWindow() from cleanup().
class WindowTestBase : public QObject {
protected:
    std::unique_ptr<FakePlatform> fake;
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<TForm1> form;

    QString path(const std::string& name) const { return QString::fromStdString(dir->file(name)); }

    // The window's controls and menu items, found by their layout names among the window's own
    // (its dialogs have controls of the same names).
    template <class W = QWidget>
    W* control(const char* name) const {
        const QString objectName = QString::fromLatin1(name);
        W* found = form->centralWidget()->findChild<W*>(objectName);
        if (found == nullptr) {
            found = form->menuBar()->findChild<W*>(objectName);
        }
        if (found == nullptr) {
            qFatal("the main window has no %s", name);
        }
        return found;
    }
    QLineEdit* edit(const char* name) const { return control<QLineEdit>(name); }
    QPlainTextEdit* textBox(const char* name) const { return control<QPlainTextEdit>(name); }
    QLabel* textLabel(const char* name) const { return control<QLabel>(name); }
    QToolButton* toolButton(const char* name) const { return control<QToolButton>(name); }
    QAction* menuItem(const char* name) const { return control<QAction>(name); }
    QMenu* menuNamed(const char* name) const { return control<QMenu>(name); }
    widgets::PictureBox* pictureBox(const char* name) const {
        return control<widgets::PictureBox>(name);
    }

    // Opens the quiz as the program does at start-up: from the command line, with the dialogs
    // created and the window shown.
    void startWith(const TQuizRec& quiz, const std::string& name) {
        WriteQuizFile(quiz, dir->file(name));
        form = std::make_unique<TForm1>(path(name));
        form->CreateDialogs();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    }

    void setUpWindow() {
        startFolder_ = QDir::currentPath();
        fake = std::make_unique<FakePlatform>();
        setPlatform(fake.get());
        dir = std::make_unique<TempDir>();
    }

    void tearDownWindow() {
        // The test's own window goes without the closing question.
        form.reset();
        QVERIFY2(fake->allAnswered(), "a scripted answer was not used");
        setPlatform(nullptr);
        fake.reset();
        dir.reset();
        QDir::setCurrent(startFolder_);
    }

private:
    QString startFolder_;
};

} // namespace tamberlin::testing
