#include "results/login.h"

#include "common/ascii.h"
#include "common/utf8.h"
#include "document/file_io.h"
#include "results/form.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <nettle/hmac.h>
#include <sstream>
#include <stdexcept>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tamberlin::results {

namespace {

constexpr const char* kSessionCookie = "tamberlin_login";
// How long a login lasts: a school day, so that the next taker at a shared computer logs in.
constexpr long long kLoginSeconds = 12 * 3600;
// Letters and digits that can't be mistaken for one another on a printed sheet.
constexpr std::string_view kCodeAlphabet = "23456789ABCDEFGHJKLMNPQRSTUVWXYZ";
constexpr std::size_t kCodeLength = 6;

std::string hmacHex(const std::string& key, const std::string& text) {
    hmac_sha256_ctx ctx;
    hmac_sha256_set_key(&ctx, key.size(), reinterpret_cast<const std::uint8_t*>(key.data()));
    hmac_sha256_update(&ctx, text.size(), reinterpret_cast<const std::uint8_t*>(text.data()));
    std::uint8_t digest[SHA256_DIGEST_SIZE];
    hmac_sha256_digest(&ctx, sizeof digest, digest);
    static constexpr char hex[] = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : digest) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

std::string derivedCode(const std::string& key, const std::string& name) {
    const std::string mac = hmacHex(key, "code\n" + name);
    std::string code;
    for (std::size_t i = 0; i < kCodeLength; ++i) {
        const int byte = std::stoi(mac.substr(i * 2, 2), nullptr, 16);
        code += kCodeAlphabet[static_cast<std::size_t>(byte) % kCodeAlphabet.size()];
    }
    return code;
}

// Trimmed, runs of spaces made one, ASCII letters in lower case: how names are compared.
std::string nameKey(std::string_view name) {
    std::string out;
    for (char c : name) {
        if (c == ' ' || c == '\t') {
            if (!out.empty() && out.back() != ' ') {
                out += ' ';
            }
        } else {
            out += AsciiLower(c);
        }
    }
    while (!out.empty() && out.back() == ' ') {
        out.pop_back();
    }
    return out;
}

std::string trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

// The rows of a CSV text (RFC 4180: quoted fields may hold commas, quotes and line breaks).
std::vector<std::vector<std::string>> csvRows(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    const char delimiter =
        text.substr(0, text.find('\n')).find(';') != std::string_view::npos &&
                text.substr(0, text.find('\n')).find(',') == std::string_view::npos
            ? ';'
            : ',';
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == delimiter) {
            row.push_back(std::move(cell));
            cell.clear();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            row.push_back(std::move(cell));
            cell.clear();
            rows.push_back(std::move(row));
            row.clear();
        } else {
            cell += c;
        }
    }
    if (!cell.empty() || !row.empty()) {
        row.push_back(std::move(cell));
        rows.push_back(std::move(row));
    }
    return rows;
}

// Appends the UTF-16 units of the next character of utf8 (from i on) to units; a malformed
// byte counts as U+FFFD.
void nextUnits(std::string_view utf8, std::size_t& i, std::vector<char16_t>& units) {
    char32_t c = DecodeUtf8(utf8, i);
    if (c == kBadUtf8) {
        c = 0xFFFD;
    }
    if (c >= 0x10000) {
        c -= 0x10000;
        units.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
        units.push_back(static_cast<char16_t>(c));
    }
}

// A local address to send the taker back to: a path on this server, nothing else.
std::string safeBack(std::string_view back) {
    if (back.empty() || back[0] != '/' || back.starts_with("//") || back.starts_with("/\\") ||
        back.starts_with("/login")) {
        return {};
    }
    for (char c : back) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x21 || u > 0x7E || c == '"' || c == '\\') {
            return {};
        }
    }
    return std::string(back);
}

std::string field(const FormFields& form, std::string_view name) {
    for (const auto& [n, value] : form.fields) {
        if (n == name) {
            return value;
        }
    }
    return {};
}

