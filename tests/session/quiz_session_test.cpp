#include "document/quiz_file.h"
#include "generator/publishing.h"
#include "session/quiz_session.h"

#include "common/quiz_builders.h"
#include "common/temp_dir.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

using namespace tamberlin;
using tamberlin::testing::MakeQuiz;
using tamberlin::testing::ReadAll;
using tamberlin::testing::TempDir;
using tamberlin::testing::UnwritableFolder;
using tamberlin::testing::WriteAll;
using Answer = SessionPrompts::Answer;

namespace {

// Answers from queues and records every question as "kind:text".
class ScriptedPrompts : public SessionPrompts {
public:
    std::deque<Answer> answers;
    std::deque<std::optional<std::string>> files;
    std::deque<std::optional<int>> choices;
    QuestionEntry entry;
    std::vector<std::string> asked;
    int changes = 0;

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
    std::optional<std::string> chooseQuestionBank() override {
        asked.push_back("bank dialog");
        return take(files);
    }
    std::optional<int> choose(std::string_view text,
                              const std::vector<std::string>& options) override {
        std::string line = "choose:" + std::string(text);
        for (const std::string& option : options) {
            line += "|" + option;
        }
        asked.push_back(line);
        return take(choices);
    }
    void stateChanged() override { ++changes; }
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
    ASSERT_EQ(session.Publish().status, SessionPublish::Published);
    EXPECT_TRUE(session.pagePublished());
    session.markPictureChanged();
    const OpenResult result = session.OpenFile(dir.file("missing.qvt"));
    EXPECT_EQ(result.status, OpenResult::Failed);
    EXPECT_EQ(prompts.take(), Lines{"error:File not found"});
    EXPECT_TRUE(session.quizFileName().empty());
    EXPECT_TRUE(session.htmlFileName().empty());
    EXPECT_FALSE(session.pagePublished());
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

