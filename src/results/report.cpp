#include "results/report.h"

#include "common/csv.h"
#include "results/receiver.h"
#include "results/report_stats.h"
#include "results/static_files.h"

#include <algorithm>
#include <array>
#include <map>

namespace tamberlin::results {

namespace {

std::string checkText(const StoredSubmission& row) {
    if (!row.ambiguousFiles.empty()) {
        return "ambiguous quiz ID";
    }
    if (!row.checked) {
        return "unknown quiz";
    }
    if (!row.checkedScore) {
        return "no questions";
    }
    return row.differs ? "differs" : "ok";
}

// "2026-03-01T09:30:00.125Z" as "2026-03-01 09:30:00" for the page's table.
std::string shortTime(const std::string& iso) {
    std::string text = iso.substr(0, iso.find('.'));
    if (text.size() > 10 && text[10] == 'T') {
        text[10] = ' ';
    }
    return text;
}

std::string scoreText(const std::optional<std::int64_t>& score) {
    return score ? std::to_string(*score) + "%" : std::string();
}

std::string percent(std::size_t part, std::size_t whole) {
    if (whole == 0) {
        return "-";
    }
    return std::to_string((part * 100 + whole / 2) / whole) + "%";
}

// Ten bars: 0-9 %, 10-19 %, ..., 90-100 %.
std::string histogramSvg(const std::vector<std::int64_t>& scores) {
    std::array<std::size_t, 10> bins{};
    for (std::int64_t s : scores) {
        bins[static_cast<std::size_t>(std::clamp<std::int64_t>(s / 10, 0, 9))]++;
    }
    const std::size_t highest =
        std::max<std::size_t>(1, *std::max_element(bins.begin(), bins.end()));
    constexpr int barWidth = 40;
    constexpr int chartHeight = 120;
    std::string svg = "<svg class=\"histogram\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
                      std::to_string(10 * barWidth + 20) + "\" height=\"" +
                      std::to_string(chartHeight + 50) + "\" role=\"img\" aria-label=\"" +
                      "Scores\">";
    for (std::size_t i = 0; i < bins.size(); ++i) {
        const int height = static_cast<int>(bins[i] * chartHeight / highest);
        const int x = 10 + static_cast<int>(i) * barWidth;
        svg += "<rect x=\"" + std::to_string(x + 4) + "\" y=\"" +
               std::to_string(20 + chartHeight - height) + "\" width=\"" +
               std::to_string(barWidth - 8) + "\" height=\"" + std::to_string(height) +
               "\" fill=\"#4a7ab8\"><title>" + std::to_string(i * 10) + "-" +
               std::to_string(i == 9 ? 100 : i * 10 + 9) + "%: " + std::to_string(bins[i]) +
               "</title></rect>";
        if (bins[i] > 0) {
            svg += "<text x=\"" + std::to_string(x + barWidth / 2) + "\" y=\"" +
                   std::to_string(16 + chartHeight - height) +
                   "\" text-anchor=\"middle\" font-size=\"11\">" + std::to_string(bins[i]) +
                   "</text>";
        }
        svg += "<text x=\"" + std::to_string(x + barWidth / 2) + "\" y=\"" +
               std::to_string(chartHeight + 36) + "\" text-anchor=\"middle\" font-size=\"11\">" +
               std::to_string(i * 10) + "</text>";
    }
    svg += "<line x1=\"10\" y1=\"" + std::to_string(20 + chartHeight) + "\" x2=\"" +
           std::to_string(10 + 10 * barWidth) + "\" y2=\"" + std::to_string(20 + chartHeight) +
           "\" stroke=\"#333\"/></svg>";
    return svg;
}

constexpr const char* kStyle = R"css(
body { font-family: sans-serif; margin: 1.5em; color: #222; }
h1 { font-size: 1.5em; } h2 { font-size: 1.2em; margin-top: 2em; }
table { border-collapse: collapse; margin: 0.5em 0 1em; }
th, td { border: 1px solid #bbb; padding: 0.2em 0.5em; text-align: left; white-space: nowrap; }
th { background: #eef; }
td.num { text-align: right; }
tr.differs td { background: #fde2e2; }
span.wrong { color: #b00; text-decoration: line-through; }
span.verified { color: #060; font-size: 0.85em; }
p.missing { color: #704; }
.note { color: #555; }
)css";

} // namespace

std::string ResultsCsv(const std::vector<StoredSubmission>& rows) {
    std::size_t questions = 0;
    for (const auto& row : rows) {
        questions = std::max(questions, row.answers.size());
    }
    std::string out = "\xEF\xBB\xBF";
    out += "received,quiz_id,name,email,posted_score,checked_score,score_check,lapsed";
    for (std::size_t n = 1; n <= questions; ++n) {
        out += ",q" + std::to_string(n);
    }
    out += "\r\n";
    for (const auto& row : rows) {
        out += CsvCell(row.received) + "," + CsvCell(row.quizId) + "," + CsvCell(row.name) + "," +
               CsvCell(row.email) + "," + CsvCell(row.postedScore) + "," +
               CsvCell(scoreText(row.checkedScore)) + "," + CsvCell(checkText(row)) + "," +
               CsvCell(row.lapsed);
        for (std::size_t n = 0; n < questions; ++n) {
            out += ",";
            if (n < row.answers.size()) {
                out += CsvCell(row.answers[n].answer);
            }
        }
        out += "\r\n";
    }
    return out;
}

std::string ResultsHtml(const std::vector<StoredSubmission>& rows, const std::string& csvLink,
                        const Roster* roster) {
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">";
    html += kReportMarker;
    html += "<title>Quiz results</title><style>";
    html += kStyle;
    html += "</style></head><body>\n<h1>Quiz results</h1>\n<p class=\"note\">" +
            std::to_string(rows.size()) + (rows.size() == 1 ? " submission" : " submissions");
    if (!csvLink.empty()) {
        html += " &middot; <a href=\"" + EscapeHtml(csvLink) + "\">Download as CSV</a>";
    }
    html += "</p>\n";
    for (const QuizStats& quiz : ComputeStatistics(rows, roster)) {
        const std::string& quizId = quiz.quizId;
        html += "<section class=\"quiz\">\n<h2>";
        if (!quiz.title.empty()) {
            html += EscapeHtml(quiz.title) + " <span class=\"note\">(" + EscapeHtml(quizId) +
                    ")</span>";
        } else {
            html += "Quiz " + EscapeHtml(quizId.empty() ? "(no ID)" : quizId);
        }
        html += "</h2>\n";
        if (!quiz.known) {
            html += "<p class=\"note\">No single quiz file with this ID was found when these "
                    "results arrived: the scores shown are the ones the browser sent, "
                    "unchecked.</p>\n";
        }
        const std::size_t takers = quiz.submissions.size();
        html += "<p>" + std::to_string(takers) + (takers == 1 ? " taker" : " takers");
        if (quiz.averageScore) {
            html += ", average checked score " + std::to_string(*quiz.averageScore) + "%";
        }
        if (quiz.differing > 0) {
            html += ", <strong>" + std::to_string(quiz.differing) +
                    " with a posted score that differs from the checked one</strong>";
        }
        if (roster != nullptr) {
            html += ", " + std::to_string(quiz.verified) + " with a verified name";
        }
        html += ".</p>\n";
        if (roster != nullptr) {
            if (quiz.notSubmitted.empty()) {
                html += "<p class=\"missing\">Everyone on the class list has submitted.</p>\n";
            } else {
                html += "<p class=\"missing\">Not submitted yet (" +
                        std::to_string(quiz.notSubmitted.size()) + "): ";
                for (std::size_t i = 0; i < quiz.notSubmitted.size(); ++i) {
                    html += (i > 0 ? ", " : "") + EscapeHtml(quiz.notSubmitted[i]);
                }
                html += "</p>\n";
            }
        }
        if (!quiz.checkedScores.empty()) {
            html += histogramSvg(quiz.checkedScores) + "\n";
        }

        html += "<table class=\"takers\"><tr><th>Received (UTC)</th><th>Name</th>"
                "<th>E-mail</th><th>Posted score</th><th>Checked score</th><th>Time</th>"
                "<th>Answers</th></tr>\n";
        for (const auto* row : quiz.submissions) {
            html += row->differs ? "<tr class=\"differs\">" : "<tr>";
            html += "<td>" + EscapeHtml(shortTime(row->received)) + "</td><td>" +
                    EscapeHtml(row->name) +
                    (row->nameVerified ? " <span class=\"verified\" title=\"name verified at "
                                         "login\">&#10003; verified</span>"
                                       : "") +
                    "</td><td>" + EscapeHtml(row->email) + "</td><td class=\"num\">" +
                    EscapeHtml(row->postedScore) + "</td><td class=\"num\">";
            if (row->checkedScore) {
                html += scoreText(row->checkedScore);
                if (row->differs) {
                    html += " &#9888; differs";
                }
            } else if (!row->ambiguousFiles.empty()) {
                html += "<span title=\"" + EscapeHtml(row->ambiguousFiles) +
                        "\">unchecked: several quizzes have this ID</span>";
            } else {
                html += row->checked ? "-" : "unchecked";
            }
            html += "</td><td>" + EscapeHtml(row->lapsed) + "</td><td>";
            for (std::size_t n = 0; n < row->answers.size(); ++n) {
                const StoredAnswer& a = row->answers[n];
                const std::string shown = a.answer.empty() ? "&middot;" : EscapeHtml(a.answer);
                if (a.correct && *a.correct == 0) {
                    html += "<span class=\"wrong\" title=\"question " + std::to_string(n + 1) +
                            ", right: " + EscapeHtml(a.rightAnswer) + "\">" + shown + "</span>";
                } else {
                    html += shown;
                }
                html += n + 1 < row->answers.size() ? " " : "";
            }
            html += "</td></tr>\n";
        }
        html += "</table>\n";
        // Questions: share right and the most chosen wrong letter, over checked submissions.
        if (quiz.known) {
            html += "<table class=\"questions\"><tr><th>Question</th><th>Right answer</th>"
                    "<th>Answered right</th><th>Most chosen wrong answer</th></tr>\n";
            for (std::size_t n = 0; n < quiz.questions.size(); ++n) {
                const QuestionStats& q = quiz.questions[n];
                const std::string commonWrong =
                    q.commonWrong.empty()
                        ? "-"
                        : q.commonWrong + " (" + std::to_string(q.commonWrongTimes) + ")";
                html += "<tr><td class=\"num\">" + std::to_string(n + 1) + "</td><td>" +
                        EscapeHtml(q.rightAnswer) + "</td><td class=\"num\">" +
                        percent(q.answeredRight, q.answered) + "</td><td>" +
                        EscapeHtml(commonWrong) + "</td></tr>\n";
            }
            html += "</table>\n";
        }

        html += "</section>\n";
    }
    if (rows.empty()) {
        html += "<p>No results yet.</p>\n";
    }
    html += "</body></html>\n";
    return html;
}

} // namespace tamberlin::results
