#pragma once

#include "document/quiz.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlin {

// The lines of the quiz script block that the page carries in its head, from
// "<script language="JavaScript">" to "</SCRIPT>". A line that is "\r\n" is a separator (it
// puts two empty lines into the page). Only the login address, the interval, the two counts and
// the answers depend on the quiz.
std::vector<std::string> QuizScriptLines(const TQuizRec& quiz);

// The same block appended to out, each line followed by CR LF.
void AppendQuizScript(const TQuizRec& quiz, std::string& out);

// At least the number of bytes AppendQuizScript appends for the quiz.
std::size_t QuizScriptSizeBound(const TQuizRec& quiz);

// A text made safe to stand between the double quotes of a script string literal: backslash,
// double quote, CR and LF become \\, \", \r and \n; every other byte is copied.
std::string EscapeForScriptString(std::string_view text);

} // namespace tamberlin
