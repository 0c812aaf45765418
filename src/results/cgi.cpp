#include "results/cgi.h"

#include "document/code_page.h"
#include "results/form.h"
#include "results/quizzes.h"
#include "results/receiver.h"
#include "results/store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

namespace tamberlin::results {

namespace {

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

void writeAll(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(STDOUT_FILENO, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;
        }
        done += static_cast<std::size_t>(n);
    }
}

void respond(const Reply& reply) {
    std::string head =
        "Status: " + std::to_string(reply.status) + " " + StatusText(reply.status) + "\r\n";
    if (!reply.location.empty()) {
        head += "Location: " + reply.location + "\r\n";
    }
    if (!reply.allow.empty()) {
        head += "Allow: " + reply.allow + "\r\n";
    }
    head += "Content-Type: " + reply.contentType + "\r\n";
    head += "X-Content-Type-Options: nosniff\r\n\r\n";
    writeAll(head + reply.body);
}

// Reads exactly length bytes of the body; false when standard input ends sooner.
bool readBody(std::size_t length, std::string& body) {
    body.resize(length);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = read(STDIN_FILENO, body.data() + done, length - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

int RunCgi() {
    const std::string method = env("REQUEST_METHOD");
    const std::string contentType = env("CONTENT_TYPE");
    const std::string lengthText = env("CONTENT_LENGTH");
    const auto fail = [](const Reply& reply) {
        std::fprintf(stderr, "tamberlin-results: %s\n", VisibleText(reply.logLine).c_str());
        respond(reply);
        return 0;
    };

    ReceiverContext context;
    context.codePage = &CodePage::system();
    if (method != "POST" || !IsFormContentType(contentType)) {
        return fail(HandleSubmission({method, contentType, {}, {}}, context));
    }
    if (lengthText.empty() || lengthText.find_first_not_of("0123456789") != std::string::npos ||
        lengthText.size() > 18) {
        return fail(ErrorReply(411, "the request has no valid CONTENT_LENGTH"));
    }
    const std::size_t length = std::stoull(lengthText);
    if (length > kMaxBodySize) {
        return fail(TooLarge());
    }
    std::string body;
    if (!readBody(length, body)) {
        return fail(ErrorReply(400, "the body is shorter than CONTENT_LENGTH"));
    }

    const std::string dbPath = env("TAMBERLIN_RESULTS_DB");
    std::unique_ptr<ResultsStore> store;
    if (dbPath.empty()) {
        context.storeError = "TAMBERLIN_RESULTS_DB is not set (the web server's configuration "
                             "names the results database)";
    } else {
        try {
            store = std::make_unique<ResultsStore>(dbPath, ResultsStore::Lifetime::OneSubmission);
            context.store = store.get();
        } catch (const std::exception& e) {
            context.storeError = e.what();
        }
    }
    const std::string quizDir = env("TAMBERLIN_QUIZ_DIR");
    std::unique_ptr<QuizFolder> quizzes;
    if (!quizDir.empty()) {
        quizzes = std::make_unique<QuizFolder>(quizDir, *context.codePage);
        context.quizzes = quizzes.get();
    }
    const Reply reply = HandleSubmission({method, contentType, body, {}}, context);
    if (reply.status >= 400) {
        return fail(reply);
    }
    respond(reply);
    return 0;
}

} // namespace tamberlin::results
