#pragma once

#include "dialogs/newhtml.h"
#include "dialogs/picform.h"
#include "dialogs/picture_dialog.h"
#include "dialogs/qsetup.h"
#include "dialogs/quiz_host.h"
#include "dialogs/splash.h"
#include "document/quiz.h"

#include <QHash>
#include <QImage>
#include <QLabel>
#include <QMainWindow>

#include <functional>

class QAction;
class QFrame;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QToolButton;

namespace tamberlin {

// A picture box: shows its picture centred, shrunk to fit with its proportions kept when it is
// larger than the box, at its own size otherwise. Reports mouse presses while enabled.
class PictureBox : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    void setPicture(const QImage& image);
    void clearPicture() { setPicture(QImage()); }
    const QImage& picture() const { return picture_; }

signals:
    void pressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QImage picture_;
};

// The main window: it holds the quiz block and the editor state for the whole run, shows the
// question editor, and carries the menus and buttons of every command. The controls keep their
// layout names as object names (Memo1, Edit1, PostBtn, New1, ...).
class TForm1 : public QMainWindow, public QuizHost, public SaveFailureReport {
    Q_OBJECT
public:
    // Creates the window (FormCreate). A non-empty commandLineFile is opened at once, as given
    // (its case kept), a relative name taken against the current folder.
    explicit TForm1(const QString& commandLineFile = QString(), QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- QuizHost --------------------------------------------------------------------------
    TQuizRec& quiz() override { return document_.quiz; }
    QString quizFileName() const override { return QuizFileName; }
    // Save and Save As: true when the quiz was written.
    bool Save1Click() override;
    bool SaveAs1Click() override;
    bool lastSaveFailed() const override { return lastSaveFailed_; }

    QuizDocument& document() { return document_; }

    // ---- Editor state (not saved) ----------------------------------------------------------
    int CurrentQuestion = 0;
    bool QuizChanged = false;
    bool QuestionChanged = false;
    bool Updating = false;
    QString QuizFileName;
    QString HtmlFileName;
    QString StartFolder;

    // ---- The question editor ---------------------------------------------------------------
    void EnableEditor();
    void DisableEditor();
    void BeginEditing();
    void ShowQuestion(int n);
    void RefreshEditButtons();
    // Whether the question boxes are on (a quiz is set up or opened).
    bool editorOn() const;

    void FirstBtnClick();
    void PrevBtnClick();
    void NextBtnClick();
    void LastBtnClick();
    // Store: true when the question was stored. A store that stops at a check changes nothing
    // in the slot.
    bool PostBtnClick();
    void ClearBtnClick();
    void Memo1Change();
    void Edit6Change();
    void Memo1KeyDown();
    // An edit the author made in a box, by any means: marks the question changed.
    void authorEdited();

    // ---- Window commands -------------------------------------------------------------------
    void New1Click();
    void Open1Click();
    void Exit1Click();
    void SpeedButton3Click();
    // True when the setup was accepted and the editor restarted.
    bool SetupClick();
    // Opens a quiz file: the steps of Open after its dialog; a relative name is made absolute
    // first. False (error shown) on failure, leaving the window with no quiz.
    bool OpenQuizFile(const QString& path);
    // Question banks: Import appends a bank's questions to the open quiz (or starts a quiz from
    // them), Export writes the quiz's questions to a bank file, Check Quiz lists what would go
    // wrong on the quiz's page.
    void ImportQuestions1Click();
    void ExportQuestions1Click();
    void CheckQuiz1Click();

    // Commands whose windows are added by later work; each is marked where it is to be filled.
    void HtmlOptions1Click();
    void Create1Click();
    void Preview1Click();
    void HelponTamberlin1Click();
    void About1Click();
    void InsertImgBtnClick();
    void ClearImgBtnClick();
    void Image1MouseDown();
    // The preferences dialog's loading step, run from BeginEditing and FormShow.
    void LoadHtmlPreferences();
    // What page generation does at its end: remember the page and let Preview run.
    void PageCreated(const QString& htmlFile);

    // ---- Window life -----------------------------------------------------------------------
    void FormShow();
    // True when the window may close (after the unsaved-changes prompt).
    bool FormCloseQuery();
    // Creates the splash window, shown at start-up and as the about window.
    void CreateSplash();
    // Creates the dialogs that live from start-up to exit: the preferences dialog, the setup
    // dialog, the image viewer and the picture chooser.
    void CreateDialogs();
    Tqsetup* qsetup() const { return qsetup_; }
    TSplash* Splash = nullptr;
    TNewHtml* NewHtml = nullptr;
    TPicForm* PicForm = nullptr;
    TPictureDialog* PictureDialog = nullptr;

    // The background picture painted over the client area.
    const QImage& backgroundPicture() const { return background_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate(const QString& commandLineFile);
    void buildControls();
    void buildMenus();
    void FormPaint(QWidget* client);
    // Calls handler when box's text becomes different from what it was.
    void watchText(QWidget* box, std::function<QString()> text, void (TForm1::*handler)());
    // The "You have made some changes..." question with Yes storing and saving; false when the
    // command that asked must stop.
    bool askToSaveChanges(bool (TForm1::*save)());
    // The "Save changes?" question about edits still in the boxes, asked while the question is
    // marked changed. Yes stores them. False when the command that asked must stop (Cancel, or
    // a store that stopped at a check). After No the edits stay marked until the command
    // replaces them.
    bool settlePendingEdits();
    // Moves to question n, dropping whatever the boxes held.
    void showAnotherQuestion(int n);
    void showErrorOf(const std::exception& error);
    bool writeQuiz(const QString& path);
    void setCaptionFromFileName();
    void setFileCommandsEnabled(bool on);
    void setHtmlMenuEnabled(bool on);
    void setCreateEnabled(bool menuItem, bool button);
    void setPreviewEnabled(bool on);
    void enterNoQuizState();
    // The question text as stored: CR LF between lines, every character as typed.
    QString memoText() const;
    void setMemoText(const QString& text);
    // What Memo1 shows, every character as it is, with "\n" between lines.
    QString memoShownLines() const;
    QLineEdit* choiceBox(int k) const;
    QLabel* choiceLabel(int k) const;
    static void setBoxColour(QWidget* box, bool white);

    QuizDocument document_;
    QImage background_;
    Tqsetup* qsetup_ = nullptr;
    bool lastSaveFailed_ = false;
    QHash<QObject*, QString> lastText_;
    // Raised while the program sets Memo1's text, so that only the author's edits mark it.
    bool programSetsMemo_ = false;
    // The text the program last put into Memo1, as the slot holds it, and whether the author
    // has changed it since: an unedited text is stored back exactly, lone CR or LF included.
    QString memoSetText_;
    bool memoEditedByAuthor_ = false;

public:
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
    PictureBox* Image1 = nullptr;
    QLabel* Image2 = nullptr;
    QToolButton* InsertImgBtn = nullptr;
    QToolButton* ClearImgBtn = nullptr;
    QToolButton* createbtn = nullptr;
    QToolButton* PreviewBtn = nullptr;
    QFrame* Bevel1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QFrame* Bevel3 = nullptr;
    QPlainTextEdit* scriptmemo = nullptr;

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
    QAction* Exit1 = nullptr;
    QAction* HtmlOptions1 = nullptr;
    QAction* Create1 = nullptr;
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

// The prompt of the close, New and Open commands.
inline const char kSaveChangesPrompt[] =
    "You have made some changes to this Quiz. Do you want to save the changes?";

// Decodes the window's background JPEG held in the program's resources.
QImage DecodeBackgroundPicture(const QByteArray& jpegBytes);

} // namespace tamberlin
