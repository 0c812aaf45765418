#include "dialogs/newhtml.h"

#include "dialogs/picture_dialog.h"
#include "dialogs/quiz_host.h"
#include "pictures/picture_loader.h"
#include "pictures/picture_loading.h"
#include "platform/platform.h"
#include "qtbridge/centring.h"
#include "qtbridge/colour_bridge.h"
#include "qtbridge/qt_paths.h"
#include "qtbridge/qt_text.h"
#include "widgets/color_shape.h"
#include "widgets/controls.h"
#include "widgets/entry_box.h"
#include "widgets/number_field.h"
#include "widgets/picture_box.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>

// The window's resources live in the dialog library; a static library needs them registered by
// hand (outside any namespace).
static void RegisterPageLookResources() {
    Q_INIT_RESOURCE(dialogs);
}

namespace tamberlin {

namespace {

// The window's background picture, decoded through the picture loader like every picture of the
// program. It is the only place that knows where the picture is kept.
QImage LoadBackgroundPicture() {
    return LoadResourcePicture(QStringLiteral(":/newhtml/background.jpg"));
}

// The face list of every font row, in list order.
QStringList FaceEntries() {
    QStringList entries;
    for (const std::string_view face : kFontFaceNames) {
        entries << QString::fromLatin1(face.data(), static_cast<qsizetype>(face.size()));
    }
    return entries;
}

} // namespace

TNewHtml::TNewHtml(QuizHost& host, TPictureDialog& pictureDialog, QWidget* parent)
    : QDialog(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      host_(host), pictureDialog_(pictureDialog) {
    RegisterPageLookResources();
    setObjectName(QStringLiteral("NewHtml"));
    setWindowTitle(QStringLiteral("HTML Preference"));
    setModal(true);
    setFixedSize(362, 408);
    QFont windowFont = font();
    windowFont.setPointSize(10);
    setFont(windowFont);
    background_ = LoadBackgroundPicture();
    createControls();
}

TNewHtml::~TNewHtml() = default;

void TNewHtml::createControls() {
    // Frames first, so that the controls lie on top of them.
    Bevel3 = widgets::Bevel(this, QStringLiteral("Bevel3"), {4, 40, 245, 173},
                            QFrame::Box | QFrame::Raised);
    Bevel2 = widgets::Bevel(this, QStringLiteral("Bevel2"), {12, 52, 133, 133},
                            QFrame::Box | QFrame::Sunken);
    Bevel1 = widgets::Bevel(this, QStringLiteral("Bevel1"), {4, 224, 353, 129},
                            QFrame::Box | QFrame::Raised);

    Label2 = widgets::Caption(this, QStringLiteral("Label2"), QStringLiteral("Author"), {12, 14});
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(56, 8, 293, 24);

    Label8 =
        widgets::Caption(this, QStringLiteral("Label8"), QStringLiteral("Alignment"), {276, 36});
    QPalette black = Label8->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label8->setPalette(black);
    RG1 = new widgets::EntryBox(
        {QStringLiteral("Left"), QStringLiteral("Centre"), QStringLiteral("Right")}, this);
    RG1->setObjectName(QStringLiteral("RG1"));
    RG1->setGeometry(276, 56, 73, 24);

    Image1 = new widgets::PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 56, 125, 125);

    // The flat buttons take no focus: Alt+B and Alt+I press them.
    SpeedButton3 = widgets::FlatPushButtonWithKey(this, QStringLiteral("SpeedButton3"),
                                                  QStringLiteral("BG Image"), {152, 52, 85, 37}, 0);

    Label7 = new QLabel(QStringLiteral("Fixed Background"), this);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setWordWrap(true);
    Label7->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label7->setGeometry(152, 100, 81, 37);
    // The box lies on the label's right edge, so it is raised above it.
    fixedBG = widgets::BareCheckBox(this, QStringLiteral("fixedBG"), {220, 102});

    ClearImgBtn = widgets::FlatPushButtonWithKey(
        this, QStringLiteral("ClearImgBtn"), QStringLiteral("Clear Image"), {152, 148, 85, 37}, 6);
    ClearImgBtn->setEnabled(false);

    piclabel = new QLabel(this);
    piclabel->setObjectName(QStringLiteral("piclabel"));
    piclabel->setGeometry(12, 188, 235, 20);

    Label5 = widgets::Caption(this, QStringLiteral("Label5"), QStringLiteral("Text"), {296, 88});
    textsel = widgets::BareCheckBox(this, QStringLiteral("textsel"), {276, 90});
    TextColShape = new widgets::ColorShape(this);
    TextColShape->setObjectName(QStringLiteral("TextColShape"));
    TextColShape->setGeometry(276, 108, 73, 37);
    TextColShape->setEnabled(false);

    Label6 =
        widgets::Caption(this, QStringLiteral("Label6"), QStringLiteral("BGColor"), {296, 152});
    bgset = widgets::BareCheckBox(this, QStringLiteral("bgset"), {276, 154});
    BGSetShape = new widgets::ColorShape(this);
    BGSetShape->setObjectName(QStringLiteral("BGSetShape"));
    BGSetShape->setGeometry(276, 176, 73, 37);
    BGSetShape->setEnabled(false);

    title_ = createFontRow({u"TFontBox", u"Label1", u"TFontColor", u"TFontsize", u"TFontfacebox"},
                           QStringLiteral("Title Font"), 240, 236, 236);
    question_ =
        createFontRow({u"QFontBox", u"Label3", u"QFontColor", u"QFontSize", u"QFontFaceBox"},
                      QStringLiteral("Question Font"), 276, 276, 276);
    choice_ = createFontRow({u"CFontBox", u"Label4", u"CFontColor", u"CFontSize", u"CFontFaceBox"},
                            QStringLiteral("Choice Font"), 320, 320, 316);

    SpeedButton1 = widgets::FlatPushButton(this, QStringLiteral("SpeedButton1"),
                                           QStringLiteral("&Cancel"), {4, 364, 105, 37});
    ApplyBtn = widgets::FlatPushButton(this, QStringLiteral("ApplyBtn"), QStringLiteral("&Apply"),
                                       {252, 364, 105, 37});

    // Keyboard order as the controls stand: the author, the background group, the alignment and
    // colour column, then each font row from left to right. The flat buttons are pressed with
    // their underlined letters; Return applies and Escape cancels.
    const QList<QWidget*> order = {Edit2,           fixedBG,        RG1,
                                   textsel,         TextColShape,   bgset,
                                   BGSetShape,      title_.box,     title_.color,
                                   title_.size,     title_.face,    question_.box,
                                   question_.color, question_.size, question_.face,
                                   choice_.box,     choice_.color,  choice_.size,
                                   choice_.face};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
        setTabOrder(order[i], order[i + 1]);
    }

