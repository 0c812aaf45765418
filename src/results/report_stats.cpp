#include "results/report_stats.h"

#include "results/login.h"

#include <map>
#include <set>

namespace tamberlin::results {

std::vector<QuizStats> ComputeStatistics(const std::vector<StoredSubmission>& rows,
                                         const Roster* roster) {
    std::vector<QuizStats> quizzes;
    std::map<std::string, std::size_t> index;
    for (const auto& row : rows) {
        const auto [found, added] = index.try_emplace(row.quizId, quizzes.size());
        if (added) {
            quizzes.emplace_back().quizId = row.quizId;
        }
        quizzes[found->second].submissions.push_back(&row);
    }
    for (QuizStats& quiz : quizzes) {
        const StoredSubmission* latestChecked = nullptr;
        std::set<const RosterEntry*> submitted;
        for (const auto* row : quiz.submissions) {
            if (row->checked) {
                latestChecked = row;
            }
            if (row->checkedScore) {
                quiz.checkedScores.push_back(*row->checkedScore);
            }
            quiz.differing += row->differs ? 1 : 0;
            quiz.verified += row->nameVerified ? 1 : 0;
            if (roster != nullptr) {
                submitted.insert(roster->find(row->name));
            }
        }
        if (!quiz.checkedScores.empty()) {
            std::int64_t sum = 0;
            for (auto s : quiz.checkedScores) {
                sum += s;
            }
            quiz.averageScore =
                (sum * 10 / static_cast<std::int64_t>(quiz.checkedScores.size()) + 5) / 10;
        }
        if (roster != nullptr) {
            for (const RosterEntry& entry : roster->entries) {
                if (!submitted.contains(&entry)) {
                    quiz.notSubmitted.push_back(entry.name);
                }
            }
        }
        if (latestChecked == nullptr) {
            continue;
        }
        // The latest submission's title and question count describe the quiz as it is now.
        quiz.known = true;
        quiz.title = latestChecked->quizTitle;
        for (std::size_t n = 0; n < latestChecked->answers.size(); ++n) {
            QuestionStats question;
            question.rightAnswer = latestChecked->answers[n].rightAnswer;
            std::map<std::string, std::size_t> wrong;
            for (const auto* row : quiz.submissions) {
                if (n >= row->answers.size() || !row->answers[n].correct) {
                    continue;
                }
                ++question.answered;
                if (*row->answers[n].correct != 0) {
                    ++question.answeredRight;
                } else if (!row->answers[n].answer.empty()) {
                    ++wrong[row->answers[n].answer];
                }
            }
            for (const auto& [letter, times] : wrong) {
                if (times > question.commonWrongTimes) {
                    question.commonWrongTimes = times;
                    question.commonWrong = letter;
                }
            }
            quiz.questions.push_back(std::move(question));
        }
    }
    return quizzes;
}

} // namespace tamberlin::results
