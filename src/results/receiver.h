#pragma once

#include "common/html_escape.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

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
    std::string location;             // set for 303
    std::string allow;                // set for 405
    std::vector<std::string> cookies; // Set-Cookie values
    std::string body;
    std::string logLine; // one line for the teacher's console or the web server's log
};

// The parts of an HTTP request that a submission depends on.
struct SubmissionRequest {
    std::string_view method;
    std::string_view contentType;
    std::string_view body;
    std::string_view cookies; // the Cookie header, empty when none was sent
};

struct Submission;

struct ReceiverContext {
    ResultsStore* store = nullptr; // null: the database could not be opened
    std::string storeError;        // why, when store is null
    QuizFolder* quizzes = nullptr; // null: no quiz folder, every submission is unchecked
    const CodePage* codePage = nullptr;
    // Tells whether the login's signed cookie vouches for the submission's name; unset when
    // no names are verified.
    std::function<bool(const Submission&, std::string_view cookies)> verifyName;
};

// Checks, scores and stores one submission; the reply is success only after the commit.
Reply HandleSubmission(const SubmissionRequest& request, ReceiverContext& context);

// A short page for an error reply.
Reply ErrorReply(int status, const std::string& message);

// Makes reply a 303 to location (an address fit for a Location header) with a link to it.
void SendTo(Reply& reply, const std::string& location);

// The answer when a submission cannot be stored: the taker gets a plain message, the reason
// (which may name the database's path) goes only to the log line.
Reply StoreFailure(const std::string& reason);

// The answer to a request body above kMaxBodySize.
Reply TooLarge();

// Text for the console or a log: control characters (line breaks, escape sequences) are shown
// as \xNN instead of acting on the terminal.
std::string VisibleText(std::string_view text);

// The reason phrase of a status code the receiver uses.
const char* StatusText(int status);

} // namespace tamberlin::results
