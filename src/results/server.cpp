#include "results/server.h"

#include "common/ascii.h"

#include "document/code_page.h"
#include "document/errors.h"
#include "document/file_io.h"
#include "results/form.h"
#include "results/login.h"
#include "results/quizzes.h"
#include "results/receiver.h"
#include "results/report.h"
#include "results/static_files.h"
#include "results/store.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <memory>
#include <microhttpd.h>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <sys/random.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tamberlin::results {

namespace {

// The teacher's key: 128 random bits as 32 hexadecimal digits.
std::string randomKey() {
    unsigned char bytes[16];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw std::runtime_error("no random numbers for the teacher's key");
        }
        got += static_cast<std::size_t>(n);
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string key;
    for (unsigned char b : bytes) {
        key += hex[b >> 4];
        key += hex[b & 15];
    }
    return key;
}

// Compares without stopping at the first difference, so the time taken tells nothing about
// how much of a guessed key was right.
bool sameKey(std::string_view given, std::string_view key) {
    if (given.size() != key.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (std::size_t i = 0; i < key.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i] ^ key[i]);
    }
    return difference == 0;
}

std::string pageCharset(const CodePage& codePage) {
    std::string name = codePage.name();
    if (name.starts_with("CP")) {
        return "windows-" + name.substr(2);
    }
    return name;
}

// An address of this machine that others on the network can reach, for the printed link.
std::string reachableAddress(const std::string& bind) {
    if (!bind.empty() && bind != "0.0.0.0") {
        return bind;
    }
    std::string found = "127.0.0.1";
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return found;
    }
    for (const ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        if (a->ifa_addr == nullptr || a->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ifa_addr);
        char text[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        if (std::strncmp(text, "127.", 4) != 0) {
            found = text;
            break;
        }
    }
    freeifaddrs(list);
    return found;
}

// The published pages in the folder's top level, sorted, percent-encoded for an address.
std::vector<std::string> publishedPages(const std::string& root) {
    std::vector<std::string> pages;
    DIR* dir = opendir(root.c_str());
    if (dir == nullptr) {
        return pages;
    }
    while (const dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        const std::string lower = AsciiLowered(name);
        if (name[0] == '.' || !(lower.ends_with(".htm") || lower.ends_with(".html"))) {
            continue;
        }
        std::string encoded;
        for (char ch : name) {
            const auto c = static_cast<unsigned char>(ch);
            if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
                encoded += static_cast<char>(c);
            } else {
                static constexpr char hex[] = "0123456789ABCDEF";
                encoded += '%';
                encoded += hex[c >> 4];
                encoded += hex[c & 15];
            }
        }
        pages.push_back(encoded);
    }
    closedir(dir);
    std::sort(pages.begin(), pages.end());
    return pages;
}

struct Server {
    StaticFolder folder;
    std::vector<std::string> refusedPaths; // the database, its log files and the login key
    std::string charset;
    std::string key;
    ReceiverContext context;
    std::unique_ptr<Login> login;
    std::optional<Roster> roster;
    std::mutex printMutex;
    std::atomic<long> stored{0};
    // Submissions and logins being handled or answered: counted from their last call (the body
    // is in) until the connection is done with their answer.
    std::atomic<long> inProgress{0};
    std::atomic<bool> stopping{false}; // no new connections; kept-open ones get 503
    std::atomic<bool> closing{false};  // the connections close: nothing more is handled

    explicit Server(const std::string& root) : folder(root) {}

    void print(const std::string& line) {
        const std::string shown = VisibleText(line);
        std::lock_guard lock(printMutex);
        std::fprintf(stdout, "%s\n", shown.c_str());
        std::fflush(stdout);
    }
};

// What one connection's request has gathered so far.
struct RequestState {
    enum class Kind { Plain, Submission, Login } kind = Kind::Plain;
    bool tooLarge = false;
    std::string body;
    Server* server = nullptr;

    bool counted = false;

    explicit RequestState(Server& s) : server(&s) {}
    ~RequestState() {
        if (counted) {
            server->inProgress--;
        }
    }
    void count() {
        if (!counted) {
            counted = true;
            server->inProgress++;
        }
    }
    RequestState(const RequestState&) = delete;
    RequestState& operator=(const RequestState&) = delete;
};

void addCommonHeaders(MHD_Response* response, const Server& server) {
    MHD_add_response_header(response, "X-Content-Type-Options", "nosniff");
    if (server.stopping) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    }
}

