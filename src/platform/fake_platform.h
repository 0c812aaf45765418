#pragma once

#include "platform/platform.h"

#include <QList>
#include <QString>

#include <deque>
#include <functional>
#include <optional>

namespace tamberlin {

// The platform seam for tests: every question is answered from a queue of scripted answers and
// recorded with its caption, text and buttons. A question with no scripted answer of its kind
// calls onUnexpected (by default a fatal error naming the question), so that no modal loop ever
// blocks a test and no unexpected prompt goes unnoticed.
class FakePlatform : public Platform {
public:
    enum class Kind {
        Message,
        Confirm,
        Error,
        ErrorBox,
        List,
        Choice,
        OpenFile,
        SaveFile,
        Color,
        ShellOpen,
        Print
    };

    struct Question {
        Kind kind = Kind::Message;
        QString caption;
        QString text;
        QStringList buttons;
        QStringList items;              // List: the list's lines
        FileDialogOptions fileOptions;  // OpenFile, SaveFile
        std::uint32_t initialColor = 0; // Color
        QString workingFolder;          // ShellOpen
        int pageCount = 0;              // Print: the pages the dialog offered
    };

    struct Reply {
        Kind kind = Kind::Message;
        Answer answer = Answer::Yes;        // Confirm
        std::optional<int> choice;          // Choice: nullopt = cancelled
        bool fileChosen = false;            // OpenFile, SaveFile, Print: false = cancelled
        QString fileName;                   // Print: the PDF the job is printed into
        std::optional<std::uint32_t> color; // Color: nullopt = cancelled
        bool shellResult = true;            // ShellOpen
    };

    // Script the next answers, in order. Messages and error boxes need a reply too (they have
    // only OK), so that a test states every box it expects.
    void expectMessage() { script(Kind::Message); }
    void expectError() { script(Kind::Error); }
    void expectErrorBox() { script(Kind::ErrorBox); }
    void expectList() { script(Kind::List); }
    void answerChoice(std::optional<int> choice) { script(Kind::Choice).choice = choice; }
    void answerConfirm(Answer answer) { script(Kind::Confirm).answer = answer; }
    // A file name, or nothing for a cancelled dialog.
    void answerOpenFile(const std::optional<QString>& name) { scriptFile(Kind::OpenFile, name); }
    void answerSaveFile(const std::optional<QString>& name) { scriptFile(Kind::SaveFile, name); }
    void answerColor(std::optional<std::uint32_t> color) { script(Kind::Color).color = color; }
    void answerShellOpen(bool started) { script(Kind::ShellOpen).shellResult = started; }
    // The print dialog: confirmed, the job is printed into a PDF file at pdfPath (A4, the job's
    // margins) for the test to read; nothing for a cancelled dialog.
    void answerPrint(const std::optional<QString>& pdfPath) { scriptFile(Kind::Print, pdfPath); }

    const QList<Question>& asked() const { return asked_; }
    const Question& lastAsked() const { return asked_.constLast(); }
    void clearAsked() { asked_.clear(); }
    // True when every scripted answer has been used.
    bool allAnswered() const { return replies_.empty(); }
    std::size_t pendingReplies() const { return replies_.size(); }

    std::function<void(const Question&)> onUnexpected;

    static QString kindName(Kind kind);

protected:
    void doShowMessage(const QString& text) override;
    Answer doConfirm(const QString& text, Buttons buttons) override;
    void doShowError(const QString& text) override;
    void doShowErrorBox(const QString& text) override;
    void doShowList(const QString& summary, const QStringList& items) override;
    std::optional<int> doChoose(const QString& text, const QStringList& options) override;
    std::optional<QString> doGetOpenFileName(const FileDialogOptions& options) override;
    std::optional<QString> doGetSaveFileName(const FileDialogOptions& options) override;
    std::optional<std::uint32_t> doChooseColor(std::uint32_t initial) override;
    bool doShellOpen(const QString& target, const QString& workingFolder) override;
    PrintOutcome doPrint(const PrintJob& job) override;

private:
    Reply& script(Kind kind) {
        replies_.emplace_back();
        replies_.back().kind = kind;
        return replies_.back();
    }
    void scriptFile(Kind kind, const std::optional<QString>& name) {
        Reply& reply = script(kind);
        reply.fileChosen = name.has_value();
        reply.fileName = name.value_or(QString());
    }
    static Question question(Kind kind, const QString& caption, const QString& text,
                             const QStringList& buttons) {
        Question q;
        q.kind = kind;
        q.caption = caption;
        q.text = text;
        q.buttons = buttons;
        return q;
    }

    // Records the question and takes the next reply, which must be of the same kind.
    Reply take(Question question);

    std::deque<Reply> replies_;
    QList<Question> asked_;
};

} // namespace tamberlin
