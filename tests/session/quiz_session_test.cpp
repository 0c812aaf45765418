#include "document/quiz_file.h"
#include "session/quiz_session.h"

#include "common/quiz_builders.h"
#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

using namespace tamberlin;
using tamberlin::testing::MakeQuiz;
using tamberlin::testing::ReadAll;
using tamberlin::testing::TempDir;
using tamberlin::testing::UnwritableFolder;
using Answer = SessionPrompts::Answer;

namespace {

// Answers from queues and records every question as "kind:text".
class ScriptedPrompts : public SessionPrompts {
public:
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> files;
    QuestionEntry entry;
    std::vector<std::string> asked;

    Answer confirm(std::string_view text, Buttons buttons) override {
        asked.push_back(std::string(buttons == Buttons::YesNo ? "yes/no:" : "confirm:") +
                        std::string(text));
        return take(answers);
    }
    void showMessage(std::string_view text) override {
        asked.push_back("message:" + std::string(text));
    }
    void showError(std::string_view text) override {
        asked.push_back("error:" + std::string(text));
    }
    std::optional<std::string> chooseQuizFileToSave() override {
        asked.push_back("save dialog");
        return take(files);
    }
    std::optional<std::string> chooseQuizFileToOpen() override {
        asked.push_back("open dialog");
        return take(files);
    }
    QuestionEntry editedQuestion() override { return entry; }
    void focusField(EntryField field) override {
        asked.push_back("focus:" + std::to_string(static_cast<int>(field)));
    }

    std::vector<std::string> take() { return std::exchange(asked, {}); }

private:
    template <class T>
    static T take(std::deque<T>& queue) {
        EXPECT_FALSE(queue.empty()) << "unscripted question";
        if (queue.empty()) {
            return T{};
        }
        T front = queue.front();
        queue.pop_front();
        return front;
    }
};

using Lines = std::vector<std::string>;

class QuizSessionTest : public ::testing::Test {
protected:
    ScriptedPrompts prompts;
    QuizSession session{prompts};
    TempDir dir;

    // Opens a quiz written to a file, with the boxes showing its first question.
    void open(const TQuizRec& quiz, const std::string& name = "quiz.qvt") {
        WriteQuizFile(quiz, dir.file(name));
        ASSERT_EQ(session.OpenFile(dir.file(name)).status, OpenResult::Opened);
        showSlot();
    }

    void showSlot() {
        const TQuestionRec& slot = session.currentSlot();
        prompts.entry.questionText = slot.QuestionText.str();
        prompts.entry.picAddress = slot.PicAddress.str();
        for (int k = 0; k < kMaxChoices; ++k) {
            prompts.entry.choices[static_cast<std::size_t>(k)] = slot.choice(k).str();
        }
        prompts.entry.answer = slot.Answer.str();
    }

    void edit(int k, const std::string& text) {
        prompts.entry.choices[static_cast<std::size_t>(k)] = text;
        session.markQuestionChanged();
    }

    const TQuestionRec& slot(int n) const {
        return session.quiz().Questions[static_cast<std::size_t>(n)];
    }

    // The setup dialog as the window runs it: Accept saves through Save.
    bool acceptSetup() {
        session.Save();
        return true;
    }
};

const std::string kChanges = std::string("confirm:") + kSaveChangesPrompt;

} // namespace

TEST_F(QuizSessionTest, StoreChecksEveryFieldBeforeCopyingAny) {
    open(MakeQuiz(2, 3));
    prompts.entry.questionText = "new text";
    prompts.entry.picAddress = "new.gif";
    edit(0, "new A");
    edit(2, "");
    const StoreResult stopped = session.Store();
    EXPECT_FALSE(stopped.stored);
    EXPECT_EQ(stopped.missing, EntryField::ChoiceC);
    EXPECT_EQ(prompts.take(), (Lines{"message:Choice C missing", "focus:3"}));
    // Nothing reached the slot, so a later No leaves it as it was.
    EXPECT_EQ(slot(0).QuestionText.str(), "Question 1");
    EXPECT_EQ(slot(0).ChoiceA.str(), "Q1 choice A");
    EXPECT_TRUE(slot(0).PicAddress.empty());
    EXPECT_TRUE(session.questionChanged());
    EXPECT_FALSE(session.quizChanged());

    edit(2, "new C");
    prompts.entry.answer = "";
    EXPECT_EQ(session.Store().missing, EntryField::Answer);
    EXPECT_EQ(prompts.take(), (Lines{"message:No Answer", "focus:6"}));

    prompts.entry.answer = "C";
    prompts.entry.choices[3] = "typed into an unused box";
    prompts.entry.questionText = std::string(300, 'x');
    EXPECT_TRUE(session.Store().stored);
    EXPECT_TRUE(prompts.take().empty());
    EXPECT_EQ(slot(0).QuestionText.size(), 255u);
    EXPECT_EQ(slot(0).PicAddress.str(), "new.gif");
    EXPECT_EQ(slot(0).ChoiceC.str(), "new C");
    EXPECT_TRUE(slot(0).ChoiceD.empty()); // out of use: left as it was
    EXPECT_EQ(slot(0).Answer.str(), "C");
    EXPECT_TRUE(session.quizChanged());
    EXPECT_FALSE(session.questionChanged());
}