// The library leaves out the body of an answer to HEAD by itself.
MHD_Result send(const Server& server, MHD_Connection* connection, const Reply& reply) {
    MHD_Response* response = MHD_create_response_from_buffer(
        reply.body.size(), const_cast<char*>(reply.body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) {
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
    addCommonHeaders(response, server);
    if (!reply.location.empty()) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_LOCATION, reply.location.c_str());
    }
    if (!reply.allow.empty()) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, reply.allow.c_str());
    }
    for (const std::string& cookie : reply.cookies) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_SET_COOKIE, cookie.c_str());
    }
    if (!reply.cookies.empty()) {
        MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    }
    const MHD_Result result =
        MHD_queue_response(connection, static_cast<unsigned>(reply.status), response);
    MHD_destroy_response(response);
    return result;
}

MHD_Result sendFile(const Server& server, MHD_Connection* connection, const std::string& path,
                    const std::string& contentType) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0) {
            close(fd);
        }
        return send(server, connection, ErrorReply(404, "not found"));
    }
    MHD_Response* response =
        MHD_create_response_from_fd(static_cast<std::uint64_t>(info.st_size), fd);
    if (response == nullptr) {
        close(fd);
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType.c_str());
    addCommonHeaders(response, server);
    const MHD_Result result = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    return result;
}

MHD_Result teacherPage(Server& server, MHD_Connection* connection, bool csv) {
    const char* given = MHD_lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, "key");
    if (given == nullptr || !sameKey(given, server.key)) {
        return send(server, connection, ErrorReply(403, "this page needs the teacher's key"));
    }
    Reply reply;
    try {
        const auto rows =
            ReadSubmissions(server.context.store != nullptr ? server.context.store->path()
                                                            : server.refusedPaths.front(),
                            std::nullopt);
        if (csv) {
            reply.contentType = "text/csv; charset=utf-8";
            reply.body = ResultsCsv(rows);
        } else {
            reply.body = ResultsHtml(rows, "/teacher/results.csv?key=" + server.key,
                                     server.roster ? &*server.roster : nullptr);
        }
    } catch (const std::exception& e) {
        server.print(std::string("500 cannot read the results: ") + e.what());
        return send(server, connection,
                    ErrorReply(500, "The results cannot be read now: the reason is in the "
                                    "server's window."));
    }
    MHD_Response* response = MHD_create_response_from_buffer(reply.body.size(), reply.body.data(),
                                                             MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) {
        return MHD_NO;
    }
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
    // The key is in the address: keep the page out of caches and other sites' logs.
    MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    MHD_add_response_header(response, "Referrer-Policy", "no-referrer");
    addCommonHeaders(response, server);
    if (csv) {
        MHD_add_response_header(response, "Content-Disposition",
                                "attachment; filename=\"results.csv\"");
    }
    const MHD_Result result = MHD_queue_response(connection, MHD_HTTP_OK, response);
    MHD_destroy_response(response);
    return result;
}

std::string header(MHD_Connection* connection, const char* name) {
    const char* value = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, name);
    return value != nullptr ? value : "";
}

// The query string of the request, as sent.
std::string rawQuery(MHD_Connection* connection) {
    std::string query;
    MHD_get_connection_values(
        connection, MHD_GET_ARGUMENT_KIND,
        [](void* cls, MHD_ValueKind, const char* key, const char* value) {
            auto& out = *static_cast<std::string*>(cls);
            static constexpr char hex[] = "0123456789ABCDEF";
            const auto encode = [&](const char* text) {
                for (; text != nullptr && *text; ++text) {
                    const auto c = static_cast<unsigned char>(*text);
                    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '/') {
                        out += static_cast<char>(c);
                    } else {
                        out += '%';
                        out += hex[c >> 4];
                        out += hex[c & 15];
                    }
                }
            };
            out += out.empty() ? "" : "&";
            encode(key);
            out += '=';
            encode(value);
            return MHD_YES;
        },
        &query);
    return query;
}

bool isRefused(const Server& server, const std::string& file) {
    for (const std::string& path : server.refusedPaths) {
        if (SameFileName(file, path)) {
            return true;
        }
    }
    return false;
}

