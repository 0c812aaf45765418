#include "banks/bank_parsing.h"
#include "banks/question_bank.h"

#include "common/csv.h"
#include "common/html_escape.h"
#include "document/file_io.h"
#include "document/paths.h"

#include <libxml/xmlwriter.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

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
    // A leading "[" would read as a text format and a leading "%" as an answer's weight;
    // untagged text is HTML to the learning platform, which would take "<", "&" and runs of
    // spaces for markup.
    const bool markup = text.find_first_of("<&\t") != std::string_view::npos ||
                        text.find("  ") != std::string_view::npos ||
                        text.find(" \r") != std::string_view::npos ||
                        text.find("\n ") != std::string_view::npos;
    if (!out.empty() && (out.front() == '[' || out.front() == '%' || markup)) {
        out.insert(0, "[plain]");
    }
    return out;
}

// Notes what reading the text back trims: spaces at its ends.
void noteEdgeSpaces(const ExportQuestion& q, std::vector<BankNote>& notes) {
    auto trimmed = [](std::string_view t) { return banks::TrimSpaces(t).size() != t.size(); };
    if (trimmed(q.text)) {
        notes.push_back({q.number, "the spaces at the ends of the question text are left out"});
    }
    for (std::size_t k = 0; k < q.choices.size(); ++k) {
        if (!q.choices[k].empty() && trimmed(q.choices[k])) {
            notes.push_back({q.number, std::string("the spaces at the ends of choice ") +
                                           ChoiceLetter(static_cast<int>(k)) + " are left out"});
        }
    }
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
        noteEdgeSpaces(q, notes);
        for (std::size_t k = 0; k + 1 < q.choices.size(); ++k) {
            if (banks::TrimSpaces(q.choices[k]).empty()) {
                notes.push_back({q.number, std::string("choice ") +
                                               ChoiceLetter(static_cast<int>(k)) +
                                               " is empty: GIFT readers leave an empty answer "
                                               "out, and the choices after it move up"});
            }
        }
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
        noteEdgeSpaces(q, notes);
        if (looksLikeAikenLine(splitLines(q.text).front())) {
            notes.push_back({q.number, "the question's first line starts like a choice or the "
                                       "ANSWER line; it will not read back the same"});
        }
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
        out += CsvCell(q.text);
        for (int k = 0; k < columns; ++k) {
            out += ',';
            if (static_cast<std::size_t>(k) < q.choices.size()) {
                out += CsvCell(q.choices[static_cast<std::size_t>(k)]);
            }
        }
        out += ',';
        out += CsvCell(q.answer >= 0 ? std::string(1, ChoiceLetter(q.answer)) : q.answerText);
        out += ',';
        out += CsvCell(q.picture);
        out += "\r\n";
    }
    return out;
}

// Text as HTML: the characters markup would take escaped, line breaks as <br>.
std::string htmlEscape(std::string_view text) {
    std::string out;
    for (const std::string& line : splitLines(text)) {
        out += (out.empty() ? "" : "<br>") + EscapeHtml(line);
    }
    return out;
}

