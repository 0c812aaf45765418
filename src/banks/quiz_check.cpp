#include "banks/quiz_check.h"
#include "common/ascii.h"

#include "document/paths.h"
#include "generator/web_files.h"

#include "banks/bank_parsing.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

namespace tamberlin {

namespace {

std::string folderOf(const std::string& path) {
    return std::string(PathFolderPart(path));
}

bool fileExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

// Where the page will find a picture address, or nothing for a web address (not checked).
std::optional<std::string> picturePath(const std::string& address, const std::string& quizPath) {
    if (address.find("://") != std::string::npos) {
        return std::nullopt;
    }
    return PicturePathBesideQuiz(address, quizPath);
}

// The advice for a picture the page will not find: where the program finds it (in the current
// folder), when it does, is where to copy it from.
std::string pictureAdvice(const std::string& address, const std::string& quizPath,
                          const std::string& otherwise) {
    const std::string found = FindPicture(address, quizPath);
    if (!found.empty()) {
        const std::filesystem::path absolute = std::filesystem::absolute(found);
        return "Copy " + absolute.string() + " beside the quiz file.";
    }
    return otherwise;
}

// Relative luminance of one colour (0x00BBGGRR) by the WCAG formula.
double luminance(std::uint32_t color) {
    auto channel = [](std::uint32_t value) {
        const double c = static_cast<double>(value & 0xFF) / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(color) + 0.7152 * channel(color >> 8) + 0.0722 * channel(color >> 16);
}

std::string htmlColour(std::uint32_t color) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "#";
    for (const std::uint32_t byte : {color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF}) {
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    }
    return out;
}

std::string letters(const std::vector<int>& indexes) {
    std::string out;
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        if (i > 0) {
            out += i + 1 == indexes.size() ? " and " : ", ";
        }
        out += ChoiceLetter(indexes[i]);
    }
    return out;
}

bool containsNoCase(std::string_view text, std::string_view needle) {
    std::string lower(text);
    for (char& c : lower) {
        c = AsciiLower(c);
    }
    return lower.find(needle) != std::string::npos;
}

// An address inserted into the page: a line break or a double quote breaks the attribute or
// the script text it stands in; the login address also stands in the script itself.
void checkAddress(std::string_view address, std::string_view name, bool inScript,
                  std::vector<QuizProblem>& problems) {
    const std::string where = inScript ? "the page's script" : "the page's form";
    const std::string advice = "Correct the " + std::string(name) + " in Setup.";
    if (inScript && containsNoCase(address, "</script")) {
        problems.push_back(
            {0, "the " + std::string(name) + " holds \"</script\", which ends " + where, advice});
    }
    if (address.find_first_of("\r\n") != std::string_view::npos) {
        problems.push_back(
            {0, "the " + std::string(name) + " holds a line break, which breaks " + where, advice});
    }
    if (address.find('"') != std::string_view::npos) {
        problems.push_back(
            {0, "the " + std::string(name) + " holds a double quote, which breaks " + where,
             "Write the quote as %22 in the " + std::string(name) + " (Setup)."});
    }
    if (inScript && address.find('\\') != std::string_view::npos) {
        problems.push_back(
            {0, "the " + std::string(name) + " holds a backslash, which changes " + where,
             "Write the backslash as %5C in the " + std::string(name) + " (Setup)."});
    }
}

} // namespace

