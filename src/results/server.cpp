#include "results/server.h"

#include "document/code_page.h"
#include "results/form.h"
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
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <memory>
#include <microhttpd.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tamberlin::results {

namespace {

// libmicrohttpd, loaded only when the server runs: as a CGI program (a process for every
// submission) the receiver would otherwise load it and the TLS library it brings at every
// start, which is about half the cost of a CGI request.
struct MhdApi {
#define TAMBERLIN_MHD_FUNCTIONS(X)                                                                 \
    X(create_response_from_buffer)                                                                 \
    X(add_response_header)                                                                         \
    X(queue_response)                                                                              \
    X(destroy_response)                                                                            \
    X(create_response_from_fd)                                                                     \
    X(lookup_connection_value)                                                                     \
    X(start_daemon)                                                                                \
    X(get_daemon_info)                                                                             \
    X(stop_daemon)
#define TAMBERLIN_MHD_MEMBER(name) decltype(&MHD_##name) name = nullptr;
    TAMBERLIN_MHD_FUNCTIONS(TAMBERLIN_MHD_MEMBER)
#undef TAMBERLIN_MHD_MEMBER
};

MhdApi loadedApi;

const MhdApi& mhd() {
    return loadedApi;
}

// Loads the library; returns an error text, empty on success.
std::string loadMhd() {
    void* library = dlopen(TAMBERLIN_MICROHTTPD_SONAME, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return std::string("cannot load ") + TAMBERLIN_MICROHTTPD_SONAME + ": " + dlerror();
    }
#define TAMBERLIN_MHD_LOAD(name)                                                                   \
    loadedApi.name = reinterpret_cast<decltype(&MHD_##name)>(dlsym(library, "MHD_" #name));        \
    if (loadedApi.name == nullptr) {                                                               \
        return std::string(TAMBERLIN_MICROHTTPD_SONAME) + " has no MHD_" #name;                    \
    }
    TAMBERLIN_MHD_FUNCTIONS(TAMBERLIN_MHD_LOAD)
#undef TAMBERLIN_MHD_LOAD
    return {};
}

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
        const std::string lower = [&] {
            std::string l = name;
            for (char& c : l) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            return l;
        }();
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
    std::string dbRealPath;
    std::string charset;
    std::string key;
    ReceiverContext context;
    std::mutex printMutex;
    std::atomic<long> stored{0};

    explicit Server(const std::string& root) : folder(root) {}

    void print(const std::string& line) {
        std::lock_guard lock(printMutex);
        std::fprintf(stdout, "%s\n", line.c_str());
        std::fflush(stdout);
    }
};

// What one connection's request has gathered so far.
struct RequestState {
    bool isSubmission = false;
    bool tooLarge = false;
    std::string body;
};

// The library leaves out the body of an answer to HEAD by itself.
MHD_Result send(MHD_Connection* connection, const Reply& reply) {
    MHD_Response* response = mhd().create_response_from_buffer(
        reply.body.size(), const_cast<char*>(reply.body.data()), MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) {
        return MHD_NO;
    }
    mhd().add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
    mhd().add_response_header(response, "X-Content-Type-Options", "nosniff");
    if (!reply.location.empty()) {
        mhd().add_response_header(response, MHD_HTTP_HEADER_LOCATION, reply.location.c_str());
    }
    if (!reply.allow.empty()) {
        mhd().add_response_header(response, MHD_HTTP_HEADER_ALLOW, reply.allow.c_str());
    }
    const MHD_Result result =
        mhd().queue_response(connection, static_cast<unsigned>(reply.status), response);
    mhd().destroy_response(response);
    return result;
}

MHD_Result sendFile(MHD_Connection* connection, const std::string& path,
                    const std::string& contentType) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0) {
            close(fd);
        }
        return send(connection, ErrorReply(404, "not found"));
    }
    MHD_Response* response =
        mhd().create_response_from_fd(static_cast<std::uint64_t>(info.st_size), fd);
    if (response == nullptr) {
        close(fd);
        return MHD_NO;
    }
    mhd().add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType.c_str());
    mhd().add_response_header(response, "X-Content-Type-Options", "nosniff");
    const MHD_Result result = mhd().queue_response(connection, MHD_HTTP_OK, response);
    mhd().destroy_response(response);
    return result;
}

