#pragma once

#include "document/html_prefs.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <string>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tamberlin {

class QuizHost;
class TPictureDialog;

namespace look {
class ColorShape;
class EntryBox;
class NumberField;
class PictureBox;
} // namespace look

// The "HTML Preference" window: the look of the generated page. It loads its controls from the
// quiz's page-look block and its Apply writes the block back, rebuilds the three FONT tags and
// the BODY attributes, and saves the quiz through the main window.
//
// The main window owns one instance for the whole run. Besides showing it modally, it runs the
// loading step without showing it (LoadFromQuiz: after Setup's Accept, after Open, at the first
// showing of the main window) and runs Apply before writing the page, then hands BodyAttributes()
// and the three font switches to the page writer.
class TNewHtml : public QDialog {
    Q_OBJECT
public:
    TNewHtml(QuizHost& host, TPictureDialog& pictureDialog, QWidget* parent = nullptr);
    ~TNewHtml() override;

    // The attributes that end the page's BODY tag (system code page, at most 255 characters),
    // rebuilt by every Apply that completes; empty until then.
    const std::string& BodyAttributes() const { return bodyAttributes_; }
    // The three font switches as the check boxes show them.
    bool titleFontChecked() const;
    bool questionFontChecked() const;
    bool choiceFontChecked() const;

    // The loading step as it runs when the dialog is shown: a preview picture that cannot be
    // loaded is reported in the standard error box.
    void FormShow();
    // The loading step as the main window runs it without showing the dialog: errors ignored.
    void LoadFromQuiz();

    // Apply: stores the controls into the block, saves the quiz, rebuilds BodyAttributes and
    // closes the dialog. Returns false when the save failed or was cancelled: then the block
    // holds the new settings, BodyAttributes is unchanged, the dialog stays open, and the command
    // that asked stops.
    bool ApplyBtnClick();
    // Cancel: nothing is written, and the controls go back to what the block holds.
    void SpeedButton1Click();
    // BG Image: choose a background picture through the picture chooser.
    void SpeedButton3Click();
    // Clear Image.
    void ClearImgBtnClick();
    // Each row's FONT tag into its hidden holder, from the row's face, size and colour.
    void BuildFontTags();

    // The window's background picture (370 x 477), loaded once at creation.
    const QImage& backgroundPicture() const { return background_; }

public slots:
    // Closing from the frame counts as Cancel.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    // No key closes the dialog: Escape would throw away every edit made in it.
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    struct FontRow {
        QCheckBox* box = nullptr;
        QLabel* caption = nullptr;
        look::ColorShape* color = nullptr;
        look::NumberField* size = nullptr;
        look::EntryBox* face = nullptr;
        QLabel* holder = nullptr; // hidden: the row's FONT tag and, as its font colour, its colour
    };
    struct RowFields {
        std::uint8_t& on;
        TColor& color;
        std::int32_t& size;
        CountedString<200>& tag;
        CountedString<100>& face;
    };

    void createControls();
    struct RowNames {
        const char16_t* box;
        const char16_t* caption;
        const char16_t* color;
        const char16_t* size;
        const char16_t* face;
        const char16_t* holder;
    };
    FontRow createFontRow(const RowNames& names, const QString& caption, int boxTop, int captionTop,
                          int controlTop);
    void runLoadingStep(bool reportErrors);
    void loadFontRow(FontRow& row, const RowFields& fields);
    void storeFontRow(const FontRow& row, const RowFields& fields);
    RowFields titleFields();
    RowFields questionFields();
    RowFields choiceFields();
    // Loads the preview; a failure keeps the picture shown before. True when it loaded.
    bool showPreview(const QString& path, bool reportErrors);

    QuizHost& host_;
    TPictureDialog& pictureDialog_;
    std::string bodyAttributes_;
    QImage background_;

    QLabel* Label2;
    QLineEdit* Edit2;
    QLabel* Label8;
    look::EntryBox* RG1;
    QFrame* Bevel3;
    QFrame* Bevel2;
    look::PictureBox* Image1;
    QPushButton* SpeedButton3;
    QLabel* Label7;
    QCheckBox* fixedBG;
    QPushButton* ClearImgBtn;
    QLabel* piclabel;
    QLabel* Label5;
    QCheckBox* textsel;
    look::ColorShape* TextColShape;
    QLabel* Label6;
    QCheckBox* bgset;
    look::ColorShape* BGSetShape;
    QFrame* Bevel1;
    FontRow title_;
    FontRow question_;
    FontRow choice_;
    QPushButton* SpeedButton1;
    QPushButton* ApplyBtn;
};

} // namespace tamberlin