std::string cookieValue(std::string_view cookies, std::string_view name) {
    std::size_t start = 0;
    while (start < cookies.size()) {
        std::size_t end = cookies.find(';', start);
        if (end == std::string_view::npos) {
            end = cookies.size();
        }
        std::string_view pair = cookies.substr(start, end - start);
        while (!pair.empty() && pair.front() == ' ') {
            pair.remove_prefix(1);
        }
        if (pair.starts_with(name) && pair.size() > name.size() && pair[name.size()] == '=') {
            return std::string(pair.substr(name.size() + 1));
        }
        start = end + 1;
    }
    return {};
}

long long nowSeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

const RosterEntry* Roster::find(std::string_view name) const {
    const std::string wanted = nameKey(name);
    for (const RosterEntry& entry : entries) {
        if (nameKey(entry.name) == wanted) {
            return &entry;
        }
    }
    return nullptr;
}

Roster LoadRoster(const std::string& path, const std::string& key) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read the class list " + path + ": " +
                                 std::strerror(errno));
    }
    std::stringstream text;
    text << in.rdbuf();
    const auto rows = csvRows(text.str());
    std::size_t nameColumn = 0;
    std::size_t emailColumn = 1;
    std::size_t codeColumn = 2;
    std::size_t first = 0;
    if (!rows.empty() && !rows[0].empty() && nameKey(trimmed(rows[0][0])) == "name") {
        first = 1;
        emailColumn = codeColumn = std::string::npos;
        for (std::size_t i = 0; i < rows[0].size(); ++i) {
            const std::string heading = nameKey(trimmed(rows[0][i]));
            if (heading == "name") {
                nameColumn = i;
            } else if (heading == "e-mail" || heading == "email") {
                emailColumn = i;
            } else if (heading == "code") {
                codeColumn = i;
            }
        }
    }
    Roster roster;
    for (std::size_t r = first; r < rows.size(); ++r) {
        const auto& row = rows[r];
        const auto cell = [&](std::size_t column) {
            return column < row.size() ? trimmed(row[column]) : std::string();
        };
        RosterEntry entry{cell(nameColumn), cell(emailColumn), cell(codeColumn)};
        if (entry.name.empty()) {
            if (entry.email.empty() && entry.code.empty()) {
                continue; // a blank line
            }
            throw std::runtime_error("the class list " + path + " has no name on line " +
                                     std::to_string(r + 1));
        }
        if (roster.find(entry.name) != nullptr) {
            throw std::runtime_error("the class list " + path + " names " + entry.name +
                                     " twice (line " + std::to_string(r + 1) + ")");
        }
        if (entry.code.empty()) {
            entry.code = derivedCode(key, nameKey(entry.name));
            roster.codesGenerated = true;
        }
        roster.hasEmails = roster.hasEmails || !entry.email.empty();
        roster.entries.push_back(std::move(entry));
    }
    if (roster.entries.empty()) {
        throw std::runtime_error("the class list " + path + " names nobody");
    }
    return roster;
}

std::string CodeSheetHtml(const Roster& roster, const std::string& title) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>" +
                       EscapeHtml(title) +
                       "</title><style>body{font-family:sans-serif}table{border-collapse:"
                       "collapse}td,th{border:1px solid #888;padding:.6em 1.2em;text-align:left}"
                       "td.code{font-family:monospace;font-size:1.3em;letter-spacing:.15em}"
                       "</style></head><body><h1>" +
                       EscapeHtml(title) +
                       "</h1><p>Cut along the lines and give each taker their own code.</p>"
                       "<table><tr><th>Name</th><th>Code</th></tr>\n";
    for (const RosterEntry& entry : roster.entries) {
        html += "<tr><td>" + EscapeHtml(entry.name) + "</td><td class=\"code\">" +
                EscapeHtml(entry.code) + "</td></tr>\n";
    }
    return html + "</table></body></html>\n";
}