MHD_Result handle(void* cls, MHD_Connection* connection, const char* url, const char* method,
                  const char* /*version*/, const char* uploadData, size_t* uploadDataSize,
                  void** requestCls) {
    Server& server = *static_cast<Server*>(cls);
    const std::string_view path = url;
    const std::string_view verb = method;

    auto* state = static_cast<RequestState*>(*requestCls);
    if (state == nullptr && server.stopping) {
        // A request that came after the stop began, on a connection kept open: refused
        // unread, so nothing is stored that would go unanswered.
        return send(server, connection, ErrorReply(503, "the server is stopping; try again"));
    }
    if (state == nullptr) {
        // First call: the headers are in, the body (if any) is not.
        const bool login = path == "/login" && server.login != nullptr;
        if (path == "/results" || (login && verb == "POST")) {
            if (verb != "POST") {
                Reply reply = ErrorReply(405, "results are sent with POST");
                reply.allow = "POST";
                return send(server, connection, reply);
            }
            const std::string type = header(connection, MHD_HTTP_HEADER_CONTENT_TYPE);
            if (!IsFormContentType(type)) {
                return send(server, connection,
                            HandleSubmission({verb, type, {}, {}}, server.context));
            }
            const char* length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND,
                                                             MHD_HTTP_HEADER_CONTENT_LENGTH);
            if (length != nullptr && std::strtoull(length, nullptr, 10) > kMaxBodySize) {
                return send(server, connection, TooLarge());
            }
            auto* fresh = new RequestState(server);
            fresh->kind = login ? RequestState::Kind::Login : RequestState::Kind::Submission;
            *requestCls = fresh;
            return MHD_YES;
        }
        if (verb != "GET" && verb != "HEAD") {
            Reply reply = ErrorReply(405, "only GET and HEAD here");
            reply.allow = "GET, HEAD";
            return send(server, connection, reply);
        }
        *requestCls = new RequestState(server);
        return MHD_YES;
    }

    if (state->kind != RequestState::Kind::Plain) {
        if (*uploadDataSize != 0) {
            if (state->body.size() + *uploadDataSize > kMaxBodySize) {
                state->tooLarge = true;
            } else {
                state->body.append(uploadData, *uploadDataSize);
            }
            *uploadDataSize = 0;
            return MHD_YES;
        }
        if (state->tooLarge) {
            return send(server, connection, TooLarge());
        }
        // Counted before the look at closing, so that the stop either waits for this answer or
        // this request is refused unhandled.
        state->count();
        if (server.closing) {
            return send(server, connection, ErrorReply(503, "the server is stopping; try again"));
        }
        if (state->kind == RequestState::Kind::Login) {
            const Reply reply = server.login->submit(state->body);
            server.print(reply.logLine);
            return send(server, connection, reply);
        }
        const std::string type = header(connection, MHD_HTTP_HEADER_CONTENT_TYPE);
        const std::string cookies = header(connection, MHD_HTTP_HEADER_COOKIE);
        const Reply reply = HandleSubmission({verb, type, state->body, cookies}, server.context);
        if (reply.status < 400) {
            server.stored++;
        }
        server.print(reply.logLine);
        return send(server, connection, reply);
    }

    if (path == "/login" && server.login != nullptr) {
        return send(server, connection,
                    server.login->form(rawQuery(connection), header(connection, "Referer"),
                                       header(connection, MHD_HTTP_HEADER_HOST)));
    }
    if (path == "/teacher" || path == "/teacher/") {
        return teacherPage(server, connection, false);
    }
    if (path == "/teacher/results.csv") {
        return teacherPage(server, connection, true);
    }
    const auto file = server.folder.resolve(path);
    if (!file || isRefused(server, *file)) {
        return send(server, connection, ErrorReply(404, "not found"));
    }
    return sendFile(server, connection, *file, StaticFolder::contentType(*file, server.charset));
}

void completed(void* /*cls*/, MHD_Connection* /*connection*/, void** requestCls,
               MHD_RequestTerminationCode /*code*/) {
    delete static_cast<RequestState*>(*requestCls);
    *requestCls = nullptr;
}

void logError(void* /*cls*/, const char* format, va_list args) {
    std::vfprintf(stderr, format, args);
}

std::string realOr(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

} // namespace