    // Enabling rules: each switch enables what it governs.
    connect(textsel, &QCheckBox::toggled, TextColShape, &QWidget::setEnabled);
    connect(bgset, &QCheckBox::toggled, BGSetShape, &QWidget::setEnabled);
    for (FontRow* row : {&title_, &question_, &choice_}) {
        for (QWidget* control :
             {static_cast<QWidget*>(row->face), static_cast<QWidget*>(row->color),
              static_cast<QWidget*>(row->size)}) {
            connect(row->box, &QCheckBox::toggled, control, &QWidget::setEnabled);
        }
    }

    // A colour rectangle that is pressed runs the colour chooser and, with OK, takes its colour.
    for (widgets::ColorShape* shape :
         {TextColShape, BGSetShape, title_.color, question_.color, choice_.color}) {
        connect(shape, &widgets::ColorShape::pressed, this, [shape] {
            if (const auto chosen = platform().chooseColor()) {
                shape->setColor(*chosen);
            }
        });
    }

    connect(SpeedButton3, &QPushButton::clicked, this, &TNewHtml::SpeedButton3Click);
    connect(ClearImgBtn, &QPushButton::clicked, this, &TNewHtml::ClearImgBtnClick);
    connect(SpeedButton1, &QPushButton::clicked, this, &TNewHtml::SpeedButton1Click);
    connect(ApplyBtn, &QPushButton::clicked, this, [this] { ApplyBtnClick(); });
}