double ContrastRatio(std::uint32_t first, std::uint32_t second) {
    const double a = luminance(first);
    const double b = luminance(second);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

std::vector<QuizProblem> PublishingWarnings(const TQuizRec& quiz) {
    std::vector<QuizProblem> warnings;
    const THtmlPrefs& p = quiz.Prefs;
    // Without a colour of its own the page is black on white, as browsers show it.
    constexpr std::uint32_t kBrowserText = 0x000000;
    constexpr std::uint32_t kBrowserBackground = 0xFFFFFF;
    const std::uint32_t background = p.BgColorOn == 1 ? p.BgColor : kBrowserBackground;
    struct Row {
        const char* name;
        bool on;
        std::uint32_t color;
    };
    const Row rows[] = {
        {"Text", true, p.TextColorOn == 1 ? p.TextColor : kBrowserText},
        {"Title Font", p.TitleFontOn == 1, p.TitleFontColor},
        {"Question Font", p.QuestionFontOn == 1, p.QuestionFontColor},
        {"Choice Font", p.ChoiceFontOn == 1, p.ChoiceFontColor},
    };
    for (const Row& row : rows) {
        const double ratio = ContrastRatio(row.color & 0xFFFFFF, background & 0xFFFFFF);
        if (!row.on || ratio >= 3.0) {
            continue;
        }
        char shown[16];
        std::snprintf(shown, sizeof shown, "%.1f", std::floor(ratio * 10) / 10);
        warnings.push_back({0,
                            std::string("the ") + row.name + " colour " + htmlColour(row.color) +
                                " has too little contrast with the background colour " +
                                htmlColour(background) + " (" + shown +
                                ":1, under 3:1): the text is hard or impossible to read",
                            std::string("Choose a darker or lighter colour for ") + row.name +
                                " in Html Options."});
    }
    if (quiz.Interval < 30) {
        warnings.push_back({0,
                            "the time allowed is " + std::to_string(quiz.Interval) +
                                (quiz.Interval == 1 ? " second" : " seconds") +
                                " (under 30 seconds): the page's time runs out almost at once",
                            "Set the seconds allowed (Interval) in Setup."});
    }
    return warnings;
}

std::vector<QuizProblem> QuizIdProblems(const TQuizRec& quiz, const std::string& quizPath,
                                        const CodePage& codePage, IdCheck scope) {
    std::vector<QuizProblem> problems;
    const std::string_view id = quiz.QuizId.view();
    if (id.find_first_of(" \t\r\n\"'<>=`") != std::string_view::npos) {
        problems.push_back({0,
                            "the quiz ID holds a space, a quote or one of < > = `: the page cuts "
                            "the ID there",
                            "Use letters, digits, \"-\" and \"_\" in the quiz ID (Setup)."});
    }
    // The page writes the ID as an unquoted attribute value, which ends at the first space.
    const auto posted = [](std::string_view text) {
        return text.substr(0, text.find_first_of(" \t\r\n\f>"));
    };
    if (scope == IdCheck::TheIdOnly) {
        return problems;
    }
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::weakly_canonical(quizPath, ec);
    std::vector<std::string> sharing;
    for (std::filesystem::directory_iterator
             it(folderOf(quizPath).empty() ? "." : folderOf(quizPath), ec),
         end;
         !ec && it != end; it.increment(ec)) {
        std::string ext = it->path().extension().string();
        for (char& c : ext) {
            c = AsciiLower(c);
        }
        std::error_code same;
        if (ext != ".qvt" || !it->is_regular_file(same) ||
            std::filesystem::weakly_canonical(it->path(), same) == self) {
            continue;
        }
        auto other = std::make_unique<TQuizRec>();
        try {
            ReadQuizFile(*other, it->path().string());
        } catch (const std::exception&) {
            continue; // not a quiz file the receiver could use either
        }
        if (posted(other->QuizId.view()) == posted(id)) {
            sharing.push_back(it->path().filename().string());
        }
    }
    std::sort(sharing.begin(), sharing.end());
    if (!sharing.empty()) {
        std::string names;
        for (std::size_t i = 0; i < sharing.size(); ++i) {
            names += (i == 0 ? "" : ", ") + sharing[i];
        }
        problems.push_back({0,
                            "the page posts the quiz ID \"" + codePage.toUtf8(posted(id)) +
                                "\", as the page of " + names +
                                " in the same folder does: their results can't be told apart",
                            "Give each quiz in the folder its own ID (Setup)."});
    }
    return problems;
}

std::vector<QuizProblem> CheckQuiz(const TQuizRec& quiz, const std::string& quizPath,
                                   const CodePage& codePage) {
    std::vector<QuizProblem> problems;
    const std::string folder = folderOf(quizPath);
    const int count = std::clamp(quiz.QuestionCount, 0, kMaxQuestions);
    const int choices = std::clamp(quiz.ChoiceCount, 0, kMaxChoices);

    if (count == 0) {
        problems.push_back({0, "the quiz has no questions",
                            "Set the number of questions in Setup and type them in."});
    }
    if (quiz.CgiTarget.empty()) {
        problems.push_back({0, "the quiz has no CGI address: the answers are sent nowhere",
                            "Type the address of the program that receives the results in Setup."});
    }
    if (quiz.Prefs.CookieRequired == 1 && quiz.LoginAddress.empty()) {
        problems.push_back({0, "the page requires a login but the quiz has no login address",
                            "Type the home/log-in address in Setup, or turn the login off."});
    }
    checkAddress(quiz.LoginAddress.view(), "login address", true, problems);
    checkAddress(quiz.CgiTarget.view(), "CGI address", false, problems);
    checkAddress(quiz.RedirectAddress.view(), "redirect address", false, problems);
    for (QuizProblem& problem : QuizIdProblems(quiz, quizPath, codePage)) {
        problems.push_back(std::move(problem));
    }

    std::vector<std::string> missingClock;
    for (const std::string name : kWebFiles) {
        if (!fileExists(folder + name)) {
            missingClock.push_back(name);
        }
    }
    if (!missingClock.empty()) {
        std::string list;
        for (std::size_t i = 0; i < missingClock.size(); ++i) {
            list += (i == 0 ? "" : ", ") + missingClock[i];
        }
        problems.push_back({0, "the page's folder has no " + list,
                            "Run Create Html: it puts the clock files beside the page."});
    }
    if (!quiz.Prefs.BgImage.empty()) {
        const std::string address = codePage.toUtf8(quiz.Prefs.BgImage.view());
        if (const auto path = picturePath(address, quizPath); path && !fileExists(*path)) {
            problems.push_back({0,
                                "the background picture \"" + address +
                                    "\" is not where the page will look for it (" + *path + ")",
                                pictureAdvice(address, quizPath,
                                              "Copy the picture beside the quiz file, or choose "
                                              "it again in Html Options.")});
        }
    }

    for (QuizProblem& warning : PublishingWarnings(quiz)) {
        problems.push_back(std::move(warning));
    }

    for (int n = 0; n < count; ++n) {
        const TQuestionRec& q = quiz.Questions[static_cast<std::size_t>(n)];
        const int number = n + 1;
        const std::string last(1, ChoiceLetter(std::max(choices, 1) - 1));
        if (banks::TrimSpaces(q.QuestionText.view()).empty()) {
            problems.push_back(
                {number, "the question has no text", "Type the question's text and store it."});
        }
        if (q.Answer.empty()) {
            problems.push_back({number, "the question has no answer",
                                "Type the letter of the right choice (A to " + last +
                                    ") and store the question."});
        } else if (const char a = q.Answer.view()[0]; a < 'A' || a >= 'A' + choices) {
            problems.push_back(
                {number,
                 "the answer \"" + codePage.toUtf8(q.Answer.view()) +
                     "\" is not one of the choices A to " + last,
                 "Type a letter from A to " + last + ", or raise the number of choices in Setup."});
        }
        std::vector<int> empty;
        for (int k = 0; k < choices; ++k) {
            if (banks::TrimSpaces(q.choice(k).view()).empty()) {
                empty.push_back(k);
            }
        }
        if (!empty.empty()) {
            problems.push_back({number,
                                (empty.size() == 1 ? "choice " : "choices ") + letters(empty) +
                                    (empty.size() == 1 ? " is empty" : " are empty") +
                                    ": the page shows a button without a text",
                                "Type the missing choices, or lower the number of choices in "
                                "Setup."});
        }
        for (int a = 0; a < choices; ++a) {
            const std::string_view text = banks::TrimSpaces(q.choice(a).view());
            if (text.empty()) {
                continue;
            }
            std::vector<int> same = {a};
            bool seenBefore = false;
            for (int b = 0; b < choices; ++b) {
                if (b != a && banks::TrimSpaces(q.choice(b).view()) == text) {
                    if (b < a) {
                        seenBefore = true;
                    }
                    same.push_back(b);
                }
            }
            if (same.size() > 1 && !seenBefore) {
                std::sort(same.begin(), same.end());
                problems.push_back({number, "choices " + letters(same) + " are the same",
                                    "Make every choice different, so that only one can be "
                                    "right."});
            }
        }
        if (!q.PicAddress.empty()) {
            const std::string address = codePage.toUtf8(q.PicAddress.view());
            if (const auto path = picturePath(address, quizPath); path && !fileExists(*path)) {
                problems.push_back({number,
                                    "the picture \"" + address +
                                        "\" is not where the page will look for it (" + *path + ")",
                                    pictureAdvice(address, quizPath,
                                                  "Copy the picture beside the quiz file (Insert "
                                                  "Image, Save to HTML Folder), or choose it "
                                                  "again.")});
            }
        }
    }
    return problems;
}

std::vector<QuizProblem> CheckQuizFile(const std::string& path, const CodePage& codePage) {
    auto document = std::make_unique<QuizDocument>();
    document->ClearBlankQuestion();
    document->ResetQuiz();
    QuizFileExtent extent;
    ReadQuizFile(document->quiz, path, extent);
    std::vector<QuizProblem> problems;
    if (!extent.complete()) {
        problems.push_back({0, QuizFileEndWarning(extent),
                            "Open the quiz in the editor, check the questions past that point "
                            "and save it again."});
    }
    std::vector<QuizProblem> more = CheckQuiz(document->quiz, path, codePage);
    problems.insert(problems.end(), more.begin(), more.end());
    return problems;
}

} // namespace tamberlin
