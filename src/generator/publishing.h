#pragma once

// Publishing a quiz: where a page's inputs come from.
//
// A page is made from the quiz block alone. PreparePageInputs is the one place that turns the
// quiz's stored page-look settings into what the page writer takes; Create Html (the session),
// --publish (the command line) and every other export of the page call it, so a quiz gives the
// same page whichever way it is published:
//
//     PageInputs inputs = PreparePageInputs(quiz);          // settles quiz.Prefs
//     QuizPageText text = BuildQuizPage(quiz, inputs);      // the bytes, nothing written
//     PublishResult done = PublishQuiz(quiz, inputs, path); // or written beside the quiz file

#include "document/quiz.h"
#include "generator/quiz_page.h"

namespace tamberlin {

// Settles the quiz's page-look block as the page-look dialog's Apply writes it when the dialog is
// loaded from the quiz and applied untouched (font tags rebuilt from their rows, sizes brought
// into 1..7, colours that are off switched to 0; see DerivePageLook in generator/page_look.h),
// and returns the page's inputs: the BODY attributes and the three font switches. The rest of the
// quiz is left as it is. The caller decides whether the settled block is saved (Create Html
// saves it; --publish leaves the quiz file alone).
PageInputs PreparePageInputs(TQuizRec& quiz);

} // namespace tamberlin
