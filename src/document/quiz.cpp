#include "document/quiz.h"

namespace tamberlin {

CountedString<250>& TQuestionRec::choice(int k) {
    switch (k) {
    case 0:
        return ChoiceA;
    case 1:
        return ChoiceB;
    case 2:
        return ChoiceC;
    case 3:
        return ChoiceD;
    default:
        return ChoiceE;
    }
}

const CountedString<250>& TQuestionRec::choice(int k) const {
    return const_cast<TQuestionRec*>(this)->choice(k);
}

void TQuestionRec::clearStrings() {
    PicAddress.clear();
    QuestionText.clear();
    for (int k = 0; k < kMaxChoices; ++k) {
        choice(k).clear();
    }
    Answer.clear();
}

void QuizDocument::ClearBlankQuestion() {
    BlankQuestion.clearStrings();
}

void QuizDocument::ResetQuiz() {
    for (auto& slot : quiz.Questions) {
        slot = BlankQuestion;
    }
    quiz.Title.clear();
    quiz.QuestionCount = 0;
    quiz.ChoiceCount = 0;
    quiz.QuizId.clear();
    quiz.CgiTarget.clear();
    quiz.LoginAddress.clear();
    quiz.Prefs.reset();
}

} // namespace tamberlin
