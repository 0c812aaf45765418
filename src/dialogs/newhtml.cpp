#include "dialogs/newhtml.h"

#include "dialogs/look_widgets.h"
#include "dialogs/picture_dialog.h"
#include "dialogs/quiz_host.h"
#include "imaging/picture_loader.h"
#include "imaging/picture_loading.h"
#include "platform/platform.h"
#include "platform/qt_text.h"

#include <QCheckBox>
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

constexpr TColor kWhite = 0x00FFFFFF;
constexpr int kDefaultFontSize = 3;
constexpr std::uint8_t kNoAlignment = 255;
const char* const kHolderColorProperty = "fontColor";

// The window's background picture, decoded through the picture loader like every picture of the
// program. It is the only place that knows where the picture is kept.
QImage LoadBackgroundPicture() {
    return LoadResourcePicture(QStringLiteral(":/newhtml/background.jpg"));
}

QPushButton* FlatButton(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QLabel* Caption(const QString& name, const QString& text, int left, int top, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

QCheckBox* BareCheckBox(const QString& name, int left, int top, QWidget* parent) {
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    box->move(left, top);
    box->adjustSize();
    return box;
}

QFrame* Frame(const QString& name, QFrame::Shadow shadow, const QRect& place, QWidget* parent) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setFrameStyle(QFrame::Box | shadow);
    frame->setGeometry(place);
    return frame;
}

// A hidden holder keeps a font row's tag as its text and the row's colour as its font colour.
void SetHolderColor(QLabel* holder, TColor color) {
    holder->setProperty(kHolderColorProperty, static_cast<uint>(color));
    QPalette palette = holder->palette();
    palette.setColor(QPalette::WindowText,
                     QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                            static_cast<int>((color >> 16) & 0xFF)));
    holder->setPalette(palette);
}

TColor HolderColor(const QLabel* holder) {
    return static_cast<TColor>(holder->property(kHolderColorProperty).toUInt());
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
    Bevel3 = Frame(QStringLiteral("Bevel3"), QFrame::Raised, QRect(4, 40, 245, 173), this);
    Bevel2 = Frame(QStringLiteral("Bevel2"), QFrame::Sunken, QRect(12, 52, 133, 133), this);
    Bevel1 = Frame(QStringLiteral("Bevel1"), QFrame::Raised, QRect(4, 224, 353, 129), this);

    Label2 = Caption(QStringLiteral("Label2"), QStringLiteral("Author"), 12, 14, this);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(56, 8, 293, 24);

    Label8 = Caption(QStringLiteral("Label8"), QStringLiteral("Alignment"), 276, 36, this);
    QPalette black = Label8->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    Label8->setPalette(black);
    RG1 = new look::EntryBox(
        {QStringLiteral("Left"), QStringLiteral("Centre"), QStringLiteral("Right")}, this);
    RG1->setObjectName(QStringLiteral("RG1"));
    RG1->setGeometry(276, 56, 73, 24);

    Image1 = new look::PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(16, 56, 125, 125);

    SpeedButton3 = FlatButton(QStringLiteral("SpeedButton3"), QStringLiteral("BG Image"), this);
    SpeedButton3->setGeometry(152, 52, 85, 37);

    Label7 = new QLabel(QStringLiteral("Fixed Background"), this);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setWordWrap(true);
    Label7->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label7->setGeometry(152, 100, 81, 37);
    // The box lies on the label's right edge, so it is raised above it.
    fixedBG = BareCheckBox(QStringLiteral("fixedBG"), 220, 102, this);

    ClearImgBtn = FlatButton(QStringLiteral("ClearImgBtn"), QStringLiteral("Clear Image"), this);
    ClearImgBtn->setGeometry(152, 148, 85, 37);
    ClearImgBtn->setEnabled(false);

    piclabel = new QLabel(this);
    piclabel->setObjectName(QStringLiteral("piclabel"));
    piclabel->setGeometry(12, 188, 235, 20);

    Label5 = Caption(QStringLiteral("Label5"), QStringLiteral("Text"), 296, 88, this);
    textsel = BareCheckBox(QStringLiteral("textsel"), 276, 90, this);
    TextColShape = new look::ColorShape(this);
    TextColShape->setObjectName(QStringLiteral("TextColShape"));
    TextColShape->setGeometry(276, 108, 73, 37);
    TextColShape->setEnabled(false);

    Label6 = Caption(QStringLiteral("Label6"), QStringLiteral("BGColor"), 296, 152, this);
    bgset = BareCheckBox(QStringLiteral("bgset"), 276, 154, this);
    BGSetShape = new look::ColorShape(this);
    BGSetShape->setObjectName(QStringLiteral("BGSetShape"));
    BGSetShape->setGeometry(276, 176, 73, 37);
    BGSetShape->setEnabled(false);

    title_ = createFontRow(
        {u"TFontBox", u"Label1", u"TFontColor", u"TFontsize", u"TFontfacebox", u"TFontLabel"},
        QStringLiteral("Title Font"), 240, 236, 236);
    question_ = createFontRow(
        {u"QFontBox", u"Label3", u"QFontColor", u"QFontSize", u"QFontFaceBox", u"QFontLabel"},
        QStringLiteral("Question Font"), 276, 276, 276);
    choice_ = createFontRow(
        {u"CFontBox", u"Label4", u"CFontColor", u"CFontSize", u"CFontFaceBox", u"CFontLabel"},
        QStringLiteral("Choice Font"), 320, 320, 316);

    SpeedButton1 = FlatButton(QStringLiteral("SpeedButton1"), QStringLiteral("&Cancel"), this);
    SpeedButton1->setGeometry(4, 364, 105, 37);
    ApplyBtn = FlatButton(QStringLiteral("ApplyBtn"), QStringLiteral("&Apply"), this);
    ApplyBtn->setGeometry(252, 364, 105, 37);

    // Keyboard order through the controls that take the focus.
    const QList<QWidget*> order = {
        textsel,      bgset,       fixedBG,        Edit2,        title_.box,  question_.box,
        choice_.box,  title_.size, question_.size, choice_.size, title_.face, question_.face,
        choice_.face, RG1};
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

    connect(SpeedButton3, &QPushButton::clicked, this, &TNewHtml::SpeedButton3Click);
    connect(ClearImgBtn, &QPushButton::clicked, this, &TNewHtml::ClearImgBtnClick);
    connect(SpeedButton1, &QPushButton::clicked, this, &TNewHtml::SpeedButton1Click);
    connect(ApplyBtn, &QPushButton::clicked, this, [this] { ApplyBtnClick(); });
}

