#include "dialogs/picture_dialog.h"

#include "document/errors.h"
#include "document/file_io.h"
#include "pictures/picture_loading.h"
#include "platform/platform.h"
#include "qtbridge/centring.h"
#include "qtbridge/qt_paths.h"
#include "qtbridge/qt_text.h"
#include "widgets/controls.h"
#include "widgets/picture_box.h"

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

#include <cstdint>
#include <string>

namespace tamberlin {

namespace {

QString ReasonText(int err) {
    return QString::fromLocal8Bit(SystemErrorText(err));
}

// Reads a whole picture file into memory (regular files only; a pipe cannot hang the program).
int ReadWholeFile(const QString& path, std::string& out) {
    return ReadFilePrefix(QFile::encodeName(path).toStdString(), SIZE_MAX, out);
}

} // namespace

TPictureDialog::TPictureDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("PictureDialog"));
    setWindowTitle(QStringLiteral("Picture Dialog"));
    setFixedSize(190, 335);
    QFont smallFont = font();
    smallFont.setPointSize(8);
    setFont(smallFont);

    Shape1 = new QFrame(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));
    Shape1->setStyleSheet(
        QStringLiteral("#Shape1 { background-color: #C0C0C0; border: 1px solid #808080; }"));
    Shape1->setGeometry(8, 8, 173, 173);

    TheImage = new widgets::PictureBox(this);
    TheImage->setObjectName(QStringLiteral("TheImage"));
    TheImage->setGeometry(12, 12, 165, 165);

    ImageLabel = new QLabel(this);
    ImageLabel->setObjectName(QStringLiteral("ImageLabel"));
    ImageLabel->setGeometry(11, 188, 150, 16);

    BrowseBtn = widgets::FlatPushButton(this, QStringLiteral("BrowseBtn"), QStringLiteral("Browse"),
                                        {8, 208, 173, 30});

    CopyImg = new QCheckBox(QStringLiteral("Save to HTML Folder"), this);
    CopyImg->setObjectName(QStringLiteral("CopyImg"));
    CopyImg->setGeometry(8, 248, 169, 17);

    AbsoluteAddress = new QCheckBox(QStringLiteral("Use Absolute Address"), this);
    AbsoluteAddress->setObjectName(QStringLiteral("AbsoluteAddress"));
    AbsoluteAddress->setGeometry(8, 272, 173, 17);
    setTabOrder(CopyImg, AbsoluteAddress);

    CancelBtn = widgets::FlatPushButton(this, QStringLiteral("CancelBtn"), QStringLiteral("Cancel"),
                                        {8, 296, 73, 30});
    ApplyBtn = widgets::FlatPushButton(this, QStringLiteral("ApplyBtn"), QStringLiteral("Apply"),
                                       {108, 296, 73, 30});

    connect(BrowseBtn, &QPushButton::clicked, this, &TPictureDialog::BrowseBtnClick);
    connect(ApplyBtn, &QPushButton::clicked, this, [this] { ApplyBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &TPictureDialog::CancelBtnClick);
}

QString TPictureDialog::browseFilter() {
    return QStringLiteral("All Web Images (*.jpg;*.gif;*.png)|*.jpg;*.gif;*.png|"
                          "JPEG Image File (*.jpg)|*.jpg|GIF Image File (*.gif)|*.gif|"
                          "PNG Image File (*.png)|*.png");
}

void TPictureDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        CentreOnScreen(this);
        FormShow();
    }
}

void TPictureDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TPictureDialog::FormShow() {
    TheImage->clearPicture();
    ImageLabel->clear();
    CopyImg->setChecked(false);
    AbsoluteAddress->setChecked(false);
}

void TPictureDialog::BrowseBtnClick() {
    Platform::FileDialogOptions options;
    options.filter = browseFilter();
    options.fileMustExist = false;
    const std::optional<QString> chosen = platform().getOpenFileName(options);
    if (!chosen) {
        return;
    }
    const LoadedPicture picture = LoadPictureForWindow(*chosen);
    if (!picture.ok()) {
        platform().showError(picture.error);
        return;
    }
    TheImage->setPicture(picture.image);
    PicturePath = *chosen;
    ImageLabel->setText(PathFileNamePart(PicturePath));
}

bool TPictureDialog::ApplyBtnClick() {
    const QString address =
        AbsoluteAddress->isChecked() ? PicturePath : PathFileNamePart(PicturePath);
    // The address is stored in the quiz's code page. A character it cannot hold would be stored
    // as "?", and the page would point at a file that does not exist (the copy keeps the real
    // name), so such an address is refused before anything is done.
    if (const QString outside = CharactersOutsideCodePage(address); !outside.isEmpty()) {
        const bool inName = !CharactersOutsideCodePage(PathFileNamePart(PicturePath)).isEmpty();
        QStringList listed;
        for (const char32_t c : outside.toUcs4()) {
            listed << QString::fromUcs4(&c, 1);
        }
        platform().showError(
            inName ? QStringLiteral("The picture's name has characters that can't be stored in "
                                    "the quiz (%1); rename the picture.")
                         .arg(listed.join(QStringLiteral(", ")))
                   : QStringLiteral("The picture's folder has characters that can't be stored in "
                                    "the quiz (%1); copy the picture to the HTML folder and use "
                                    "its bare name, or move it to another folder.")
                         .arg(listed.join(QStringLiteral(", "))));
        return false;
    }
    // The address is stored in a field of 250 characters; a longer one would be cut and the
    // page would point at a file that does not exist, so it is refused before anything is done.
    if (ToCodePage(address).size() > static_cast<std::size_t>(kMaxAddressLength)) {
        platform().showError(
            QStringLiteral("The picture's path is longer than 250 characters; copy it to the "
                           "HTML folder or use a shorter path."));
        return false;
    }

    if (CopyImg->isChecked()) {
        // The whole file is read before the target is written, so a target that is the source
        // itself is rewritten with its own content.
        std::string bytes;
        if (const int err = ReadWholeFile(PicturePath, bytes); err != 0) {
            platform().showError(
                QStringLiteral("Cannot open file \"%1\". %2").arg(PicturePath, ReasonText(err)));
            return false;
        }
        const QString target = JoinFolderAndName(HtmlFolder, PathFileNamePart(PicturePath));
        const QByteArray targetName = QFile::encodeName(target);
        if (const int err = WriteFileAtomically(targetName.toStdString(), bytes); err != 0) {
            platform().showError(
                QString::fromLocal8Bit(EFCreateError(targetName.toStdString(), err).what()));
            return false;
        }
    }

    PictureAddress = address;
    accept();
    return true;
}

void TPictureDialog::CancelBtnClick() {
    PictureAddress.clear();
    reject();
}

std::optional<QString> TPictureDialog::choosePicture(const QString& quizFileName) {
    HtmlFolder = PathFolderPart(quizFileName);
    if (exec() == QDialog::Accepted) {
        return PictureAddress;
    }
    return std::nullopt;
}

} // namespace tamberlin
