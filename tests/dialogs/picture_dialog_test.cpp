// The picture chooser driven alone: Browse through the scripted open dialog, the preview, the
// copy into the HTML folder, the two address forms and every error message.

#include "dialogs/picture_dialog.h"
#include "document/errors.h"
#include "platform/qt_platform.h"
#include "widgets/picture_box.h"

#include "common/qt_helpers.h"
#include "common/stand_in_host.h"
#include "common/temp_dir.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QScopeGuard>
#include <QTest>

#include <cerrno>
#include <filesystem>
#include <memory>

using namespace tamberlin;
using namespace tamberlin::testing;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

class PictureDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScriptedPlatform> seam;
    std::unique_ptr<TempDir> scratch;
    std::unique_ptr<TPictureDialog> dialog;
    QString startFolder;

    FakePlatform& fake() { return seam->fake; }
    QCheckBox* box(const char* name) {
        return dialog->findChild<QCheckBox*>(QString::fromLatin1(name));
    }
    QLabel* imageLabel() { return dialog->findChild<QLabel*>(QStringLiteral("ImageLabel")); }
    widgets::PictureBox* preview() {
        return dialog->findChild<widgets::PictureBox*>(QStringLiteral("TheImage"));
    }
    QString folder(const char* name) {
        const auto path = scratch->path() / name;
        std::filesystem::create_directories(path);
        return Q(path.string());
    }
    // Browse with the open dialog answering path; the error box is expected when wantError.
    void browse(const QString& path, bool wantError = false) {
        fake().answerOpenFile(path);
        if (wantError) {
            fake().expectError();
        }
        dialog->BrowseBtnClick();
        QVERIFY(fake().allAnswered());
    }

