#include "results/store.h"

#include "results/form.h"
#include "results/quizzes.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <sqlite3.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace tamberlin::results {

namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS submissions (
    id INTEGER PRIMARY KEY,
    received TEXT NOT NULL,
    quiz_id TEXT NOT NULL,
    quiz_file TEXT,
    quiz_title TEXT,
    question_count INTEGER,
    name TEXT,
    email TEXT NOT NULL,
    url TEXT NOT NULL,
    lapsed TEXT NOT NULL,
    posted_score TEXT NOT NULL,
    checked_score INTEGER,
    differs INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS submissions_by_quiz ON submissions(quiz_id);
CREATE TABLE IF NOT EXISTS answers (
    submission_id INTEGER NOT NULL REFERENCES submissions(id),
    question INTEGER NOT NULL,
    answer TEXT,
    correct INTEGER,
    right_answer TEXT,
    PRIMARY KEY (submission_id, question)
) WITHOUT ROWID;
)sql";

// Version 2: whether the name was verified at login, and the quiz files a submission could
// belong to when its ID names several.
constexpr const char* kSchemaVersion2 = R"sql(
ALTER TABLE submissions ADD COLUMN name_verified INTEGER NOT NULL DEFAULT 0;
ALTER TABLE submissions ADD COLUMN ambiguous_files TEXT;
)sql";

// How long a writer waits for another process's transaction before giving up.
constexpr int kBusyTimeoutMs = 10000;

std::int64_t userVersion(Database& db) {
    Statement version(db, "PRAGMA user_version");
    version.step();
    return version.integer(0);
}

