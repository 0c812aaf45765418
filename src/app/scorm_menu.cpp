// The HTML menu's export for learning platforms: the quiz as a package, as tamberlin --scorm
// makes it.
#include "app/main_window.h"

#include "document/paths.h"
#include "packages/scorm_package.h"
#include "platform/platform.h"

namespace tamberlin {

void TForm1::ExportScorm1Click() {
    // The package holds the published page, named after the quiz file and made from the quiz as
    // saved: a quiz without a name or with unsaved changes is saved first, as Create Html does.
    if (session_->quizFileName().empty() || session_->quizChanged()) {
        if (!Save1Click().saved()) {
            return;
        }
    }
    const std::string quizPath = session_->quizFileName();
    Platform::FileDialogOptions options;
    options.filter = QStringLiteral("SCORM packages (*.zip)|*.zip");
    options.defaultExtension = QStringLiteral("zip");
    options.initialFolder = QString::fromStdString(std::string(PathFolderPart(quizPath)));
    const std::optional<QString> chosen = platform().getSaveFileName(options);
    if (!chosen) {
        return;
    }
    try {
        ExportScormPackage(quiz(), quizPath, chosen->toStdString(), ScormOptions{});
    } catch (const TamberlinError& e) {
        platform().showError(QString::fromUtf8(e.what()));
        return;
    }
    platform().showMessage(QStringLiteral("The SCORM package ") + *chosen +
                           QStringLiteral(" has been created."));
}

} // namespace tamberlin