TEST_F(QuizSessionTest, NavigationSettlesUnstoredEditsFirst) {
    open(MakeQuiz(3, 2));
    EXPECT_FALSE(session.Previous());
    EXPECT_EQ(prompts.take(), Lines{"message:Start of Quiz"});

    edit(0, "changed");
    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(session.Next());
    EXPECT_EQ(session.currentQuestion(), 0);

    // Yes with a store that stops keeps the author on the question.
    edit(1, "");
    prompts.answers = {Answer::Yes};
    EXPECT_FALSE(session.Last());
    EXPECT_EQ(prompts.take(), (Lines{"confirm:Save changes?", "confirm:Save changes?",
                                     "message:Choice B missing", "focus:2"}));
    EXPECT_EQ(session.currentQuestion(), 0);

    prompts.answers = {Answer::No};
    EXPECT_TRUE(session.Next());
    EXPECT_EQ(session.currentQuestion(), 1);
    EXPECT_FALSE(session.questionChanged());
    EXPECT_EQ(slot(0).ChoiceA.str(), "Q1 choice A");

    showSlot();
    edit(1, "kept");
    prompts.answers = {Answer::Yes};
    EXPECT_TRUE(session.Last());
    EXPECT_EQ(slot(1).ChoiceB.str(), "kept");
    EXPECT_EQ(session.currentQuestion(), 2);
    prompts.take();
    EXPECT_FALSE(session.Next());
    EXPECT_EQ(prompts.take(), Lines{"message:End of Quiz"});
    EXPECT_TRUE(session.First());
    EXPECT_EQ(session.currentQuestion(), 0);
}

TEST_F(QuizSessionTest, SaveResultsAndWhatEachLeaves) {
    open(MakeQuiz(1, 2));
    const std::string original = session.quizFileName();
    session.markPictureChanged();

    prompts.files = {std::nullopt};
    EXPECT_EQ(session.SaveAs().status, SaveResult::Cancelled);
    prompts.files = {UnwritableFolder(dir) + "/x.qvt"};
    const SaveResult failed = session.SaveAs();
    EXPECT_EQ(failed.status, SaveResult::Failed);
    EXPECT_EQ(failed.error, "File access denied");
    EXPECT_EQ(prompts.take(), (Lines{"save dialog", "save dialog", "error:File access denied"}));
    EXPECT_EQ(session.quizFileName(), original);
    EXPECT_TRUE(session.quizChanged());

    prompts.files = {dir.file("copy.qvt")};
    EXPECT_TRUE(session.SaveAs().saved());
    EXPECT_EQ(session.quizFileName(), dir.file("copy.qvt"));
    EXPECT_FALSE(session.quizChanged());
    EXPECT_EQ(ReadAll(dir.file("copy.qvt")).size(), QuizFileSize(1));
    // Save writes to the file it has without asking; unstored edits stay unstored.
    edit(0, "unstored");
    EXPECT_TRUE(session.Save().saved());
    EXPECT_TRUE(prompts.take() == Lines{"save dialog"});
    EXPECT_TRUE(session.questionChanged());
}

TEST_F(QuizSessionTest, FailedOpenLeavesNoQuizBoundToTheEarlierFile) {
    open(MakeQuiz(2, 2));
    session.pageCreated(dir.file("quiz.htm"));
    session.markPictureChanged();
    const OpenResult result = session.OpenFile(dir.file("missing.qvt"));
    EXPECT_EQ(result.status, OpenResult::Failed);
    EXPECT_EQ(prompts.take(), Lines{"error:File not found"});
    EXPECT_TRUE(session.quizFileName().empty());
    EXPECT_TRUE(session.htmlFileName().empty());
    EXPECT_FALSE(session.editing());
    EXPECT_FALSE(session.hasUnsavedWork());
    EXPECT_EQ(session.quiz().QuestionCount, 0);
    // Nothing the editor does now can reach a file.
    EXPECT_FALSE(session.Store().stored);
    EXPECT_TRUE(prompts.take().empty());
}

TEST_F(QuizSessionTest, OpenOffersUnsavedWorkAndOpensClean) {
    WriteQuizFile(MakeQuiz(4, 2, "Other"), dir.file("other.qvt"));
    open(MakeQuiz(2, 2));
    edit(0, "!");
    prompts.answers = {Answer::Yes};
    prompts.files = {std::nullopt};
    // Yes stores and saves, then the open dialog is cancelled.
    EXPECT_EQ(session.Open().status, OpenResult::Cancelled);
    EXPECT_EQ(prompts.take(), (Lines{kChanges, "open dialog"}));
    EXPECT_EQ(slot(0).ChoiceA.str(), "!");

    edit(0, "?");
    prompts.answers = {Answer::No};
    prompts.files = {dir.file("other.qvt")};
    EXPECT_EQ(session.Open().status, OpenResult::Opened);
    EXPECT_EQ(session.quizFileName(), dir.file("other.qvt"));
    EXPECT_EQ(session.quiz().QuestionCount, 4);
    EXPECT_FALSE(session.quizChanged() || session.questionChanged());
}

