#pragma once

#include "document/counted_string.h"
#include "document/html_prefs.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace tamberlin {

inline constexpr int kMaxQuestions = 100;
inline constexpr int kMinChoices = 2;
inline constexpr int kMaxChoices = 5;

// One question, 1764 bytes, laid out as in the quiz file.
struct TQuestionRec {
    CountedString<250> PicAddress;   // 0
    CountedString<255> QuestionText; // 251, may hold CR LF pairs
    CountedString<250> ChoiceA;      // 507
    CountedString<250> ChoiceB;      // 758
    CountedString<250> ChoiceC;      // 1009
    CountedString<250> ChoiceD;      // 1260
    CountedString<250> ChoiceE;      // 1511
    CountedString<1> Answer;         // 1762

    // Choice k (0 = A .. 4 = E).
    CountedString<250>& choice(int k);
    const CountedString<250>& choice(int k) const;

    // Empties the eight strings (length bytes only).
    void clearStrings();
};

static_assert(sizeof(TQuestionRec) == 1764);
static_assert(offsetof(TQuestionRec, QuestionText) == 251);
static_assert(offsetof(TQuestionRec, ChoiceA) == 507);
static_assert(offsetof(TQuestionRec, ChoiceE) == 1511);
static_assert(offsetof(TQuestionRec, Answer) == 1762);

// The quiz: header, page look and 100 question slots. Only the first QuestionCount slots
// belong to the quiz; the others keep their content but are neither saved nor shown.
struct TQuizRec {
    std::int32_t QuestionCount = 0;
    std::int32_t ChoiceCount = 0;
    std::array<TQuestionRec, kMaxQuestions> Questions{};
    CountedString<255> Title;
    CountedString<100> QuizId;
    CountedString<255> CgiTarget;
    CountedString<255> LoginAddress;
    THtmlPrefs Prefs{};
    CountedString<255> RedirectAddress;
    std::int32_t Interval = 0;
};

// The quiz block together with BlankQuestion, the all-empty record that every slot is set to
// when the quiz is reset. The main window owns one of these for the whole run.
struct QuizDocument {
    TQuizRec quiz{};
    TQuestionRec BlankQuestion{};

    // Empties the strings of BlankQuestion; run once at start-up before the first ResetQuiz.
    void ClearBlankQuestion();

    // The new-quiz state: every slot a copy of BlankQuestion, title, counts, quiz ID, CGI target
    // and login address emptied, the page look reset. RedirectAddress and Interval stay: a new
    // quiz starts with the values of the quiz held before.
    void ResetQuiz();
};

// The letter of choice k: 'A' + k.
inline char ChoiceLetter(int k) {
    return static_cast<char>('A' + k);
}

} // namespace tamberlin
