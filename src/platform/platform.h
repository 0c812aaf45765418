#pragma once

#include <QMarginsF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

class QPagedPaintDevice;
class QWidget;

namespace tamberlin {

// Every modal question the program asks and every hand-off to the desktop goes through this
// seam: the program installs the Qt implementation, the tests a scripted fake that answers from
// a queue and records what was asked.
class Platform {
public:
    enum class Answer { Yes, No, Cancel };
    enum class Buttons { YesNoCancel, YesNo };

    struct FileDialogOptions {
        // The filter in the program's own form: "Description|pattern[|Description|pattern...]",
        // e.g. "Tamberlin files (*.qvt)|*.qvt".
        QString filter;
        // Appended (with a dot) to a chosen name that has no extension; empty for none.
        QString defaultExtension;
        // Open dialogs only: whether the chosen file must already exist.
        bool fileMustExist = false;
        // The folder the dialog starts in; empty for the dialog's own choice.
        QString initialFolder;
        // The dialog's title; empty for the system's own ("Open", "Save As").
        QString title;
    };

    // A document to print. paint draws it on the printer the author set up, skipping every page
    // n (from 1) for which wanted(n) is false, as a page range asks; it returns an error text,
    // empty when all went well.
    struct PrintJob {
        QString documentName;
        // The pages at the proposed paper size: the range the dialog offers.
        int pageCount = 0;
        // The page margins, in millimetres.
        QMarginsF margins;
        std::function<QString(QPagedPaintDevice& device, const std::function<bool(int)>& wanted)>
            paint;
    };
    struct PrintOutcome {
        enum Status { Printed, Cancelled, Failed };
        Status status = Printed;
        QString error; // Failed
    };

    virtual ~Platform() = default;

    // A plain message: caption "Tamberlin", no icon, one "OK" button.
    void showMessage(const QString& text) { doShowMessage(text); }

    // A confirmation: caption "Confirm", question icon, "&Yes", "&No" and (YesNoCancel) "Cancel";
    // the first button is the default. Escape answers Cancel, or No where there is no Cancel
    // button; the close box answers Cancel.
    Answer confirm(const QString& text, Buttons buttons) { return doConfirm(text, buttons); }

    // The standard error box of a failed action: caption "Tamberlin", error icon, "OK". A full
    // stop is added when the message's last character sorts after "." in character-code order.
    void showError(const QString& message) { doShowError(standardErrorText(message)); }

    // An error message box: caption "Error", error icon, "OK", centred on the screen.
    void showErrorBox(const QString& text) { doShowErrorBox(text); }

    // A message with a list under it that the reader can scroll (an import's outcome, line by
    // line): caption "Tamberlin", one "OK" button.
    void showList(const QString& summary, const QStringList& items) { doShowList(summary, items); }

    // A question with one button per option and "Cancel": caption "Confirm", question icon.
    // Returns the option's index, or nothing for Cancel, Escape or the close box.
    std::optional<int> choose(const QString& text, const QStringList& options) {
        return doChoose(text, options);
    }

    // The system's open and save dialogs. A confirmed choice is handed back as an absolute path
    // and makes the chosen file's folder the process's current folder (bare picture names are
    // resolved against it).
    std::optional<QString> getOpenFileName(const FileDialogOptions& options);
    std::optional<QString> getSaveFileName(const FileDialogOptions& options);

    // The one colour chooser of the program: it opens on the colour last chosen in it (black
    // the first time). Returns the chosen colour as 0x00BBGGRR, or nothing on Cancel.
    std::optional<std::uint32_t> chooseColor();
    std::uint32_t lastChosenColor() const { return lastColor_; }

    // Asks the desktop to open a file or web address (shell "open") with the given working
    // folder. Returns false when it cannot be started or a local file to open does not exist.
    bool shellOpen(const QString& target, const QString& workingFolder) {
        return doShellOpen(target, workingFolder);
    }

    // The system's print dialog; when the author confirms it, the job is painted on the printer
    // chosen there. Nothing is printed on Cancel.
    PrintOutcome print(const PrintJob& job) { return doPrint(job); }

    static QString standardErrorText(const QString& message);

    // The window that modal questions belong to (may be null).
    void setParentWindow(QWidget* window) { parent_ = window; }
    QWidget* parentWindow() const { return parent_; }

protected:
    virtual void doShowMessage(const QString& text) = 0;
    virtual Answer doConfirm(const QString& text, Buttons buttons) = 0;
    virtual void doShowError(const QString& text) = 0;
    virtual void doShowErrorBox(const QString& text) = 0;
    virtual void doShowList(const QString& summary, const QStringList& items) = 0;
    virtual std::optional<int> doChoose(const QString& text, const QStringList& options) = 0;
    virtual std::optional<QString> doGetOpenFileName(const FileDialogOptions& options) = 0;
    virtual std::optional<QString> doGetSaveFileName(const FileDialogOptions& options) = 0;
    virtual std::optional<std::uint32_t> doChooseColor(std::uint32_t initial) = 0;
    virtual bool doShellOpen(const QString& target, const QString& workingFolder) = 0;
    virtual PrintOutcome doPrint(const PrintJob& job) = 0;

private:
    QWidget* parent_ = nullptr;
    std::uint32_t lastColor_ = 0;
};

// The platform the program uses. The Qt implementation unless a test installed another.
Platform& platform();
// Installs a platform (not owned); null restores the Qt implementation.
void setPlatform(Platform* platform);

} // namespace tamberlin
