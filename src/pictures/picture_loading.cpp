#include "pictures/picture_loading.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>

namespace tamberlin {

namespace {

// How many loads are running; a load started from an event handled during another load's
// repaints decodes without handing control back to the event loop.
int g_loadDepth = 0;

// Keeps the wait cursor up for the life of one load, also when it ends by an exception.
class WaitCursor {
public:
    WaitCursor() {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        ++g_loadDepth;
    }
    ~WaitCursor() {
        --g_loadDepth;
        QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Repaints at most this often during a long decode; handling events costs more than a row.
constexpr qint64 kRepaintIntervalMs = 40;

} // namespace

bool PictureLoadRunning() {
    return g_loadDepth > 0;
}

LoadedPicture LoadPictureForWindow(const QString& path) {
    const bool outermost = g_loadDepth == 0;
    WaitCursor wait;
    QElapsedTimer sinceRepaint;
    PictureProgress repaint;
    if (outermost) {
        // Pictures of more than 200 rows let the windows repaint as rows are stored (at the
        // first row, then every kRepaintIntervalMs); user input waits until the load is over,
        // so no click or key runs in the middle of it.
        repaint = [&sinceRepaint](int, int rows) {
            if (rows > 200 &&
                (!sinceRepaint.isValid() || sinceRepaint.elapsed() >= kRepaintIntervalMs)) {
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                                QEventLoop::ExcludeSocketNotifiers);
                sinceRepaint.start();
            }
        };
    }
    return LoadPictureFile(path, repaint);
}

} // namespace tamberlin
