#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

namespace tamberlin::results {

// A failed SQLite call, with SQLite's own message.
class SqliteError : public std::runtime_error {
public:
    SqliteError(const std::string& what, int code) : std::runtime_error(what), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

// One open database connection; closed when it goes.
class Database {
public:
    enum class Mode { ReadWriteCreate, ReadOnly };
    Database(const std::string& path, Mode mode);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs SQL without parameters (one or more statements).
    void exec(const char* sql);
    sqlite3* handle() const { return db_; }
    [[noreturn]] void fail(const std::string& what, int code) const;

private:
    sqlite3* db_ = nullptr;
};

// A prepared statement; parameters are always bound, never pasted into the SQL.
class Statement {
public:
    Statement(Database& db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, std::string_view text);
    void bind(int index, std::int64_t value);
    void bindNull(int index);
    void bind(int index, const std::optional<std::int64_t>& value) {
        value ? bind(index, *value) : bindNull(index);
    }
    // Steps once: true while there is a row.
    bool step();
    // Steps to the end of a statement that returns no rows, then makes it ready again.
    void run();
    void reset();

    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    std::string text(int column) const;

private:
    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace tamberlin::results
