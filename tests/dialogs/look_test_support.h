#pragma once

// What the picture chooser's and the page-look dialog's tests share: a stand-in for the main
// window, pictures made on the spot, and running code inside a modal dialog's loop.

#include "dialogs/quiz_host.h"
#include "document/quiz.h"
#include "platform/fake_platform.h"

#include <QDir>
#include <QImage>
#include <QString>
#include <QTimer>

#include <functional>
#include <string>

namespace tamberlin::testing {

// The main window as the dialogs see it: the quiz block, a file name, and Save that answers as
// scripted and counts its calls.
class StandInHost : public QuizHost {
public:
    StandInHost() {
        document.ClearBlankQuestion();
        document.ResetQuiz();
    }
    TQuizRec& quiz() override { return document.quiz; }
    QString quizFileName() const override { return fileName; }
    SaveResult Save1Click() override {
        ++saves;
        return {saveSucceeds ? SaveResult::Saved : SaveResult::Failed, {}};
    }
    SaveResult SaveAs1Click() override { return Save1Click(); }

    QuizDocument document;
    QString fileName;
    bool saveSucceeds = true;
    int saves = 0;
};

// A small picture file of the given size, one colour; the format follows the extension.
inline QString MakePicture(const QString& path, int width = 40, int height = 20) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 40));
    if (!image.save(path)) {
        qFatal("cannot write the test picture %s", qPrintable(path));
    }
    return path;
}

inline QString ToQString(const std::string& text) {
    return QString::fromStdString(text);
}

// Runs action once the next modal loop is running (a dialog's exec), so a test can act inside it.
inline void WhileModal(std::function<void()> action) {
    QTimer::singleShot(0, std::move(action));
}

// Installs a scripted platform for the lifetime of a test object and restores the real one.
class ScriptedPlatform {
public:
    ScriptedPlatform() { setPlatform(&fake); }
    ~ScriptedPlatform() { setPlatform(nullptr); }
    ScriptedPlatform(const ScriptedPlatform&) = delete;
    ScriptedPlatform& operator=(const ScriptedPlatform&) = delete;

    FakePlatform fake;
};

} // namespace tamberlin::testing
