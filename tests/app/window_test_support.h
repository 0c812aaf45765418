#pragma once

// Helpers for driving the windows in tests: answering a modal dialog once it is open, and
// building quiz blocks to write as files.

#include "app/main_window.h"
#include "common/temp_dir.h"
#include "document/quiz.h"
#include "document/quiz_file.h"
#include "platform/fake_platform.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace tamberlin::testing {

// Runs act on the next modal window as soon as it is open (it must close it).
inline void WhenModal(std::function<void(QWidget*)> act) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, weak = std::weak_ptr<std::function<void()>>(poll)] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            act(modal);
        } else if (auto again = weak.lock()) {
            QTimer::singleShot(5, [again] { (*again)(); });
        }
    };
    // The timer's copy keeps the poll alive until it has run.
    QTimer::singleShot(0, [poll] { (*poll)(); });
}

// A quiz of count questions with choices choices; question i holds "Question i", choices
// "Qi choice X" and the answer letter of choice (i mod choices).
inline TQuizRec MakeQuiz(int count, int choices, const std::string& title = "Planets") {
    TQuizRec quiz{};
    quiz.QuestionCount = count;
    quiz.ChoiceCount = choices;
    quiz.Title = title;
    quiz.QuizId = "PL-1";
    quiz.Interval = 60;
    for (int i = 0; i < count; ++i) {
        TQuestionRec& q = quiz.Questions[static_cast<std::size_t>(i)];
        const std::string n = std::to_string(i + 1);
        q.QuestionText = "Question " + n;
        for (int k = 0; k < choices; ++k) {
            q.choice(k) = "Q" + n + " choice " + std::string(1, ChoiceLetter(k));
        }
        q.Answer = std::string(1, ChoiceLetter(i % choices));
    }
    return quiz;
}

// The state every main-window test starts from: the scripted platform installed, a fresh
// temporary folder, and the current folder put back afterwards. Test classes call setUpWindow()
// from init() and tearDownWindow() from cleanup().
class WindowTestBase : public QObject {
protected:
    std::unique_ptr<FakePlatform> fake;
    std::unique_ptr<TempDir> dir;
    std::unique_ptr<TForm1> form;

    QString path(const std::string& name) const { return QString::fromStdString(dir->file(name)); }

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
        if (form) {
            // The test's own window goes without the closing question.
            form->QuizChanged = false;
            form->QuestionChanged = false;
            form.reset();
        }
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
