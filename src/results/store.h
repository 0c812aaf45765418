#pragma once

#include "results/sqlite.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace tamberlin::results {

struct Submission;
struct QuizKey;
struct ScoreCheck;

// A stored submission as the report reads it back.
struct StoredAnswer {
    std::string answer;         // as sent; empty when the question was not sent
    std::optional<int> correct; // none when the quiz was unknown
    std::string rightAnswer;    // the quiz's letter, empty when the quiz was unknown
};
struct StoredSubmission {
    std::int64_t id = 0;
    std::string received; // ISO 8601, UTC
    std::string quizId;
    std::string quizTitle; // empty when the quiz was unknown
    bool checked = false;  // the quiz was found and the score checked
    std::string name;
    std::string email;
    std::string url;
    std::string lapsed;
    std::string postedScore;
    std::optional<std::int64_t> checkedScore;
    bool differs = false;
    bool nameVerified = false;  // the name was checked at login against the class roster
    std::string ambiguousFiles; // the quiz files the ID matched, one a line, when several did
    std::vector<StoredAnswer> answers; // questions 1..N (N the quiz's count, or the highest sent)
};

// The results database: one SQLite file in WAL mode, written by the server's threads and by
// any number of CGI processes at once. Every submission is one transaction; record() returns
// only after its commit is on the disk. Commits write the log without syncing it, holding
// the database's write lock only for that; the log is then synced outside the lock, so that
// writers in other threads and processes go on meanwhile, and one sync covers the commits of
// every thread that waits for it.
class ResultsStore {
public:
    static constexpr int kSchemaVersion = 2;

    // Server: the log is folded into the database file now and then and when the store
    // closes. OneSubmission (a CGI process): the log stays short but is left on close.
    enum class Lifetime { Server, OneSubmission };

    // Opens (creating when missing) the database at path. Throws SqliteError.
    explicit ResultsStore(std::string path, Lifetime lifetime = Lifetime::Server);
    ~ResultsStore();
    ResultsStore(const ResultsStore&) = delete;
    ResultsStore& operator=(const ResultsStore&) = delete;

    // Stores one submission with the outcome of its check (quiz null: unknown quiz) and returns
    // its row id. Reopens the file first when it was replaced, removed or made read-only since
    // the last call. Throws SqliteError with a message fit for the log.
    // ambiguousFiles, when not empty, lists the quiz files the ID matched (none was used).
    std::int64_t record(const Submission& submission, const QuizKey* quiz, const ScoreCheck& check,
                        const std::string& received, const std::string& ambiguousFiles = {});

    // Folds the write-ahead log into the database file as far as readers allow.
    void checkpointNow();

    const std::string& path() const { return path_; }

private:
    struct Connection;
    struct FileId {
        dev_t device = 0;
        ino_t inode = 0;
        bool readOnly = false;
        bool operator==(const FileId& o) const { return device == o.device && inode == o.inode; }
    };
    static FileId identify(const std::string& path);
    bool stillOpened() const;
    void open();
    void syncThrough(std::uint64_t commit);
    std::pair<std::int64_t, std::uint64_t>
    commitRecord(const Submission& submission, const QuizKey* quiz, const ScoreCheck& check,
                 const std::string& received, const std::string& ambiguousFiles);

    std::string path_;
    std::mutex mutex_;
    std::unique_ptr<Connection> connection_;
    FileId database_;
    FileId log_;
    FileId index_;
    std::chrono::steady_clock::time_point lastCheckpoint_ = std::chrono::steady_clock::now();
    static constexpr std::chrono::seconds kCheckpointEvery{30};
    bool shortLived_ = false;
    bool readOnly_ = false;
    std::uint64_t committed_ = 0; // commits made, under mutex_
    std::mutex syncMutex_;
    std::uint64_t synced_ = 0; // commits known to be on the disk, under syncMutex_
    bool folderSynced_ = false;
};

// Reads every submission (of one quiz when quizId is given), in the order received.
// Throws SqliteError.
std::vector<StoredSubmission> ReadSubmissions(const std::string& path,
                                              const std::optional<std::string>& quizId);

// The time now as ISO 8601 in UTC with milliseconds, for example 2026-03-01T09:30:00.125Z.
std::string NowIso8601();

} // namespace tamberlin::results
