#include "results/receiver.h"

#include "common/ascii.h"

#include "results/form.h"
#include "results/quizzes.h"
#include "results/store.h"

namespace tamberlin::results {

namespace {

bool isWebAddress(std::string_view url) {
    const auto startsWith = [&](std::string_view prefix) {
        if (url.size() <= prefix.size()) {
            return false;
        }
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            if (AsciiLower(url[i]) != prefix[i]) {
                return false;
            }
        }
        return true;
    };
    return startsWith("http://") || startsWith("https://");
}

// The address as a Location header may carry it: bytes outside printable ASCII are
// percent-encoded; an address holding a control character is not used at all.
bool locationFor(std::string_view url, std::string& out) {
    static constexpr char hex[] = "0123456789ABCDEF";
    out.clear();
    for (char ch : url) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
        if (c == ' ' || c > 0x7E) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return true;
}

std::string displayOrDash(const std::string& text) {
    return text.empty() ? "-" : text;
}

} // namespace

const char* StatusText(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 303:
        return "See Other";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 411:
        return "Length Required";
    case 413:
        return "Content Too Large";
    case 415:
        return "Unsupported Media Type";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

Reply ErrorReply(int status, const std::string& message) {
    Reply reply;
    reply.status = status;
    reply.body = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" +
                 std::to_string(status) + " " + StatusText(status) + "</title></head><body><h1>" +
                 std::to_string(status) + " " + StatusText(status) + "</h1><p>" +
                 EscapeHtml(message) + "</p></body></html>\n";
    reply.logLine = std::to_string(status) + " " + message;
    return reply;
}

void SendTo(Reply& reply, const std::string& location) {
    reply.status = 303;
    reply.location = location;
    reply.body = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>See "
                 "Other</title></head><body><a href=\"" +
                 EscapeHtml(location) + "\">Continue</a></body></html>\n";
}

Reply StoreFailure(const std::string& reason) {
    Reply reply = ErrorReply(500, "Your answers could not be stored. Please tell your teacher "
                                  "and try again later.");
    reply.logLine = "500 " + reason;
    return reply;
}

Reply TooLarge() {
    return ErrorReply(413, "the body is larger than 64 KiB");
}

std::string VisibleText(std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        // C0 controls, DEL, and the C1 controls as UTF-8 (C2 80 to C2 9F), which some
        // terminals obey too.
        const bool c1 = c == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c < 0x20 || c == 0x7F || c1) {
            const auto shown = c1 ? static_cast<unsigned char>(text[++i]) : c;
            out += "\\x";
            out += hex[shown >> 4];
            out += hex[shown & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

Reply HandleSubmission(const SubmissionRequest& request, ReceiverContext& context) {
    if (request.method != "POST") {
        Reply reply = ErrorReply(405, "results are sent with POST");
        reply.allow = "POST";
        return reply;
    }
    if (!IsFormContentType(request.contentType)) {
        return ErrorReply(415, "results are sent as application/x-www-form-urlencoded, not " +
                                   std::string(request.contentType.empty() ? "a body without a type"
                                                                           : request.contentType));
    }
    if (request.body.size() > kMaxBodySize) {
        return TooLarge();
    }
    const FormFields form = DecodeForm(request.body);
    if (!form.error.empty()) {
        return ErrorReply(400, form.error);
    }
    std::string error;
    auto submission = ReadSubmission(form, *context.codePage, error);
    if (!submission) {
        return ErrorReply(400, error);
    }
    if (context.store == nullptr) {
        return StoreFailure("results not stored: " + context.storeError);
    }
    if (context.verifyName) {
        submission->nameVerified = context.verifyName(*submission, request.cookies);
    }

    QuizMatch match;
    if (context.quizzes != nullptr) {
        match =
            context.quizzes->find(submission->quizId, static_cast<int>(submission->answers.size()));
    }
    const std::shared_ptr<const QuizKey>& quiz = match.quiz;
    const ScoreCheck check = quiz ? CheckScore(*quiz, *submission) : ScoreCheck{};
    std::string ambiguous;
    for (const std::string& path : match.ambiguousWith) {
        ambiguous += (ambiguous.empty() ? "" : "\n") + path;
    }
    const std::string received = NowIso8601();
    std::int64_t id = 0;
    try {
        id = context.store->record(*submission, quiz.get(), check, received, ambiguous);
    } catch (const std::exception& e) {
        return StoreFailure(std::string("results not stored: ") + e.what());
    }

    Reply reply;
    const std::string checked =
        check.checkedScore ? std::to_string(*check.checkedScore) + "%" : std::string();
    reply.logLine = received + "  #" + std::to_string(id) + "  " + submission->quizId + "  " +
                    displayOrDash(submission->hasName ? submission->name : submission->email) +
                    "  posted " + displayOrDash(submission->score);
    if (submission->nameVerified) {
        reply.logLine += "  (verified)";
    }
    if (!match.ambiguousWith.empty()) {
        reply.logLine +=
            "  (ID of " + std::to_string(match.ambiguousWith.size()) + " quizzes: not checked)";
    } else if (!quiz) {
        reply.logLine += "  (unknown quiz: not checked)";
    } else if (check.checkedScore) {
        reply.logLine += "  checked " + checked + (check.differs ? "  DIFFERS" : "");
    }
    std::string location;
    if (quiz && submission->url == quiz->redirectAddress && isWebAddress(submission->url) &&
        locationFor(submission->url, location)) {
        SendTo(reply, location);
        return reply;
    }
    const std::string& shownScore = check.checkedScore ? checked : submission->score;
    std::string who = submission->hasName && !submission->name.empty()
                          ? ", " + EscapeHtml(submission->name)
                          : std::string();
    reply.body = "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Thank you</title>"
                 "</head><body><h1>Thank you" +
                 who +
                 "</h1><p>Your answers have been received. Your score: " + EscapeHtml(shownScore) +
                 "</p></body></html>\n";
    return reply;
}

} // namespace tamberlin::results
