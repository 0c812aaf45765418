// tamberlin-results: receives the results that published quiz pages post, stores them in
// SQLite with the score checked against the quiz file, and reports them.
#include "document/errors.h"
#include "document/file_io.h"
#include "results/cgi.h"
#include "results/report.h"
#include "results/server.h"
#include "results/store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  tamberlin-results serve FOLDER [--port PORT] [--bind ADDRESS] [--db FILE]\n"
    "  tamberlin-results report DB [--quiz ID] [--csv FILE] [--html FILE]\n"
    "  tamberlin-results --help | --version\n"
    "Started by a web server as a CGI program (GATEWAY_INTERFACE set), it stores the posted\n"
    "results in TAMBERLIN_RESULTS_DB and checks them against the quizzes in TAMBERLIN_QUIZ_DIR.\n";

int usageError(const std::string& message) {
    std::fprintf(stderr, "tamberlin-results: %s\n%s", message.c_str(), kUsage);
    return 2;
}

bool parsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    port = std::atoi(text.c_str());
    return port <= 65535;
}

int serve(const std::vector<std::string>& args) {
    tamberlin::results::ServeOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--port" && hasValue) {
            if (!parsePort(args[++i], options.port)) {
                return usageError("--port needs a number from 0 to 65535");
            }
        } else if (a == "--bind" && hasValue) {
            options.bind = args[++i];
        } else if (a == "--db" && hasValue) {
            options.dbPath = args[++i];
        } else if (!a.starts_with("--") && options.folder.empty()) {
            options.folder = a;
        } else {
            return usageError("unexpected argument " + a);
        }
    }
    if (options.folder.empty()) {
        return usageError("serve needs the folder of the published pages");
    }
    return tamberlin::results::Serve(options);
}

bool writeOut(const std::string& target, const std::string& text) {
    if (target == "-") {
        return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
               std::fflush(stdout) == 0;
    }
    if (const int err = tamberlin::WriteFileAtomically(target, text); err != 0) {
        std::fprintf(stderr, "tamberlin-results: cannot write %s: %s\n", target.c_str(),
                     tamberlin::SystemErrorText(err).c_str());
        return false;
    }
    return true;
}

int report(const std::vector<std::string>& args) {
    std::string db;
    std::optional<std::string> quiz;
    std::string csv;
    std::string html;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--quiz" && hasValue) {
            quiz = args[++i];
        } else if (a == "--csv" && hasValue) {
            csv = args[++i];
        } else if (a == "--html" && hasValue) {
            html = args[++i];
        } else if (!a.starts_with("--") && db.empty()) {
            db = a;
        } else {
            return usageError("unexpected argument " + a);
        }
    }
    if (db.empty()) {
        return usageError("report needs the results database");
    }
    if (csv.empty() && html.empty()) {
        csv.push_back('-'); // standard output
    }
    std::vector<tamberlin::results::StoredSubmission> rows;
    try {
        rows = tamberlin::results::ReadSubmissions(db, quiz);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tamberlin-results: %s\n", e.what());
        return 1;
    }
    bool ok = true;
    if (!csv.empty()) {
        ok = writeOut(csv, tamberlin::results::ResultsCsv(rows)) && ok;
    }
    if (!html.empty()) {
        ok = writeOut(html, tamberlin::results::ResultsHtml(rows, "")) && ok;
    }
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (const char* gateway = std::getenv("GATEWAY_INTERFACE"); gateway != nullptr && *gateway) {
        return tamberlin::results::RunCgi();
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return usageError("nothing to do");
    }
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "--version") {
        std::printf("tamberlin-results %s\n", TAMBERLIN_VERSION);
        return 0;
    }
    if (command == "serve") {
        return serve(args);
    }
    if (command == "report") {
        return report(args);
    }
    return usageError("unknown command " + command);
}
