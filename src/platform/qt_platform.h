#pragma once

#include "platform/platform.h"

#include <QColorDialog>
#include <QPointer>

namespace tamberlin {

// The platform seam on Qt Widgets: QMessageBox, QFileDialog, QColorDialog and xdg-open.
class QtPlatform : public Platform {
protected:
    void doShowMessage(const QString& text) override;
    Answer doConfirm(const QString& text, Buttons buttons) override;
    void doShowError(const QString& text) override;
    void doShowErrorBox(const QString& text) override;
    std::optional<QString> doGetOpenFileName(const FileDialogOptions& options) override;
    std::optional<QString> doGetSaveFileName(const FileDialogOptions& options) override;
    std::optional<std::uint32_t> doChooseColor(std::uint32_t initial) override;
    bool doShellOpen(const QString& target, const QString& workingFolder) override;

private:
    QPointer<QColorDialog> colorChooser_;
};

// "Tamberlin files (*.qvt)|*.qvt" in the form of Qt's file dialogs: "Tamberlin files (*.qvt)".
QString QtFileDialogFilter(const QString& filter);

} // namespace tamberlin
