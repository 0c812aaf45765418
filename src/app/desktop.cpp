#include "app/desktop.h"

#include "app/main_window.h"
#include "dialogs/splash.h"
#include "platform/platform.h"
#include "qtbridge/centring.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>
#include <QStringList>

namespace tamberlin {

QString CommandLineQuizFile(int argc, char** argv) {
    // The file is taken as given (file names are case-sensitive); words the shell split apart
    // are joined again with one blank, as the rest of the command line.
    QStringList words;
    for (int i = 1; i < argc; ++i) {
        words << QString::fromLocal8Bit(argv[i]);
    }
    return words.join(u' ');
}

int RunDesktop(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tamberlin"));
    // Ties the windows to the installed menu entry (tamberlin.desktop) and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("tamberlin"));

    // Creating the window opens the quiz named on the command line before anything is shown.
    TForm1 form(CommandLineQuizFile(argc, argv));
    QApplication::setWindowIcon(form.windowIcon());
    platform().setParentWindow(&form);

    // The splash window, shown modally; start-up waits until its timer or a click closes it.
    form.CreateSplash()->exec();

    // The windows that live from start-up to exit: the preferences dialog, the setup dialog, the
    // image viewer and the picture chooser, in this order (the others are added with them).
    form.CreateDialogs();

    form.adjustSize();
    CentreOnScreen(&form);
    form.show();
    return QApplication::exec();
}

} // namespace tamberlin
