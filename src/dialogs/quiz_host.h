#pragma once

#include "document/quiz.h"
#include "session/quiz_session.h"

#include <QString>

namespace tamberlin {

// What the dialogs may reach of the main window: the quiz block, the quiz file's name, and the
// Save and Save As commands. The main window implements it; a dialog's tests use a small stand-in.
class QuizHost {
public:
    virtual ~QuizHost() = default;

    virtual TQuizRec& quiz() = 0;
    // Full path of the current quiz file; empty while the quiz has none.
    virtual QString quizFileName() const = 0;
    // Save and Save As as the main window runs them (a failure's error is shown in the standard
    // error box). A command that asked stops when the quiz was not saved.
    virtual SaveResult Save1Click() = 0;
    virtual SaveResult SaveAs1Click() = 0;
};

} // namespace tamberlin
