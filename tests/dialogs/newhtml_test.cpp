// The page-look dialog driven with the scripted platform and a stand-in main window: loading
// from blocks, Apply writing the block back (and the BODY attributes a page then gets), the
// colour chooser, the background picture, Cancel, and a save that fails.

#include "dialogs/newhtml.h"
#include "dialogs/picture_dialog.h"
#include "generator/publishing.h"
#include "widgets/color_shape.h"
#include "widgets/entry_box.h"
#include "widgets/number_field.h"
#include "widgets/picture_box.h"

#include "common/page_look_prefs.h"
#include "common/qt_helpers.h"
#include "common/stand_in_host.h"
#include "common/temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <memory>

using namespace tamberlin;
using namespace tamberlin::testing;

namespace {

bool SameBytes(const THtmlPrefs& a, const THtmlPrefs& b) {
    return std::memcmp(&a, &b, sizeof(THtmlPrefs)) == 0;
}

} // namespace

class NewHtmlTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScriptedPlatform> seam;
    std::unique_ptr<TempDir> scratch;
    std::unique_ptr<StandInHost> host;
    std::unique_ptr<TPictureDialog> chooser;
    std::unique_ptr<TNewHtml> dialog;
    QString startFolder;

    FakePlatform& fake() { return seam->fake; }
    THtmlPrefs& prefs() { return host->quiz().Prefs; }
    // The page's inputs as a page published from the quiz now gets them.
    PageInputs published() {
        auto quiz = std::make_unique<TQuizRec>(host->quiz());
        return PreparePageInputs(*quiz);
    }

    template <class T>
    T* find(const char* name) {
        T* widget = dialog->findChild<T*>(QString::fromLatin1(name));
        if (widget == nullptr) {
            qFatal("no control %s", name);
        }
        return widget;
    }
    QCheckBox* check(const char* name) { return find<QCheckBox>(name); }
    widgets::ColorShape* shape(const char* name) { return find<widgets::ColorShape>(name); }
    widgets::NumberField* number(const char* name) { return find<widgets::NumberField>(name); }
    widgets::EntryBox* entries(const char* name) { return find<widgets::EntryBox>(name); }
    QLabel* label(const char* name) { return find<QLabel>(name); }
    QWidget* widget(const char* name) { return find<QWidget>(name); }

    QString folder(const char* name) {
        const auto path = scratch->path() / name;
        std::filesystem::create_directories(path);
        return QString::fromStdString(path.string());
    }
    // Picks an entry from a drop-down list as the author does with the mouse.
    static void pick(widgets::EntryBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    // Types into a box as the author does (the text replaces what was there).
    static void type(QWidget* box, const QString& text) {
        if (auto* field = qobject_cast<widgets::NumberField*>(box)) {
            field->clear();
        } else if (auto* list = qobject_cast<widgets::EntryBox*>(box)) {
            list->lineEdit()->clear();
        }
        QTest::keyClicks(box, text);
    }
    static void loseFocus(QWidget* field) {
        QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(field, &event);
    }

private slots:
    void init() {
        startFolder = QDir::currentPath();
        seam = std::make_unique<ScriptedPlatform>();
        scratch = std::make_unique<TempDir>();
        host = std::make_unique<StandInHost>();
        chooser = std::make_unique<TPictureDialog>();
        dialog = std::make_unique<TNewHtml>(*host, *chooser);
    }
    void cleanup() {
        QVERIFY2(fake().allAnswered(), "a scripted answer was not used");
        dialog.reset();
        chooser.reset();
        host.reset();
        QDir::setCurrent(startFolder);
        scratch.reset();
        seam.reset();
    }

    void windowAndInitialState() {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("HTML Preference"));
        QCOMPARE(dialog->size(), QSize(362, 408));
        QCOMPARE(dialog->windowType(), Qt::Tool);
        QCOMPARE(dialog->backgroundPicture().size(), QSize(370, 477));
        // Pale cream at the top left, dark green at the bottom right.
        const QColor topLeft = dialog->backgroundPicture().pixelColor(0, 0);
        const QColor bottomRight = dialog->backgroundPicture().pixelColor(369, 476);
        QVERIFY(topLeft.red() > 220 && topLeft.green() > 220 && topLeft.blue() > 180);
        QVERIFY(bottomRight.green() < 110 && bottomRight.green() > bottomRight.red() &&
                bottomRight.green() > bottomRight.blue());

        QVERIFY(!widget("ClearImgBtn")->isEnabled());
        for (const char* name :
             {"TextColShape", "BGSetShape", "TFontColor", "QFontColor", "CFontColor", "TFontsize",
              "QFontSize", "CFontSize", "TFontfacebox", "QFontFaceBox", "CFontFaceBox"}) {
            QVERIFY2(!widget(name)->isEnabled(), name);
        }
        for (const char* name :
             {"TextColShape", "BGSetShape", "TFontColor", "QFontColor", "CFontColor"}) {
            QCOMPARE(shape(name)->color(), TColor{0x00FFFFFF});
        }
        QCOMPARE(number("TFontsize")->text(), QStringLiteral("3"));
        QCOMPARE(entries("RG1")->selectedEntry(), -1);
        for (const char* name : {"SpeedButton1", "ApplyBtn", "SpeedButton3", "ClearImgBtn"}) {
            QCOMPARE(widget(name)->focusPolicy(), Qt::NoFocus);
        }
        QCOMPARE(find<QPushButton>("SpeedButton1")->text(), QStringLiteral("&Cancel"));
        QCOMPARE(find<QPushButton>("ApplyBtn")->text(), QStringLiteral("&Apply"));
        // The dialog edits settings only: no hidden holders of page inputs.
        QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("TFontLabel")) == nullptr);
    }

    // With every switch on, Tab walks the controls as they stand on the window, the colour
    // rectangles included, and comes back round; Space on a rectangle runs the colour chooser.
    void tabWalksEveryControlInVisualOrder() {
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        for (const char* name : {"textsel", "bgset", "TFontBox", "QFontBox", "CFontBox"}) {
            check(name)->setChecked(true);
        }
        const QStringList expected = {QStringLiteral("Edit2"),        QStringLiteral("fixedBG"),
                                      QStringLiteral("RG1"),          QStringLiteral("textsel"),
                                      QStringLiteral("TextColShape"), QStringLiteral("bgset"),
                                      QStringLiteral("BGSetShape"),   QStringLiteral("TFontBox"),
                                      QStringLiteral("TFontColor"),   QStringLiteral("TFontsize"),
                                      QStringLiteral("TFontfacebox"), QStringLiteral("QFontBox"),
                                      QStringLiteral("QFontColor"),   QStringLiteral("QFontSize"),
                                      QStringLiteral("QFontFaceBox"), QStringLiteral("CFontBox"),
                                      QStringLiteral("CFontColor"),   QStringLiteral("CFontSize"),
                                      QStringLiteral("CFontFaceBox"), QStringLiteral("Edit2")};
        widget("Edit2")->setFocus();
        QCOMPARE(testing::WalkWithTab(expected), expected);

        shape("TextColShape")->setFocus();
        fake().answerColor(0x00123456);
        QTest::keyClick(shape("TextColShape"), Qt::Key_Space);
        QCOMPARE(shape("TextColShape")->color(), TColor{0x00123456});
    }

    void enablingRulesFollowTheSwitches() {
        check("QFontBox")->setChecked(true);
        QVERIFY(widget("QFontColor")->isEnabled());
        QVERIFY(widget("QFontSize")->isEnabled());
        QVERIFY(widget("QFontFaceBox")->isEnabled());
        QVERIFY(!widget("TFontColor")->isEnabled());
        check("bgset")->setChecked(true);
        QVERIFY(widget("BGSetShape")->isEnabled());
        QVERIFY(!widget("TextColShape")->isEnabled());
        check("QFontBox")->setChecked(false);
        QVERIFY(!widget("QFontFaceBox")->isEnabled());
    }

    void newQuizAppliedUnchanged() {
        const THtmlPrefs before = prefs();
        dialog->LoadFromQuiz();
        QVERIFY(dialog->ApplyBtnClick());
        QVERIFY(SameBytes(prefs(), before));
        QVERIFY(published().bodyAttributes.empty());
        QCOMPARE(host->saves, 1);
    }

    // The rule for every combination of the switches is the page-look rule's (its core test);
    // here the controls show and apply it: each switch both on and off, in alternate patterns.
    void loadAndApplySwitchesThroughTheControls_data() {
        QTest::addColumn<int>("mask");
        for (int mask : {0, 21, 42, 63}) {
            QTest::addRow("switches %02d", mask) << mask;
        }
    }
    void loadAndApplySwitchesThroughTheControls() {
        QFETCH(int, mask);
        // Start from controls that show every row on, so a row switched off must be reset.
        FillPrefs(prefs(), 63);
        dialog->LoadFromQuiz();
        FillPrefs(prefs(), mask);
        dialog->LoadFromQuiz();

        const bool rowOn[3] = {(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0};
        const bool textOn = mask & 8, bgOn = mask & 16, fixed = mask & 32;
        QCOMPARE(check("textsel")->isChecked(), textOn);
        QCOMPARE(widget("TextColShape")->isEnabled(), textOn);
        QCOMPARE(shape("TextColShape")->color(), textOn ? TColor{0x00FF8040} : 0x00FFFFFF);
        QCOMPARE(check("bgset")->isChecked(), bgOn);
        QCOMPARE(shape("BGSetShape")->color(), bgOn ? TColor{0x00204060} : 0x00FFFFFF);
        QCOMPARE(check("fixedBG")->isChecked(), fixed);
        QCOMPARE(find<QLineEdit>("Edit2")->text(), QStringLiteral("Ann Author"));
        QCOMPARE(entries("RG1")->currentText(), QStringLiteral("Centre"));

        const char* boxes[3] = {"TFontBox", "QFontBox", "CFontBox"};
        const char* colours[3] = {"TFontColor", "QFontColor", "CFontColor"};
        const char* sizes[3] = {"TFontsize", "QFontSize", "CFontSize"};
        const char* faces[3] = {"TFontfacebox", "QFontFaceBox", "CFontFaceBox"};
        const TColor colour[3] = {0x000000FF, 0x00123456, 0x0000FF00};
        const int size[3] = {5, 2, 7};
        const char* face[3] = {"Sans Serif", "Courier New", "Monospace"};
        const int selected[3] = {1, -1, 2};
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(check(boxes[row])->isChecked(), rowOn[row]);
            QCOMPARE(widget(faces[row])->isEnabled(), rowOn[row]);
            QCOMPARE(shape(colours[row])->color(), rowOn[row] ? colour[row] : 0x00FFFFFF);
            QCOMPARE(number(sizes[row])->value(), rowOn[row] ? size[row] : 3);
            QCOMPARE(entries(faces[row])->currentText(),
                     rowOn[row] ? QString::fromLatin1(face[row]) : QString());
            QCOMPARE(entries(faces[row])->selectedEntry(), rowOn[row] ? selected[row] : -1);
        }

        QVERIFY(dialog->ApplyBtnClick());
        // The block comes back byte for byte, except that a row switched off loses its tag
        // (and only its tag).
        THtmlPrefs expected{};
        expected.reset();
        FillConsistentPrefs(expected, mask);
        QVERIFY(SameBytes(prefs(), expected));

        const std::string body = SwitchedBodyAttributes(mask);
        const PageInputs inputs = published();
        QCOMPARE(ToQString(inputs.bodyAttributes), ToQString(body));
        QCOMPARE(inputs.titleFontOn, rowOn[0]);
        QCOMPARE(inputs.questionFontOn, rowOn[1]);
        QCOMPARE(inputs.choiceFontOn, rowOn[2]);
    }

    void switchingARowOnStartsWhiteAtSizeThree() {
        FillPrefs(prefs(), 0);
        dialog->LoadFromQuiz();
        check("TFontBox")->setChecked(true);
        check("textsel")->setChecked(true);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().TitleFontTag.str(),
                 std::string("<FONT SIZE=\"3\" COLOR=\"#FFFFFF\">\r\n"));
        QCOMPARE(prefs().TitleFontColor, TColor{0x00FFFFFF});
        QCOMPARE(prefs().TitleFontSize, 3);
        QVERIFY(prefs().TitleFontFace.empty());
        QCOMPARE(prefs().TextColor, TColor{0x00FFFFFF});
        QCOMPARE(ToQString(published().bodyAttributes), QStringLiteral(" TEXT=\"#FFFFFF\""));
    }

    void colourSwitchedOffKeepsItsColour() {
        FillPrefs(prefs(), 8 | 16);
        dialog->LoadFromQuiz();
        check("textsel")->setChecked(false);
        check("bgset")->setChecked(false);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().TextColorOn, 0);
        QCOMPARE(prefs().BgColorOn, 0);
        QCOMPARE(prefs().TextColor, TColor{0x00FF8040});
        QCOMPARE(prefs().BgColor, TColor{0x00204060});
        QVERIFY(published().bodyAttributes.empty());
    }

    void facesChosenAndTyped() {
        check("TFontBox")->setChecked(true);
        check("QFontBox")->setChecked(true);
        check("CFontBox")->setChecked(true);
        pick(entries("TFontfacebox"), 0);
        // Chosen first, then typed over by hand: the typed text counts as no entry.
        pick(entries("QFontFaceBox"), 0);
        type(entries("QFontFaceBox"), QStringLiteral("Sans Serif"));
        type(entries("CFontFaceBox"), QStringLiteral("Comic"));
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().TitleFontTag.str(),
                 std::string("<FONT FACE=\"serif\" SIZE=\"3\" COLOR=\"#FFFFFF\">\r\n"));
        QCOMPARE(prefs().TitleFontFace.str(), std::string("Serif"));
        QCOMPARE(prefs().QuestionFontTag.str(),
                 std::string("<FONT SIZE=\"3\" COLOR=\"#FFFFFF\">\r\n"));
        QCOMPARE(prefs().QuestionFontFace.str(), std::string("Sans Serif"));
        QCOMPARE(prefs().ChoiceFontFace.str(), std::string("Comic"));
        QCOMPARE(prefs().ChoiceFontTag.str(),
                 std::string("<FONT SIZE=\"3\" COLOR=\"#FFFFFF\">\r\n"));

        // A stored face that differs from an entry in capitals selects nothing.
        prefs().TitleFontFace = "serif";
        dialog->LoadFromQuiz();
        QCOMPARE(entries("TFontfacebox")->selectedEntry(), -1);
        QCOMPARE(entries("TFontfacebox")->currentText(), QStringLiteral("serif"));
        // Loading a stored "Sans Serif" selects the entry.
        prefs().QuestionFontFace = "Sans Serif";
        dialog->LoadFromQuiz();
        QCOMPARE(entries("QFontFaceBox")->selectedEntry(), 1);
    }

    void sizeFields() {
        check("TFontBox")->setChecked(true);
        widgets::NumberField* size = number("TFontsize");
        // A typed size applied at once is used as typed, even outside 1..7.
        type(size, QStringLiteral("9"));
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().TitleFontSize, 9);
        QCOMPARE(prefs().TitleFontTag.str(),
                 std::string("<FONT SIZE=\"9\" COLOR=\"#FFFFFF\">\r\n"));
        // Leaving the field brings it into range.
        loseFocus(size);
        QCOMPARE(size->text(), QStringLiteral("7"));
        type(size, QStringLiteral("-4"));
        loseFocus(size);
        QCOMPARE(size->value(), 1);
        // Only digits, signs and the decimal separator can be typed.
        type(size, QStringLiteral("x5y"));
        QCOMPARE(size->text(), QStringLiteral("5"));
        // Not a whole number: reads as 1, and stays as typed when the field is left.
        type(size, QStringLiteral("2.5"));
        QCOMPARE(size->value(), 1);
        loseFocus(size);
        QCOMPARE(size->text(), QStringLiteral("2.5"));
        // An empty field gives 1.
        type(size, QString());
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().TitleFontSize, 1);
        // The arrows stay within 1..7.
        size->setValue(7);
        size->stepUp();
        QCOMPARE(size->value(), 7);
        size->setValue(1);
        size->stepDown();
        QCOMPARE(size->value(), 1);
        size->stepUp();
        QCOMPARE(size->value(), 2);
        // A size loaded from the block is brought into range.
        prefs().TitleFontOn = 1;
        prefs().TitleFontSize = 12;
        dialog->LoadFromQuiz();
        QCOMPARE(size->text(), QStringLiteral("7"));
    }

    void alignment() {
        widgets::EntryBox* rg1 = entries("RG1");
        pick(rg1, 2);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().Alignment, 2);

        type(rg1, QStringLiteral("Left"));
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().Alignment, 255);

        prefs().Alignment = 0;
        dialog->LoadFromQuiz();
        QCOMPARE(rg1->currentText(), QStringLiteral("Left"));
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().Alignment, 0);

        for (std::uint8_t stored : {std::uint8_t{255}, std::uint8_t{7}}) {
            prefs().Alignment = stored;
            dialog->LoadFromQuiz();
            QCOMPARE(rg1->selectedEntry(), -1);
            QVERIFY(rg1->currentText().isEmpty());
            QVERIFY(dialog->ApplyBtnClick());
            QCOMPARE(prefs().Alignment, 255);
        }
    }

    void enterAfterATypedEntryChoosesNothing() {
        check("TFontBox")->setChecked(true);
        // Enter goes to the box, or straight to its text field; neither counts as a choice.
        type(entries("RG1"), QStringLiteral("Right"));
        QTest::keyClick(entries("RG1"), Qt::Key_Return);
        type(entries("TFontfacebox"), QStringLiteral("Sans Serif"));
        QTest::keyClick(entries("TFontfacebox")->lineEdit(), Qt::Key_Enter);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().Alignment, 255);
        QCOMPARE(prefs().TitleFontFace.str(), std::string("Sans Serif"));
        QCOMPARE(prefs().TitleFontTag.str(),
                 std::string("<FONT SIZE=\"3\" COLOR=\"#FFFFFF\">\r\n"));
        // A choice from the list still selects, and Enter after it keeps it.
        pick(entries("RG1"), 1);
        QTest::keyClick(entries("RG1"), Qt::Key_Return);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().Alignment, 1);
    }

    // Escape cancels (nothing written, the edits dropped); Return applies; the flat buttons,
    // which take no focus, answer to their underlined letters, their captions unchanged.
    void keysCancelApplyAndPressTheButtons() {
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        auto* author = find<QLineEdit>("Edit2");
        author->setFocus();
        QTest::keyClicks(author, QStringLiteral("Typed Here"));
        QTest::keyClick(author, Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(author->text(), QString());
        QCOMPARE(host->saves, 0);

        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        author->setFocus();
        QTest::keyClicks(author, QStringLiteral("Ann"));
        QTest::keyClick(author, Qt::Key_Return);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(prefs().Author.view(), std::string_view("Ann"));
        QCOMPARE(host->saves, 1);

        QCOMPARE(find<QPushButton>("SpeedButton3")->text(), QStringLiteral("BG Image"));
        QCOMPARE(find<QPushButton>("ClearImgBtn")->text(), QStringLiteral("Clear Image"));
        QCOMPARE(find<QPushButton>("SpeedButton3")->focusPolicy(), Qt::NoFocus);
        dialog->show();
        QApplication::setActiveWindow(dialog.get());
        QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
        // Alt+B opens the picture chooser; closing it changes nothing.
        bool chooserShown = false;
        QTimer closer;
        closer.setInterval(10);
        connect(&closer, &QTimer::timeout, [&chooserShown] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal->objectName() == QStringLiteral("PictureDialog")) {
                chooserShown = true;
                modal->close();
            }
        });
        closer.start();
        QTest::keyClick(author, Qt::Key_B, Qt::AltModifier);
        QTRY_VERIFY(chooserShown);
        QVERIFY(dialog->isVisible());
        dialog->reject();
    }

    void authorInTheCodePageCutTo200() {
        find<QLineEdit>("Edit2")->setText(QStringLiteral("Zoë ") + QString(250, u'x'));
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().Author.size(), std::size_t{200});
        QCOMPARE(prefs().Author.view().substr(0, 4), std::string_view("Zo\xEB "));
    }

    void colourRectanglesShareOneChooser() {
        dialog->show();
        fake().onUnexpected = [](const FakePlatform::Question& q) {
            QFAIL(qPrintable(QStringLiteral("unexpected %1").arg(FakePlatform::kindName(q.kind))));
        };
        // A disabled rectangle does not react.
        QTest::mousePress(shape("TextColShape"), Qt::LeftButton);
        QVERIFY(fake().asked().isEmpty());

        check("textsel")->setChecked(true);
        fake().answerColor(0x00112233);
        QTest::mousePress(shape("TextColShape"), Qt::LeftButton);
        QCOMPARE(shape("TextColShape")->color(), TColor{0x00112233});
        QCOMPARE(fake().lastAsked().initialColor, TColor{0});

        // Another rectangle opens on the colour last chosen; Cancel changes nothing.
        check("CFontBox")->setChecked(true);
        fake().answerColor(std::nullopt);
        QTest::mousePress(shape("CFontColor"), Qt::LeftButton);
        QCOMPARE(fake().lastAsked().initialColor, TColor{0x00112233});
        QCOMPARE(shape("CFontColor")->color(), TColor{0x00FFFFFF});

        fake().answerColor(0x000000FF);
        QTest::mousePress(shape("CFontColor"), Qt::LeftButton);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().ChoiceFontColor, TColor{0x000000FF});
        QCOMPARE(prefs().ChoiceFontTag.str(),
                 std::string("<FONT SIZE=\"3\" COLOR=\"#FF0000\">\r\n"));
        QCOMPARE(prefs().TextColor, TColor{0x00112233});
        QCOMPARE(ToQString(published().bodyAttributes), QStringLiteral(" TEXT=\"#332211\""));
    }

    void backgroundPictureLoadedFromTheQuizFolder() {
        const QString quizFolder = folder("quiz");
        host->fileName = quizFolder + QStringLiteral("/test.qvt");
        MakePicture(quizFolder + QStringLiteral("/back.bmp"), 300, 150);
        prefs().BgImage = "C:\\pictures\\back.bmp";
        prefs().FixedBackground = 1;
        dialog->LoadFromQuiz();
        QCOMPARE(label("piclabel")->text(), QStringLiteral("C:\\pictures\\back.bmp"));
        QVERIFY(find<widgets::PictureBox>("Image1")->hasPicture());
        QCOMPARE(find<widgets::PictureBox>("Image1")->pictureRect(), QRect(0, 31, 125, 62));
        QVERIFY(widget("ClearImgBtn")->isEnabled());

        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(ToQString(published().bodyAttributes),
                 QStringLiteral(" BACKGROUND=\"C:\\pictures\\back.bmp\" BGPROPERTIES=\"fixed\""));

        // Clear Image: no picture, no address, and the fixed background goes with it.
        find<QPushButton>("ClearImgBtn")->click();
        QVERIFY(!find<widgets::PictureBox>("Image1")->hasPicture());
        QVERIFY(label("piclabel")->text().isEmpty());
        QVERIFY(label("piclabel")->toolTip().isEmpty());
        QVERIFY(!check("fixedBG")->isChecked());
        QVERIFY(!widget("ClearImgBtn")->isEnabled());
        // Fixed Background checked again without a picture still counts.
        check("fixedBG")->setChecked(true);
        QVERIFY(dialog->ApplyBtnClick());
        QVERIFY(prefs().BgImage.empty());
        QCOMPARE(ToQString(published().bodyAttributes), QStringLiteral(" BGPROPERTIES=\"fixed\""));

        // A block without a picture empties the preview left by an earlier one.
        prefs().BgImage = "back.bmp";
        dialog->LoadFromQuiz();
        QVERIFY(find<widgets::PictureBox>("Image1")->hasPicture());
        prefs().BgImage.clear();
        dialog->LoadFromQuiz();
        QVERIFY(!find<widgets::PictureBox>("Image1")->hasPicture());
        QVERIFY(!widget("ClearImgBtn")->isEnabled());
    }

    void missingBackgroundPicture() {
        const QString quizFolder = folder("quiz");
        host->fileName = quizFolder + QStringLiteral("/test.qvt");
        const QString elsewhere = MakePicture(folder("pictures") + QStringLiteral("/back.bmp"));
        prefs().BgImage.store(elsewhere.toStdString());
        prefs().TitleFontOn = 1;
        prefs().TitleFontSize = 6;

        // Run by the main window: nothing reported, and the font rows are loaded all the same.
        dialog->LoadFromQuiz();
        QVERIFY(fake().asked().isEmpty());
        QVERIFY(check("TFontBox")->isChecked());
        QCOMPARE(number("TFontsize")->value(), 6);
        QVERIFY(!find<widgets::PictureBox>("Image1")->hasPicture());
        QCOMPARE(label("piclabel")->text(), elsewhere);

        // Shown: the picture is looked for in the quiz folder, and the failure is reported.
        check("TFontBox")->setChecked(false);
        fake().expectError();
        dialog->show();
        QCOMPARE(fake().asked().size(), 1);
        QVERIFY2(fake().lastAsked().text.startsWith(
                     QStringLiteral("Cannot open file \"%1/back.bmp\". ").arg(quizFolder)),
                 qPrintable(fake().lastAsked().text));
        QVERIFY(dialog->isVisible());
        QVERIFY(check("TFontBox")->isChecked());
    }

    void backgroundChosenThroughThePictureChooser() {
        const QString quizFolder = folder("quiz");
        host->fileName = quizFolder + QStringLiteral("/test.qvt");
        const QString picture = MakePicture(folder("pictures") + QStringLiteral("/tile.bmp"));

        // Chooser cancelled: nothing changes.
        WhenModal([&](QWidget*) { chooser->CancelBtnClick(); });
        dialog->SpeedButton3Click();
        QVERIFY(label("piclabel")->text().isEmpty());
        QVERIFY(!widget("ClearImgBtn")->isEnabled());

        WhenModal([&](QWidget*) {
            fake().answerOpenFile(picture);
            chooser->BrowseBtnClick();
            QVERIFY(chooser->ApplyBtnClick());
        });
        dialog->SpeedButton3Click();
        QCOMPARE(chooser->HtmlFolder, quizFolder + u'/');
        QCOMPARE(label("piclabel")->text(), QStringLiteral("tile.bmp"));
        QCOMPARE(label("piclabel")->toolTip(), QStringLiteral("tile.bmp"));
        // The bare name is found in the picture's folder, made current by Browse.
        QVERIFY(find<widgets::PictureBox>("Image1")->hasPicture());
        QVERIFY(widget("ClearImgBtn")->isEnabled());

        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().BgImage.str(), std::string("tile.bmp"));
        QCOMPARE(ToQString(published().bodyAttributes), QStringLiteral(" BACKGROUND=\"tile.bmp\""));
    }

    void backgroundPreviewThatFailsAfterTheChooser() {
        // A picture chosen in an earlier showing, handed back by its bare name while the current
        // folder is elsewhere: the preview fails, the address is kept, Clear Image stays off.
        chooser->PicturePath = MakePicture(folder("pictures") + QStringLiteral("/old.bmp"));
        QDir::setCurrent(folder("elsewhere"));
        WhenModal([&](QWidget*) { QVERIFY(chooser->ApplyBtnClick()); });
        fake().expectError();
        dialog->SpeedButton3Click();
        QVERIFY2(fake().lastAsked().text.startsWith(QStringLiteral("Cannot open file \"")),
                 qPrintable(fake().lastAsked().text));
        QCOMPARE(label("piclabel")->text(), QStringLiteral("old.bmp"));
        QVERIFY(!widget("ClearImgBtn")->isEnabled());
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(prefs().BgImage.str(), std::string("old.bmp"));
    }

    void backgroundWithAnEmptyAddressIsReportedAndChangesNothingElse() {
        const QString quizFolder = folder("quiz");
        host->fileName = quizFolder + QStringLiteral("/test.qvt");
        MakePicture(quizFolder + QStringLiteral("/back.bmp"));
        prefs().BgImage = "back.bmp";
        dialog->LoadFromQuiz();
        const QImage shown = find<widgets::PictureBox>("Image1")->picture();
        QVERIFY(!shown.isNull());

        // No picture was ever chosen: the chooser's Apply hands back an empty address.
        WhenModal([&](QWidget*) { QVERIFY(chooser->ApplyBtnClick()); });
        fake().expectError();
        dialog->SpeedButton3Click();
        QCOMPARE(fake().lastAsked().text, QStringLiteral("Unknown picture file extension (.)"));
        QVERIFY(label("piclabel")->text().isEmpty());
        QCOMPARE(find<widgets::PictureBox>("Image1")->picture(), shown);
        QVERIFY(widget("ClearImgBtn")->isEnabled());
    }

    void loadingTheBackgroundKeepsTheHintAndAFailureChangesNothing() {
        const QString quizFolder = folder("quiz");
        host->fileName = quizFolder + QStringLiteral("/test.qvt");
        // A picture that fails to load: Clear Image stays off, the hint untouched.
        prefs().BgImage = "missing.bmp";
        dialog->LoadFromQuiz();
        QCOMPARE(label("piclabel")->text(), QStringLiteral("missing.bmp"));
        QVERIFY(label("piclabel")->toolTip().isEmpty());
        QVERIFY(!widget("ClearImgBtn")->isEnabled());

        // One that loads switches Clear Image on; a failure afterwards keeps its preview.
        MakePicture(quizFolder + QStringLiteral("/back.bmp"));
        prefs().BgImage = "back.bmp";
        dialog->LoadFromQuiz();
        QVERIFY(widget("ClearImgBtn")->isEnabled());
        const QImage shown = find<widgets::PictureBox>("Image1")->picture();
        QVERIFY(!shown.isNull());
        prefs().BgImage = "missing.bmp";
        dialog->LoadFromQuiz();
        QCOMPARE(find<widgets::PictureBox>("Image1")->picture(), shown);
        QVERIFY(label("piclabel")->toolTip().isEmpty());
    }

    void applyStopsWhenTheSaveFails() {
        dialog->show();
        QVERIFY(dialog->ApplyBtnClick());
        QVERIFY(!dialog->isVisible());

        dialog->show();
        check("bgset")->setChecked(true);
        find<QLineEdit>("Edit2")->setText(QStringLiteral("New Author"));
        host->saveStatus = SaveResult::Failed;
        QVERIFY(!dialog->ApplyBtnClick());
        QCOMPARE(host->saves, 2);
        // The block already holds the new settings and the dialog stays open.
        QCOMPARE(prefs().BgColorOn, 1);
        QCOMPARE(prefs().Author.str(), std::string("New Author"));
        QVERIFY(dialog->isVisible());

        host->saveStatus = SaveResult::Saved;
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(ToQString(published().bodyAttributes), QStringLiteral(" BGCOLOR=\"#FFFFFF\""));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }

    void cancelPutsTheControlsBack() {
        FillConsistentPrefs(prefs(), 1 | 8);
        const THtmlPrefs before = prefs();
        for (int way = 0; way < 2; ++way) {
            dialog->show();
            check("textsel")->setChecked(false);
            check("CFontBox")->setChecked(true);
            pick(entries("RG1"), 2);
            find<QLineEdit>("Edit2")->setText(QStringLiteral("Someone Else"));
            if (way == 0) {
                find<QPushButton>("SpeedButton1")->click();
            } else {
                dialog->close(); // from the window's frame
            }
            QVERIFY(!dialog->isVisible());
            QCOMPARE(dialog->result(), int(QDialog::Rejected));
            QVERIFY(check("textsel")->isChecked());
            QVERIFY(!check("CFontBox")->isChecked());
            QCOMPARE(find<QLineEdit>("Edit2")->text(), QStringLiteral("Ann Author"));
            QVERIFY(SameBytes(prefs(), before));
        }
        QCOMPARE(host->saves, 0);
        // An Apply run afterwards stores nothing that was cancelled.
        QVERIFY(dialog->ApplyBtnClick());
        QVERIFY(SameBytes(prefs(), before));
        QCOMPARE(ToQString(published().bodyAttributes), QStringLiteral(" TEXT=\"#4080FF\""));
    }
};

QTEST_MAIN(NewHtmlTest)
#include "newhtml_test.moc"
