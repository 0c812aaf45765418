#include "session/quiz_session.h"

#include "document/quiz_file.h"

#include <algorithm>
#include <exception>

namespace tamberlin {

namespace {

using Answer = SessionPrompts::Answer;
using Buttons = SessionPrompts::Buttons;

std::size_t slotIndex(int n) {
    return static_cast<std::size_t>(std::clamp(n, 0, kMaxQuestions - 1));
}

EntryField choiceField(int k) {
    return static_cast<EntryField>(static_cast<int>(EntryField::ChoiceA) + k);
}

std::string missingMessage(EntryField field) {
    if (field == EntryField::Answer) {
        return "No Answer";
    }
    const int k = static_cast<int>(field) - static_cast<int>(EntryField::ChoiceA);
    return std::string("Choice ") + ChoiceLetter(k) + " missing";
}

} // namespace

std::string DroppedQuestionsPrompt(const TQuizRec& quiz, int newCount) {
    const int oldCount = std::clamp(quiz.QuestionCount, 0, kMaxQuestions);
    int first = 0;
    int last = 0;
    int held = 0;
    for (int n = std::max(newCount, 0); n < oldCount; ++n) {
        const TQuestionRec& q = quiz.Questions[static_cast<std::size_t>(n)];
        bool anything = !q.PicAddress.empty() || !q.QuestionText.empty() || !q.Answer.empty();
        for (int k = 0; k < kMaxChoices; ++k) {
            anything = anything || !q.choice(k).empty();
        }
        if (anything) {
            first = first == 0 ? n + 1 : first;
            last = n + 1;
            ++held;
        }
    }
    if (held == 0) {
        return {};
    }
    if (held == 1) {
        return "Question " + std::to_string(first) +
               " holds text and will be removed from the quiz. Remove it?";
    }
    return "Questions " + std::to_string(first) + " to " + std::to_string(last) +
           " hold text and will be removed from the quiz. Remove them?";
}

QuizSession::QuizSession(SessionPrompts& prompts)
    : prompts_(prompts), document_(std::make_unique<QuizDocument>()) {
    document_->ClearBlankQuestion();
    document_->ResetQuiz();
}

const TQuestionRec& QuizSession::slot(int n) const {
    return quiz().Questions[slotIndex(n)];
}

bool QuizSession::choiceInUse(int k) const {
    return k < kMinChoices || quiz().ChoiceCount > k;
}

bool QuizSession::hasUnsavedWork() const {
    return quizChanged_ || questionChanged_;
}

void QuizSession::moveTo(int n) {
    // Edits settled with No go now, with the boxes that held them.
    questionChanged_ = false;
    currentQuestion_ = n;
}

// ---- The question editor ------------------------------------------------------------------

StoreResult QuizSession::Store() {
    if (!editing_) {
        return {};
    }
    const QuestionEntry entry = prompts_.editedQuestion();
    EntryField missing = EntryField::None;
    for (int k = 0; k < kMaxChoices && missing == EntryField::None; ++k) {
        if (choiceInUse(k) && entry.choices[static_cast<std::size_t>(k)].empty()) {
            missing = choiceField(k);
        }
    }
    if (missing == EntryField::None && entry.answer.empty()) {
        missing = EntryField::Answer;
    }
    if (missing != EntryField::None) {
        // Nothing is copied: a store that stops leaves the slot as it was.
        prompts_.showMessage(missingMessage(missing));
        prompts_.focusField(missing);
        return {false, missing};
    }
    if (!prompts_.acceptCharactersLost()) {
        return {false, EntryField::None};
    }

    TQuestionRec& slot = quiz().Questions[slotIndex(currentQuestion_)];
    slot.QuestionText.store(entry.questionText);
    slot.PicAddress.store(entry.picAddress);
    for (int k = 0; k < kMaxChoices; ++k) {
        // A choice out of use keeps what the slot holds for it.
        if (choiceInUse(k)) {
            slot.choice(k).store(entry.choices[static_cast<std::size_t>(k)]);
        }
    }
    slot.Answer.store(entry.answer);
    quizChanged_ = true;
    questionChanged_ = false;
    prompts_.questionStored();
    return {true, EntryField::None};
}

bool QuizSession::Clear(const std::function<void()>& emptyBoxes) {
    // Only Yes clears: No, Escape and the close box all leave the boxes as they are.
    if (prompts_.confirm("Clear this entry?", Buttons::YesNo) != Answer::Yes) {
        return false;
    }
    emptyBoxes();
    quizChanged_ = true;
    questionChanged_ = true;
    return true;
}

void QuizSession::CheckLengths() {
    // Counted in bytes of the code page, a line break as two; nothing is cut here.
    const QuestionEntry entry = prompts_.editedQuestion();
    if (entry.questionText.size() > 255) {
        prompts_.showMessage("Only 255 characters allowed!");
        return;
    }
    for (const std::string& choice : entry.choices) {
        if (choice.size() > 250) {
            prompts_.showMessage("Only 250 characters allowed");
            return;
        }
    }
}

bool QuizSession::CheckAnswer(std::string_view answer) {
    const std::string last(1, static_cast<char>('@' + quiz().ChoiceCount));
    if (!answer.empty() && answer >= "A" && answer <= last) {
        return true;
    }
    prompts_.showMessage("Value must be A - " + last);
    return false;
}

bool QuizSession::SettlePendingEdits() {
    if (!questionChanged_) {
        return true;
    }
    switch (prompts_.confirm("Save changes?", Buttons::YesNoCancel)) {
    case Answer::Yes:
        // A store that stops at a check keeps the author on this question with the edits. With
        // the editor off the boxes hold nothing to store.
        return !editing_ || Store().stored;
    case Answer::No:
        // The edits stay marked until the command that asked replaces them.
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

bool QuizSession::First() {
    if (!SettlePendingEdits()) {
        return false;
    }
    moveTo(0);
    return true;
}

bool QuizSession::Previous() {
    if (!SettlePendingEdits()) {
        return false;
    }
    if (currentQuestion_ <= 0) {
        prompts_.showMessage("Start of Quiz");
        return false;
    }
    moveTo(currentQuestion_ - 1);
    return true;
}

bool QuizSession::Next() {
    if (!SettlePendingEdits()) {
        return false;
    }
    if (currentQuestion_ >= quiz().QuestionCount - 1) {
        prompts_.showMessage("End of Quiz");
        return false;
    }
    moveTo(currentQuestion_ + 1);
    return true;
}

bool QuizSession::Last() {
    if (!SettlePendingEdits()) {
        return false;
    }
    moveTo(std::max(quiz().QuestionCount - 1, 0));
    return true;
}

// ---- Quiz commands --------------------------------------------------------------------------

bool QuizSession::confirmUnsavedWork(SaveKind kind) {
    if (!hasUnsavedWork()) {
        return true;
    }
    switch (prompts_.confirm(kSaveChangesPrompt, Buttons::YesNoCancel)) {
    case Answer::Yes:
        // Yes never loses work: edits still in the boxes are stored first, and a store that
        // stops at a check or a save that is cancelled or fails stops the command.
        if (questionChanged_ && editing_ && !Store().stored) {
            return false;
        }
        return (kind == SaveKind::Save ? Save() : SaveAs()).saved();
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

bool QuizSession::New(const std::function<bool()>& setUp) {
    // Yes shows the save dialog even when the quiz has a file name.
    if (!confirmUnsavedWork(SaveKind::SaveAs)) {
        return false;
    }
    document_->ResetQuiz();
    editing_ = false;
    quizFileName_.clear();
    const bool accepted = setUp();
    htmlFileName_.clear();
    // A quiz set up but never saved (the save dialog cancelled) counts as changed until it is.
    quizChanged_ = accepted && quizFileName_.empty();
    questionChanged_ = false;
    return true;
}

bool QuizSession::Setup(const std::function<bool()>& runDialog) {
    // An accepted setup restarts the editor, so edits still in the boxes are settled first, as
    // before a move; after No they are dropped only when the setup is accepted.
    if ((editing_ && !SettlePendingEdits()) || !runDialog()) {
        return false;
    }
    questionChanged_ = false;
    editing_ = true;
    currentQuestion_ = 0;
    // Accept has saved the quiz, yet it counts as changed.
    quizChanged_ = true;
    return true;
}

bool QuizSession::CloseQuery() {
    return confirmUnsavedWork(SaveKind::Save);
}

bool QuizSession::OfferToSaveUnsavedWork() {
    return confirmUnsavedWork(SaveKind::Save);
}

void QuizSession::StartQuiz() {
    document_->ResetQuiz();
    quizFileName_.clear();
    htmlFileName_.clear();
    questionChanged_ = false;
    editing_ = true;
    currentQuestion_ = 0;
}

// ---- File commands --------------------------------------------------------------------------

SaveResult QuizSession::write(const std::string& path) {
    try {
        WriteQuizFile(quiz(), path);
    } catch (const std::exception& error) {
        prompts_.showError(error.what());
        return {SaveResult::Failed, error.what()};
    }
    return {SaveResult::Saved, {}};
}

SaveResult QuizSession::Save() {
    if (quizFileName_.empty()) {
        return SaveAs();
    }
    SaveResult result = write(quizFileName_);
    if (result.saved()) {
        // Edits not yet stored are not part of what is saved.
        quizChanged_ = false;
    }
    return result;
}

SaveResult QuizSession::SaveAs() {
    const std::optional<std::string> chosen = prompts_.chooseQuizFileToSave();
    if (!chosen) {
        return {SaveResult::Cancelled, {}};
    }
    SaveResult result = write(*chosen);
    if (result.saved()) {
        quizFileName_ = *chosen;
        quizChanged_ = false;
        prompts_.quizFileNamed();
    }
    return result;
}

OpenResult QuizSession::Open() {
    if (!confirmUnsavedWork(SaveKind::Save)) {
        return {OpenResult::Cancelled, {}};
    }
    const std::optional<std::string> chosen = prompts_.chooseQuizFileToOpen();
    if (!chosen) {
        return {OpenResult::Cancelled, {}};
    }
    return OpenFile(*chosen);
}

OpenResult QuizSession::OpenFile(const std::string& path) {
    document_->ResetQuiz();
    editing_ = false;
    // The quiz just read, or the emptied one, has no unsaved or unstored changes.
    quizChanged_ = false;
    questionChanged_ = false;
    try {
        ReadQuizFile(quiz(), path);
    } catch (const std::exception& error) {
        // The emptied document belongs to no file: nothing can be saved over the quiz held
        // before.
        quizFileName_.clear();
        htmlFileName_.clear();
        prompts_.showError(error.what());
        return {OpenResult::Failed, error.what()};
    }
    quizFileName_ = path;
    editing_ = true;
    currentQuestion_ = 0;
    return {OpenResult::Opened, {}};
}

} // namespace tamberlin
