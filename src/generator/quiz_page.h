#pragma once

#include "document/errors.h"
#include "document/paths.h"
#include "document/quiz.h"
#include "generator/page_files.h"

#include <optional>
#include <string>
#include <string_view>

namespace tamberlin {

// The page-look inputs that the page writer takes besides the quiz block: the BODY attributes
// and the three font switches (title, question, choice).
struct PageInputs {
    std::string bodyAttributes;
    bool titleFontOn = false;
    bool questionFontOn = false;
    bool choiceFontOn = false;
};

// The two texts of one publication: the page and its listing (".qdt"), as the bytes that go
// into the files (code page text, CR LF line ends).
struct QuizPageText {
    std::string page;
    std::string listing;
};

// Question and choice texts in the page: ">" to "&gt;", "<" to "&lt;", CR to "<BR>", every
// other byte unchanged; the result is cut to its first 255 bytes.
std::string EscapeForHtml(std::string_view text);

// Question text in the listing: every CR and LF dropped.
std::string StripLineBreaks(std::string_view text);

// Builds the page and the listing of the quiz without writing anything.
QuizPageText BuildQuizPage(const TQuizRec& quiz, const PageInputs& inputs);

// Writes the page to pagePath and the listing beside it (pagePath with the extension ".qdt"),
// replacing files that exist; the two are published together or not at all (see
// WriteFilePair). pageBuffer receives the page text as soon as it is built, so it holds the
// page also when writing fails. Throws EFCreateError with the page's path when the page cannot
// be written, or with the listing's path when the listing cannot be written; either way both
// targets are left as they were. A batch, when given, lets one run of publications reuse the
// files it replaces (see WriteFilePair).
void WriteQuizPage(const TQuizRec& quiz, const std::string& pagePath, const PageInputs& inputs,
                   std::string& pageBuffer, PublishBatch* batch = nullptr);

// The same, handing back the page text.
std::string WriteQuizPage(const TQuizRec& quiz, const std::string& pagePath,
                          const PageInputs& inputs);

// What publishing one quiz came to: the page's path, the page text (built also when writing
// failed) and, when a file could not be written, the "Cannot create file" error.
struct PublishResult {
    std::string pagePath;
    std::string page;
    std::optional<EFCreateError> error;
};

// The page of the quiz whose file is quizPath: beside it, with the extension ".htm".
std::string PagePathFor(const std::string& quizPath);

// Publishes the quiz whose file is quizPath: its page at PagePathFor(quizPath) and the listing
// beside the page, as WriteQuizPage writes them. The inputs come from PreparePageInputs
// (generator/publishing.h). Used by Create Html and by the headless publisher, which passes one
// batch for all its quizzes; only running out of memory throws.
PublishResult PublishQuiz(const TQuizRec& quiz, const PageInputs& inputs,
                          const std::string& quizPath, PublishBatch* batch = nullptr);

} // namespace tamberlin