TNewHtml::FontRow TNewHtml::createFontRow(const RowNames& names, const QString& caption, int boxTop,
                                          int captionTop, int controlTop) {
    FontRow row;
    row.box = BareCheckBox(QString::fromUtf16(names.box), 16, boxTop, this);
    row.caption = Caption(QString::fromUtf16(names.caption), caption, 36, captionTop, this);

    row.color = new look::ColorShape(this);
    row.color->setObjectName(QString::fromUtf16(names.color));
    row.color->setGeometry(136, controlTop, 37, 25);

    row.size = new look::NumberField(1, 7, this);
    row.size->setObjectName(QString::fromUtf16(names.size));
    row.size->setGeometry(180, controlTop, 41, 26);
    row.size->setValue(kDefaultFontSize);

    row.face = new look::EntryBox(
        {QStringLiteral("Serif"), QStringLiteral("Sans Serif"), QStringLiteral("Monospace")}, this);
    row.face->setObjectName(QString::fromUtf16(names.face));
    row.face->setGeometry(228, controlTop, 121, 24);

    row.holder = new QLabel(this);
    row.holder->setObjectName(QString::fromUtf16(names.holder));
    row.holder->hide();
    SetHolderColor(row.holder, kWhite);

    for (QWidget* control : {static_cast<QWidget*>(row.face), static_cast<QWidget*>(row.color),
                             static_cast<QWidget*>(row.size)}) {
        control->setEnabled(false);
    }
    return row;
}

bool TNewHtml::titleFontChecked() const {
    return title_.box->isChecked();
}
bool TNewHtml::questionFontChecked() const {
    return question_.box->isChecked();
}
bool TNewHtml::choiceFontChecked() const {
    return choice_.box->isChecked();
}

TNewHtml::RowFields TNewHtml::titleFields() {
    THtmlPrefs& p = host_.quiz().Prefs;
    return {p.TitleFontOn, p.TitleFontColor, p.TitleFontSize, p.TitleFontTag, p.TitleFontFace};
}
TNewHtml::RowFields TNewHtml::questionFields() {
    THtmlPrefs& p = host_.quiz().Prefs;
    return {p.QuestionFontOn, p.QuestionFontColor, p.QuestionFontSize, p.QuestionFontTag,
            p.QuestionFontFace};
}
TNewHtml::RowFields TNewHtml::choiceFields() {
    THtmlPrefs& p = host_.quiz().Prefs;
    return {p.ChoiceFontOn, p.ChoiceFontColor, p.ChoiceFontSize, p.ChoiceFontTag, p.ChoiceFontFace};
}