int Serve(const ServeOptions& options) {
    std::unique_ptr<Server> server;
    try {
        server = std::make_unique<Server>(options.folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tamberlin-results: %s\n", e.what());
        return 1;
    }
    const CodePage& codePage = CodePage::system();
    server->charset = pageCharset(codePage);
    server->key = randomKey();
    server->context.codePage = &codePage;
    QuizFolder quizzes(server->folder.root(), codePage);
    server->context.quizzes = &quizzes;

    const std::string dbPath =
        options.dbPath.empty() ? server->folder.root() + "/results.sqlite" : options.dbPath;
    const std::string keyPath = dbPath + ".key";
    for (const char* suffix : {"", "-wal", "-shm", "-journal", ".key"}) {
        std::string file = dbPath + suffix;
        if (const std::size_t slash = file.rfind('/'); slash != std::string::npos) {
            file = realOr(file.substr(0, slash)) + file.substr(slash);
        }
        server->refusedPaths.push_back(file);
    }
    std::vector<std::string> pages = publishedPages(server->folder.root());
    try {
        std::string loginKey;
        try {
            loginKey = LoadOrCreateKey(keyPath);
        } catch (const std::exception& e) {
            if (!options.rosterPath.empty()) {
                throw;
            }
            // Without a class list no name is signed: the login works without the key.
            std::fprintf(stderr, "tamberlin-results: %s\n", e.what());
        }
        if (!options.rosterPath.empty()) {
            server->roster = LoadRoster(options.rosterPath, loginKey);
            if (server->roster->codesGenerated) {
                const std::string sheet = options.rosterPath + ".codes.html";
                if (const int err =
                        WriteFileAtomically(sheet, CodeSheetHtml(*server->roster, "Login codes"));
                    err != 0) {
                    throw std::runtime_error("cannot write " + sheet + ": " + SystemErrorText(err));
                }
                server->print("Login codes to print:   " + realOr(sheet));
            }
        }
        server->login = std::make_unique<Login>(loginKey, server->roster, pages);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tamberlin-results: %s\n", e.what());
        return 1;
    }
    Login* login = server->login.get();
    server->context.verifyName = [login](const Submission& submission, std::string_view cookies) {
        return login->verified(submission, cookies);
    };

    std::unique_ptr<ResultsStore> store;
    try {
        store = std::make_unique<ResultsStore>(dbPath);
        server->context.store = store.get();
    } catch (const std::exception& e) {
        // The pages are still served; every submission gets 500 until this is mended.
        server->context.storeError = e.what();
        std::fprintf(stderr, "tamberlin-results: %s\n", e.what());
    }

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(options.port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (!options.bind.empty() && inet_pton(AF_INET, options.bind.c_str(), &address.sin_addr) != 1) {
        std::fprintf(stderr, "tamberlin-results: --bind needs an IPv4 address, not %s\n",
                     options.bind.c_str());
        return 2;
    }

    // SIGINT and SIGTERM are taken by sigwait below; every thread the server starts inherits
    // the blocked mask, so none of them is interrupted.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    // One address may hold only part of the connections, so that one machine can't take them
    // all; a class behind one NAT address or a reverse proxy raises --per-address. Idle
    // connections are dropped after 15 seconds.
    MHD_Daemon* daemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ERROR_LOG | MHD_USE_ITC, 0,
        nullptr, nullptr, &handle, server.get(), MHD_OPTION_EXTERNAL_LOGGER, &logError, nullptr,
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&address), MHD_OPTION_THREAD_POOL_SIZE,
        static_cast<unsigned>(options.threads), MHD_OPTION_CONNECTION_TIMEOUT, 15u,
        MHD_OPTION_CONNECTION_LIMIT, static_cast<unsigned>(options.connectionLimit),
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, static_cast<unsigned>(options.perAddressLimit),
        MHD_OPTION_NOTIFY_COMPLETED, &completed, nullptr, MHD_OPTION_END);
    if (daemon == nullptr) {
        std::fprintf(stderr, "tamberlin-results: cannot listen on %s port %d\n",
                     options.bind.empty() ? "every address" : options.bind.c_str(), options.port);
        return 1;
    }
    const MHD_DaemonInfo* info = MHD_get_daemon_info(daemon, MHD_DAEMON_INFO_BIND_PORT);
    const int port = info != nullptr ? info->port : options.port;
    const std::string base =
        "http://" + reachableAddress(options.bind) + ":" + std::to_string(port);

    server->print("Serving " + server->folder.root());
    if (pages.empty()) {
        server->print("No published pages (.htm) in this folder yet.");
    }
    for (const std::string& page : pages) {
        server->print("Give the class:          " + base + "/" + page);
    }
    for (const auto& group : quizzes.collisions()) {
        std::string names;
        for (const std::string& path : group) {
            names += "\n    " + path;
        }
        server->print("Warning: these quizzes post the same ID; their submissions are stored "
                      "unchecked until each has its own ID:" +
                      names);
    }
    server->print("Quiz CGI address:        /results  (or " + base + "/results)");
    server->print("Log In Address:          /login" +
                  std::string(server->roster ? "  (names checked against the class list)"
                                             : "  (any name; no class list)"));
    server->print("Results for the teacher: " + base + "/teacher?key=" + server->key);
    server->print("Database:                " + dbPath);
    server->print("Press Ctrl-C to stop.");

    int signal = 0;
    sigwait(&stopSignals, &signal);
    // Stop taking connections, answer the requests in progress (a stored submission is always
    // answered), then close what is left: idle connections.
    server->stopping = true;
    const MHD_socket listener = MHD_quiesce_daemon(daemon);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    // Settled when no request is in progress twice in a row; a slow upload that has not
    // finished by then is cut (nothing of it is stored).
    const auto settle = [&] {
        for (int idle = 0; idle < 2 && std::chrono::steady_clock::now() < giveUp;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            idle = server->inProgress.load() > 0 ? 0 : idle + 1;
        }
    };
    settle();
    server->closing = true;
    settle(); // what began handling before it saw closing
    MHD_stop_daemon(daemon);
    if (listener != MHD_INVALID_SOCKET) {
        close(listener);
    }
    const long stored = server->stored.load();
    store.reset(); // the last connection folds the log into the database file
    server->print("Stopped. " + std::to_string(stored) +
                  (stored == 1 ? " submission" : " submissions") + " stored in this run.");
    return 0;
}

} // namespace tamberlin::results
