#include "results/quizzes.h"

#include "common/ascii.h"

#include "document/code_page.h"
#include "document/errors.h"
#include "document/quiz.h"
#include "document/quiz_file.h"
#include "results/form.h"

#include <cmath>
#include <dirent.h>
#include <sys/stat.h>

namespace tamberlin::results {

namespace {

// Folders deeper than this below the quiz folder are not searched.
constexpr int kMaxDepth = 4;

bool hasQuizExtension(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    return AsciiLowered(std::string_view(name).substr(name.size() - 4)) == ".qvt";
}

std::shared_ptr<const QuizKey> readQuiz(const std::string& path, const CodePage& codePage) {
    auto quiz = std::make_unique<TQuizRec>();
    try {
        ReadQuizFile(*quiz, path);
    } catch (const TamberlinError&) {
        return nullptr;
    }
    auto key = std::make_shared<QuizKey>();
    key->path = path;
    key->quizId = codePage.toUtf8(quiz->QuizId.view());
    key->postedId = key->quizId.substr(0, key->quizId.find_first_of(" \t\n\f\r>"));
    key->title = codePage.toUtf8(quiz->Title.view());
    key->redirectAddress = codePage.toUtf8(quiz->RedirectAddress.view());
    key->choiceCount = quiz->ChoiceCount;
    for (int n = 0; n < quiz->QuestionCount; ++n) {
        key->answers.push_back(
            codePage.toUtf8(quiz->Questions[static_cast<std::size_t>(n)].Answer.view()));
    }
    return key;
}

} // namespace

std::int64_t PageScore(int right, int count) {
    const double x = static_cast<double>(right) / static_cast<double>(count) * 100.0;
    const double down = std::floor(x);
    return static_cast<std::int64_t>(x - down >= 0.5 ? down + 1 : down);
}

ScoreCheck CheckScore(const QuizKey& quiz, const Submission& submission) {
    ScoreCheck check;
    const int count = static_cast<int>(quiz.answers.size());
    int right = 0;
    for (int n = 1; n <= count; ++n) {
        const std::string& stored = quiz.answers[static_cast<std::size_t>(n - 1)];
        const auto sent = submission.answers.find(n);
        const bool usedLetter =
            stored.size() == 1 && stored[0] >= 'A' && stored[0] < 'A' + quiz.choiceCount;
        const bool isRight =
            usedLetter && sent != submission.answers.end() && sent->second == stored;
        check.correct.push_back(isRight ? 1 : 0);
        right += isRight ? 1 : 0;
    }
    if (count > 0) {
        check.checkedScore = PageScore(right, count);
        check.differs = submission.score != std::to_string(*check.checkedScore) + "%";
    }
    return check;
}

QuizFolder::QuizFolder(std::string folder, const CodePage& codePage)
    : folder_(std::move(folder)), codePage_(codePage) {}

namespace {

std::int64_t nanoseconds(const struct stat& info) {
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

} // namespace

void QuizFolder::visit(const std::string& folder, int depth, std::map<std::string, Folder>& folders,
                       std::map<std::string, Entry>& entries) {
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return;
    }
    Folder current;
    const auto known = folders_.find(folder);
    if (known != folders_.end() && known->second.mtimeNs == nanoseconds(info) &&
        known->second.inode == info.st_ino) {
        current = known->second;
    } else {
        current.mtimeNs = nanoseconds(info);
        current.inode = info.st_ino;
        if (DIR* dir = opendir(folder.c_str())) {
            while (const dirent* item = readdir(dir)) {
                const std::string name = item->d_name;
                if (name.empty() || name[0] == '.') {
                    continue;
                }
                const bool quizName = hasQuizExtension(name);
                unsigned char type = item->d_type;
                if (type == DT_UNKNOWN && (quizName || depth < kMaxDepth)) {
                    struct stat entry {};
                    if (lstat((folder + "/" + name).c_str(), &entry) != 0) {
                        continue;
                    }
                    type = S_ISDIR(entry.st_mode) ? DT_DIR : S_ISREG(entry.st_mode) ? DT_REG : 0;
                }
                if (type == DT_DIR && depth < kMaxDepth) {
                    current.subfolders.push_back(folder + "/" + name);
                } else if (type == DT_REG && quizName) {
                    current.quizFiles.push_back(folder + "/" + name);
                }
            }
            closedir(dir);
        }
    }
    for (const std::string& path : current.quizFiles) {
        struct stat file {};
        if (lstat(path.c_str(), &file) != 0 || !S_ISREG(file.st_mode)) {
            continue;
        }
        Entry entry;
        entry.mtimeNs = nanoseconds(file);
        entry.size = file.st_size;
        entry.inode = file.st_ino;
        const auto old = entries_.find(path);
        if (old != entries_.end() && old->second.mtimeNs == entry.mtimeNs &&
            old->second.size == entry.size && old->second.inode == entry.inode) {
            entry.quiz = old->second.quiz;
        } else {
            entry.quiz = readQuiz(path, codePage_);
        }
        entries.emplace(path, std::move(entry));
    }
    for (const std::string& sub : current.subfolders) {
        visit(sub, depth + 1, folders, entries);
    }
    folders.emplace(folder, std::move(current));
}

void QuizFolder::refresh() {
    std::map<std::string, Folder> folders;
    std::map<std::string, Entry> entries;
    visit(folder_, 0, folders, entries);
    folders_ = std::move(folders);
    entries_ = std::move(entries);
}

QuizMatch QuizFolder::find(const std::string& quizId, int answersSent) {
    QuizMatch match;
    if (folder_.empty()) {
        return match;
    }
    std::lock_guard lock(mutex_);
    refresh();
    std::vector<std::shared_ptr<const QuizKey>> all;
    std::vector<std::shared_ptr<const QuizKey>> counted;
    for (const auto& [path, entry] : entries_) {
        if (!entry.quiz || entry.quiz->postedId != quizId) {
            continue;
        }
        all.push_back(entry.quiz);
        if (static_cast<int>(entry.quiz->answers.size()) == answersSent) {
            counted.push_back(entry.quiz);
        }
    }
    if (all.size() == 1) {
        match.quiz = all.front();
    } else if (counted.size() == 1) {
        match.quiz = counted.front();
    } else {
        for (const auto& quiz : counted.empty() ? all : counted) {
            match.ambiguousWith.push_back(quiz->path);
        }
    }
    return match;
}

std::vector<std::vector<std::string>> QuizFolder::collisions() {
    std::lock_guard lock(mutex_);
    refresh();
    std::map<std::string, std::vector<std::string>> byId;
    for (const auto& [path, entry] : entries_) {
        if (entry.quiz) {
            byId[entry.quiz->postedId].push_back(path);
        }
    }
    std::vector<std::vector<std::string>> groups;
    for (auto& [id, paths] : byId) {
        if (paths.size() > 1) {
            groups.push_back(std::move(paths));
        }
    }
    return groups;
}

} // namespace tamberlin::results
