#include "session/quiz_session.h"

#include "document/quiz_file.h"
#include "generator/publishing.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <random>
#include <system_error>

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

SessionImport cancelledImport() {
    SessionImport outcome;
    outcome.status = SessionImport::Cancelled;
    return outcome;
}

SessionPublish stoppedPublish() {
    SessionPublish outcome;
    outcome.status = SessionPublish::Stopped;
    return outcome;
}

bool isBareOrRelative(const std::string& picture) {
    return !picture.empty() && picture.front() != '/' && picture.find("://") == std::string::npos;
}

// The folder of a file, with links resolved as far as they exist.
std::filesystem::path folderOf(const std::string& file) {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(file, error).parent_path();
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(folder, error);
    return error ? folder.lexically_normal() : resolved;
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
    changed();
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
    changed();
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
    if (entry.questionText.size() > decltype(TQuestionRec::QuestionText)::capacity) {
        prompts_.showMessage("Only 255 characters allowed!");
        return;
    }
    for (const std::string& choice : entry.choices) {
        if (choice.size() > decltype(TQuestionRec::ChoiceA)::capacity) {
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
    pagePublished_ = false;
    changed();
    const bool accepted = setUp();
    htmlFileName_.clear();
    // A quiz set up but never saved (the save dialog cancelled) counts as changed until it is.
    quizChanged_ = accepted && quizFileName_.empty();
    questionChanged_ = false;
    changed();
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
    changed();
    return true;
}

bool QuizSession::CloseQuery() {
    return confirmUnsavedWork(SaveKind::Save);
}

// ---- Question banks and publishing ----------------------------------------------------------

void QuizSession::startQuiz() {
    document_->ResetQuiz();
    quizFileName_.clear();
    htmlFileName_.clear();
    pagePublished_ = false;
    questionChanged_ = false;
    editing_ = true;
    currentQuestion_ = 0;
}

SessionImport QuizSession::Import() {
    // Without a quiz the import starts a new one, so unsaved work is offered for saving first.
    if (!editing_ && !confirmUnsavedWork(SaveKind::Save)) {
        return cancelledImport();
    }
    const std::optional<std::string> chosen = prompts_.chooseQuestionBank();
    if (!chosen) {
        return cancelledImport();
    }
    return ImportFile(*chosen);
}

SessionImport QuizSession::ImportFile(const std::string& path) {
    SessionImport outcome;
    outcome.path = path;
    ImportResult read = ImportQuestionFile(path, std::nullopt);
    if (!read.ok()) {
        outcome.status = SessionImport::Failed;
        outcome.error = read.errorText();
        return outcome;
    }
    const std::string fileName = std::filesystem::path(path).filename().string();
    const int room =
        kMaxQuestions - (editing_ ? std::clamp(quiz().QuestionCount, 0, kMaxQuestions) : 0);
    if (room > 0 && read.questions.size() > static_cast<std::size_t>(room)) {
        const std::string count = std::to_string(room);
        const std::optional<int> choice = prompts_.choose(
            fileName + " holds " + std::to_string(read.questions.size()) +
                " questions, and the quiz has room for " + count + " more. Which should come in?",
            {"The first " + count, count + " drawn at random"});
        if (!choice) {
            return cancelledImport();
        }
        if (*choice == 0) {
            KeepFirstQuestions(read, room);
        } else {
            PickQuestions(read, room, std::random_device{}());
        }
    }
    // Pictures that came inside the bank are written beside it, where its other pictures are
    // looked for.
    const std::string bankFolder = folderOf(path).string() + "/";
    for (std::string& error : WriteEmbeddedPictures(read.questions, bankFolder)) {
        read.notes.push_back({0, std::move(error), NoteKind::Changed});
    }
    outcome.notes = std::move(read.notes);

    if (editing_) {
        // Tried on a copy first: a quiz that cannot take the questions is not touched, and the
        // author is not asked about the edits in the boxes for nothing.
        auto trial = std::make_unique<TQuizRec>(quiz());
        if (AppendResult tried = AppendImported(*trial, read.questions); !tried.ok()) {
            outcome.status = SessionImport::Failed;
            outcome.error = std::move(tried.error);
            return outcome;
        }
        // Edits still in the boxes are settled as before a move.
        if (!SettlePendingEdits()) {
            outcome.status = SessionImport::Cancelled;
            return outcome;
        }
        const int choicesBefore = quiz().ChoiceCount;
        AppendResult appended = AppendImported(quiz(), read.questions);
        outcome.notes.insert(outcome.notes.end(), appended.notes.begin(), appended.notes.end());
        outcome.choicesGrew = quiz().ChoiceCount > choicesBefore;
        outcome.firstSlot = appended.firstIndex;
        quizChanged_ = true;
        moveTo(appended.firstIndex);
    } else {
        startQuiz();
        // The new quiz is named after the bank until the author sets it up.
        const QuizText title = ConvertForQuiz(std::filesystem::path(path).stem().string(),
                                              "the title", quiz().Title.capacity);
        if (title.ok()) {
            quiz().Title = title.bytes;
        }
        AppendImported(quiz(), read.questions);
        quizChanged_ = true;
        outcome.startedQuiz = true;
        changed();
    }

    // Pictures named by a bare or relative address are found beside the page, which is
    // published beside the quiz: say so when the bank lives elsewhere.
    if (quizFileName_.empty() || folderOf(path) != folderOf(quizFileName_)) {
        for (const BankQuestion& question : read.questions) {
            if (isBareOrRelative(question.picture)) {
                outcome.notes.push_back(
                    {question.line, "the picture \"" + CodePage::system().toUtf8(question.picture) +
                                        "\" is beside the question file: copy it beside the quiz"});
            }
        }
    }
    outcome.imported = std::move(read.questions);
    return outcome;
}

SessionPublish QuizSession::Publish() {
    // The page is named after the quiz file, so the quiz needs one; a failed save ends the
    // command, a cancelled one is asked again by the save below.
    if (quizFileName_.empty() && SaveAs().status == SaveResult::Failed) {
        return stoppedPublish();
    }
    // The page-look settings are settled into the block and saved with it; when the quiz could
    // not be saved no page is written.
    const PageInputs inputs = PreparePageInputs(quiz());
    if (!Save().saved() || quizFileName_.empty()) {
        return stoppedPublish();
    }
    const PublishResult published = PublishQuiz(quiz(), inputs, quizFileName_);
    htmlFileName_ = published.pagePath;
    if (published.error) {
        prompts_.showError(published.error->what());
        return {SessionPublish::Failed, published.pagePath, published.error->what()};
    }
    pagePublished_ = true;
    changed();
    return {SessionPublish::Published, published.pagePath, {}};
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
        changed();
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
    pagePublished_ = false;
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
        changed();
        prompts_.showError(error.what());
        return {OpenResult::Failed, error.what()};
    }
    quizFileName_ = path;
    // The page named after this quiz, not the one made for the quiz held before.
    htmlFileName_ = PagePathFor(path);
    editing_ = true;
    currentQuestion_ = 0;
    changed();
    return {OpenResult::Opened, {}};
}

} // namespace tamberlin