std::string LoadOrCreateKey(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (in) {
        std::string key;
        std::getline(in, key);
        if (key.size() >= 32) {
            return key;
        }
        throw std::runtime_error("the login key " + path + " is damaged: remove it to make a new " +
                                 "one (every taker then logs in again)");
    }
    unsigned char bytes[32];
    if (getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        throw std::runtime_error("no random numbers for the login key");
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string key;
    for (unsigned char b : bytes) {
        key += hex[b >> 4];
        key += hex[b & 15];
    }
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw std::runtime_error("cannot create the login key " + path + ": " +
                                 std::strerror(errno));
    }
    const std::string line = key + "\n";
    const bool written =
        write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size()) && fsync(fd) == 0;
    close(fd);
    if (!written) {
        throw std::runtime_error("cannot write the login key " + path);
    }
    return key;
}

std::string ScriptEscape(std::string_view utf8) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::vector<char16_t> units;
    for (std::size_t i = 0; i < utf8.size();) {
        nextUnits(utf8, i, units);
    }
    std::string out;
    for (char16_t u : units) {
        const bool plain = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                           (u >= '0' && u <= '9') || (u < 0x80 && std::strchr("@*_+-./", u) && u);
        if (plain) {
            out += static_cast<char>(u);
        } else if (u < 0x100) {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += "%u";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += hex[(u >> shift) & 15];
            }
        }
    }
    return out;
}

Login::Login(std::string key, std::optional<Roster> roster, std::vector<std::string> pages)
    : key_(std::move(key)), roster_(std::move(roster)), pages_(std::move(pages)) {}

std::string Login::sign(const std::string& name, long long expires) const {
    return hmacHex(key_, "login\n" + nameKey(name) + "\n" + std::to_string(expires));
}

