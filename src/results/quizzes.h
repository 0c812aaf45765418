#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace tamberlin {
class CodePage;
}

namespace tamberlin::results {

struct Submission;

// What the receiver needs of one quiz file, its texts in UTF-8.
struct QuizKey {
    std::string path;
    std::string quizId;
    // The ID as a browser posts it: the page writes it as an unquoted attribute value, which
    // ends at the first space or ">" ("Unit 3" arrives as "Unit").
    std::string postedId;
    std::string title;
    std::string redirectAddress;
    int choiceCount = 0;
    std::vector<std::string> answers; // the right letter of questions 1..N, as stored
};

// The outcome of checking a submission's answers against its quiz.
struct ScoreCheck {
    std::optional<std::int64_t> checkedScore; // none for an unknown quiz or one of 0 questions
    std::vector<int> correct;                 // per question 1..N: 1 right, 0 wrong
    bool differs = false;                     // the posted score is not the checked one
};

// Scores the answers as the page does: right answers / question count x 100, rounded to the
// nearest whole number with halves upward (the page's Math.round). An answer counts as right
// only when it is the stored letter and one of the letters the quiz's choices use.
ScoreCheck CheckScore(const QuizKey& quiz, const Submission& submission);

// The page's rounding of right / count x 100, done in the same floating point steps.
std::int64_t PageScore(int right, int count);

// The quiz files (".qvt") of a folder and its subfolders, found by quiz ID. Files are read
// once and again whenever their size, time or inode changes; safe to use from many threads.
class QuizFolder {
public:
    QuizFolder(std::string folder, const CodePage& codePage);
    // The quiz whose ID, as the page posts it, is quizId (UTF-8). Of several files with the same ID
    // the one whose question count matches the answers sent wins, then the first by path.
    std::shared_ptr<const QuizKey> find(const std::string& quizId, int answersSent);

private:
    struct Entry {
        std::int64_t mtimeNs = 0;
        off_t size = 0;
        ino_t inode = 0;
        std::shared_ptr<const QuizKey> quiz; // null when the file is not a readable quiz
    };
    void scan(const std::string& folder, int depth, std::map<std::string, Entry>& fresh);

    std::string folder_;
    const CodePage& codePage_;
    std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

} // namespace tamberlin::results
