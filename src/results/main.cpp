// tamberlin-results: receives the results that published quiz pages post, stores them in
// SQLite with the score checked against the quiz file, and reports them.
#include "document/errors.h"
#include "document/file_io.h"
#include "results/cgi.h"
#include "results/login.h"
#include "results/report.h"
#include "results/server.h"
#include "results/store.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  tamberlin-results serve FOLDER [--port PORT] [--bind ADDRESS] [--db FILE]\n"
    "                          [--roster CLASS.csv] [--per-address N]\n"
    "  tamberlin-results report DB [--quiz ID] [--csv FILE] [--html FILE] [--roster CLASS.csv]\n"
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
        } else if (a == "--roster" && hasValue) {
            options.rosterPath = args[++i];
        } else if (a == "--per-address" && hasValue) {
            const std::string& n = args[++i];
            if (n.empty() || n.size() > 5 ||
                n.find_first_not_of("0123456789") != std::string::npos ||
                std::atoi(n.c_str()) < 1 || std::atoi(n.c_str()) > options.connectionLimit) {
                return usageError("--per-address needs a number from 1 to " +
                                  std::to_string(options.connectionLimit));
            }
            options.perAddressLimit = std::atoi(n.c_str());
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

// A report names every taker: one written where the pages are served is there for anyone who
// guesses its address from a web server that serves whole folders.
void warnIfServed(const std::string& target, const std::string& db) {
    if (target == "-") {
        return;
    }
    const auto folderOf = [](const std::string& path) {
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
        char resolved[PATH_MAX];
        return realpath(folder.c_str(), resolved) != nullptr ? std::string(resolved) : folder;
    };
    const std::string folder = folderOf(target);
    bool served = folder == folderOf(db);
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* item = readdir(dir)) {
            const std::string name = item->d_name;
            served =
                served || name.ends_with(".qvt") || name.ends_with(".QVT") || name == "clock.js";
        }
        closedir(dir);
    }
    if (served) {
        std::fprintf(stderr,
                     "tamberlin-results: warning: %s is written into a folder of published "
                     "quizzes; a web server that serves the folder hands it to anyone who asks "
                     "(tamberlin-results serve refuses it). Keep reports elsewhere.\n",
                     target.c_str());
    }
}

int report(const std::vector<std::string>& args) {
    std::string db;
    std::optional<std::string> quiz;
    std::string csv;
    std::string html;
    std::string rosterPath;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--quiz" && hasValue) {
            quiz = args[++i];
        } else if (a == "--csv" && hasValue) {
            csv = args[++i];
        } else if (a == "--html" && hasValue) {
            html = args[++i];
        } else if (a == "--roster" && hasValue) {
            rosterPath = args[++i];
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
    std::optional<tamberlin::results::Roster> roster;
    try {
        rows = tamberlin::results::ReadSubmissions(db, quiz);
        if (!rosterPath.empty()) {
            // The codes the list leaves out come from the key; the report needs only names.
            roster = tamberlin::results::LoadRoster(rosterPath, std::string(32, '0'));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tamberlin-results: %s\n", e.what());
        return 1;
    }
    bool ok = true;
    if (!csv.empty()) {
        ok = writeOut(csv, tamberlin::results::ResultsCsv(rows)) && ok;
    }
    if (!html.empty()) {
        warnIfServed(html, db);
        ok = writeOut(html,
                      tamberlin::results::ResultsHtml(rows, "", roster ? &*roster : nullptr)) &&
             ok;
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