// ---------------------------------------------------------------------------------------------
// Loading

void TNewHtml::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        look::CentreOnScreen(this);
        FormShow();
    }
}

void TNewHtml::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
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

    Edit2->setText(FromCodePage(p.Author));
    RG1->selectEntry(p.Alignment <= 2 ? p.Alignment : -1);

    // The two colour switches: a switch that is off shows unchecked with a white rectangle, so
    // the controls show the block whatever they showed before.
    textsel->setChecked(p.TextColorOn == 1);
    TextColShape->setColor(p.TextColorOn == 1 ? p.TextColor : kWhite);
    bgset->setChecked(p.BgColorOn == 1);
    BGSetShape->setColor(p.BgColorOn == 1 ? p.BgColor : kWhite);

    fixedBG->setChecked(p.FixedBackground != 0);

    // The label shows the stored address; its hint keeps what BG Image or Clear Image put there.
    const QString bgImage = FromCodePage(p.BgImage);
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
        const QString folder = look::PathFolderPart(host_.quizFileName());
        if (showPreview(look::JoinFolderAndName(folder, look::FileNamePart(bgImage)),
                        reportErrors)) {
            ClearImgBtn->setEnabled(true);
        }
    }

    loadFontRow(title_, titleFields());
    loadFontRow(question_, questionFields());
    loadFontRow(choice_, choiceFields());
}

void TNewHtml::loadFontRow(FontRow& row, const RowFields& fields) {
    if (fields.on == 1) {
        row.box->setChecked(true);
        SetHolderColor(row.holder, fields.color);
        row.color->setColor(fields.color);
        row.size->setValue(fields.size);
        row.holder->setText(FromCodePage(fields.tag));
        row.face->setBoxText(FromCodePage(fields.face));
    } else {
        row.box->setChecked(false);
        row.holder->clear();
        row.color->setColor(kWhite);
        row.face->setBoxText(QString());
        row.size->setValue(kDefaultFontSize);
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
    // A bare file name is found in the current folder, which the chooser's Browse made the
    // picture's folder. A failed load (an empty address too: it has no extension) keeps the
    // earlier preview and the button as they were.
    const LoadedPicture picture = LoadPictureForWindow(*address);
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

void TNewHtml::BuildFontTags() {
    for (FontRow* row : {&title_, &question_, &choice_}) {
        const std::string tag =
            BuildFontTag(row->face->selectedEntry(), row->size->value(), row->color->color());
        row->holder->setText(FromCodePage(tag));
        SetHolderColor(row->holder, row->color->color());
    }
}

void TNewHtml::storeFontRow(const FontRow& row, const RowFields& fields) {
    fields.on = row.box->isChecked() ? 1 : 0;
    if (row.box->isChecked()) {
        fields.color = HolderColor(row.holder);
        fields.size = row.size->value();
        StoreText(fields.tag, row.holder->text());
        StoreText(fields.face, row.face->boxText());
    } else {
        fields.tag.clear();
    }
}

bool TNewHtml::ApplyBtnClick() {
    BuildFontTags();

    THtmlPrefs& p = host_.quiz().Prefs;
    BodyLook look;
    // The switches are stored as the controls show them; a colour that is off keeps its value.
    look.textColorOn = TextColShape->isEnabledTo(this);
    look.textColor = TextColShape->color();
    p.TextColorOn = look.textColorOn ? 1 : 0;
    if (look.textColorOn) {
        p.TextColor = look.textColor;
    }
    look.bgColorOn = BGSetShape->isEnabledTo(this);
    look.bgColor = BGSetShape->color();
    p.BgColorOn = look.bgColorOn ? 1 : 0;
    if (look.bgColorOn) {
        p.BgColor = look.bgColor;
    }
    look.fixedBackground = fixedBG->isChecked();
    p.FixedBackground = look.fixedBackground ? 1 : 0;
    look.bgImage = ToCodePage(piclabel->text());
    p.BgImage.store(look.bgImage);

    storeFontRow(title_, titleFields());
    storeFontRow(question_, questionFields());
    storeFontRow(choice_, choiceFields());

    StoreText(p.Author, Edit2->text());
    const int alignment = RG1->selectedEntry();
    p.Alignment =
        alignment >= 0 && alignment <= 2 ? static_cast<std::uint8_t>(alignment) : kNoAlignment;

    // A save that failed or was cancelled stops Apply here: the block keeps the new settings,
    // the BODY attributes are not rebuilt and the dialog stays open.
    if (!host_.Save1Click().saved()) {
        return false;
    }
    bodyAttributes_ = BuildBodyAttributes(look);
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
