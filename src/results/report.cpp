#include "results/report.h"

#include "results/receiver.h"

#include <algorithm>
#include <array>
#include <map>

namespace tamberlin::results {

namespace {

// A cell for the CSV: quoted when it holds a comma, quote or line break; a text that a
// spreadsheet would take for a formula gets a leading apostrophe (a taker's name such as
// "=HYPERLINK(...)" must stay text).
std::string csvCell(const std::string& text) {
    std::string value = text;
    if (!value.empty() && (value[0] == '=' || value[0] == '+' || value[0] == '-' ||
                           value[0] == '@' || value[0] == '\t' || value[0] == '\r')) {
        value.insert(value.begin(), '\'');
    }
    if (value.find_first_of(",\"\r\n") == std::string::npos) {
        return value;
    }
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
    return out;
}

std::string checkText(const StoredSubmission& row) {
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
        out += csvCell(row.received) + "," + csvCell(row.quizId) + "," + csvCell(row.name) + "," +
               csvCell(row.email) + "," + csvCell(row.postedScore) + "," +
               csvCell(scoreText(row.checkedScore)) + "," + csvCell(checkText(row)) + "," +
               csvCell(row.lapsed);
        for (std::size_t n = 0; n < questions; ++n) {
            out += ",";
            if (n < row.answers.size()) {
                out += csvCell(row.answers[n].answer);
            }
        }
        out += "\r\n";
    }
    return out;
}

std::string ResultsHtml(const std::vector<StoredSubmission>& rows, const std::string& csvLink) {
    // Quizzes in the order of their first submission.
    std::vector<std::string> order;
    std::map<std::string, std::vector<const StoredSubmission*>> byQuiz;
    for (const auto& row : rows) {
        auto& list = byQuiz[row.quizId];
        if (list.empty()) {
            order.push_back(row.quizId);
        }
        list.push_back(&row);
    }
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<title>Quiz results</title><style>";
    html += kStyle;
    html += "</style></head><body>\n<h1>Quiz results</h1>\n<p class=\"note\">" +
            std::to_string(rows.size()) + (rows.size() == 1 ? " submission" : " submissions");
    if (!csvLink.empty()) {
        html += " &middot; <a href=\"" + EscapeHtml(csvLink) + "\">Download as CSV</a>";
    }
    html += "</p>\n";
    for (const std::string& quizId : order) {
        const auto& list = byQuiz[quizId];
        // The latest submission's title and question count describe the quiz as it is now.
        const StoredSubmission* latestChecked = nullptr;
        for (const auto* row : list) {
            if (row->checked) {
                latestChecked = row;
            }
        }
        html += "<section class=\"quiz\">\n<h2>";
        if (latestChecked != nullptr && !latestChecked->quizTitle.empty()) {
            html += EscapeHtml(latestChecked->quizTitle) + " <span class=\"note\">(" +
                    EscapeHtml(quizId) + ")</span>";
        } else {
            html += "Quiz " + EscapeHtml(quizId.empty() ? "(no ID)" : quizId);
        }
        html += "</h2>\n";
        if (latestChecked == nullptr) {
            html += "<p class=\"note\">No quiz file with this ID was found when these results "
                    "arrived: the scores shown are the ones the browser sent, unchecked.</p>\n";
        }

        std::vector<std::int64_t> scores;
        std::size_t differing = 0;
        for (const auto* row : list) {
            if (row->checkedScore) {
                scores.push_back(*row->checkedScore);
            }
            differing += row->differs ? 1 : 0;
        }
        html += "<p>" + std::to_string(list.size()) + (list.size() == 1 ? " taker" : " takers");
        if (!scores.empty()) {
            std::int64_t sum = 0;
            for (auto s : scores) {
                sum += s;
            }
            html += ", average checked score " +
                    std::to_string((sum * 10 / static_cast<std::int64_t>(scores.size()) + 5) / 10) +
                    "%";
        }
        if (differing > 0) {
            html += ", <strong>" + std::to_string(differing) +
                    " with a posted score that differs from the checked one</strong>";
        }
        html += ".</p>\n";
        if (!scores.empty()) {
            html += histogramSvg(scores) + "\n";
        }

        html += "<table class=\"takers\"><tr><th>Received (UTC)</th><th>Name</th>"
                "<th>E-mail</th><th>Posted score</th><th>Checked score</th><th>Time</th>"
                "<th>Answers</th></tr>\n";
        for (const auto* row : list) {
            html += row->differs ? "<tr class=\"differs\">" : "<tr>";
            html += "<td>" + EscapeHtml(shortTime(row->received)) + "</td><td>" +
                    EscapeHtml(row->name) + "</td><td>" + EscapeHtml(row->email) +
                    "</td><td class=\"num\">" + EscapeHtml(row->postedScore) +
                    "</td><td class=\"num\">";
            if (row->checkedScore) {
                html += scoreText(row->checkedScore);
                if (row->differs) {
                    html += " &#9888; differs";
                }
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
        if (latestChecked != nullptr) {
            const std::size_t count = latestChecked->answers.size();
            html += "<table class=\"questions\"><tr><th>Question</th><th>Right answer</th>"
                    "<th>Answered right</th><th>Most chosen wrong answer</th></tr>\n";
            for (std::size_t n = 0; n < count; ++n) {
                std::size_t right = 0;
                std::size_t total = 0;
                std::map<std::string, std::size_t> wrong;
                for (const auto* row : list) {
                    if (n >= row->answers.size() || !row->answers[n].correct) {
                        continue;
                    }
                    ++total;
                    if (*row->answers[n].correct != 0) {
                        ++right;
                    } else if (!row->answers[n].answer.empty()) {
                        ++wrong[row->answers[n].answer];
                    }
                }
                std::string commonWrong = "-";
                std::size_t most = 0;
                for (const auto& [letter, times] : wrong) {
                    if (times > most) {
                        most = times;
                        commonWrong = letter + " (" + std::to_string(times) + ")";
                    }
                }
                html += "<tr><td class=\"num\">" + std::to_string(n + 1) + "</td><td>" +
                        EscapeHtml(latestChecked->answers[n].rightAnswer) +
                        "</td><td class=\"num\">" + percent(right, total) + "</td><td>" +
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
