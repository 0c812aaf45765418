#pragma once

#include "document/quiz.h"

#include <ostream>
#include <string>

namespace tamberlin {

// A wrong command line: the message and a pointer to --help on err.
void UsageError(std::ostream& err, const std::string& message);

// Reads the quiz file a command names into document, reset first to what a fresh window holds.
// A file that cannot be read is reported on err (false); one that ends early is read with a
// warning.
bool ReadQuizArgument(QuizDocument& document, const std::string& path, std::ostream& err);

// The reading and reporting of ReadQuizArgument, into a quiz block the caller has prepared
// (--publish reuses one document for a whole batch).
bool ReadQuizReporting(TQuizRec& quiz, const std::string& path, std::ostream& err);

} // namespace tamberlin
