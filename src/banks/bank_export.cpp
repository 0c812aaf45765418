#include "banks/bank_parsing.h"
#include "banks/question_bank.h"

#include <algorithm>

namespace tamberlin {

namespace {

// A stored text's lines (CR LF, lone CR and lone LF all end a line).
std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            lines.emplace_back();
            continue;
        }
        lines.back() += text[i];
    }
    return lines;
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string joinWithSpaces(std::string_view text) {
    std::string out;
    for (const std::string& line : splitLines(text)) {
        if (!out.empty() && !line.empty()) {
            out += ' ';
        }
        out += line;
    }
    return out;
}

// One question as the exporters see it: UTF-8 texts and the choices in use.
struct ExportQuestion {
    int number = 0;
    std::string text;
    std::vector<std::string> choices;
    int answer = -1; // -1 when the stored answer is not one of the choices
    std::string answerText;
    std::string picture;
};

std::vector<ExportQuestion> collect(const TQuizRec& quiz, const CodePage& codePage,
                                    std::vector<BankNote>& notes) {
    std::vector<ExportQuestion> out;
    const int count = std::clamp(quiz.QuestionCount, 0, kMaxQuestions);
    const int choiceCount = std::clamp(quiz.ChoiceCount, kMinChoices, kMaxChoices);
    for (int n = 0; n < count; ++n) {
        const TQuestionRec& q = quiz.Questions[static_cast<std::size_t>(n)];
        ExportQuestion e;
        e.number = n + 1;
        e.text = codePage.toUtf8(q.QuestionText.view());
        e.picture = codePage.toUtf8(q.PicAddress.view());
        e.answerText = codePage.toUtf8(q.Answer.view());
        int used = 0;
        for (int k = 0; k < choiceCount; ++k) {
            if (!q.choice(k).empty()) {
                used = k + 1;
            }
        }
        const int answer = q.Answer.size() == 1 ? q.Answer.view()[0] - 'A' : -1;
        if (answer >= 0 && answer < choiceCount) {
            if (answer >= used) {
                notes.push_back({e.number, std::string("the answer ") + ChoiceLetter(answer) +
                                               " is an empty choice"});
                used = answer + 1;
            }
            e.answer = answer;
        } else {
            notes.push_back({e.number, q.Answer.empty()
                                           ? std::string("the question has no answer")
                                           : "the answer \"" + e.answerText +
                                                 "\" is not one of the quiz's choices"});
        }
        used = std::max(used, kMinChoices);
        for (int k = 0; k < used; ++k) {
            e.choices.push_back(codePage.toUtf8(q.choice(k).view()));
            if (e.choices.back().empty() && k + 1 < used) {
                notes.push_back({e.number, std::string("choice ") + ChoiceLetter(k) + " is empty"});
            }
        }
        if (e.text.empty()) {
            notes.push_back({e.number, "the question has no text"});
        }
        out.push_back(std::move(e));
    }
    return out;
}

void noteNoPictures(const ExportQuestion& q, std::string_view format,
                    std::vector<BankNote>& notes) {
    if (!q.picture.empty()) {
        notes.push_back({q.number, std::string(format) + " holds no pictures: \"" + q.picture +
                                       "\" is left out"});
    }
}

std::string giftEscape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            out += "\\n";
            continue;
        }
        if (std::string_view("~=#{}:\\").find(c) != std::string_view::npos) {
            out += '\\';
        }
        out += c;
    }
    // A leading "[" would read as a text format and a leading "%" as an answer's weight.
    if (!out.empty() && (out.front() == '[' || out.front() == '%')) {
        out.insert(0, "[plain]");
    }
    return out;
}

std::string exportGift(const TQuizRec& quiz, const std::vector<ExportQuestion>& questions,
                       const CodePage& codePage, std::vector<BankNote>& notes) {
    std::string out;
    const std::string title = joinWithSpaces(codePage.toUtf8(quiz.Title.view()));
    if (!title.empty()) {
        out += "// " + title + "\n";
    }
    out += "// " + std::to_string(questions.size()) +
           " multiple-choice questions written by Tamberlin\n\n";
    for (const ExportQuestion& q : questions) {
        noteNoPictures(q, "GIFT", notes);
        out += "::Question " + std::to_string(q.number) + "::" + giftEscape(q.text) + " {\n";
        for (std::size_t k = 0; k < q.choices.size(); ++k) {
            out += static_cast<int>(k) == q.answer ? "\t=" : "\t~";
            out += giftEscape(q.choices[k]);
            out += '\n';
        }
        out += "}\n\n";
    }
    return out;
}

