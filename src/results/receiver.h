#pragma once

#include "common/html_escape.h"

#include <functional>
#include <string>
#include <string_view>

namespace tamberlin {
class CodePage;
}

namespace tamberlin::results {

class QuizFolder;
class ResultsStore;

// What the receiver answers to one request, the same for the embedded server and for CGI.
struct Reply {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string location; // set for 303
    std::string allow;    // set for 405
    std::string body;
    std::string logLine; // one line for the teacher's console or the web server's log
};

// The parts of an HTTP request that a submission depends on.
struct SubmissionRequest {
    std::string_view method;
    std::string_view contentType;
    std::string_view body;
};

struct ReceiverContext {
    ResultsStore* store = nullptr; // null: the database could not be opened
    std::string storeError;        // why, when store is null
    QuizFolder* quizzes = nullptr; // null: no quiz folder, every submission is unchecked
    const CodePage* codePage = nullptr;
};

// Checks, scores and stores one submission; the reply is success only after the commit.
Reply HandleSubmission(const SubmissionRequest& request, ReceiverContext& context);

// A short page for an error reply.
Reply ErrorReply(int status, const std::string& message);

// The reason phrase of a status code the receiver uses.
const char* StatusText(int status);

} // namespace tamberlin::results
