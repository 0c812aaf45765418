#pragma once

#include <QDialog>
#include <QString>

#include <optional>

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;

namespace tamberlin {

namespace widgets {
class PictureBox;
}

// The picture chooser: the author browses for a picture, sees it previewed, may copy the file
// into the HTML folder (the quiz file's folder), and chooses whether the address handed back is
// the picture's full path or its bare file name.
//
// The caller sets HtmlFolder (the folder part of the quiz file name, trailing separator
// included; empty while the quiz has none), shows the dialog modally, and reads PictureAddress
// only when it closed with Accepted (after Apply).
class TPictureDialog : public QDialog {
    Q_OBJECT
public:
    explicit TPictureDialog(QWidget* parent = nullptr);

    // The longest picture address that fits the quiz's address fields.
    static constexpr int kMaxAddressLength = 250;
    // The open dialog's filter, in the platform seam's "Description|pattern" form.
    static QString browseFilter();

    // Full path of the picture last chosen by Browse; kept from one showing to the next.
    QString PicturePath;
    // Set by the caller before each showing.
    QString HtmlFolder;
    // What Apply hands back (full path or bare file name); Cancel empties it.
    QString PictureAddress;

    // The steps run each time the dialog is shown (also callable by tests).
    void FormShow();
    void BrowseBtnClick();
    // Returns true when the dialog closed with OK; false when a failure kept it open.
    bool ApplyBtnClick();
    void CancelBtnClick();

    // Sets HtmlFolder from a quiz file name and runs the dialog modally; the picture address
    // when it closed with OK.
    std::optional<QString> choosePicture(const QString& quizFileName);

protected:
    void showEvent(QShowEvent* event) override;
    // No key is bound to Apply or Cancel, Escape included.
    void keyPressEvent(QKeyEvent* event) override;

private:
    QFrame* Shape1;
    widgets::PictureBox* TheImage;
    QLabel* ImageLabel;
    QPushButton* BrowseBtn;
    QCheckBox* CopyImg;
    QCheckBox* AbsoluteAddress;
    QPushButton* CancelBtn;
    QPushButton* ApplyBtn;
};

} // namespace tamberlin