TNewHtml::FontRow TNewHtml::createFontRow(const RowNames& names, const QString& caption, int boxTop,
                                          int captionTop, int controlTop) {
    FontRow row;
    row.box = widgets::BareCheckBox(this, QString::fromUtf16(names.box), {16, boxTop});
    row.caption =
        widgets::Caption(this, QString::fromUtf16(names.caption), caption, {36, captionTop});

    row.color = new widgets::ColorShape(this);
    row.color->setObjectName(QString::fromUtf16(names.color));
    row.color->setGeometry(136, controlTop, 37, 25);

    row.size = new widgets::NumberField(1, 7, this);
    row.size->setObjectName(QString::fromUtf16(names.size));
    row.size->setGeometry(180, controlTop, 41, 26);
    row.size->setValue(kDefaultFontSize);

    row.face = new widgets::EntryBox(FaceEntries(), this);
    row.face->setObjectName(QString::fromUtf16(names.face));
    row.face->setGeometry(228, controlTop, 121, 24);

    for (QWidget* control : {static_cast<QWidget*>(row.face), static_cast<QWidget*>(row.color),
                             static_cast<QWidget*>(row.size)}) {
        control->setEnabled(false);
    }
    return row;
}

std::array<TNewHtml::FontRow*, 3> TNewHtml::fontRows() {
    return {&title_, &question_, &choice_};
}

// ---------------------------------------------------------------------------------------------
// Loading

void TNewHtml::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        CentreOnScreen(this);
        FormShow();
    }
}

