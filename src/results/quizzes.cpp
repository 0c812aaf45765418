#include "results/quizzes.h"

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
    std::string ext = name.substr(name.size() - 4);
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ext == ".qvt";
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

void QuizFolder::scan(const std::string& folder, int depth, std::map<std::string, Entry>& fresh) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    while (const dirent* item = readdir(dir)) {
        const std::string name = item->d_name;
        if (name.empty() || name[0] == '.') {
            continue;
        }
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (lstat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            if (depth < kMaxDepth) {
                scan(path, depth + 1, fresh);
            }
            continue;
        }
        if (!S_ISREG(info.st_mode) || !hasQuizExtension(name)) {
            continue;
        }
        Entry entry;
        entry.mtimeNs =
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
        entry.size = info.st_size;
        entry.inode = info.st_ino;
        const auto old = entries_.find(path);
        if (old != entries_.end() && old->second.mtimeNs == entry.mtimeNs &&
            old->second.size == entry.size && old->second.inode == entry.inode) {
            entry.quiz = old->second.quiz;
        } else {
            entry.quiz = readQuiz(path, codePage_);
        }
        fresh.emplace(path, std::move(entry));
    }
    closedir(dir);
}

std::shared_ptr<const QuizKey> QuizFolder::find(const std::string& quizId, int answersSent) {
    if (folder_.empty()) {
        return nullptr;
    }
    std::lock_guard lock(mutex_);
    std::map<std::string, Entry> fresh;
    scan(folder_, 0, fresh);
    entries_ = std::move(fresh);
    std::shared_ptr<const QuizKey> first;
    for (const auto& [path, entry] : entries_) {
        if (!entry.quiz || entry.quiz->postedId != quizId) {
            continue;
        }
        if (static_cast<int>(entry.quiz->answers.size()) == answersSent) {
            return entry.quiz;
        }
        if (!first) {
            first = entry.quiz;
        }
    }
    return first;
}

} // namespace tamberlin::results