    prompts.answers = {Answer::No};
    ASSERT_EQ(session.Publish().status, SessionPublish::Published);
    EXPECT_TRUE(session.New([&] { return !(setUp = true); }));
    EXPECT_TRUE(setUp);
    EXPECT_EQ(session.quiz().QuestionCount, 0);
    EXPECT_TRUE(session.quizFileName().empty());
    EXPECT_TRUE(session.htmlFileName().empty());
    EXPECT_FALSE(session.pagePublished());
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

// ---- Create Html ------------------------------------------------------------------------------

TEST_F(QuizSessionTest, PublishSavesTheSettledLookAndWritesThePageBesideTheQuiz) {
    TQuizRec quiz = MakeQuiz(2, 2);
    // A title row switched on with a size out of range and a stale tag; a text colour whose
    // switch is 2 (only 1 counts as on).
    quiz.Prefs.TitleFontOn = 1;
    quiz.Prefs.TitleFontSize = 9;
    quiz.Prefs.TitleFontFace = "Serif";
    quiz.Prefs.TitleFontTag = "<FONT stale>";
    quiz.Prefs.TextColorOn = 2;
    open(quiz);
    const int changesBefore = prompts.changes;

    const SessionPublish published = session.Publish();
    EXPECT_EQ(published.status, SessionPublish::Published);
    EXPECT_EQ(published.pagePath, dir.file("quiz.htm"));
    EXPECT_EQ(session.htmlFileName(), dir.file("quiz.htm"));
    EXPECT_TRUE(session.pagePublished());
    EXPECT_GT(prompts.changes, changesBefore);
    EXPECT_TRUE(prompts.take().empty());

    // The block went into the quiz file as the page-look dialog applies it, and the page is the
    // one the command line makes of that file.
    TQuizRec saved{};
    ReadQuizFile(saved, dir.file("quiz.qvt"));
    EXPECT_EQ(saved.Prefs.TitleFontTag.str(),
              "<FONT FACE=\"serif\" SIZE=\"7\" COLOR=\"#000000\">\r\n");
    EXPECT_EQ(saved.Prefs.TitleFontSize, 7);
    TQuizRec again = saved;
    const PageInputs inputs = PreparePageInputs(again);
    EXPECT_EQ(ReadAll(dir.file("quiz.htm")), BuildQuizPage(again, inputs).page);
    EXPECT_EQ(ReadAll(dir.file("quiz.qdt")), BuildQuizPage(again, inputs).listing);
    EXPECT_TRUE(inputs.titleFontOn);
    EXPECT_FALSE(inputs.questionFontOn);
}

TEST_F(QuizSessionTest, PublishStopsWithoutAFileAndReportsAnUnwritablePage) {
    // A quiz set up but never saved: both save dialogs cancelled, nothing written.
    prompts.files = {std::nullopt};
    ASSERT_TRUE(session.New([this] { return session.Setup([this] { return acceptSetup(); }); }));
    prompts.take();
    prompts.files = {std::nullopt, std::nullopt};
    EXPECT_EQ(session.Publish().status, SessionPublish::Stopped);
    EXPECT_EQ(prompts.take(), (Lines{"save dialog", "save dialog"}));
    EXPECT_FALSE(session.pagePublished());
    EXPECT_TRUE(session.htmlFileName().empty());

    // Named in the first dialog: saved there and published beside it.
    prompts.files = {dir.file("named.qvt")};
    EXPECT_EQ(session.Publish().status, SessionPublish::Published);
    EXPECT_EQ(prompts.take(), Lines{"save dialog"});
    EXPECT_EQ(session.htmlFileName(), dir.file("named.htm"));

    // A page that cannot be written: the error is shown, Preview stays as it was.
    const std::string blocked = dir.file("blocked.qvt");
    std::filesystem::create_directory(dir.file("blocked.htm"));
    prompts.files = {blocked};
    ASSERT_TRUE(session.SaveAs().saved());
    prompts.take();
    const SessionPublish failed = session.Publish();
    EXPECT_EQ(failed.status, SessionPublish::Failed);
    ASSERT_EQ(prompts.asked.size(), 1u);
    EXPECT_EQ(prompts.asked[0].rfind("error:Cannot create file \"" + dir.file("blocked.htm"), 0),
              0u)
        << prompts.asked[0];
    EXPECT_TRUE(session.pagePublished());
}

TEST_F(QuizSessionTest, OpenNamesThePageAfterTheQuizAndSwitchesPreviewOff) {
    open(MakeQuiz(1, 2), "first.qvt");
    ASSERT_EQ(session.Publish().status, SessionPublish::Published);
    EXPECT_EQ(session.htmlFileName(), dir.file("first.htm"));
    open(MakeQuiz(1, 2), "second.qvt");
    // Not the page of the quiz held before, and no Preview until the next Create Html.
    EXPECT_EQ(session.htmlFileName(), dir.file("second.htm"));
    EXPECT_FALSE(session.pagePublished());
}

// ---- Import Questions -------------------------------------------------------------------------

TEST_F(QuizSessionTest, ImportWithoutAQuizStartsOneNamedAfterTheBank) {
    WriteAll(dir.file("moons.gift"), "::M1:: Largest moon? {=Ganymede ~Titan}\n\n"
                                     "Moon of Mars? {=Phobos ~Io ~Europa}\n");
    prompts.files = {dir.file("moons.gift")};
    const SessionImport result = session.Import();
    EXPECT_EQ(prompts.take(), Lines{"bank dialog"});
    ASSERT_EQ(result.status, SessionImport::Imported) << result.error;
    EXPECT_TRUE(result.startedQuiz);
    EXPECT_EQ(result.imported.size(), 2u);
    EXPECT_TRUE(session.editing());
    EXPECT_TRUE(session.quizChanged());
    EXPECT_TRUE(session.quizFileName().empty());
    EXPECT_EQ(session.quiz().Title.str(), "moons");
    EXPECT_EQ(session.quiz().QuestionCount, 2);
    EXPECT_EQ(session.quiz().ChoiceCount, 3);
    EXPECT_EQ(slot(1).ChoiceA.str(), "Phobos");
    EXPECT_GT(prompts.changes, 0);
}

TEST_F(QuizSessionTest, ImportIntoAnOpenQuizTriesFirstThenSettlesEditsAndAppends) {
    open(MakeQuiz(2, 2));
    edit(0, "edited");
    // A bank with more questions than the quiz has room for asks which come in; cancelling
    // touches nothing.
    std::string many;
    for (int i = 0; i < 99; ++i) {
        many += "Q" + std::to_string(i) + "? {=a ~b}\n\n";
    }
    WriteAll(dir.file("many.gift"), many);
    prompts.choices = {std::nullopt};
    EXPECT_EQ(session.ImportFile(dir.file("many.gift")).status, SessionImport::Cancelled);
    EXPECT_EQ(prompts.take(), Lines{"choose:many.gift holds 99 questions, and the quiz has room "
                                    "for 98 more. Which should come in?|The first 98|98 drawn at "
                                    "random"});
    EXPECT_EQ(session.quiz().QuestionCount, 2);
    EXPECT_TRUE(session.questionChanged());

    // Cancel at "Save changes?" stops before anything is appended.
    std::filesystem::create_directory(dir.file("sub"));
    WriteAll(dir.file("sub/three.gift"), "Pick one? {=x ~y ~z}\n");
    prompts.answers = {Answer::Cancel};
    EXPECT_EQ(session.ImportFile(dir.file("sub/three.gift")).status, SessionImport::Cancelled);
    EXPECT_EQ(session.quiz().QuestionCount, 2);

    // Yes stores the edit; the question goes after the last one, the quiz takes a third choice
    // and the editor moves to it.
    prompts.answers = {Answer::Yes};
    const SessionImport result = session.ImportFile(dir.file("sub/three.gift"));
    ASSERT_EQ(result.status, SessionImport::Imported) << result.error;
    EXPECT_FALSE(result.startedQuiz);
    EXPECT_TRUE(result.choicesGrew);
    EXPECT_EQ(slot(0).ChoiceA.str(), "edited");
    EXPECT_EQ(session.quiz().QuestionCount, 3);
    EXPECT_EQ(session.currentQuestion(), 2);
    EXPECT_TRUE(session.quizChanged());
    EXPECT_FALSE(session.questionChanged());
}

TEST_F(QuizSessionTest, ImportNotesPicturesLeftBesideABankInAnotherFolder) {
    open(MakeQuiz(1, 2));
    std::filesystem::create_directory(dir.file("elsewhere"));
    // The reader wants each picture beside its bank.
    WriteAll(dir.file("elsewhere/mars.gif"), "GIF89a");
    WriteAll(dir.file("mars.gif"), "GIF89a");
    WriteAll(dir.file("elsewhere/pics.csv"),
             "question,a,b,answer,picture\nWhich?,x,y,A,mars.gif\n");
    const SessionImport away = session.ImportFile(dir.file("elsewhere/pics.csv"));
    ASSERT_EQ(away.status, SessionImport::Imported) << away.error;
    ASSERT_FALSE(away.notes.empty());
    EXPECT_EQ(away.notes.back().message,
              "the picture \"mars.gif\" is beside the question file: copy it beside the quiz");

    WriteAll(dir.file("pics.csv"), "question,a,b,answer,picture\nWhich?,x,y,A,mars.gif\n");
    const SessionImport beside = session.ImportFile(dir.file("pics.csv"));
    ASSERT_EQ(beside.status, SessionImport::Imported) << beside.error;
    for (const BankNote& note : beside.notes) {
        EXPECT_EQ(note.message.find("beside the question file"), std::string::npos);
    }
}
