#pragma once

#include "results/receiver.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tamberlin::results {

// One taker of the class list.
struct RosterEntry {
    std::string name;
    std::string email; // empty when the list has none for this taker
    std::string code;  // the personal code the taker types at login
};

// The class list: a CSV file with the columns name, e-mail and code (in that order, or named by a
// header row). Codes the file does not give are derived from the login key, so they stay the
// same from one run to the next.
struct Roster {
    std::vector<RosterEntry> entries;
    bool codesGenerated = false; // at least one code came from the key
    bool hasEmails = false;      // some taker has an e-mail address

    // The taker with this name: case, surrounding and repeated spaces do not matter.
    const RosterEntry* find(std::string_view name) const;
};

// Reads a class list. Throws std::runtime_error naming the file and the line at fault.
Roster LoadRoster(const std::string& path, const std::string& key);

// The printable sheet of names and codes for the teacher to hand out.
std::string CodeSheetHtml(const Roster& roster, const std::string& title);

// The login key kept at path (created with 256 random bits when missing, readable by its
// owner only). Throws std::runtime_error.
std::string LoadOrCreateKey(const std::string& path);

// text as the page's escape() writes it, so that its unescape() gives text back: ASCII letters,
// digits and @*_+-./ as they are, other UTF-16 units as %XX or %uXXXX.
std::string ScriptEscape(std::string_view utf8);

// The login site of the embedded server: a form at /login that sets the cookies the quiz page
// reads (username, email) and a signed one that vouches for the name in the page's submission.
class Login {
public:
    // pages: the published pages' addresses, listed when the taker came from none of them.
    Login(std::string key, std::optional<Roster> roster, std::vector<std::string> pages);

    // GET /login. referer: the Referer header; host: the Host header.
    Reply form(std::string_view query, std::string_view referer, std::string_view host) const;
    // POST /login with a form body.
    Reply submit(std::string_view body) const;
    // Whether the signed cookie among cookies vouches for the submission's name (only with a
    // roster: without one any name is taken and none is verified).
    bool verified(const Submission& submission, std::string_view cookies) const;

    bool hasRoster() const { return roster_.has_value(); }

private:
    std::string sign(const std::string& name, long long expires) const;
    Reply page(int status, const std::string& back, const std::string& message,
               const std::string& name) const;

    std::string key_;
    std::optional<Roster> roster_;
    std::vector<std::string> pages_;
};

} // namespace tamberlin::results
