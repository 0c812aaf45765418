#pragma once

#include "banks/question_bank.h"
#include "document/quiz.h"

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlin {

// How a save ended. A failure's message has already been shown.
struct SaveResult {
    enum Status { Saved, Cancelled, Failed };
    Status status = Saved;
    std::string error;

    bool saved() const { return status == Saved; }
};

// How an open ended. A failure's message has already been shown.
struct OpenResult {
    enum Status { Opened, Cancelled, Failed };
    Status status = Opened;
    std::string error;
};

// The texts of the editor's boxes, in the system code page; the question text holds its line
// breaks as CR LF pairs.
struct QuestionEntry {
    std::string questionText;
    std::string picAddress;
    std::array<std::string, kMaxChoices> choices;
    std::string answer;
};

// The fields Store checks, in the order it checks them.
enum class EntryField { None, ChoiceA, ChoiceB, ChoiceC, ChoiceD, ChoiceE, Answer };

// How Import Questions ended: a plain value the window lists. A failure's message has not been
// shown; the window shows it with the file's name.
struct SessionImport {
    enum Status { Imported, Cancelled, Failed };
    Status status = Imported;
    std::string error;                  // UTF-8, when Failed
    std::string path;                   // the bank file read
    std::vector<BankQuestion> imported; // the questions taken in, in file order
    int firstSlot = 0;                  // the quiz slot the first of them went into
    // Remarks on what was read and appended, and pictures left beside the bank: one a line.
    std::vector<BankNote> notes;
    bool startedQuiz = false; // no quiz was open: a new one was started from the questions
    bool choicesGrew = false; // the open quiz now uses more choices than before
};

// How Create Html ended. A failure's message has already been shown.
struct SessionPublish {
    enum Status { Published, Stopped, Failed };
    Status status = Published;
    std::string pagePath; // the page written (or that could not be)
    std::string error;
};

struct StoreResult {
    bool stored = false;
    // The first field that stopped the store (its message has been shown); None when stored or
    // when there was nothing to store into.
    EntryField missing = EntryField::None;
};

// What the session asks the author and shows them. The window answers through the platform
// seam and reads its boxes; the session's tests answer from a script.
class SessionPrompts {
public:
    enum class Answer { Yes, No, Cancel };
    enum class Buttons { YesNoCancel, YesNo };

    virtual ~SessionPrompts() = default;

    virtual Answer confirm(std::string_view text, Buttons buttons) = 0;
    virtual void showMessage(std::string_view text) = 0;
    // The standard error box of a failed action.
    virtual void showError(std::string_view message) = 0;
    // The save and open dialogs for quiz files; nothing when cancelled.
    virtual std::optional<std::string> chooseQuizFileToSave() = 0;
    virtual std::optional<std::string> chooseQuizFileToOpen() = 0;
    // The open dialog for a question bank to import; nothing when cancelled.
    virtual std::optional<std::string> chooseQuestionBank() = 0;
    // A question with one button per option (UTF-8); the option's position, nothing when
    // cancelled.
    virtual std::optional<int> choose(std::string_view text,
                                      const std::vector<std::string>& options) = 0;
    // The question as the boxes hold it now.
    virtual QuestionEntry editedQuestion() = 0;
    // A store stopped at this field: its box takes the keyboard focus.
    virtual void focusField(EntryField field) = 0;
    // Before a store: the boxes may hold characters the code page cannot keep (they would be
    // stored as "?"). The window names them and lets the author go back; false stops the store.
    virtual bool acceptCharactersLost() { return true; }
    // The session's state changed (a quiz came or went, a question was stored or shown, the quiz
    // got a file name, a page was published): the window sets its commands from it again.
    virtual void stateChanged() {}
};

// The prompt of the close, New and Open commands.
inline constexpr char kSaveChangesPrompt[] =
    "You have made some changes to this Quiz. Do you want to save the changes?";

// The question to ask before a setup lowers the number of questions: the questions past the new
// count that hold any text or a picture, named ("Questions 3 to 5 hold text and will be removed
// from the quiz. Remove them?"); empty when nothing held would be removed.
std::string DroppedQuestionsPrompt(const TQuizRec& quiz, int newCount);

// The quiz being edited and the commands that work on it, without any window: the quiz block,
// its file name, the change flags, the question shown, and the steps of Store, Clear,
// navigation, New, Setup, Open, Save, Save As and closing. Whatever must be asked or shown goes
// through SessionPrompts; whatever the window must redraw afterwards it reads from here.
class QuizSession {
public:
    explicit QuizSession(SessionPrompts& prompts);

    QuizDocument& document() { return *document_; }
    TQuizRec& quiz() { return document_->quiz; }
    const TQuizRec& quiz() const { return document_->quiz; }

    // Full path of the quiz file (the program's own paths are never written to a file, so any
    // length is kept); empty while the quiz has none.
    const std::string& quizFileName() const { return quizFileName_; }
    // The quiz's page, beside the quiz file (whether or not it exists yet): set by Create Html
    // and by Open; emptied by New and by a quiz started from imported questions.
    const std::string& htmlFileName() const { return htmlFileName_; }
    // Whether Create Html has written the page since the last New or Open: Preview works.
    bool pagePublished() const { return pagePublished_; }
    // The folder that was current at start-up, where the help page is looked for.
    const std::string& startFolder() const { return startFolder_; }
    void setStartFolder(std::string folder) { startFolder_ = std::move(folder); }

    bool quizChanged() const { return quizChanged_; }
    bool questionChanged() const { return questionChanged_; }
    // Whether a quiz is set up or opened, with the editor on.
    bool editing() const { return editing_; }
    int currentQuestion() const { return currentQuestion_; }
    // The slot of question n (a damaged count never reaches outside the 100 slots), and of the
    // question shown.
    const TQuestionRec& slot(int n) const;
    const TQuestionRec& currentSlot() const { return slot(currentQuestion_); }
    // Whether choice k (0 = A) is in use: A and B always, C to E within the choice count.
    bool choiceInUse(int k) const;
    // Work that closing, New or Open would lose: unsaved or unstored changes (a quiz set up but
    // never saved counts as changed).
    bool hasUnsavedWork() const;

    // An edit in a box (a key or a change the author made).
    void markQuestionChanged() { questionChanged_ = true; }
    // A change of the question's picture (Insert Image, Clear Image).
    void markPictureChanged() { quizChanged_ = questionChanged_ = true; }

    // ---- The question editor ----------------------------------------------------------------
    // Store: checks every field in use first and, only when all are filled, copies the boxes
    // into the slot (texts cut to their capacities) and marks the quiz changed. Does nothing
    // while the editor is off.
    StoreResult Store();
    // Clear: asks "Clear this entry?"; with Yes runs emptyBoxes and marks both flags (after the
    // boxes are emptied, so that their change events see the flags as they were).
    bool Clear(const std::function<void()>& emptyBoxes);
    // The length check run at every change of a box: shows its message when a text is too long.
    void CheckLengths();
    // The answer check: false, with "Value must be A - " and the last letter shown, when the
    // letter is empty or outside the choices.
    bool CheckAnswer(std::string_view answer);
    // Navigation: each first settles unstored edits ("Save changes?"); true when the window
    // must show currentQuestion().
    bool First();
    bool Previous();
    bool Next();
    bool Last();
    // The "Save changes?" question for unstored edits: Yes stores (false when the store
    // stops), No leaves them to the command that asked, Cancel stops. True when that command may
    // go on.
    bool SettlePendingEdits();

    // ---- Quiz commands ------------------------------------------------------------------------
    // New: offers unsaved work for saving through Save As; resets the quiz (editor off, no
    // file) and runs setUp, the window's Setup (true when accepted); then the quiz starts clean,
    // unless it was set up without being saved. False when stopped.
    bool New(const std::function<bool()>& setUp);
    // Setup: settles unstored edits, then runs the setup dialog; an accepted setup puts the
    // editor on at question 1 and marks the quiz changed. True when it was accepted.
    bool Setup(const std::function<bool()>& runDialog);
    // The question before unsaved work is lost (closing the window): Yes stores and saves. True
    // when the command that asked may go on.
    bool CloseQuery();

    // ---- Question banks and publishing --------------------------------------------------------
    // Import Questions: without an open quiz, first offers unsaved work for saving (as New and
    // Open do); asks for the bank and imports it (ImportFile).
    SessionImport Import();
    // Reads a question bank. When it holds more questions than the quiz has room for, asks
    // whether the first ones or a random draw come in. Pictures the bank carries are written
    // beside it. With a quiz open, its questions are appended after the last one (tried on a copy
    // first, so a quiz that cannot take them is not touched and no question is asked), after
    // unstored edits are settled, and the editor moves to the first of them. Without one, a new
    // quiz is started from them, named after the file and bound to no file. Either way the quiz
    // counts as changed. Pictures named by a relative address are found beside the page, so a
    // note says so when the bank lies in another folder than the quiz.
    SessionImport ImportFile(const std::string& path);
    // Create Html: saves the quiz (asking for a name when it has none), settles its page-look
    // settings (PreparePageInputs) and saves them, and publishes the page and its listing beside
    // the quiz file. A save that fails or is cancelled stops it before anything is written.
    SessionPublish Publish();

    // ---- File commands ------------------------------------------------------------------------
    SaveResult Save();
    SaveResult SaveAs();
    // Open: offers unsaved work for saving, asks for a file and opens it.
    OpenResult Open();
    // Opens a quiz file: the steps of Open after its dialog. A failure leaves no quiz, bound to
    // no file.
    OpenResult OpenFile(const std::string& path);

private:
    enum class SaveKind { Save, SaveAs };
    bool confirmUnsavedWork(SaveKind kind);
    SaveResult write(const std::string& path);
    void moveTo(int n);
    void startQuiz();
    void changed() { prompts_.stateChanged(); }

    SessionPrompts& prompts_;
    std::unique_ptr<QuizDocument> document_;
    std::string quizFileName_;
    std::string htmlFileName_;
    std::string startFolder_;
    bool quizChanged_ = false;
    bool questionChanged_ = false;
    bool editing_ = false;
    bool pagePublished_ = false;
    int currentQuestion_ = 0;
};

} // namespace tamberlin