Reply Login::page(int status, const std::string& back, const std::string& message,
                  const std::string& name) const {
    const bool askCode = roster_.has_value();
    const bool askEmail = !roster_ || !roster_->hasEmails;
    Reply reply;
    reply.status = status;
    reply.body =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<title>Log in</title><style>body{font-family:sans-serif;max-width:28em;margin:2em auto;"
        "padding:0 1em}label{display:block;margin-top:1em}input{font-size:1.1em;width:100%;"
        "box-sizing:border-box}button{margin-top:1.5em;font-size:1.1em}"
        ".error{color:#a00;font-weight:bold}</style></head><body><main><h1>Log in</h1>\n";
    if (!message.empty()) {
        reply.body +=
            "<p class=\"error\" role=\"alert\" id=\"error\">" + EscapeHtml(message) + "</p>\n";
    }
    reply.body += "<form method=\"post\" action=\"/login\" accept-charset=\"utf-8\">"
                  "<input type=\"hidden\" name=\"back\" value=\"" +
                  EscapeHtml(back) +
                  "\">\n<label for=\"name\">Your name</label><input id=\"name\" name=\"name\" "
                  "autocomplete=\"name\" required value=\"" +
                  EscapeHtml(name) + "\"" + (message.empty() ? "" : " aria-describedby=\"error\"") +
                  " autofocus>\n";
    if (askCode) {
        reply.body += "<label for=\"code\">Your personal code</label><input id=\"code\" "
                      "name=\"code\" autocomplete=\"off\" autocapitalize=\"characters\" "
                      "required>\n";
    }
    if (askEmail) {
        reply.body += "<label for=\"email\">Your e-mail address (if you have one)</label>"
                      "<input id=\"email\" name=\"email\" type=\"email\" autocomplete=\"email\">"
                      "\n";
    }
    reply.body += "<button type=\"submit\">Log in</button></form></main></body></html>\n";
    reply.logLine = std::to_string(status) + " login page";
    return reply;
}

Reply Login::form(std::string_view query, std::string_view referer, std::string_view host) const {
    std::string back = safeBack(field(DecodeForm(query), "back"));
    if (back.empty() && !host.empty()) {
        // The quiz page that sent the taker here, when it is on this server.
        for (std::string_view scheme : {"http://", "https://"}) {
            if (referer.starts_with(scheme) && referer.substr(scheme.size()).starts_with(host) &&
                referer.substr(scheme.size() + host.size()).starts_with("/")) {
                back = safeBack(referer.substr(scheme.size() + host.size()));
            }
        }
    }
    return page(200, back, {}, {});
}

Reply Login::submit(std::string_view body) const {
    const FormFields form = DecodeForm(body);
    const std::string back = safeBack(field(form, "back"));
    const std::string typed = trimmed(field(form, "name"));
    if (typed.empty() || typed.size() > 255) {
        return page(400, back, "Please type your name (at most 255 letters).", typed);
    }
    std::string name = typed;
    std::string email = trimmed(field(form, "email"));
    std::string logLine = "login ";
    if (roster_) {
        const RosterEntry* entry = roster_->find(typed);
        if (entry == nullptr) {
            Reply refused = page(403, back,
                                 "This name is not on the class list. Type it as your teacher "
                                 "wrote it, or ask your teacher.",
                                 typed);
            refused.logLine = "403 login refused: not on the class list: " + typed;
            return refused;
        }
        std::string code;
        for (char c : field(form, "code")) {
            if (c != ' ' && c != '-') {
                code += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
            }
        }
        if (code != entry->code) {
            Reply refused = page(403, back,
                                 "The code is not the one for this name. Check it "
                                 "on your slip, or ask your teacher.",
                                 typed);
            refused.logLine = "403 login refused: wrong code for " + entry->name;
            return refused;
        }
        name = entry->name;
        if (!entry->email.empty() || roster_->hasEmails) {
            email = entry->email;
        }
        logLine += "(verified) ";
    }
    if (email.size() > 255 || email.find_first_of("\r\n") != std::string::npos) {
        return page(400, back, "The e-mail address is too long.", typed);
    }
    const long long expires = nowSeconds() + kLoginSeconds;
    const std::string attributes =
        "; Path=/; Max-Age=" + std::to_string(kLoginSeconds) + "; SameSite=Lax";
    Reply reply;
    reply.cookies.push_back("username=" + ScriptEscape(name) + attributes);
    reply.cookies.push_back("email=" + ScriptEscape(email) + attributes);
    if (roster_) {
        reply.cookies.push_back(std::string(kSessionCookie) + "=" + std::to_string(expires) + "." +
                                sign(name, expires) + attributes + "; HttpOnly");
    }
    reply.logLine = logLine + name;
    if (!back.empty()) {
        SendTo(reply, back);
        return reply;
    }
    reply.body = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Logged "
                 "in</title></head><body><main><h1>Logged in as " +
                 EscapeHtml(name) + "</h1>\n";
    if (pages_.empty()) {
        reply.body += "<p>There are no quizzes here yet.</p>\n";
    } else {
        reply.body += "<p>Choose your quiz:</p><ul>\n";
        for (const std::string& page : pages_) {
            reply.body +=
                "<li><a href=\"/" + EscapeHtml(page) + "\">" + EscapeHtml(page) + "</a></li>\n";
        }
        reply.body += "</ul>\n";
    }
    reply.body += "</main></body></html>\n";
    return reply;
}

bool Login::verified(const Submission& submission, std::string_view cookies) const {
    if (!roster_ || !submission.hasName) {
        return false;
    }
    const std::string value = cookieValue(cookies, kSessionCookie);
    const std::size_t dot = value.find('.');
    if (dot == std::string::npos || dot == 0 || dot > 18 ||
        value.substr(0, dot).find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    const long long expires = std::stoll(value.substr(0, dot));
    if (expires < nowSeconds()) {
        return false;
    }
    const std::string expected = sign(submission.name, expires);
    const std::string given = value.substr(dot + 1);
    if (given.size() != expected.size()) {
        return false;
    }
    unsigned char difference = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        difference |= static_cast<unsigned char>(given[i] ^ expected[i]);
    }
    return difference == 0 && roster_->find(submission.name) != nullptr;
}

} // namespace tamberlin::results
