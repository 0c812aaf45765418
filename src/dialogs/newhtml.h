#pragma once

#include "document/html_prefs.h"
#include "generator/page_look.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <array>
#include <string>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tamberlin {

class QuizHost;
class TPictureDialog;

namespace widgets {
class ColorShape;
class EntryBox;
class NumberField;
class PictureBox;
} // namespace widgets

// The "HTML Preference" window: edits the quiz's page-look settings and nothing else. It moves a
// PageLookForm to and from its controls: loading shows LoadPageLook of the quiz's page-look
// block, and Apply hands what the controls show to ApplyPageLook, which writes the block back,
// then saves the quiz through the main window. The page itself takes its inputs from the block
// (PreparePageInputs, generator/publishing.h), not from this window.
//
// The main window owns one instance for the whole run. Besides showing it modally, it runs the
// loading step without showing it (LoadFromQuiz: after Setup's Accept, after Open, at the first
// showing of the main window).
class TNewHtml : public QDialog {
    Q_OBJECT
public:
    TNewHtml(QuizHost& host, TPictureDialog& pictureDialog, QWidget* parent = nullptr);
    ~TNewHtml() override;

    // The loading step as it runs when the dialog is shown: a preview picture that cannot be
    // loaded is reported in the standard error box.
    void FormShow();
    // The loading step as the main window runs it without showing the dialog: errors ignored.
    void LoadFromQuiz();

    // Apply: stores the controls into the block (font tags rebuilt from their rows), saves the
    // quiz and closes the dialog. Returns false when the save failed or was cancelled: then the
    // block holds the new settings, the dialog stays open, and the command that asked stops.
    bool ApplyBtnClick();
    // Cancel: nothing is written, and the controls go back to what the block holds.
    void SpeedButton1Click();
    // BG Image: choose a background picture through the picture chooser.
    void SpeedButton3Click();
    // Clear Image.
    void ClearImgBtnClick();

    // The window's background picture (370 x 477), loaded once at creation.
    const QImage& backgroundPicture() const { return background_; }

public slots:
    // Closing from the frame counts as Cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    // Return applies; Escape cancels (QDialog's own).
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct FontRow {
        QCheckBox* box = nullptr;
        QLabel* caption = nullptr;
        widgets::ColorShape* color = nullptr;
        widgets::NumberField* size = nullptr;
        widgets::EntryBox* face = nullptr;
    };

    void createControls();
    struct RowNames {
        const char16_t* box;
        const char16_t* caption;
        const char16_t* color;
        const char16_t* size;
        const char16_t* face;
    };
    FontRow createFontRow(const RowNames& names, const QString& caption, int boxTop, int captionTop,
                          int controlTop);
    void runLoadingStep(bool reportErrors);
    // Title, question and choice rows, in the order of PageLookForm's rows.
    std::array<FontRow*, 3> fontRows();
    // What the controls show now.
    PageLookForm shownForm();
    // Loads the preview; a failure keeps the picture shown before. True when it loaded.
    bool showPreview(const QString& path, bool reportErrors);

    QuizHost& host_;
    TPictureDialog& pictureDialog_;
    QImage background_;

    QLabel* Label2;
    QLineEdit* Edit2;
    QLabel* Label8;
    widgets::EntryBox* RG1;
    QFrame* Bevel3;
    QFrame* Bevel2;
    widgets::PictureBox* Image1;
    QPushButton* SpeedButton3;
    QLabel* Label7;
    QCheckBox* fixedBG;
    QPushButton* ClearImgBtn;
    QLabel* piclabel;
    QLabel* Label5;
    QCheckBox* textsel;
    widgets::ColorShape* TextColShape;
    QLabel* Label6;
    QCheckBox* bgset;
    widgets::ColorShape* BGSetShape;
    QFrame* Bevel1;
    FontRow title_;
    FontRow question_;
    FontRow choice_;
    QPushButton* SpeedButton1;
    QPushButton* ApplyBtn;
};

} // namespace tamberlin
