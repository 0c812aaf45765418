// Shows the page-look window with a sample page look, for looking at it as an author would
// (and for the screenshot in docs/). Not a test: it only shows the window.
//   look_window_demo [milliseconds before it closes itself]

#include "dialogs/newhtml.h"
#include "dialogs/picture_dialog.h"

#include "common/qt_helpers.h"
#include "common/stand_in_host.h"

#include <QApplication>
#include <QTimer>

using namespace tamberlin;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    testing::StandInHost host;
    THtmlPrefs& p = host.quiz().Prefs;
    p.Author = "A. N. Author";
    p.Alignment = 1;
    p.TextColorOn = 1;
    p.TextColor = 0x00202080;
    p.BgColorOn = 1;
    p.BgColor = 0x00E0F0FF;
    p.TitleFontOn = 1;
    p.TitleFontFace = "Sans Serif";
    p.TitleFontSize = 5;
    p.TitleFontColor = 0x00004080;
    p.QuestionFontOn = 1;
    p.QuestionFontFace = "Serif";
    p.QuestionFontSize = 3;
    p.QuestionFontColor = 0x00000000;

    TPictureDialog chooser;
    TNewHtml dialog(host, chooser);
    dialog.show();
    if (argc > 1) {
        QTimer::singleShot(QString::fromLocal8Bit(argv[1]).toInt(), &app, &QApplication::quit);
    }
    return app.exec();
}