bool looksLikeAikenLine(std::string_view line) {
    const std::string_view t = banks::TrimSpaces(line);
    if (t.size() >= 2 && t[0] == 'A' && (t[1] == '.' || t[1] == ')') &&
        (t.size() == 2 || t[2] == ' ' || t[2] == '\t')) {
        return true;
    }
    std::string head(t.substr(0, 7));
    for (char& c : head) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    return head == "ANSWER:";
}

std::string exportAiken(const std::vector<ExportQuestion>& questions,
                        std::vector<BankNote>& notes) {
    std::string out;
    for (const ExportQuestion& q : questions) {
        noteNoPictures(q, "Aiken", notes);
        bool first = true;
        bool dropped = false;
        for (const std::string& line : splitLines(q.text)) {
            if (banks::TrimSpaces(line).empty()) {
                dropped = dropped || !q.text.empty();
                continue;
            }
            if (!first && looksLikeAikenLine(line)) {
                notes.push_back({q.number, "a line of the question starts like a choice or the "
                                           "ANSWER line; it will not read back the same"});
            }
            out += line + "\n";
            first = false;
        }
        if (first) {
            out += "\n";
            notes.push_back({q.number, "Aiken cannot hold a question without text"});
        } else if (dropped) {
            notes.push_back({q.number, "Aiken holds no empty lines inside a question; they are "
                                       "left out"});
        }
        for (std::size_t k = 0; k < q.choices.size(); ++k) {
            if (hasLineBreak(q.choices[k])) {
                notes.push_back({q.number, std::string("Aiken holds a choice on one line: the "
                                                       "line breaks of choice ") +
                                               ChoiceLetter(static_cast<int>(k)) +
                                               " become spaces"});
            }
            const std::string text = joinWithSpaces(q.choices[k]);
            out += std::string(1, ChoiceLetter(static_cast<int>(k))) + "." +
                   (text.empty() ? "" : " " + text) + "\n";
        }
        out +=
            "ANSWER: " + (q.answer >= 0 ? std::string(1, ChoiceLetter(q.answer)) : q.answerText) +
            "\n\n";
    }
    return out;
}

std::string csvField(std::string_view text) {
    const bool quote = text.find_first_of(",;\"\r\n") != std::string_view::npos ||
                       (!text.empty() && (text.front() == ' ' || text.back() == ' ' ||
                                          text.front() == '\t' || text.back() == '\t'));
    if (!quote) {
        return std::string(text);
    }
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') {
            out += '"';
        }
        out += c;
    }
    out += '"';
    return out;
}

std::string exportCsv(const TQuizRec& quiz, const std::vector<ExportQuestion>& questions) {
    const int columns = std::clamp(quiz.ChoiceCount, kMinChoices, kMaxChoices);
    std::string out = "\xEF\xBB\xBF"; // spreadsheets take the file for UTF-8 only with it
    out += "question";
    for (int k = 0; k < columns; ++k) {
        out += ',';
        out += ChoiceLetter(k);
    }
    out += ",answer,picture\r\n";
    for (const ExportQuestion& q : questions) {
        out += csvField(q.text);
        for (int k = 0; k < columns; ++k) {
            out += ',';
            if (static_cast<std::size_t>(k) < q.choices.size()) {
                out += csvField(q.choices[static_cast<std::size_t>(k)]);
            }
        }
        out += ',';
        out += csvField(q.answer >= 0 ? std::string(1, ChoiceLetter(q.answer)) : q.answerText);
        out += ',';
        out += csvField(q.picture);
        out += "\r\n";
    }
    return out;
}

} // namespace

ExportResult ExportQuestions(const TQuizRec& quiz, BankFormat format, const CodePage& codePage) {
    ExportResult result;
    const std::vector<ExportQuestion> questions = collect(quiz, codePage, result.notes);
    switch (format) {
    case BankFormat::Gift:
        result.text = exportGift(quiz, questions, codePage, result.notes);
        break;
    case BankFormat::Aiken:
        result.text = exportAiken(questions, result.notes);
        break;
    case BankFormat::Csv:
        result.text = exportCsv(quiz, questions);
        break;
    }
    std::stable_sort(result.notes.begin(), result.notes.end(),
                     [](const BankNote& a, const BankNote& b) { return a.line < b.line; });
    return result;
}

} // namespace tamberlin
