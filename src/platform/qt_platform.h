#pragma once

#include "platform/platform.h"

#include <QColorDialog>
#include <QPointer>

namespace tamberlin {

// The platform seam on Qt Widgets: QMessageBox, QFileDialog, QColorDialog, xdg-open and
// QPrintDialog.
class QtPlatform : public Platform {
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

public:
    // The program that opens documents and web addresses ("xdg-open"); it is started detached
    // with the target as its one argument, in the working folder asked for.
    void setLauncher(const QString& program) { launcher_ = program; }

private:
    QPointer<QColorDialog> colorChooser_;
    QString launcher_ = QStringLiteral("xdg-open");
};

// "Tamberlin files (*.qvt)|*.qvt" in the form of Qt's file dialogs: "Tamberlin files (*.qvt)".
QString QtFileDialogFilter(const QString& filter);

} // namespace tamberlin
