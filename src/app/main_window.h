#pragma once

#include "dialogs/quiz_host.h"
#include "platform/platform.h"
#include "session/quiz_session.h"

#include <QHash>
#include <QImage>
#include <QMainWindow>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QKeyEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QToolButton;

namespace tamberlin {

class TNewHtml;
class TPicForm;
class TPictureDialog;
class TSplash;
class Tqsetup;

namespace widgets {
class PictureBox;
}

// The main window: a view over the quiz session. It shows the question editor and carries the
// menus and buttons of every command; the quiz, its file and the change flags live in the
// session, which asks its questions through the window. The controls keep their layout names as
// object names (Memo1, Edit1, PostBtn, New1, ...), by which they are found.
class TForm1 : public QMainWindow, public QuizHost {
    Q_OBJECT
public:
    // Creates the window (FormCreate). A non-empty commandLineFile is opened at once, as given
    // (its case kept), a relative name taken against the current folder.
    explicit TForm1(const QString& commandLineFile = QString(), QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- QuizHost --------------------------------------------------------------------------
    TQuizRec& quiz() override;
    QString quizFileName() const override;
    SaveResult Save1Click() override;
    SaveResult SaveAs1Click() override;

    // The quiz being edited: flags, file names, the question shown.
    const QuizSession& session() const { return *session_; }
    // The page made last and the folder current at start-up, as the window shows paths.
    QString htmlFileName() const;
    QString startFolder() const;
    // Raised while the program fills the boxes, so that their change events check nothing.
    bool updating() const { return Updating; }

    // Sets every command's enabled state from the session (the table is in main_window.cpp).
    // Run whenever the session says its state changed and after each edit in the boxes.
    void UpdateCommands();

    // Creates the dialogs that live from start-up to exit: the preferences dialog, the setup
    // dialog, the image viewer and the picture chooser.
    void CreateDialogs();
    // Creates the splash window, shown at start-up and as the about window.
    TSplash* CreateSplash();
    // True when the window may close (after the unsaved-changes prompt).
    bool FormCloseQuery();
    // The background picture painted over the client area.
    const QImage& backgroundPicture() const { return background_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    class Prompts;

    // Raises Updating for its lifetime and puts back what it was: the program is filling the
    // boxes, so that their change events check nothing.
    class UpdatingGuard {
    public:
        explicit UpdatingGuard(TForm1& form) : form_(form), was_(form.Updating) {
            form_.Updating = true;
        }
        ~UpdatingGuard() { form_.Updating = was_; }
        UpdatingGuard(const UpdatingGuard&) = delete;
        UpdatingGuard& operator=(const UpdatingGuard&) = delete;

    private:
        TForm1& form_;
        bool was_;
    };

    void FormCreate(const QString& commandLineFile);
    void buildControls();
    void buildMenus();
    void FormPaint(QWidget* client);
    void FormShow();

    // ---- The question editor ---------------------------------------------------------------
    void EnableEditor();
    void DisableEditor();
    void BeginEditing();
    void ShowQuestion(int n);
    // After an edit, a store or a question shown: the commands again, the Create HTML button
    // released from the first showing's hold.
    void RefreshEditButtons();
    void FirstBtnClick();
    void PrevBtnClick();
    void NextBtnClick();
    void LastBtnClick();
    void PostBtnClick();
    void ClearBtnClick();
    void Memo1Change();
    void Edit6Change();
    // An edit the author made in a box, by any means: marks the question changed.
    void authorEdited();
    // After a move: the question the session now stands on.
    void showCurrentQuestion();
    // The boxes as the session reads them, and the box of a field a store stopped at.
    QuestionEntry editedQuestion() const;
    void focusField(EntryField field);
    // Before a store: names the characters of the boxes that the code page cannot keep and asks
    // whether to store them as "?"; false (the author goes back) puts the focus in the box.
    bool acceptCharactersLost();
    // The most a box takes, in bytes of the code page (a line break counts as two); 0 for a box
    // without a limit.
    int textLimit(const QObject* box) const;
    // The size of a box's text as the limit counts it.
    int measuredLength(const QObject* box, const QString& text) const;
    // A key that would carry a box past its limit is refused; the author is told once.
    bool refuseKeyPastLimit(QWidget* box, const QKeyEvent* event);
    void tellLimit(const QObject* box);

    // ---- Window commands -------------------------------------------------------------------
    void New1Click();
    void Open1Click();
    void Exit1Click();
    void SpeedButton3Click();
    // True when the setup was accepted and the editor restarted.
    bool SetupClick();
    bool runSetupDialog();
    // Opens a quiz file: the steps of Open after its dialog; a relative name is made absolute
    // first. False (error shown) on failure, leaving the window with no quiz.
    bool OpenQuizFile(const QString& path);
    // The window after an open: the editor on the quiz read, or no quiz after a failure.
    void showOpenResult(const OpenResult& result);
    // Question banks: Import appends a bank's questions to the open quiz (or starts a quiz from
    // them), Export writes the quiz's questions to a bank file, Check Quiz lists what would go
    // wrong on the quiz's page.
    void ImportQuestions1Click();
    // The window after an import: the questions shown, the notes listed, or the error.
    void showImportResult(const SessionImport& result);
    void ExportQuestions1Click();
    void CheckQuiz1Click();
    // The quiz on paper, with its answer key at the end: through the system's print dialog, or
    // into a PDF file.
    void Print1Click();
    void ExportPdf1Click();
    void HtmlOptions1Click();
    void Create1Click();
    void ExportScorm1Click();
    void Preview1Click();
    void HelponTamberlin1Click();
    void About1Click();
    void InsertImgBtnClick();
    void ClearImgBtnClick();
    void Image1MouseDown();
    // The preferences dialog's loading step, run from BeginEditing and FormShow.
    void LoadHtmlPreferences();

    // Calls handler when box's text becomes different from what it was.
    void watchText(QWidget* box, std::function<QString()> text, void (TForm1::*handler)());
    void setCaptionFromFileName();
    // The session's one notification: caption and commands follow its state.
    void sessionChanged();
    // The question text as stored: CR LF between lines, every character as typed.
    QString memoText() const;
    void setMemoText(const QString& text);
    // What Memo1 shows, every character as it is, with "\n" between lines.
    QString memoShownLines() const;
    QLineEdit* choiceBox(int k) const;
    QLabel* choiceLabel(int k) const;
    static void setBoxColour(QWidget* box, bool white);

    std::unique_ptr<Prompts> prompts_;
    std::unique_ptr<QuizSession> session_;
    bool Updating = false;
    // Raised by the first showing of the window: the Create HTML button (not the menu item)
    // stays off until the editor's next refresh.
    bool holdCreateButton_ = false;
    QImage background_;
    QHash<QObject*, QString> lastText_;
    // Raised while the program sets Memo1's text, so that only the author's edits mark it.
    bool programSetsMemo_ = false;
    // The text the program last put into Memo1, as the slot holds it, and whether the author
    // has changed it since: an unedited text is stored back exactly, lone CR or LF included.
    QString memoSetText_;
    bool memoEditedByAuthor_ = false;
    // Boxes whose limit the author has been told about since they last were under it.
    QSet<const QObject*> limitTold_;

    // The dialogs, each made once.
    TSplash* Splash = nullptr;
    TNewHtml* NewHtml = nullptr;
    TPicForm* PicForm = nullptr;
    TPictureDialog* PictureDialog = nullptr;
    Tqsetup* qsetup_ = nullptr;

    // Controls, by their layout names.
    QWidget* Panel1 = nullptr;
    QToolButton* FirstBtn = nullptr;
    QToolButton* PrevBtn = nullptr;
    QToolButton* NextBtn = nullptr;
    QToolButton* LastBtn = nullptr;
    QToolButton* PostBtn = nullptr;
    QToolButton* ClearBtn = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLineEdit* qpicaddress = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLineEdit* Edit6 = nullptr;
    widgets::PictureBox* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QToolButton* InsertImgBtn = nullptr;
    QToolButton* ClearImgBtn = nullptr;
    QToolButton* createbtn = nullptr;
    QToolButton* PreviewBtn = nullptr;
    QFrame* Bevel1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QFrame* Bevel3 = nullptr;

    QMenu* File1 = nullptr;
    QMenu* Script1 = nullptr;
    QMenu* Quiz1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QAction* ImportQuestions1 = nullptr;
    QAction* ExportQuestions1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* ExportPdf1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* HtmlOptions1 = nullptr;
    QAction* Create1 = nullptr;
    QAction* ExportScorm1 = nullptr;
    QAction* Preview1 = nullptr;
    QAction* ClearQ = nullptr;
    QAction* PostQuestion1 = nullptr;
    QAction* FirstQuestion1 = nullptr;
    QAction* PrevQuestion1 = nullptr;
    QAction* NextQuestion = nullptr;
    QAction* LastQuestion1 = nullptr;
    QAction* Setup = nullptr;
    QAction* CheckQuiz1 = nullptr;
    QAction* HelponTamberlin1 = nullptr;
    QAction* About1 = nullptr;
};

// Decodes the window's background JPEG held in the program's resources.
QImage DecodeBackgroundPicture(const QByteArray& jpegBytes);

// The open dialog of Import Questions: the bank formats the program reads.
Platform::FileDialogOptions BankOpenDialog();

} // namespace tamberlin
