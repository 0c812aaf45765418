#include "banks/bank_parsing.h"
#include "banks/question_bank.h"
#include "common/ascii.h"
#include "common/utf8.h"

#include "document/errors.h"
#include "document/file_io.h"
#include "document/paths.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <system_error>

namespace tamberlin {

namespace banks {

std::string_view TrimSpaces(std::string_view text) {
    const auto space = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
    };
    while (!text.empty() && space(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && space(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string ToStoredLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (char c : text) {
        if (c == '\n') {
            out += '\r';
        }
        out += c;
    }
    return out;
}

} // namespace banks

namespace {

using banks::RawBank;
using banks::RawQuestion;
using banks::RawText;
using banks::TrimSpaces;

// The length of the UTF-8 sequence at text[pos], or 0 when it is malformed.
std::size_t utf8Length(std::string_view text, std::size_t pos) {
    std::size_t next = pos;
    return DecodeUtf8(text, next) == kBadUtf8 ? 0 : next - pos;
}

// Checks that text is UTF-8 without control characters (tab and line ends allowed); returns
// the line of the first fault and sets why, or returns 0.
int findBadText(std::string_view text, std::string& why) {
    int line = 1;
    for (std::size_t pos = 0; pos < text.size();) {
        const auto b = static_cast<unsigned char>(text[pos]);
        if (b == '\n') {
            ++line;
        } else if ((b < 0x20 && b != '\t' && b != '\r') || b == 0x7F) {
            char code[8];
            std::snprintf(code, sizeof code, "0x%02X", b);
            why = std::string("a control character (") + code + ")";
            return line;
        }
        const std::size_t length = utf8Length(text, pos);
        if (length == 0) {
            why = "bytes that are not UTF-8 text (save the file as UTF-8)";
            return line;
        }
        pos += length;
    }
    return 0;
}

// CR LF and lone CR to LF.
std::string normaliseLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

std::string codePoint(std::string_view character) {
    char32_t c = static_cast<unsigned char>(character[0]);
    if (character.size() > 1) {
        c &= 0xFFu >> (character.size() + 1);
        for (std::size_t i = 1; i < character.size(); ++i) {
            c = (c << 6) | (static_cast<unsigned char>(character[i]) & 0x3F);
        }
    }
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
    return buffer;
}

struct Converted {
    std::string bytes;
    std::string error;
};

// A UTF-8 text in the code page, refused when a character has no place in it or when it is
// longer than the field.
Converted toCodePage(const RawText& raw, const CodePage& codePage, std::string_view what,
                     std::size_t capacity) {
    Converted out;
    out.bytes = codePage.fromUtf8(raw.text);
    if (codePage.toUtf8(out.bytes) != raw.text) {
        for (std::size_t pos = 0; pos < raw.text.size();) {
            const std::size_t length = std::max<std::size_t>(1, utf8Length(raw.text, pos));
            const std::string_view character = std::string_view(raw.text).substr(pos, length);
            if (codePage.toUtf8(codePage.fromUtf8(character)) != character) {
                out.error = std::string(what) + " holds \"" + std::string(character) + "\" (" +
                            codePoint(character) + "), which the code page " + codePage.name() +
                            " cannot hold";
                return out;
            }
            pos += length;
        }
        out.error = std::string(what) + " cannot be held by the code page " + codePage.name();
        return out;
    }
    if (out.bytes.size() > capacity) {
        out.error =
            std::string(what) + " is " + std::to_string(out.bytes.size()) +
            " characters long; the quiz holds " + std::to_string(capacity) +
            (out.bytes.find('\r') != std::string::npos ? " (a line break counts as two)" : "");
    }
    return out;
}

bool isWebAddress(std::string_view name) {
    return name.find("://") != std::string_view::npos;
}

std::string folderOf(std::string_view path) {
    return std::string(PathFolderPart(path));
}

} // namespace

std::optional<BankFormat> BankFormatFromName(std::string_view name) {
    const std::string n = AsciiLowered(name);
    if (n == "gift") {
        return BankFormat::Gift;
    }
    if (n == "aiken") {
        return BankFormat::Aiken;
    }
    if (n == "csv") {
        return BankFormat::Csv;
    }
    if (n == "moodlexml" || n == "xml") {
        return BankFormat::MoodleXml;
    }
    return std::nullopt;
}

std::string_view BankFormatName(BankFormat format) {
    switch (format) {
    case BankFormat::Gift:
        return "gift";
    case BankFormat::Aiken:
        return "aiken";
    case BankFormat::Csv:
        return "csv";
    case BankFormat::MoodleXml:
        return "moodlexml";
    }
    return "";
}

std::optional<BankFormat> ExportFormatFor(std::string_view path) {
    const std::string_view name = PathFileNamePart(path);
    const std::size_t dot = name.rfind('.');
    const std::string extension =
        dot == std::string_view::npos ? "" : AsciiLowered(name.substr(dot + 1));
    if (extension == "txt" || extension == "aiken") {
        return BankFormat::Aiken;
    }
    return extension == "gift" || extension == "csv" || extension == "xml"
               ? BankFormatFromName(extension)
               : std::nullopt;
}

std::optional<BankFormat> DetectBankFormat(std::string_view path, std::string_view bytes) {
    const std::string_view name = PathFileNamePart(path);
    const std::size_t dot = name.rfind('.');
    const std::string extension =
        dot == std::string_view::npos ? "" : AsciiLowered(name.substr(dot + 1));
    if (extension == "gift") {
        return BankFormat::Gift;
    }
    if (extension == "csv") {
        return BankFormat::Csv;
    }
    if (extension == "aiken") {
        return BankFormat::Aiken;
    }
    if (extension == "xml") {
        return BankFormat::MoodleXml;
    }
    if (extension != "txt") {
        return std::nullopt;
    }
    bool brace = false;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        const std::string_view line = TrimSpaces(bytes.substr(start, end - start));
        if (AsciiLowered(line.substr(0, 7)) == "answer:") {
            return BankFormat::Aiken;
        }
        if (!line.starts_with("//") && line.find('{') != std::string_view::npos) {
            brace = true;
        }
        start = end + 1;
    }
    return brace ? std::optional<BankFormat>(BankFormat::Gift) : std::nullopt;
}

std::string ImportResult::errorText() const {
    if (errorLine > 0) {
        return "line " + std::to_string(errorLine) + ": " + error;
    }
    return error;
}

int ImportResult::choiceCount() const {
    int count = 0;
    for (const BankQuestion& q : questions) {
        count = std::max(count, static_cast<int>(q.choices.size()));
    }
    return count;
}

namespace {

// The code pages a bank's texts may need, in the order they are suggested.
constexpr int kCodePages[] = {1252, 1250, 1251, 1253, 1254, 1255, 1256, 1257, 1258, 874};

// A code page (other than the one in use) that holds every text of the questions, or 0.
int codePageHolding(const std::vector<RawQuestion>& questions, const CodePage& inUse) {
    for (const int number : kCodePages) {
        const std::string name = "CP" + std::to_string(number);
        if (name == inUse.name()) {
            continue;
        }
        try {
            const CodePage candidate(name);
            bool holds = true;
            for (const RawQuestion& q : questions) {
                auto fits = [&](const std::string& text) {
                    return candidate.toUtf8(candidate.fromUtf8(text)) == text;
                };
                holds = fits(q.text.text);
                for (const RawText& c : q.choices) {
                    holds = holds && fits(c.text);
                }
                if (!holds) {
                    break;
                }
            }
            if (holds) {
                return number;
            }
        } catch (const std::exception&) {
            continue;
        }
    }
    return 0;
}

// One raw question as the quiz holds it, or the reason it cannot be held (and the line).
struct Checked {
    std::optional<BankQuestion> question;
    int line = 0;
    std::string why;
    bool codePage = false; // the reason is a character the code page cannot hold
};

Checked checkQuestion(RawQuestion& q, const std::string& sourceFolder, const CodePage& codePage,
                      std::vector<BankNote>& notes) {
    Checked out;
    auto refuse = [&](int line, std::string why) {
        out.line = line;
        out.why = std::move(why);
        return out;
    };
    // Empty choices at the end carry nothing: the quiz shows unused choices empty anyway.
    while (!q.choices.empty() && static_cast<int>(q.choices.size()) > q.answer + 1 &&
           q.choices.back().text.empty()) {
        q.choices.pop_back();
    }
    if (q.choices.size() < static_cast<std::size_t>(kMinChoices)) {
        return refuse(q.line, "a question needs 2 to 5 choices; this one has " +
                                  std::to_string(q.choices.size()));
    }
    if (q.choices.size() > static_cast<std::size_t>(kMaxChoices)) {
        return refuse(q.choices[kMaxChoices].line,
                      "a question holds at most 5 choices; this one has " +
                          std::to_string(q.choices.size()));
    }
    if (q.answer < 0 || q.answer >= static_cast<int>(q.choices.size())) {
        return refuse(q.line, "the question has no right answer");
    }
    if (TrimSpaces(q.text.text).empty() && q.pictureData.empty() && q.picture.text.empty()) {
        return refuse(q.text.line, "the question has no text");
    }
    BankQuestion result;
    result.line = q.line;
    result.answer = q.answer;
    Converted text = toCodePage(q.text, codePage, "the question text",
                                decltype(TQuestionRec::QuestionText)::capacity);
    if (!text.error.empty()) {
        out = refuse(q.text.line, text.error);
        out.codePage = text.error.find("code page") != std::string::npos;
        return out;
    }
    result.text = std::move(text.bytes);
    std::vector<BankNote> emptyChoices;
    for (std::size_t k = 0; k < q.choices.size(); ++k) {
        Converted choice = toCodePage(q.choices[k], codePage,
                                      std::string("choice ") + ChoiceLetter(static_cast<int>(k)),
                                      decltype(TQuestionRec::ChoiceA)::capacity);
        if (!choice.error.empty()) {
            out = refuse(q.choices[k].line, choice.error);
            out.codePage = choice.error.find("code page") != std::string::npos;
            return out;
        }
        if (choice.bytes.empty()) {
            emptyChoices.push_back(
                {q.choices[k].line,
                 std::string("choice ") + ChoiceLetter(static_cast<int>(k)) + " is empty",
                 NoteKind::Changed});
        }
        result.choices.push_back(std::move(choice.bytes));
    }
    if (!q.picture.text.empty()) {
        Converted picture = toCodePage(q.picture, codePage, "the picture's name",
                                       decltype(TQuestionRec::PicAddress)::capacity);
        if (!picture.error.empty()) {
            return refuse(q.picture.line, picture.error);
        }
        if (q.pictureData.empty() && !isWebAddress(q.picture.text)) {
            const std::string path =
                q.picture.text.front() == '/' ? q.picture.text : sourceFolder + q.picture.text;
            std::error_code ec;
            if (!std::filesystem::is_regular_file(path, ec)) {
                return refuse(q.picture.line,
                              "the picture \"" + q.picture.text + "\" does not exist" +
                                  (q.picture.text.front() == '/' ? "" : " beside the file"));
            }
        }
        result.picture = std::move(picture.bytes);
        result.pictureData = std::move(q.pictureData);
    }
    notes.insert(notes.end(), emptyChoices.begin(), emptyChoices.end());
    out.question = std::move(result);
    return out;
}

} // namespace

ImportResult ImportQuestions(std::string_view bytes, BankFormat format,
                             const std::string& sourceFolder, const CodePage& codePage) {
    ImportResult result;
    auto fail = [&](int line, std::string message) {
        result.questions.clear();
        result.errorLine = line;
        result.error = std::move(message);
        return result;
    };
    if (bytes.size() > kMaxBankFileSize) {
        return fail(0, "the file is larger than 10 MB");
    }
    RawBank raw;
    if (format == BankFormat::MoodleXml) {
        raw = banks::ParseMoodleXml(bytes);
    } else {
        if (bytes.starts_with("\xEF\xBB\xBF")) {
            bytes.remove_prefix(3);
        }
        std::string decoded;
        std::string why;
        if (const int line = findBadText(bytes, why); line > 0) {
            if (why.starts_with("a control character")) {
                return fail(line, "the file holds " + why);
            }
            // Saved by a program in the system's "ANSI" code page rather than as UTF-8.
            decoded = codePage.toUtf8(bytes);
            if (const int bad = findBadText(decoded, why); bad > 0) {
                return fail(bad, "the file holds " + why);
            }
            result.notes.push_back({line,
                                    "the file is not UTF-8 text: it is read in the code page " +
                                        codePage.name() + " (save it as UTF-8 if that is wrong)",
                                    NoteKind::Ignored});
            bytes = decoded;
        }
        const std::string text = normaliseLineEnds(bytes);
        raw = format == BankFormat::Gift    ? banks::ParseGift(text)
              : format == BankFormat::Aiken ? banks::ParseAiken(text)
                                            : banks::ParseCsv(text);
    }
    if (!raw.ok()) {
        result.notes.insert(result.notes.end(), raw.notes.begin(), raw.notes.end());
        return fail(raw.errorLine, raw.error);
    }

    std::vector<BankNote> notes = std::move(raw.notes);
    std::vector<RawQuestion> outsideCodePage;
    std::vector<std::string> reasons;
    for (RawQuestion& q : raw.questions) {
        Checked checked = checkQuestion(q, sourceFolder, codePage, notes);
        if (checked.question) {
            result.questions.push_back(std::move(*checked.question));
            continue;
        }
        if (checked.codePage) {
            outsideCodePage.push_back(q);
        }
        notes.push_back({checked.line, "question skipped: " + checked.why, NoteKind::Skipped});
    }
    // Notes in the order of the file.
    std::stable_sort(notes.begin(), notes.end(),
                     [](const BankNote& a, const BankNote& b) { return a.line < b.line; });
    result.notes.insert(result.notes.end(), notes.begin(), notes.end());
    if (raw.notesLeftOut > 0) {
        result.notes.push_back(
            {0, "and " + std::to_string(raw.notesLeftOut) + " more notes", NoteKind::Ignored});
    }
    std::string advice;
    if (!outsideCodePage.empty()) {
        if (const int number = codePageHolding(outsideCodePage, codePage); number > 0) {
            advice = std::to_string(outsideCodePage.size()) +
                     (outsideCodePage.size() == 1 ? " question needs" : " questions need") +
                     " another code page: run with TAMBERLIN_CODEPAGE=cp" + std::to_string(number) +
                     " to import " + (outsideCodePage.size() == 1 ? "it" : "them");
            result.notes.push_back({0, advice, NoteKind::Ignored});
        }
    }
    if (result.questions.empty()) {
        std::string message = "the file holds no question that can be imported";
        int shown = 0;
        for (const BankNote& n : result.notes) {
            if (n.kind == NoteKind::Skipped && shown < 3) {
                message += (shown == 0 ? ": " : "; ") +
                           std::string(n.line > 0 ? "line " + std::to_string(n.line) + ": " : "") +
                           n.message;
                ++shown;
            }
        }
        if (!advice.empty()) {
            message += " (" + advice + ")";
        } else if (shown > 0) {
            message += " (the notes list every question and why it was skipped)";
        }
        return fail(0, message);
    }
    return result;
}

void KeepFirstQuestions(ImportResult& result, int count) {
    if (count < 0 || result.questions.size() <= static_cast<std::size_t>(count)) {
        return;
    }
    const std::size_t left = result.questions.size() - static_cast<std::size_t>(count);
    const int firstLeft = result.questions[static_cast<std::size_t>(count)].line;
    result.questions.resize(static_cast<std::size_t>(count));
    result.notes.push_back({firstLeft,
                            "the first " + std::to_string(count) +
                                " questions are imported and the " + std::to_string(left) +
                                " from this line on are left",
                            NoteKind::LeftOut});
}

void PickQuestions(ImportResult& result, int count, std::uint32_t seed) {
    if (count < 0 || result.questions.size() <= static_cast<std::size_t>(count)) {
        return;
    }
    // A partial Fisher-Yates shuffle of the indices with a generator whose output the
    // standard fixes, so that a seed draws the same questions everywhere.
    std::mt19937 random(seed);
    std::vector<std::size_t> order(result.questions.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        const std::size_t span = order.size() - i;
        const std::size_t j = i + static_cast<std::size_t>(random() % span);
        std::swap(order[i], order[j]);
    }
    order.resize(static_cast<std::size_t>(count));
    std::sort(order.begin(), order.end());
    std::vector<BankQuestion> picked;
    for (const std::size_t i : order) {
        picked.push_back(std::move(result.questions[i]));
    }
    const std::size_t left = result.questions.size() - picked.size();
    result.questions = std::move(picked);
    result.notes.push_back({0,
                            std::to_string(count) + " questions drawn at random (seed " +
                                std::to_string(seed) + "); " + std::to_string(left) + " left",
                            NoteKind::LeftOut});
}

std::vector<std::vector<BankQuestion>> SplitQuestions(const std::vector<BankQuestion>& questions,
                                                      int count) {
    std::vector<std::vector<BankQuestion>> parts;
    const std::size_t size = static_cast<std::size_t>(std::max(count, 1));
    for (std::size_t n = 0; n < questions.size(); n += size) {
        parts.emplace_back(questions.begin() + static_cast<std::ptrdiff_t>(n),
                           questions.begin() +
                               static_cast<std::ptrdiff_t>(std::min(n + size, questions.size())));
    }
    return parts;
}

std::vector<std::string> WriteEmbeddedPictures(std::vector<BankQuestion>& questions,
                                               const std::string& folder,
                                               const CodePage& codePage) {
    std::vector<std::string> errors;
    for (BankQuestion& q : questions) {
        if (q.pictureData.empty() || q.picture.empty()) {
            continue;
        }
        const std::string name = codePage.toUtf8(q.picture);
        const std::size_t dot = name.rfind('.');
        const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
        const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
        std::string chosen = name;
        for (int n = 2;; ++n) {
            std::string existing;
            const int err = ReadFilePrefix(folder + chosen, q.pictureData.size() + 1, existing);
            if (err != 0 || existing == q.pictureData) {
                break;
            }
            chosen = stem + "-" + std::to_string(n) + extension;
        }
        if (const int e = WriteFileAtomically(folder + chosen, q.pictureData); e != 0) {
            errors.push_back("cannot write the picture \"" + folder + chosen +
                             "\": " + SystemErrorText(e));
            continue;
        }
        q.picture = codePage.fromUtf8(chosen);
    }
    return errors;
}

QuizText ConvertForQuiz(std::string_view utf8, std::string_view what, std::size_t capacity,
                        const CodePage& codePage) {
    std::string why;
    if (findBadText(utf8, why) > 0) {
        return {"", std::string(what) + " holds " + why};
    }
    Converted converted = toCodePage({std::string(utf8), 0}, codePage, what, capacity);
    return {std::move(converted.bytes), std::move(converted.error)};
}

ImportResult ImportQuestionFile(const std::string& path, std::optional<BankFormat> format,
                                const CodePage& codePage) {
    std::string bytes;
    if (const int err = ReadFilePrefix(path, kMaxBankFileSize + 1, bytes); err != 0) {
        ImportResult result;
        result.error = "cannot read \"" + path + "\": " + SystemErrorText(err);
        return result;
    }
    if (!format) {
        format = DetectBankFormat(path, bytes);
    }
    if (!format) {
        ImportResult result;
        result.error = "cannot tell the format of \"" + path +
                       "\" from its name: give it as gift, aiken, csv or moodlexml";
        return result;
    }
    return ImportQuestions(bytes, *format, folderOf(path), codePage);
}

std::string QuizIdFromFileName(std::string_view fileName) {
    std::string_view name = PathFileNamePart(fileName);
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0) {
        name = name.substr(0, dot);
    }
    std::string id;
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) != 0 && c < 0x80) {
            id += ch;
        } else if (ch == '-' || ch == '_') {
            id += ch;
        } else if (!id.empty() && id.back() != '_') {
            id += '_';
        }
    }
    while (!id.empty() && id.back() == '_') {
        id.pop_back();
    }
    id.resize(std::min(id.size(), decltype(TQuizRec::QuizId)::capacity));
    return id.empty() ? "quiz" : id;
}

