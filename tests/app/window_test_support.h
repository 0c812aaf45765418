#pragma once

// Helpers for driving the windows in tests: answering a modal dialog once it is open, and
// building quiz blocks to write as files.

#include "document/quiz.h"

#include <QApplication>
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

} // namespace tamberlin::testing