TEST_F(QuizSessionTest, ANeverSavedQuizCountsAsChanged) {
    // New, Accept with the save dialog cancelled: the quiz exists only in memory.
    prompts.files = {std::nullopt};
    EXPECT_TRUE(session.New([this] {
        EXPECT_FALSE(session.editing());
        return session.Setup([this] { return acceptSetup(); });
    }));
    EXPECT_EQ(prompts.take(), Lines{"save dialog"});
    EXPECT_TRUE(session.editing());
    EXPECT_TRUE(session.quizChanged());

    // Closing asks; Yes with the editor on but nothing unstored goes straight to Save As.
    prompts.answers = {Answer::Yes};
    prompts.files = {std::nullopt};
    EXPECT_FALSE(session.CloseQuery());
    EXPECT_EQ(prompts.take(), (Lines{kChanges, "save dialog"}));
    prompts.answers = {Answer::No};
    EXPECT_TRUE(session.CloseQuery());
}

TEST_F(QuizSessionTest, YesNeverStoresWithTheEditorOff) {
    open(MakeQuiz(1, 2));
    // New with its setup cancelled leaves no quiz and the editor off, with both flags set by a
    // later Clear.
    EXPECT_TRUE(session.New([this] { return session.Setup([] { return false; }); }));
    session.markPictureChanged();
    prompts.answers = {Answer::Yes};
    prompts.files = {dir.file("saved.qvt")};
    EXPECT_TRUE(session.CloseQuery());
    EXPECT_EQ(prompts.take(), (Lines{kChanges, "save dialog"}));
}

TEST_F(QuizSessionTest, NewStopsWhenTheSaveIsCancelledAndStartsCleanOtherwise) {
    open(MakeQuiz(2, 2));
    edit(0, "!");
    bool setUp = false;
    prompts.answers = {Answer::Yes};
    prompts.files = {std::nullopt};
    EXPECT_FALSE(session.New([&] { return setUp = true; }));
    EXPECT_FALSE(setUp);
    EXPECT_EQ(session.quiz().QuestionCount, 2);
    EXPECT_EQ(slot(0).ChoiceA.str(), "!");

    session.pageCreated(dir.file("quiz.htm"));
    prompts.answers = {Answer::No};
    EXPECT_TRUE(session.New([&] { return !(setUp = true); }));
    EXPECT_TRUE(setUp);
    EXPECT_EQ(session.quiz().QuestionCount, 0);
    EXPECT_TRUE(session.quizFileName().empty());
    EXPECT_TRUE(session.htmlFileName().empty());
    EXPECT_FALSE(session.hasUnsavedWork());
}

TEST_F(QuizSessionTest, SetupAsksAboutUnstoredEditsFirst) {
    open(MakeQuiz(2, 2));
    edit(0, "!");
    bool shown = false;
    prompts.answers = {Answer::Cancel};
    EXPECT_FALSE(session.Setup([&] { return shown = true; }));
    EXPECT_FALSE(shown);
    EXPECT_EQ(prompts.take(), Lines{"confirm:Save changes?"});

    prompts.answers = {Answer::Yes};
    EXPECT_TRUE(session.Setup([&] { return shown = acceptSetup(); }));
    EXPECT_TRUE(shown);
    EXPECT_EQ(slot(0).ChoiceA.str(), "!");
    // Accept saved the quiz, yet it counts as changed.
    EXPECT_TRUE(session.quizChanged());
    EXPECT_EQ(ReadAll(dir.file("quiz.qvt")).substr(kQuizHeaderSize + 507, 2), "\x01!");
}

TEST_F(QuizSessionTest, LengthAndAnswerChecks) {
    open(MakeQuiz(1, 3));
    prompts.entry.questionText = std::string(255, 'x');
    prompts.entry.choices[4] = std::string(251, 'e'); // measured though out of use
    session.CheckLengths();
    EXPECT_EQ(prompts.take(), Lines{"message:Only 250 characters allowed"});
    prompts.entry.questionText += "y";
    session.CheckLengths();
    EXPECT_EQ(prompts.take(), Lines{"message:Only 255 characters allowed!"});

    EXPECT_TRUE(session.CheckAnswer("A"));
    EXPECT_TRUE(session.CheckAnswer("C"));
    for (const char* refused : {"", "D", "@"}) {
        EXPECT_FALSE(session.CheckAnswer(refused)) << refused;
        EXPECT_EQ(prompts.take(), Lines{"message:Value must be A - C"});
    }
}
