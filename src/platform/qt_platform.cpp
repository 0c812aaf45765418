#include "platform/qt_platform.h"

#include "qtbridge/centring.h"
#include "qtbridge/colour_bridge.h"

#include <QCloseEvent>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPageRanges>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace tamberlin {

namespace {

const QString kAppTitle = QStringLiteral("Tamberlin");

// A message box that tells a close-box close apart from Escape. The buttons and Escape (which
// clicks the escape button) end the box without a close event; only a request to close the
// window, as the close box makes, sends one.
class ConfirmBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool closedFromFrame() const { return closedFromFrame_; }

protected:
    void closeEvent(QCloseEvent* event) override {
        closedFromFrame_ = true;
        QMessageBox::closeEvent(event);
    }

private:
    bool closedFromFrame_ = false;
};

void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
             bool centreOnScreen) {
    QMessageBox box(icon, caption, text, QMessageBox::NoButton, parent);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    if (centreOnScreen) {
        box.adjustSize();
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            CentreOn(&box, screen->availableGeometry());
        }
    }
    box.exec();
}

// Qt's file dialog takes the patterns of a filter from the last bracket of its text, separated
// by spaces ("Pictures (*.jpg *.gif)"); a ";" there would make one pattern that matches nothing.
// So each filter is written as its description, without a bracket of patterns it may end in,
// followed by its real patterns in that form. A description's own list of patterns only repeats
// them for the author; the patterns after the "|" are the ones that count.
QStringList qtFilters(const QString& filter) {
    static const QRegularExpression trailingBracket(
        QStringLiteral("\\s*\\([^()]*[*?][^()]*\\)\\s*$"));
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(trailingBracket);
        const QStringList patterns = parts[i + 1].split(separators, Qt::SkipEmptyParts);
        result << description.trimmed() + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return result;
}

std::optional<QString> runFileDialog(QWidget* parent, const Platform::FileDialogOptions& options,
                                     bool save) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save || !options.fileMustExist ? QFileDialog::AnyFile
                                                      : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setNameFilters(qtFilters(options.filter));
    if (!options.defaultExtension.isEmpty()) {
        dialog.setDefaultSuffix(options.defaultExtension);
    }
    if (!options.title.isEmpty()) {
        dialog.setWindowTitle(options.title);
    }
    if (!options.initialFolder.isEmpty()) {
        dialog.setDirectory(options.initialFolder);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace

QString QtFileDialogFilter(const QString& filter) {
    return qtFilters(filter).join(QStringLiteral(";;"));
}

void QtPlatform::doShowMessage(const QString& text) {
    showBox(parentWindow(), QMessageBox::NoIcon, kAppTitle, text, false);
}

Platform::Answer QtPlatform::doConfirm(const QString& text, Buttons buttons) {
    ConfirmBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::NoButton,
                   parentWindow());
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    QPushButton* cancel = nullptr;
    if (buttons == Buttons::YesNoCancel) {
        cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    }
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel != nullptr ? cancel : no);
    box.exec();
    if (box.closedFromFrame()) {
        return Answer::Cancel;
    }
    if (box.clickedButton() == yes) {
        return Answer::Yes;
    }
    if (box.clickedButton() == no) {
        return Answer::No;
    }
    return Answer::Cancel;
}

void QtPlatform::doShowError(const QString& text) {
    showBox(parentWindow(), QMessageBox::Critical, kAppTitle, text, false);
}

void QtPlatform::doShowErrorBox(const QString& text) {
    showBox(parentWindow(), QMessageBox::Critical, QStringLiteral("Error"), text, true);
}

void QtPlatform::doShowList(const QString& summary, const QStringList& items) {
    QDialog dialog(parentWindow());
    dialog.setWindowTitle(kAppTitle);
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(summary, &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("outcomeList"));
    list->setWordWrap(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->addItems(items);
    list->setVisible(!items.isEmpty());
    layout->addWidget(list);
    auto* buttons = new QDialogButtonBox(&dialog);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(620, items.isEmpty() ? 120 : 420);
    dialog.exec();
}

std::optional<int> QtPlatform::doChoose(const QString& text, const QStringList& options) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::NoButton,
                    parentWindow());
    QList<QAbstractButton*> buttons;
    for (const QString& option : options) {
        buttons << box.addButton(option, QMessageBox::AcceptRole);
    }
    box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    if (!buttons.isEmpty()) {
        box.setDefaultButton(qobject_cast<QPushButton*>(buttons.constFirst()));
    }
    box.exec();
    const qsizetype index = buttons.indexOf(box.clickedButton());
    return index < 0 ? std::nullopt : std::optional<int>(static_cast<int>(index));
}

std::optional<QString> QtPlatform::doGetOpenFileName(const FileDialogOptions& options) {
    return runFileDialog(parentWindow(), options, false);
}

std::optional<QString> QtPlatform::doGetSaveFileName(const FileDialogOptions& options) {
    return runFileDialog(parentWindow(), options, true);
}

std::optional<std::uint32_t> QtPlatform::doChooseColor(std::uint32_t initial) {
    // One chooser for the whole program, owned by the main window once there is one.
    if (colorChooser_.isNull()) {
        colorChooser_ = new QColorDialog(parentWindow());
        colorChooser_->setObjectName(QStringLiteral("ColorDialog1"));
    }
    colorChooser_->setCurrentColor(ToQColor(initial));
    if (colorChooser_->exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return FromQColor(colorChooser_->selectedColor());
}

bool QtPlatform::doShellOpen(const QString& target, const QString& workingFolder) {
    // A web address names its scheme and "//"; anything else is a file of this system, whose
    // name may hold ":" like any other character.
    static const QRegularExpression webAddress(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    QString argument = target;
    if (!webAddress.match(target).hasMatch()) {
        QFileInfo file(target);
        if (file.isRelative() && !workingFolder.isEmpty()) {
            file = QFileInfo(workingFolder + u'/' + target);
        }
        // The shell reports a missing document as a failure.
        if (target.isEmpty() || !file.exists()) {
            return false;
        }
        // Handed over as a full path, so that no file name is taken for an option or an address.
        argument = file.absoluteFilePath();
    }
    return QProcess::startDetached(launcher_, {argument}, workingFolder);
}

Platform::PrintOutcome QtPlatform::doPrint(const PrintJob& job) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(job.documentName);
    printer.setPageMargins(job.margins, QPageLayout::Millimeter);
    QPrintDialog dialog(&printer, parentWindow());
    dialog.setWindowTitle(QStringLiteral("Print"));
    dialog.setMinMax(1, std::max(1, job.pageCount));
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintPageRange |
                      QAbstractPrintDialog::PrintCollateCopies |
                      QAbstractPrintDialog::PrintShowPageSize);
    if (dialog.exec() != QDialog::Accepted) {
        return {PrintOutcome::Cancelled, {}};
    }
    const QPageRanges ranges =
        printer.printRange() == QPrinter::PageRange ? printer.pageRanges() : QPageRanges();
    const auto wanted = [&ranges](int page) { return ranges.isEmpty() || ranges.contains(page); };
    const QString error = job.paint(printer, wanted);
    if (!error.isEmpty()) {
        return {PrintOutcome::Failed, error};
    }
    if (printer.printerState() == QPrinter::Error) {
        return {PrintOutcome::Failed, QStringLiteral("The printer reported an error")};
    }
    return {PrintOutcome::Printed, {}};
}

} // namespace tamberlin
