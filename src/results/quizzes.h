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

// What a quiz ID found: one quiz, none, or several that it could belong to.
struct QuizMatch {
    std::shared_ptr<const QuizKey> quiz;    // the one quiz, null when none or several
    std::vector<std::string> ambiguousWith; // the files, when several matched
};

// The quiz files (".qvt") of a folder and its subfolders, known by the ID their pages post.
// A folder is read again only when its own time changes (a file added, removed or renamed);
// a quiz file again when its size, time or inode changes. Safe to use from many threads.
class QuizFolder {
public:
    QuizFolder(std::string folder, const CodePage& codePage);
    // The quiz whose ID, as the page posts it, is quizId (UTF-8). Of several files with that
    // ID the one whose question count matches the answers sent is used when it is the only
    // one; otherwise the match is ambiguous and no quiz is used.
    QuizMatch find(const std::string& quizId, int answersSent);

    // Groups of quiz files whose pages post the same ID, each sorted by path.
    std::vector<std::vector<std::string>> collisions();

private:
    struct Entry {
        std::int64_t mtimeNs = 0;
        off_t size = 0;
        ino_t inode = 0;
        std::shared_ptr<const QuizKey> quiz; // null when the file is not a readable quiz
    };
    struct Folder {
        std::int64_t mtimeNs = 0;
        ino_t inode = 0;
        std::vector<std::string> quizFiles;
        std::vector<std::string> subfolders;
    };
    void refresh();
    void visit(const std::string& folder, int depth, std::map<std::string, Folder>& folders,
               std::map<std::string, Entry>& entries);

    std::string folder_;
    const CodePage& codePage_;
    std::mutex mutex_;
    std::map<std::string, Folder> folders_;
    std::map<std::string, Entry> entries_;
};

} // namespace tamberlin::results
