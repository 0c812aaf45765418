#pragma once

// The quiz checker: what a quiz can hold that the editor lets through but that the page or its
// takers would trip over, each with the question concerned and one line of advice.

#include "document/code_page.h"
#include "document/quiz.h"
#include "document/quiz_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tamberlin {

struct QuizProblem {
    int question = 0;    // 1-based, or 0 for the quiz as a whole
    std::string message; // UTF-8, one line
    std::string advice;  // UTF-8, one line
};

// The problems of the quiz block. quizPath is where the quiz file is (or will be): the page is
// published beside it, so pictures given by a bare or relative name, clock.js and the clock's
// digit pictures are looked for in its folder.
std::vector<QuizProblem> CheckQuiz(const TQuizRec& quiz, const std::string& quizPath,
                                   const CodePage& codePage = CodePage::system());

// What a published page would show badly, whatever the questions hold: text colours with too
// little contrast with the background colour (a contrast ratio under 3:1) and a time allowed
// under 30 seconds. Create Html's message lists these; CheckQuiz includes them.
std::vector<QuizProblem> PublishingWarnings(const TQuizRec& quiz);

// The contrast ratio of two colours (0x00BBGGRR), from 1 (the same) to 21 (black on white).
double ContrastRatio(std::uint32_t first, std::uint32_t second);

// What the quiz ID would do to the results: an ID the page cuts at a space or quote, and (with
// AlsoTheFolder) other quiz files in the same folder whose pages post the same ID, an empty one
// too, so that the results receiver cannot tell their submissions apart.
enum class IdCheck { TheIdOnly, AlsoTheFolder };
std::vector<QuizProblem> QuizIdProblems(const TQuizRec& quiz, const std::string& quizPath,
                                        const CodePage& codePage = CodePage::system(),
                                        IdCheck scope = IdCheck::AlsoTheFolder);

// Reads the quiz file at path (throws what ReadQuizFile throws) and checks it; a file that
// ends before its last question comes first as a problem of its own.
std::vector<QuizProblem> CheckQuizFile(const std::string& path,
                                       const CodePage& codePage = CodePage::system());

} // namespace tamberlin
