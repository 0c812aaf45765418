#pragma once

#include "results/store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tamberlin::results {

struct Roster;

// One question of a quiz over its checked submissions.
struct QuestionStats {
    std::string rightAnswer;
    std::size_t answeredRight = 0;
    std::size_t answered = 0; // checked submissions that had this question
    std::string commonWrong;  // the most chosen wrong letter (the first of equals), or empty
    std::size_t commonWrongTimes = 0;
};

// What the report says of one quiz ID.
struct QuizStats {
    std::string quizId;
    std::string title;  // the latest checked submission's, empty when none
    bool known = false; // some submission was checked against its quiz file
    std::vector<const StoredSubmission*> submissions; // in the order received
    std::vector<std::int64_t> checkedScores;
    std::optional<std::int64_t> averageScore; // rounded to a whole percent, halves upward
    std::size_t differing = 0;
    std::size_t verified = 0;              // submissions whose name was verified at login
    std::vector<QuestionStats> questions;  // per question of the latest checked submission
    std::vector<std::string> notSubmitted; // class list names with no submission, list order
};

// The statistics per quiz ID, quizzes in the order of their first submission. With a class
// list, each quiz also names who on it has not submitted.
std::vector<QuizStats> ComputeStatistics(const std::vector<StoredSubmission>& rows,
                                         const Roster* roster);

} // namespace tamberlin::results