MHD_Result teacherPage(Server& server, MHD_Connection* connection, bool csv) {
    const char* given = mhd().lookup_connection_value(connection, MHD_GET_ARGUMENT_KIND, "key");
    if (given == nullptr || !sameKey(given, server.key)) {
        return send(connection, ErrorReply(403, "this page needs the teacher's key"));
    }
    Reply reply;
    try {
        const auto rows = ReadSubmissions(
            server.context.store != nullptr ? server.context.store->path() : server.dbRealPath,
            std::nullopt);
        if (csv) {
            reply.contentType = "text/csv; charset=utf-8";
            reply.body = ResultsCsv(rows);
        } else {
            reply.body = ResultsHtml(rows, "/teacher/results.csv?key=" + server.key);
        }
    } catch (const std::exception& e) {
        server.print(std::string("500 cannot read the results: ") + e.what());
        return send(connection,
                    ErrorReply(500, std::string("cannot read the results: ") + e.what()));
    }
    MHD_Response* response = mhd().create_response_from_buffer(reply.body.size(), reply.body.data(),
                                                               MHD_RESPMEM_MUST_COPY);
    if (response == nullptr) {
        return MHD_NO;
    }
    mhd().add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
    // The key is in the address: keep the page out of caches and other sites' logs.
    mhd().add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
    mhd().add_response_header(response, "Referrer-Policy", "no-referrer");
    mhd().add_response_header(response, "X-Content-Type-Options", "nosniff");
    if (csv) {
        mhd().add_response_header(response, "Content-Disposition",
                                  "attachment; filename=\"results.csv\"");
    }
    const MHD_Result result = mhd().queue_response(connection, MHD_HTTP_OK, response);
    mhd().destroy_response(response);
    return result;
}

MHD_Result handle(void* cls, MHD_Connection* connection, const char* url, const char* method,
                  const char* /*version*/, const char* uploadData, size_t* uploadDataSize,
                  void** requestCls) {
    Server& server = *static_cast<Server*>(cls);
    const std::string_view path = url;
    const std::string_view verb = method;

    auto* state = static_cast<RequestState*>(*requestCls);
    if (state == nullptr) {
        // First call: the headers are in, the body (if any) is not.
        if (path == "/results") {
            if (verb != "POST") {
                Reply reply = ErrorReply(405, "results are sent with POST");
                reply.allow = "POST";
                return send(connection, reply);
            }
            const char* type = mhd().lookup_connection_value(connection, MHD_HEADER_KIND,
                                                             MHD_HTTP_HEADER_CONTENT_TYPE);
            if (type == nullptr || !IsFormContentType(type)) {
                return send(connection,
                            HandleSubmission({verb, type ? type : "", {}}, server.context));
            }
            const char* length = mhd().lookup_connection_value(connection, MHD_HEADER_KIND,
                                                               MHD_HTTP_HEADER_CONTENT_LENGTH);
            if (length != nullptr && std::strtoull(length, nullptr, 10) > kMaxBodySize) {
                return send(connection, ErrorReply(413, "the body is larger than 64 KiB"));
            }
            auto* fresh = new RequestState;
            fresh->isSubmission = true;
            *requestCls = fresh;
            return MHD_YES;
        }
        if (verb != "GET" && verb != "HEAD") {
            Reply reply = ErrorReply(405, "only GET and HEAD here");
            reply.allow = "GET, HEAD";
            return send(connection, reply);
        }
        *requestCls = new RequestState;
        return MHD_YES;
    }

    if (state->isSubmission) {
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
            return send(connection, ErrorReply(413, "the body is larger than 64 KiB"));
        }
        const char* type = mhd().lookup_connection_value(connection, MHD_HEADER_KIND,
                                                         MHD_HTTP_HEADER_CONTENT_TYPE);
        const Reply reply = HandleSubmission({verb, type ? type : "", state->body}, server.context);
        if (reply.status < 400) {
            server.stored++;
        }
        server.print(reply.logLine);
        return send(connection, reply);
    }

    if (path == "/teacher" || path == "/teacher/") {
        return teacherPage(server, connection, false);
    }
    if (path == "/teacher/results.csv") {
        return teacherPage(server, connection, true);
    }
    const auto file = server.folder.resolve(path);
    if (!file || *file == server.dbRealPath) {
        return send(connection, ErrorReply(404, "not found"));
    }
    return sendFile(connection, *file, StaticFolder::contentType(*file, server.charset));
}

