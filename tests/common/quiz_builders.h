#pragma once

// Quiz blocks for the tests: the reset document, one question filled in, and a whole quiz of
// numbered questions.

#include "document/quiz.h"

#include <initializer_list>
#include <memory>
#include <string>

namespace tamberlin::testing {

// The document as the program holds it at start-up: blank question emptied, quiz reset.
inline std::unique_ptr<QuizDocument> FreshDocument() {
    auto doc = std::make_unique<QuizDocument>();
    doc->ClearBlankQuestion();
    doc->ResetQuiz();
    return doc;
}

// Fills a question slot: text, the choices from A on, the answer and the picture address.
inline void SetQuestion(TQuestionRec& q, const std::string& text,
                        std::initializer_list<const char*> choices, const std::string& answer,
                        const std::string& picture = "") {
    q.QuestionText = text;
    int k = 0;
    for (const char* c : choices) {
        q.choice(k++) = c;
    }
    q.Answer = answer;
    q.PicAddress = picture;
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