AppendResult AppendImported(TQuizRec& quiz, const std::vector<BankQuestion>& questions) {
    AppendResult result;
    const int have = std::clamp(quiz.QuestionCount, 0, kMaxQuestions);
    if (have + static_cast<int>(questions.size()) > kMaxQuestions) {
        result.error = "the quiz has " + std::to_string(have) + " questions; " +
                       std::to_string(questions.size()) + " more would pass the " +
                       std::to_string(kMaxQuestions) + " a quiz holds";
        return result;
    }
    int needed = kMinChoices;
    for (const BankQuestion& q : questions) {
        needed = std::max(needed, static_cast<int>(q.choices.size()));
    }
    const int choices = std::clamp(std::max(quiz.ChoiceCount, needed), kMinChoices, kMaxChoices);
    if (have > 0 && choices > quiz.ChoiceCount) {
        result.notes.push_back({0, "the quiz now has " + std::to_string(choices) +
                                       " choices; its earlier questions show the new ones as "
                                       "they hold them (empty unless typed before)"});
    }
    result.firstIndex = have;
    for (std::size_t n = 0; n < questions.size(); ++n) {
        const BankQuestion& q = questions[n];
        TQuestionRec& slot = quiz.Questions[static_cast<std::size_t>(have) + n];
        slot.clearStrings();
        slot.QuestionText = q.text;
        slot.PicAddress = q.picture;
        for (std::size_t k = 0; k < q.choices.size() && k < kMaxChoices; ++k) {
            slot.choice(static_cast<int>(k)) = q.choices[k];
        }
        slot.Answer = std::string(1, ChoiceLetter(q.answer));
    }
    quiz.QuestionCount = have + static_cast<int>(questions.size());
    quiz.ChoiceCount = choices;
    return result;
}

} // namespace tamberlin