void completed(void* /*cls*/, MHD_Connection* /*connection*/, void** requestCls,
               MHD_RequestTerminationCode /*code*/) {
    delete static_cast<RequestState*>(*requestCls);
    *requestCls = nullptr;
}

void logError(void* /*cls*/, const char* format, va_list args) {
    std::vfprintf(stderr, format, args);
}

} // namespace

int Serve(const ServeOptions& options) {
    if (const std::string error = loadMhd(); !error.empty()) {
        std::fprintf(stderr, "tamberlin-results: %s\n", error.c_str());
        return 1;
    }
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
    std::unique_ptr<ResultsStore> store;
    try {
        store = std::make_unique<ResultsStore>(dbPath);
        server->context.store = store.get();
    } catch (const std::exception& e) {
        // The pages are still served; every submission gets 500 until this is mended.
        server->context.storeError = e.what();
        std::fprintf(stderr, "tamberlin-results: %s\n", e.what());
    }
    if (char resolved[PATH_MAX]; realpath(dbPath.c_str(), resolved) != nullptr) {
        server->dbRealPath = resolved;
    } else {
        server->dbRealPath = dbPath;
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

    MHD_Daemon* daemon = mhd().start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ERROR_LOG, 0, nullptr, nullptr,
        &handle, server.get(), MHD_OPTION_EXTERNAL_LOGGER, &logError, nullptr, MHD_OPTION_SOCK_ADDR,
        reinterpret_cast<sockaddr*>(&address), MHD_OPTION_THREAD_POOL_SIZE,
        static_cast<unsigned>(options.threads), MHD_OPTION_CONNECTION_TIMEOUT, 30u,
        MHD_OPTION_CONNECTION_LIMIT, 1000u, MHD_OPTION_NOTIFY_COMPLETED, &completed, nullptr,
        MHD_OPTION_END);
    if (daemon == nullptr) {
        std::fprintf(stderr, "tamberlin-results: cannot listen on %s port %d\n",
                     options.bind.empty() ? "every address" : options.bind.c_str(), options.port);
        return 1;
    }
    const MHD_DaemonInfo* info = mhd().get_daemon_info(daemon, MHD_DAEMON_INFO_BIND_PORT);
    const int port = info != nullptr ? info->port : options.port;
    const std::string base =
        "http://" + reachableAddress(options.bind) + ":" + std::to_string(port);

    std::vector<std::string> pages = publishedPages(server->folder.root());
    server->print("Serving " + server->folder.root());
    if (pages.empty()) {
        server->print("No published pages (.htm) in this folder yet.");
    }
    for (const std::string& page : pages) {
        server->print("Give the class:          " + base + "/" + page);
    }
    server->print("Quiz CGI address:        /results  (or " + base + "/results)");
    server->print("Results for the teacher: " + base + "/teacher?key=" + server->key);
    server->print("Database:                " + dbPath);
    server->print("Press Ctrl-C to stop.");

    int signal = 0;
    sigwait(&stopSignals, &signal);
    // Waits for the requests in progress: a submission whose answer was sent is committed.
    mhd().stop_daemon(daemon);
    const long stored = server->stored.load();
    server->print("Stopped. " + std::to_string(stored) +
                  (stored == 1 ? " submission" : " submissions") + " stored in this run.");
    return 0;
}

} // namespace tamberlin::results