std::string exportMoodleXml(const std::vector<ExportQuestion>& questions,
                            const std::string& pictureFolder, std::vector<BankNote>& notes) {
    std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), &xmlBufferFree);
    std::unique_ptr<xmlTextWriter, decltype(&xmlFreeTextWriter)> writer(
        xmlNewTextWriterMemory(buffer.get(), 0), &xmlFreeTextWriter);
    xmlTextWriter* w = writer.get();
    auto x = [](std::string_view s) { return reinterpret_cast<const xmlChar*>(s.data()); };
    auto textElement = [&](const char* name, const char* format, const std::string& text) {
        xmlTextWriterStartElement(w, x(name));
        if (format) {
            xmlTextWriterWriteAttribute(w, x("format"), x(format));
        }
        xmlTextWriterWriteElement(w, x("text"), x(text.c_str()));
        xmlTextWriterEndElement(w);
    };
    xmlTextWriterSetIndent(w, 1);
    xmlTextWriterSetIndentString(w, x("  "));
    xmlTextWriterStartDocument(w, nullptr, "UTF-8", nullptr);
    xmlTextWriterStartElement(w, x("quiz"));
    for (const ExportQuestion& q : questions) {
        const std::string comment = " question: " + std::to_string(q.number) + " ";
        xmlTextWriterWriteComment(w, x(comment.c_str()));
        xmlTextWriterStartElement(w, x("question"));
        xmlTextWriterWriteAttribute(w, x("type"), x("multichoice"));
        textElement("name", nullptr, "Question " + std::to_string(q.number));

        // The question text is HTML when it shows the picture, plain text otherwise.
        std::string pictureName;
        std::string pictureBytes;
        std::string webPicture;
        if (!q.picture.empty()) {
            if (q.picture.find("://") != std::string::npos) {
                webPicture = q.picture;
            } else {
                const std::string path =
                    q.picture.front() == '/' ? q.picture : pictureFolder + q.picture;
                const int err = ReadFilePrefix(path, kMaxBankFileSize, pictureBytes);
                if (err != 0 || pictureBytes.empty()) {
                    notes.push_back({q.number, "the picture \"" + q.picture +
                                                   "\" cannot be read: it is left out"});
                    pictureBytes.clear();
                } else {
                    pictureName = std::string(PathFileNamePart(q.picture));
                }
            }
        }
        xmlTextWriterStartElement(w, x("questiontext"));
        if (pictureName.empty() && webPicture.empty()) {
            xmlTextWriterWriteAttribute(w, x("format"), x("plain_text"));
            xmlTextWriterWriteElement(w, x("text"), x(q.text.c_str()));
        } else {
            if (q.text.find("  ") != std::string::npos) {
                notes.push_back({q.number, "runs of spaces in the question text become one "
                                           "(the text is HTML to show the picture)"});
            }
            std::string src = webPicture;
            if (!pictureName.empty()) {
                // The name as an address: the characters an address reserves escaped.
                src = "@@PLUGINFILE@@/";
                for (unsigned char c : pictureName) {
                    if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
                        src += static_cast<char>(c);
                    } else {
                        char escaped[4];
                        std::snprintf(escaped, sizeof escaped, "%%%02X", c);
                        src += escaped;
                    }
                }
            }
            const std::string html = "<p>" + htmlEscape(q.text) + "</p><p><img src=\"" +
                                     htmlEscape(src) + "\" alt=\"\"></p>";
            xmlTextWriterWriteAttribute(w, x("format"), x("html"));
            xmlTextWriterStartElement(w, x("text"));
            xmlTextWriterWriteCDATA(w, x(html.c_str()));
            xmlTextWriterEndElement(w);
            if (!pictureName.empty()) {
                xmlTextWriterStartElement(w, x("file"));
                xmlTextWriterWriteAttribute(w, x("name"), x(pictureName.c_str()));
                xmlTextWriterWriteAttribute(w, x("path"), x("/"));
                xmlTextWriterWriteAttribute(w, x("encoding"), x("base64"));
                xmlTextWriterWriteBase64(w, pictureBytes.data(), 0,
                                         static_cast<int>(pictureBytes.size()));
                xmlTextWriterEndElement(w);
            } else {
                notes.push_back({q.number, "the picture \"" + webPicture +
                                               "\" is on the web: Moodle XML refers to it and a "
                                               "reader brings no picture back"});
            }
        }
        xmlTextWriterEndElement(w);
        textElement("generalfeedback", "html", "");
        xmlTextWriterWriteElement(w, x("defaultgrade"), x("1"));
        xmlTextWriterWriteElement(w, x("penalty"), x("0"));
        xmlTextWriterWriteElement(w, x("hidden"), x("0"));
        xmlTextWriterWriteElement(w, x("single"), x("true"));
        xmlTextWriterWriteElement(w, x("shuffleanswers"), x("false"));
        xmlTextWriterWriteElement(w, x("answernumbering"), x("ABCD"));
        noteEdgeSpaces(q, notes);
        for (std::size_t k = 0; k < q.choices.size(); ++k) {
            if (q.choices[k].empty() && static_cast<int>(k) != q.answer) {
                notes.push_back({q.number, std::string("choice ") +
                                               ChoiceLetter(static_cast<int>(k)) +
                                               " is empty: Moodle leaves an empty answer out, "
                                               "and the choices after it move up"});
            }
            xmlTextWriterStartElement(w, x("answer"));
            xmlTextWriterWriteAttribute(w, x("fraction"),
                                        x(static_cast<int>(k) == q.answer ? "100" : "0"));
            xmlTextWriterWriteAttribute(w, x("format"), x("plain_text"));
            xmlTextWriterWriteElement(w, x("text"), x(q.choices[k].c_str()));
            textElement("feedback", "html", "");
            xmlTextWriterEndElement(w);
        }
        xmlTextWriterEndElement(w);
    }
    xmlTextWriterEndElement(w);
    xmlTextWriterEndDocument(w);
    writer.reset();
    return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                       static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

} // namespace

ExportResult ExportQuestions(const TQuizRec& quiz, BankFormat format, const CodePage& codePage,
                             const std::string& pictureFolder) {
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
    case BankFormat::MoodleXml:
        result.text = exportMoodleXml(questions, pictureFolder, result.notes);
        break;
    }
    std::stable_sort(result.notes.begin(), result.notes.end(),
                     [](const BankNote& a, const BankNote& b) { return a.line < b.line; });
    return result;
}

} // namespace tamberlin