void TNewHtml::keyPressEvent(QKeyEvent* event) {
    // Return applies, as the Apply button does (the buttons take no focus); Escape cancels.
    if ((event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) &&
        (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->accept();
        ApplyBtnClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TNewHtml::FormShow() {
    runLoadingStep(true);
}

void TNewHtml::LoadFromQuiz() {
    runLoadingStep(false);
}

bool TNewHtml::showPreview(const QString& path, bool reportErrors) {
    const LoadedPicture picture = LoadPictureForWindow(path);
    if (picture.ok()) {
        Image1->setPicture(picture.image);
        return true;
    }
    if (reportErrors) {
        platform().showError(picture.error);
    }
    return false;
}

void TNewHtml::runLoadingStep(bool reportErrors) {
    const THtmlPrefs& p = host_.quiz().Prefs;
    const PageLookForm form = LoadPageLook(p);

    Edit2->setText(FromCodePage(form.author));
    RG1->selectEntry(form.alignment);
    // A colour switch that is off shows unchecked with a white rectangle, so the controls show
    // the block whatever they showed before.
    textsel->setChecked(form.textColorOn);
    TextColShape->setColor(form.textColor);
    bgset->setChecked(form.bgColorOn);
    BGSetShape->setColor(form.bgColor);
    fixedBG->setChecked(form.fixedBackground);

    // The label shows the stored address; its hint keeps what BG Image or Clear Image put there.
    const QString bgImage = FromCodePage(form.bgImage);
    piclabel->setText(bgImage);
    if (bgImage.isEmpty()) {
        // No picture in this quiz: none from an earlier quiz stays on show.
        Image1->clearPicture();
        ClearImgBtn->setEnabled(false);
    } else {
        // The page finds the picture beside itself, that is in the quiz file's folder; the
        // preview looks there too. The address is one read from the quiz file, which may have
        // been written on another system; the quiz file name is a path of this one. Clear Image
        // comes on once the picture has loaded; a picture that cannot be loaded leaves the
        // preview and the button as they were.
        // A bare name that is not there is looked for in the current folder, as the program
        // always did.
        const QString folder = PathFolderPart(host_.quizFileName());
        QString path = JoinFolderAndName(folder, AddressFileNamePart(bgImage));
        if (AddressFileNamePart(bgImage) == bgImage && !QFileInfo::exists(path)) {
            path = bgImage;
        }
        if (showPreview(path, reportErrors)) {
            ClearImgBtn->setEnabled(true);
        }
    }

    for (std::size_t i = 0; i < form.rows.size(); ++i) {
        FontRow& row = *fontRows()[i];
        const PageLookForm::FontRow& shown = form.rows[i];
        row.box->setChecked(shown.on);
        row.color->setColor(shown.color);
        row.size->setValue(shown.size);
        row.face->setBoxText(FromCodePage(shown.face));
    }
}

// ---------------------------------------------------------------------------------------------
// The background picture

void TNewHtml::SpeedButton3Click() {
    const std::optional<QString> address = pictureDialog_.choosePicture(host_.quizFileName());
    if (!address) {
        return;
    }
    piclabel->setText(*address);
    piclabel->setToolTip(*address);
    // A bare file name is found beside the quiz file, where the page finds it, else in the
    // current folder, which the chooser's Browse made the picture's folder. A failed load (an
    // empty address too: it has no extension) keeps the earlier preview and the button as they
    // were.
    const LoadedPicture picture =
        LoadPictureForWindow(ResolvePictureAddress(*address, host_.quizFileName()));
    if (!picture.ok()) {
        platform().showError(picture.error);
        return;
    }
    Image1->setPicture(picture.image);
    ClearImgBtn->setEnabled(true);
}

void TNewHtml::ClearImgBtnClick() {
    Image1->clearPicture();
    piclabel->clear();
    piclabel->setToolTip(QString());
    ClearImgBtn->setEnabled(false);
    fixedBG->setChecked(false);
}

// ---------------------------------------------------------------------------------------------
// Apply and Cancel

PageLookForm TNewHtml::shownForm() {
    PageLookForm form;
    form.author = ToCodePage(Edit2->text());
    form.alignment = RG1->selectedEntry();
    // A colour counts as on while its rectangle is enabled, as its check box makes it.
    form.textColorOn = TextColShape->isEnabledTo(this);
    form.textColor = TextColShape->color();
    form.bgColorOn = BGSetShape->isEnabledTo(this);
    form.bgColor = BGSetShape->color();
    form.fixedBackground = fixedBG->isChecked();
    form.bgImage = ToCodePage(piclabel->text());
    for (std::size_t i = 0; i < form.rows.size(); ++i) {
        const FontRow& row = *fontRows()[i];
        PageLookForm::FontRow& shown = form.rows[i];
        shown.on = row.box->isChecked();
        shown.color = row.color->color();
        shown.size = row.size->value();
        shown.face = ToCodePage(row.face->boxText());
        shown.faceEntry = row.face->selectedEntry();
    }
    return form;
}

bool TNewHtml::ApplyBtnClick() {
    // The page's inputs are derived from the block when the page is made (PreparePageInputs).
    ApplyPageLook(host_.quiz().Prefs, shownForm());
    // A save that failed or was cancelled stops Apply here: the block keeps the new settings and
    // the dialog stays open.
    if (!host_.Save1Click().saved()) {
        return false;
    }
    if (isVisible()) {
        accept();
    }
    return true;
}

void TNewHtml::SpeedButton1Click() {
    reject();
}

void TNewHtml::reject() {
    // Whatever was changed in the controls is dropped: they show the block again, so nothing
    // cancelled reaches a page that is generated later.
    LoadFromQuiz();
    QDialog::reject();
}

// ---------------------------------------------------------------------------------------------

void TNewHtml::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(65, 130, 53));
    if (!background_.isNull()) {
        painter.drawImage(QPoint(0, 0), background_);
    }
}

} // namespace tamberlin
