#pragma once

#include "results/store.h"

#include <string>
#include <vector>

namespace tamberlin::results {

struct Roster;

// One row per submission, UTF-8 with a byte-order mark (so spreadsheets pick the right
// encoding), RFC 4180 quoting and CR LF line ends. Columns: received, quiz ID, name, e-mail,
// posted score, checked score, score check, elapsed, q1..qN.
std::string ResultsCsv(const std::vector<StoredSubmission>& rows);

// The class's results as one HTML page: per quiz the takers' table, each question's share of
// right answers and most chosen wrong letter, and a histogram of the scores as inline SVG.
// csvLink, when not empty, is the address of the same rows as CSV, linked from the page. With a
// class list (roster not null) each quiz also names who has not submitted yet.
std::string ResultsHtml(const std::vector<StoredSubmission>& rows, const std::string& csvLink,
                        const Roster* roster = nullptr);

} // namespace tamberlin::results