private slots:
    void init() {
        startFolder = QDir::currentPath();
        seam = std::make_unique<ScriptedPlatform>();
        scratch = std::make_unique<TempDir>();
        dialog = std::make_unique<TPictureDialog>();
    }
    void cleanup() {
        dialog.reset();
        QDir::setCurrent(startFolder);
        scratch.reset();
        seam.reset();
    }

    void windowAndControls() {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Picture Dialog"));
        QCOMPARE(dialog->size(), QSize(190, 335));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(box("CopyImg")->text(), QStringLiteral("Save to HTML Folder"));
        QCOMPARE(box("AbsoluteAddress")->text(), QStringLiteral("Use Absolute Address"));
        for (const char* name : {"BrowseBtn", "CancelBtn", "ApplyBtn"}) {
            auto* button = dialog->findChild<QWidget*>(QString::fromLatin1(name));
            QVERIFY2(button != nullptr, name);
            QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        }
        QCOMPARE(preview()->geometry(), QRect(12, 12, 165, 165));
    }

    void browseAsksWithTheFilterAndCancelChangesNothing() {
        dialog->PicturePath = QStringLiteral("/earlier/pick.jpg");
        fake().answerOpenFile(std::nullopt);
        dialog->BrowseBtnClick();
        const auto& asked = fake().lastAsked();
        QCOMPARE(asked.kind, FakePlatform::Kind::OpenFile);
        QCOMPARE(asked.fileOptions.filter,
                 QStringLiteral("All Web Images (*.jpg;*.gif;*.png)|*.jpg;*.gif;*.png|"
                                "JPEG Image File (*.jpg)|*.jpg|GIF Image File (*.gif)|*.gif|"
                                "PNG Image File (*.png)|*.png"));
        QVERIFY(!asked.fileOptions.fileMustExist);
        QVERIFY(asked.fileOptions.initialFolder.isEmpty());
        QCOMPARE(dialog->PicturePath, QStringLiteral("/earlier/pick.jpg"));
        QVERIFY(!preview()->hasPicture());
    }

    void browseShowsThePictureAndMakesItsFolderCurrent() {
        const QString pictures = folder("pictures");
        const QString path = MakePicture(pictures + QStringLiteral("/Beach.JPG"));
        browse(path);
        QCOMPARE(dialog->PicturePath, path);
        QCOMPARE(imageLabel()->text(), QStringLiteral("Beach.JPG"));
        QVERIFY(preview()->hasPicture());
        QCOMPARE(QDir::current().canonicalPath(), QDir(pictures).canonicalPath());
    }

    void browseFailuresLeaveEverythingAsItWas() {
        const QString good = MakePicture(folder("p") + QStringLiteral("/good.bmp"));
        browse(good);
        const QImage shown = preview()->picture();

        browse(folder("p") + QStringLiteral("/scan.tif"), true);
        QCOMPARE(fake().lastAsked().kind, FakePlatform::Kind::Error);
        QCOMPARE(fake().lastAsked().text, QStringLiteral("Unknown picture file extension (.tif)"));

        const QString missing = folder("p") + QStringLiteral("/missing.jpg");
        browse(missing, true);
        QVERIFY2(fake().lastAsked().text.startsWith(
                     QStringLiteral("Cannot open file \"%1\". ").arg(missing)),
                 qPrintable(fake().lastAsked().text));

        QCOMPARE(dialog->PicturePath, good);
        QCOMPARE(imageLabel()->text(), QStringLiteral("good.bmp"));
        QCOMPARE(preview()->picture(), shown);
    }

    void showingEmptiesThePreviewButKeepsThePath() {
        const QString path = MakePicture(folder("p") + QStringLiteral("/a.bmp"));
        browse(path);
        box("CopyImg")->setChecked(true);
        box("AbsoluteAddress")->setChecked(true);
        dialog->PictureAddress = QStringLiteral("earlier");
        dialog->FormShow();
        QVERIFY(!preview()->hasPicture());
        QVERIFY(imageLabel()->text().isEmpty());
        QVERIFY(!box("CopyImg")->isChecked());
        QVERIFY(!box("AbsoluteAddress")->isChecked());
        QCOMPARE(dialog->PicturePath, path);
        QCOMPARE(dialog->PictureAddress, QStringLiteral("earlier"));
    }

    void addressForms() {
        const QString path = MakePicture(folder("p") + QStringLiteral("/logo.bmp"));
        const QString html = folder("html") + u'/';
        browse(path);
        dialog->HtmlFolder = html;

        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QCOMPARE(dialog->PictureAddress, QStringLiteral("logo.bmp"));

        dialog->FormShow();
        box("AbsoluteAddress")->setChecked(true);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(dialog->PictureAddress, path);
        // Neither form copies anything unless asked to.
        QVERIFY(QDir(html).isEmpty());
    }

    void applyWithoutAnyPictureHandsBackAnEmptyAddress() {
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(dialog->PictureAddress.isEmpty());
    }

    void cancelEmptiesTheAddress() {
        dialog->PictureAddress = QStringLiteral("x.jpg");
        dialog->CancelBtnClick();
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        QVERIFY(dialog->PictureAddress.isEmpty());
    }

    void copyIntoTheHtmlFolderByteForByte() {
        const QString path = MakePicture(folder("p") + QStringLiteral("/photo.jpg"), 64, 48);
        const QString html = folder("html") + u'/';
        const std::string target = (html + QStringLiteral("photo.jpg")).toStdString();
        WriteAll(target, "an older picture of the same name, replaced without asking");
        browse(path);
        dialog->HtmlFolder = html;
        box("CopyImg")->setChecked(true);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(dialog->PictureAddress, QStringLiteral("photo.jpg"));
        QVERIFY(ReadAll(path.toStdString()) == ReadAll(target));
        QVERIFY(!ReadAll(target).empty());
    }

    void copyOntoItselfKeepsTheContent() {
        const QString pictures = folder("p");
        const QString path = MakePicture(pictures + QStringLiteral("/self.jpg"), 50, 50);
        const std::string before = ReadAll(path.toStdString());
        browse(path);

        // The quiz not yet saved: the copy goes to the current folder, the picture's own.
        dialog->HtmlFolder.clear();
        box("CopyImg")->setChecked(true);
        QVERIFY(dialog->ApplyBtnClick());
        QVERIFY(ReadAll(path.toStdString()) == before);

        // The quiz saved beside the picture: the same file again.
        dialog->FormShow();
        dialog->HtmlFolder = pictures + u'/';
        box("CopyImg")->setChecked(true);
        QVERIFY(dialog->ApplyBtnClick());
        QVERIFY(ReadAll(path.toStdString()) == before);
        QCOMPARE(QDir(pictures).entryList(QDir::Files), QStringList{QStringLiteral("self.jpg")});
    }

    void copyFailures() {
        const QString html = folder("html") + u'/';
        dialog->HtmlFolder = html;
        dialog->PictureAddress = QStringLiteral("kept");

        // No picture ever chosen.
        box("CopyImg")->setChecked(true);
        fake().expectError();
        QVERIFY(!dialog->ApplyBtnClick());
        QCOMPARE(fake().lastAsked().text,
                 QStringLiteral("Cannot open file \"\". %1.").arg(Q(SystemErrorText(ENOENT))));
        QCOMPARE(dialog->PictureAddress, QStringLiteral("kept"));

        // The source has gone since Browse.
        const QString path = MakePicture(folder("p") + QStringLiteral("/gone.bmp"));
        browse(path);
        QFile::remove(path);
        fake().expectError();
        QVERIFY(!dialog->ApplyBtnClick());
        QCOMPARE(
            fake().lastAsked().text,
            QStringLiteral("Cannot open file \"%1\". %2.").arg(path, Q(SystemErrorText(ENOENT))));
        QVERIFY(QDir(html).isEmpty());

        // The target cannot be created.
        MakePicture(path);
        const QString locked = Q(UnwritableFolder(*scratch)) + u'/';
        dialog->HtmlFolder = locked;
        fake().expectError();
        QVERIFY(!dialog->ApplyBtnClick());
        const QString text = fake().lastAsked().text;
        QVERIFY2(text.startsWith(QStringLiteral("Cannot create file \"%1gone.bmp\". ").arg(locked)),
                 qPrintable(text));
        QCOMPARE(dialog->PictureAddress, QStringLiteral("kept"));
        QVERIFY(fake().allAnswered());
    }

    void browseListsAndChoosesThroughTheRealFileDialog() {
        QCOMPARE(QtFileDialogFilter(TPictureDialog::browseFilter()),
                 QStringLiteral("All Web Images (*.jpg *.gif *.png);;JPEG Image File (*.jpg);;"
                                "GIF Image File (*.gif);;PNG Image File (*.png)"));

        // A folder of pictures, one of them with a name that holds ":" (an ordinary character
        // in a file name here), and a file that is no picture.
        const QString photos = folder("photos");
        MakePicture(photos + QStringLiteral("/10:30.jpg"));
        MakePicture(photos + QStringLiteral("/b.png"));
        WriteAll((photos + QStringLiteral("/notes.txt")).toStdString(), "no picture");
        QDir::setCurrent(photos);

        QtPlatform qt;
        setPlatform(&qt);
        QStringList listed;
        WhenModal([&](QWidget*) {
            auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(files != nullptr);
            // Whatever fails below, the dialog is closed so that Browse returns.
            const auto closeOnFailure = qScopeGuard([files] {
                if (files->isVisible()) {
                    files->reject();
                }
            });
            auto* model = files->findChild<QFileSystemModel*>();
            QVERIFY(model != nullptr);
            // The dialog lists the folder in the background; wait (bounded) for it.
            const auto shown = [&] {
                QStringList names;
                const QModelIndex root = model->index(photos);
                for (int row = 0; row < model->rowCount(root); ++row) {
                    const QModelIndex entry = model->index(row, 0, root);
                    if (model->flags(entry).testFlag(Qt::ItemIsEnabled)) {
                        names << model->fileName(entry);
                    }
                }
                names.sort();
                return names;
            };
            QTRY_COMPARE_WITH_TIMEOUT(shown().size(), 2, 10000);
            listed = shown();
            // Typed into the name field as the author does, and confirmed with Enter.
            auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name != nullptr);
            QTest::keyClicks(name, QStringLiteral("10:30.jpg"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        dialog->BrowseBtnClick();
        setPlatform(&fake());

        QCOMPARE(listed, (QStringList{QStringLiteral("10:30.jpg"), QStringLiteral("b.png")}));
        QCOMPARE(dialog->PicturePath, photos + QStringLiteral("/10:30.jpg"));
        QCOMPARE(imageLabel()->text(), QStringLiteral("10:30.jpg"));
        QVERIFY(preview()->hasPicture());
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(dialog->PictureAddress, QStringLiteral("10:30.jpg"));
    }

    void aNameTheCodePageCannotHoldIsRefused() {
        // The tests run with the Western code page.
        const QString path = MakePicture(folder("p") + QStringLiteral("/фото.bmp"));
        const QString html = folder("html") + u'/';
        browse(path);
        dialog->HtmlFolder = html;
        dialog->PictureAddress = QStringLiteral("kept");
        box("CopyImg")->setChecked(true);
        for (const bool absolute : {false, true}) {
            box("AbsoluteAddress")->setChecked(absolute);
            fake().expectError();
            QVERIFY(!dialog->ApplyBtnClick());
            QCOMPARE(fake().lastAsked().text,
                     QStringLiteral("The picture's name has characters that can't be stored in "
                                    "the quiz (ф, о, т); rename the picture."));
            QCOMPARE(dialog->PictureAddress, QStringLiteral("kept"));
            QVERIFY(QDir(html).isEmpty());
        }
        // A name the code page holds is taken.
        browse(MakePicture(folder("p") + QStringLiteral("/Zoë.bmp")));
        box("AbsoluteAddress")->setChecked(false);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(dialog->PictureAddress, QStringLiteral("Zoë.bmp"));
    }

    void escapeDoesNotCloseIt() {
        dialog->show();
        QTest::keyClick(dialog.get(), Qt::Key_Escape);
        QVERIFY(dialog->isVisible());
        dialog->hide();
    }

    void anAddressThatDoesNotFitIsRefused() {
        // A full path of more than 250 characters.
        QString deep = folder("p");
        while (deep.size() < 240) {
            deep += QStringLiteral("/a_rather_long_folder_name");
        }
        QVERIFY(QDir().mkpath(deep));
        const QString path = MakePicture(deep + QStringLiteral("/picture.bmp"));
        QVERIFY(path.size() > 250);
        const QString html = folder("html") + u'/';
        browse(path);
        dialog->HtmlFolder = html;
        dialog->PictureAddress = QStringLiteral("kept");
        box("CopyImg")->setChecked(true);
        box("AbsoluteAddress")->setChecked(true);

        fake().expectError();
        QVERIFY(!dialog->ApplyBtnClick());
        QCOMPARE(fake().lastAsked().text,
                 QStringLiteral("The picture's path is longer than 250 characters; copy it to "
                                "the HTML folder or use a shorter path."));
        QCOMPARE(dialog->PictureAddress, QStringLiteral("kept"));
        QVERIFY(dialog->result() != QDialog::Accepted);
        QVERIFY(QDir(html).isEmpty());

        // The bare name of the copy fits.
        box("AbsoluteAddress")->setChecked(false);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(dialog->PictureAddress, QStringLiteral("picture.bmp"));
        QVERIFY(QFile::exists(html + QStringLiteral("picture.bmp")));
    }

    void exactly250CharactersFit() {
        QString deep = folder("p");
        QVERIFY(deep.size() < 230);
        const QString name = QStringLiteral("/x.bmp");
        deep += u'/' + QString(250 - deep.size() - 1 - name.size(), u'd');
        QVERIFY(QDir().mkpath(deep));
        const QString path = MakePicture(deep + name);
        QCOMPARE(path.size(), 250);
        browse(path);
        box("AbsoluteAddress")->setChecked(true);
        QVERIFY(dialog->ApplyBtnClick());
        QCOMPARE(dialog->PictureAddress, path);
    }

    void theCallersProtocol() {
        const QString path = MakePicture(folder("p") + QStringLiteral("/q.bmp"));
        const QString quizFolder = folder("quiz");
        WhenModal([&](QWidget*) {
            QVERIFY(dialog->isVisible());
            browse(path);
            dialog->findChild<QCheckBox*>(QStringLiteral("CopyImg"))->setChecked(true);
            QVERIFY(dialog->ApplyBtnClick());
        });
        const auto address = dialog->choosePicture(quizFolder + QStringLiteral("/test.qvt"));
        QCOMPARE(dialog->HtmlFolder, quizFolder + u'/');
        QCOMPARE(address, std::optional<QString>(QStringLiteral("q.bmp")));
        QVERIFY(QFile::exists(quizFolder + QStringLiteral("/q.bmp")));

        // Closed from the frame: no address.
        WhenModal([&](QWidget*) { dialog->close(); });
        QCOMPARE(dialog->choosePicture(QString()), std::nullopt);
    }

    void previewCentresAndShrinks() {
        widgets::PictureBox box;
        box.resize(165, 165);
        box.setPicture(QImage(330, 110, QImage::Format_RGB32));
        QCOMPARE(box.pictureRect(), QRect(0, 55, 165, 55));
        box.setPicture(QImage(100, 300, QImage::Format_RGB32));
        QCOMPARE(box.pictureRect(), QRect(55, 0, 55, 165));
        box.setPicture(QImage(21, 11, QImage::Format_RGB32));
        QCOMPARE(box.pictureRect(), QRect(72, 77, 21, 11));
        box.clearPicture();
        QVERIFY(box.pictureRect().isEmpty());
    }
};

QTEST_MAIN(PictureDialogTest)
#include "picture_dialog_test.moc"
