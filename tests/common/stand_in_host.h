#pragma once

// The main window as the dialogs see it, for the dialogs' own tests.

#include "common/quiz_builders.h"
#include "dialogs/quiz_host.h"
#include "document/quiz.h"

#include <QString>

#include <memory>

namespace tamberlin::testing {

// The quiz block, a file name, and Save that answers as scripted and counts its calls.
class StandInHost : public QuizHost {
public:
    TQuizRec& quiz() override { return document->quiz; }
    QString quizFileName() const override { return fileName; }
    SaveResult Save1Click() override {
        ++saves;
        return {saveStatus, {}};
    }
    SaveResult SaveAs1Click() override { return Save1Click(); }

    std::unique_ptr<QuizDocument> document = FreshDocument();
    QString fileName;
    SaveResult::Status saveStatus = SaveResult::Saved;
    int saves = 0;
};

} // namespace tamberlin::testing