void configure(Database& db, bool readOnly, bool shortLived) {
    sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
    if (readOnly) {
        return;
    }
    if (shortLived) {
        // A CGI process stores one submission: folding the log back at every exit would cost
        // it three disk syncs. It leaves the log, and the checkpoint at commit keeps the log
        // short (64 pages, a few dozen submissions), so the next process reads little of it.
        sqlite3_db_config(db.handle(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_wal_autocheckpoint(db.handle(), 64);
    }
    // WAL lets readers (the report) work beside the writers. With NORMAL a commit does not
    // sync the log: record() does, before it returns, so an acknowledged submission survives
    // a power cut too, not just a crash.
    db.exec("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
    // The last connection to close folds the log back into the database file and removes
    // it: the file the teacher copies at the end of the day then holds every result, and the
    // next process starts from a short log instead of reading a long one to rebuild its index.
    if (userVersion(db) == ResultsStore::kSchemaVersion) {
        return; // the usual case, without a write transaction
    }
    db.exec("BEGIN IMMEDIATE");
    try {
        const std::int64_t found = userVersion(db);
        if (found > ResultsStore::kSchemaVersion) {
            throw SqliteError("the results database was made by a newer version (schema " +
                                  std::to_string(found) + ")",
                              SQLITE_ERROR);
        }
        if (found < 1) {
            db.exec(kSchema);
        }
        if (found < 2) {
            db.exec(kSchemaVersion2);
        }
        if (found < ResultsStore::kSchemaVersion) {
            db.exec(
                ("PRAGMA user_version=" + std::to_string(ResultsStore::kSchemaVersion)).c_str());
        }
        db.exec("COMMIT");
        // The new tables belong in the database file at once, not only in the log.
        sqlite3_wal_checkpoint_v2(db.handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                  nullptr);
    } catch (...) {
        sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace

struct ResultsStore::Connection {
    Database db;
    Statement begin;
    Statement commit;
    Statement insertSubmission;
    Statement insertAnswer;

    Connection(const std::string& path, bool readOnly, bool shortLived)
        : db(path, readOnly ? Database::Mode::ReadOnly : Database::Mode::ReadWriteCreate),
          begin((configure(db, readOnly, shortLived), db), "BEGIN IMMEDIATE"), commit(db, "COMMIT"),
          insertSubmission(db, "INSERT INTO submissions (received, quiz_id, quiz_file, "
                               "quiz_title, question_count, name, email, url, lapsed, "
                               "posted_score, checked_score, differs, name_verified, "
                               "ambiguous_files) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?)"),
          insertAnswer(db, "INSERT INTO answers (submission_id, question, answer, correct, "
                           "right_answer) VALUES (?,?,?,?,?)") {}
};

ResultsStore::ResultsStore(std::string path, Lifetime lifetime)
    : path_(std::move(path)), shortLived_(lifetime == Lifetime::OneSubmission) {
    std::lock_guard lock(mutex_);
    open();
}

ResultsStore::~ResultsStore() = default;

void ResultsStore::open() {
    connection_.reset();
    struct stat info {};
    // A file with no write permission bit counts as read-only, also for root (who could
    // write it anyway): the teacher who took the bits away meant it.
    readOnly_ = stat(path_.c_str(), &info) == 0 && (info.st_mode & 0222) == 0;
    {
        // A log that is there already has its name in the folder on the disk.
        std::lock_guard syncLock(syncMutex_);
        folderSynced_ = stat((path_ + "-wal").c_str(), &info) == 0;
    }
    // Two processes that open a new database at once can each hold a lock the other needs
    // to switch it to WAL; SQLite then gives up at once instead of waiting, so wait here.
    const auto giveUp =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    for (int attempt = 1;; ++attempt) {
        try {
            connection_ = std::make_unique<Connection>(path_, readOnly_, shortLived_);
            break;
        } catch (const SqliteError& e) {
            const int primary = e.code() & 0xFF;
            if ((primary != SQLITE_BUSY && primary != SQLITE_LOCKED) ||
                std::chrono::steady_clock::now() > giveUp) {
                throw SqliteError("results database " + path_ + ": " + e.what(), e.code());
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(attempt, 20)));
        }
    }
    database_ = identify(path_);
    log_ = identify(path_ + "-wal");
    index_ = identify(path_ + "-shm");
}

ResultsStore::FileId ResultsStore::identify(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return {};
    }
    return {info.st_dev, info.st_ino, (info.st_mode & 0222) == 0};
}

bool ResultsStore::stillOpened() const {
    // A database or log file removed, replaced or made read-only under a running server:
    // writing on through the old handles would acknowledge submissions that nobody can read.
    // The log and its index exist for as long as this connection is open.
    const FileId database = identify(path_);
    return database.inode != 0 && database == database_ && database.readOnly == readOnly_ &&
           (readOnly_ || (identify(path_ + "-wal") == log_ && identify(path_ + "-shm") == index_));
}

void ResultsStore::checkpointNow() {
    std::lock_guard lock(mutex_);
    if (connection_ && !readOnly_) {
        sqlite3_wal_checkpoint_v2(connection_->db.handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE,
                                  nullptr, nullptr);
        lastCheckpoint_ = std::chrono::steady_clock::now();
    }
}

void ResultsStore::syncThrough(std::uint64_t commit) {
    std::lock_guard lock(syncMutex_);
    if (synced_ >= commit) {
        return; // another thread's sync covered this commit
    }
    std::uint64_t covered = 0;
    {
        std::lock_guard storeLock(mutex_);
        covered = committed_; // every commit so far has written its log frames
    }
    const auto syncFile = [](const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return errno;
        }
        const int err = fsync(fd) == 0 ? 0 : errno;
        close(fd);
        return err;
    };
    int err = syncFile(path_ + "-wal");
    if (err == ENOENT) {
        err = syncFile(path_); // no log: the commits are in the file itself
    }
    if (err == 0 && !folderSynced_) {
        // The log's own name in its folder, once.
        const std::size_t slash = path_.rfind('/');
        err = syncFile(slash == std::string::npos ? "."
                       : slash == 0               ? "/"
                                                  : path_.substr(0, slash));
        folderSynced_ = err == 0;
    }
    if (err != 0) {
        throw SqliteError("results database " + path_ +
                              ": cannot sync the write-ahead log: " + std::strerror(err),
                          SQLITE_IOERR);
    }
    synced_ = covered;
}

std::int64_t ResultsStore::record(const Submission& submission, const QuizKey* quiz,
                                  const ScoreCheck& check, const std::string& received,
                                  const std::string& ambiguousFiles) {
    const auto [id, commit] = commitRecord(submission, quiz, check, received, ambiguousFiles);
    syncThrough(commit);
    return id;
}

std::pair<std::int64_t, std::uint64_t>
ResultsStore::commitRecord(const Submission& submission, const QuizKey* quiz,
                           const ScoreCheck& check, const std::string& received,
                           const std::string& ambiguousFiles) {
    std::lock_guard lock(mutex_);
    if (!connection_ || !stillOpened()) {
        if (connection_ && identify(path_) == database_ && !readOnly_) {
            // The log was removed under us: what it holds is still readable through the open
            // handles, so fold it into the database file before starting afresh.
            sqlite3_wal_checkpoint_v2(connection_->db.handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE,
                                      nullptr, nullptr);
        }
        open();
    }
    Connection& c = *connection_;
    try {
        c.begin.run();
        Statement& s = c.insertSubmission;
        s.bind(1, received);
        s.bind(2, submission.quizId);
        if (quiz != nullptr) {
            s.bind(3, quiz->path);
            s.bind(4, quiz->title);
            s.bind(5, static_cast<std::int64_t>(quiz->answers.size()));
        } else {
            s.bindNull(3);
            s.bindNull(4);
            s.bindNull(5);
        }
        if (submission.hasName) {
            s.bind(6, submission.name);
        } else {
            s.bindNull(6);
        }
        s.bind(7, submission.email);
        s.bind(8, submission.url);
        s.bind(9, submission.lapsed);
        s.bind(10, submission.score);
        s.bind(11, check.checkedScore);
        s.bind(12, std::int64_t{check.differs ? 1 : 0});
        s.bind(13, std::int64_t{submission.nameVerified ? 1 : 0});
        if (ambiguousFiles.empty()) {
            s.bindNull(14);
        } else {
            s.bind(14, ambiguousFiles);
        }
        s.run();
        const std::int64_t id = sqlite3_last_insert_rowid(c.db.handle());
        std::map<int, const std::string*> rows;
        for (const auto& [n, answer] : submission.answers) {
            rows[n] = &answer;
        }
        if (quiz != nullptr) {
            for (int n = 1; n <= static_cast<int>(quiz->answers.size()); ++n) {
                rows.try_emplace(n, nullptr);
            }
        }
        for (const auto& [n, answer] : rows) {
            Statement& a = c.insertAnswer;
            a.bind(1, id);
            a.bind(2, std::int64_t{n});
            if (answer != nullptr) {
                a.bind(3, *answer);
            } else {
                a.bindNull(3);
            }
            const bool inQuiz = quiz != nullptr && n <= static_cast<int>(quiz->answers.size());
            if (inQuiz) {
                a.bind(4, std::int64_t{check.correct[static_cast<std::size_t>(n - 1)]});
                a.bind(5, quiz->answers[static_cast<std::size_t>(n - 1)]);
            } else {
                a.bindNull(4);
                a.bindNull(5);
            }
            a.run();
        }
        c.commit.run();
        // A commit that went to a log removed meanwhile is not in the database: say so
        // rather than acknowledge it.
        if (!stillOpened()) {
            connection_.reset();
            throw SqliteError("the database or its write-ahead log was removed or replaced "
                              "while the submission was written",
                              SQLITE_IOERR);
        }
        // Long runs fold the log into the database file now and then, so that a copy of the
        // file alone is never far behind.
        const auto now = std::chrono::steady_clock::now();
        if (now - lastCheckpoint_ > kCheckpointEvery) {
            sqlite3_wal_checkpoint_v2(c.db.handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                      nullptr);
            lastCheckpoint_ = now;
        }
        return {id, ++committed_};
    } catch (const SqliteError& e) {
        c.begin.reset();
        c.insertSubmission.reset();
        c.insertAnswer.reset();
        c.commit.reset();
        if (!sqlite3_get_autocommit(c.db.handle())) {
            sqlite3_exec(c.db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        }
        throw SqliteError("results database " + path_ + ": " + e.what(), e.code());
    }
}

std::vector<StoredSubmission> ReadSubmissions(const std::string& path,
                                              const std::optional<std::string>& quizId) {
    Database db(path, Database::Mode::ReadOnly);
    sqlite3_busy_timeout(db.handle(), kBusyTimeoutMs);
    // One read transaction, so both queries see the same submissions.
    db.exec("BEGIN");
    std::vector<StoredSubmission> out;
    std::map<std::int64_t, std::size_t> byId;
    {
        Statement s(db, "SELECT id, received, quiz_id, quiz_title, question_count, name, email, "
                        "url, lapsed, posted_score, checked_score, differs, quiz_file, "
                        "name_verified, ambiguous_files "
                        "FROM submissions WHERE ?1 IS NULL OR quiz_id = ?1 ORDER BY id");
        if (quizId) {
            s.bind(1, *quizId);
        } else {
            s.bindNull(1);
        }
        while (s.step()) {
            StoredSubmission row;
            row.id = s.integer(0);
            row.received = s.text(1);
            row.quizId = s.text(2);
            row.quizTitle = s.text(3);
            row.checked = !s.isNull(12);
            row.name = s.text(5);
            row.email = s.text(6);
            row.url = s.text(7);
            row.lapsed = s.text(8);
            row.postedScore = s.text(9);
            if (!s.isNull(10)) {
                row.checkedScore = s.integer(10);
            }
            row.differs = s.integer(11) != 0;
            row.nameVerified = s.integer(13) != 0;
            row.ambiguousFiles = s.text(14);
            if (!s.isNull(4)) {
                row.answers.resize(static_cast<std::size_t>(s.integer(4)));
            }
            byId.emplace(row.id, out.size());
            out.push_back(std::move(row));
        }
    }
    Statement a(db, "SELECT a.submission_id, a.question, a.answer, a.correct, a.right_answer "
                    "FROM answers a JOIN submissions s ON s.id = a.submission_id "
                    "WHERE ?1 IS NULL OR s.quiz_id = ?1 ORDER BY a.submission_id, a.question");
    if (quizId) {
        a.bind(1, *quizId);
    } else {
        a.bindNull(1);
    }
    while (a.step()) {
        const auto found = byId.find(a.integer(0));
        if (found == byId.end()) {
            continue; // written after the first query ran
        }
        StoredSubmission& row = out[found->second];
        const auto n = static_cast<std::size_t>(a.integer(1));
        if (n < 1 || n > kMaxAnswerFields) {
            continue;
        }
        if (row.answers.size() < n) {
            row.answers.resize(n);
        }
        StoredAnswer& answer = row.answers[n - 1];
        answer.answer = a.text(2);
        if (!a.isNull(3)) {
            answer.correct = static_cast<int>(a.integer(3));
        }
        answer.rightAnswer = a.text(4);
    }
    return out;
}

std::string NowIso8601() {
    const auto now = std::chrono::system_clock::now();
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                  static_cast<int>(ms % 1000));
    return text;
}

} // namespace tamberlin::results
