// Draws the main window on a quiz, its Quiz menu, its Set Up and HTML Preference windows into PNG
// files, for looking at them as an author would and for the pictures in docs/. Not a test: it only
// draws the windows.
//   window_pictures_demo QUIZ.qvt OUT_FOLDER

#include "app/main_window.h"
#include "dialogs/newhtml.h"
#include "dialogs/qsetup.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPixmap>
#include <QTimer>

using namespace tamberlin;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    TForm1 form(QString::fromLocal8Bit(argv[1]));
    form.CreateDialogs();
    form.show();
    QTimer::singleShot(300, [&] {
        form.grab().save(QDir(out).filePath(QStringLiteral("main_window.png")));
        auto* quizMenu = form.findChild<QMenu*>(QStringLiteral("Quiz1"));
        quizMenu->popup(form.mapToGlobal(QPoint(100, 30)));
        QTimer::singleShot(300, [&, quizMenu] {
            quizMenu->grab().save(QDir(out).filePath(QStringLiteral("quiz_menu.png")));
            quizMenu->hide();
            auto* setup = form.findChild<Tqsetup*>();
            setup->show();
            QTimer::singleShot(300, [&, setup] {
                setup->grab().save(QDir(out).filePath(QStringLiteral("setup_dialog.png")));
                setup->hide();
                auto* look = form.findChild<TNewHtml*>();
                look->show();
                QTimer::singleShot(300, [&, look] {
                    look->grab().save(QDir(out).filePath(QStringLiteral("preferences.png")));
                    look->hide();
                    app.quit();
                });
            });
        });
    });
    return app.exec();
}
