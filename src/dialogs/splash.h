#pragma once

#include "pictures/picture_loader.h"

#include <QDialog>

class QLabel;
class QTimer;

namespace tamberlin {

// The maker's web page, opened from the link area of the splash/about window.
inline constexpr char16_t kMakerWebPage[] = u"https://www.tamberlin.example/";

// Decodes the splash picture kept in the program's resources.
QImage LoadSplashPicture();

// The splash window shown at start-up, which is also the about window. Borderless, on top,
// centred on the screen, 350 x 246 pixels of picture. Each showing switches Timer1 on (a timer
// still running from an earlier showing keeps its period); when it fires it switches itself off
// and closes the window. A left click on the picture closes the window but leaves the timer
// running, so an about window opened soon after a click-closed splash closes when that earlier
// period ends. A press on the link area opens the maker's web page and leaves the window open.
//
// Shown modally with exec(), both at start-up and from "About"; the result is not meaningful.
class TSplash : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTimerInterval = 4000;
    static constexpr QSize kPictureSize{350, 246};
    static constexpr QRect kLinkArea{64, 168, 225, 33};

    explicit TSplash(QWidget* parent = nullptr);

    void FormShow();
    void Timer1Timer();
    void Image1Click();
    void Shape1MouseDown();

protected:
    void showEvent(QShowEvent* event) override;
    // Only the timer and a click close the window; Escape does not.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Controls, by their layout names (also their object names).
    QLabel* Image1 = nullptr;
    QWidget* Shape1 = nullptr;
    QTimer* Timer1 = nullptr;
    bool leftPressedOnPicture_ = false;
};

} // namespace tamberlin
