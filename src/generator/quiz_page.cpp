#include "generator/quiz_page.h"

#include "document/errors.h"
#include "generator/decimal_text.h"
#include "generator/html_rules.h"
#include "generator/page_files.h"
#include "generator/quiz_script.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tamberlin {

namespace {

constexpr std::size_t kEscapedTextCapacity = 255;
constexpr std::string_view kCrLf = "\r\n";

static_assert(std::endian::native == std::endian::little,
              "the first matching byte of a word is found from its lowest bits");

// A mask with the top bit set in the bytes of word that equal byte. Only the lowest set bit is
// exact (the borrow of the subtraction can mark a byte above a match), which is all the
// callers use: it tells where the first match is.
constexpr std::uint64_t byteMatches(std::uint64_t word, unsigned char byte) {
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    const std::uint64_t v = word ^ (ones * byte);
    return (v - ones) & ~v & (ones << 7);
}

std::uint64_t load8(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// Appends the page form of text (see EscapeForHtml). Plain bytes go eight at a time into a
// buffer on the stack, which is appended in one piece.
void appendEscapedForHtml(std::string& out, std::string_view text) {
    // A step writes at most eight bytes, and starts only below the capacity.
    char buffer[kEscapedTextCapacity + 8];
    char* const first = buffer;
    char* const limit = first + kEscapedTextCapacity;
    char* d = first;
    // Every byte gives at least one, so only the first 255 can reach the page.
    const char* p = text.data();
    const char* const end = p + std::min(text.size(), kEscapedTextCapacity);
    while (p < end && d < limit) {
        if (end - p >= 8) {
            const std::uint64_t word = load8(p);
            const std::uint64_t special =
                byteMatches(word, '<') | byteMatches(word, '>') | byteMatches(word, '\r');
            // The plain bytes before the first special one (all eight when there is none).
            const std::size_t plain =
                special == 0 ? 8 : static_cast<std::size_t>(std::countr_zero(special)) / 8;
            std::memcpy(d, p, 8);
            p += plain;
            d += plain;
            if (plain == 8 || d >= limit) {
                continue;
            }
        }
        const char c = *p++;
        switch (c) {
        case '>':
            std::memcpy(d, "&gt;", 4);
            d += 4;
            break;
        case '<':
            std::memcpy(d, "&lt;", 4);
            d += 4;
            break;
        case '\r':
            std::memcpy(d, "<BR>", 4);
            d += 4;
            break;
        default:
            *d++ = c;
        }
    }
    out.append(first, std::min(static_cast<std::size_t>(d - first), kEscapedTextCapacity));
}

void appendWithoutLineBreaks(std::string& out, std::string_view text) {
    // A counted string at most; a longer text goes in pieces of that size.
    constexpr std::size_t piece = 256;
    while (text.size() > piece) {
        appendWithoutLineBreaks(out, text.substr(0, piece));
        text.remove_prefix(piece);
    }
    char buffer[piece + 8];
    char* const first = buffer;
    char* d = first;
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        if (end - p >= 8) {
            const std::uint64_t word = load8(p);
            const std::uint64_t breaks = byteMatches(word, '\r') | byteMatches(word, '\n');
            const std::size_t plain =
                breaks == 0 ? 8 : static_cast<std::size_t>(std::countr_zero(breaks)) / 8;
            std::memcpy(d, p, 8);
            p += plain;
            d += plain;
            if (plain == 8) {
                continue;
            }
            ++p; // the line break
            continue;
        }
        const char c = *p++;
        if (c != '\r' && c != '\n') {
            *d++ = c;
        }
    }
    out.append(first, static_cast<std::size_t>(d - first));
}

// A question or choice text as the page shows it, and a question text as the listing holds it.
struct Escaped {
    std::string_view text;
};
struct Unbroken {
    std::string_view text;
};

// The page and the listing are lists of lines; each is followed by CR LF in the file, whatever
// it holds itself (a separator is the line "\r\n", a font tag ends with its own CR LF). The
// parts of a line are appended straight to the file text.
class LineWriter {
public:
    explicit LineWriter(std::string& text) : text_(text) {}
    template <typename... Parts>
    void add(const Parts&... parts) {
        (append(parts), ...);
        text_.append(kCrLf);
    }
    void separator() { add(kCrLf); }

private:
    void append(std::string_view part) { text_.append(part); }
    void append(const DecimalText& number) { text_.append(number.view()); }
    void append(Escaped part) { appendEscapedForHtml(text_, part.text); }
    void append(Unbroken part) { appendWithoutLineBreaks(text_, part.text); }

    std::string& text_;
};

// Room for the page and the listing of the quiz, so that each is built in one allocation.
std::size_t pageSizeBound(const TQuizRec& quiz, const PageInputs& inputs, int questionCount,
                          int choiceCount) {
    const THtmlPrefs& prefs = quiz.Prefs;
    const std::size_t choiceLine = 96 + kEscapedTextCapacity + prefs.ChoiceFontTag.size() + 16;
    const std::size_t block = 128 + quiz.Questions[0].PicAddress.capacity + 48 +
                              prefs.QuestionFontTag.size() + 16 + kEscapedTextCapacity + 64 +
                              static_cast<std::size_t>(choiceCount) * choiceLine;
    return 4096 + QuizScriptSizeBound(quiz) + 2 * quiz.Title.size() + prefs.Author.size() +
           quiz.CgiTarget.size() + quiz.RedirectAddress.size() + quiz.QuizId.size() +
           inputs.bodyAttributes.size() + prefs.TitleFontTag.size() +
           static_cast<std::size_t>(questionCount) * block;
}

std::size_t listingSizeBound(const TQuizRec& quiz, int questionCount, int choiceCount) {
    const std::size_t question =
        8 + 256 + 256 +
        static_cast<std::size_t>(choiceCount) * (quiz.Questions[0].ChoiceA.capacity + 2);
    return 128 + quiz.Title.size() + static_cast<std::size_t>(questionCount) * (question + 4);
}

void appendQuestionBlock(LineWriter& page, LineWriter& listing, const TQuizRec& quiz,
                         const PageInputs& inputs, int n, int choiceCount, bool last) {
    const TQuestionRec& question = quiz.Questions[static_cast<std::size_t>(n - 1)];
    const DecimalText number(n);
    const THtmlPrefs& prefs = quiz.Prefs;

    page.add("<P align=\"", AlignmentWord(prefs.Alignment), "\">");
    if (!question.PicAddress.empty()) {
        page.add("<IMG SRC=\"", question.PicAddress.view(), "\" BORDER=0 ><BR><BR>");
        listing.add("[IMG]", question.PicAddress.view());
    }
    if (inputs.questionFontOn) {
        page.add(prefs.QuestionFontTag.view());
    }
    page.add("<B> Question ", number, ":  ", Escaped{question.QuestionText.view()}, "</B><BR><BR>");
    listing.add(Unbroken{question.QuestionText.view()});
    if (inputs.questionFontOn) {
        page.add("</FONT>");
    }
    for (int k = 0; k < choiceCount; ++k) {
        const char letters[2] = {static_cast<char>('a' + k), ChoiceLetter(k)};
        const auto& text = question.choice(k);
        if (inputs.choiceFontOn) {
            page.add(prefs.ChoiceFontTag.view());
        }
        page.add(std::string_view(letters, 1),
                 ": <input type=radio value=", std::string_view(letters + 1, 1), " name=q", number,
                 " onclick=\"storetry(", number, ", this.value)\">", Escaped{text.view()}, "<BR>");
        listing.add(text.view());
        if (inputs.choiceFontOn) {
            page.add("</FONT>");
        }
    }
    page.add(last ? "<BR><BR>" : "<BR><BR><HR width=\"50%\"><BR>");
    page.add("</p>");
}

} // namespace

std::string EscapeForHtml(std::string_view text) {
    std::string out;
    out.reserve(kEscapedTextCapacity);
    appendEscapedForHtml(out, text);
    return out;
}

std::string StripLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendWithoutLineBreaks(out, text);
    return out;
}

QuizPageText BuildQuizPage(const TQuizRec& quiz, const PageInputs& inputs) {
    const THtmlPrefs& prefs = quiz.Prefs;
    // Only the slots and choices a quiz can have are looked at, whatever the counts say.
    const int questionCount = std::clamp(quiz.QuestionCount, 0, kMaxQuestions);
    const int choiceCount = std::clamp(quiz.ChoiceCount, 0, kMaxChoices);

    QuizPageText text;
    text.page.reserve(pageSizeBound(quiz, inputs, questionCount, choiceCount));
    text.listing.reserve(listingSizeBound(quiz, questionCount, choiceCount));
    LineWriter page(text.page);
    LineWriter listing(text.listing);
    listing.add(quiz.Title.view());

    page.add("<HTML>");
    page.add("<HEAD>");
    page.add("<TITLE>", quiz.Title.view(), "</TITLE>");
    page.add("<META NAME=\"Author\" CONTENT=\"", prefs.Author.view(), "\">");
    page.add("<script language=\"JavaScript\" src=\"clock.js\">");
    page.separator();
    page.add("</script>");
    page.separator();

    listing.add(DecimalText(quiz.QuestionCount));
    listing.add(DecimalText(quiz.ChoiceCount));
    for (int n = 1; n <= questionCount; ++n) {
        listing.add(quiz.Questions[static_cast<std::size_t>(n - 1)].Answer.view());
    }
    AppendQuizScript(quiz, text.page);

    page.add("</HEAD>");
    const std::string_view onload = prefs.CookieRequired == 1
                                        ? "docookies();startclock(); checkLocation()"
                                        : "startclock(); checkLocation()";
    page.add("<BODY onload=\"", onload, "\" onUnload=\"refresh()\" ", inputs.bodyAttributes, " >");
    page.separator();
    page.add("<DIV ID=\"object1\"");
    page.add("STYLE=\"position:relative; visibility:show;\"");
    page.add("left:85%; top:0px; z-index:2\">");
    page.add("<TABLE BORDER=\"4\" BGCOLOR=\"#000000\" CELLPADDING=\"0\" CELLSPACING=\"0\">");
    page.add("<TR><TD VALIGN=\"top\" ALIGN=\"left\" ><img src=\"0fdg.gif\" name=min ><img "
             "src=\"0fdg.gif\" name=minu><img src=\"cfdg.gif\" name=gap ><img src=\"0fdg.gif\" "
             "name=sec ><img src=\"0fdg.gif\"  name=secu ></TD></TR>");
    page.add("</TABLE>");
    page.add("</DIV>");
    page.separator();
    page.add("<H1 ALIGN=CENTER>");
    if (inputs.titleFontOn) {
        page.add(prefs.TitleFontTag.view());
    }
    page.add(quiz.Title.view());
    if (inputs.titleFontOn) {
        page.add("</FONT>");
    }
    page.add("</H1>");
    page.add("<HR>");
    page.add("<FORM NAME=quizform method=\"POST\" action=\"", quiz.CgiTarget.view(),
             "\" onSubmit=\"return getscore()\">");
    for (int n = 1; n <= questionCount; ++n) {
        appendQuestionBlock(page, listing, quiz, inputs, n, choiceCount, n == questionCount);
    }
    page.add("<HR>");
    page.add("<BR>");
    if (!quiz.LoginAddress.empty()) {
        page.add("<FONT size=+1>If you are not&nbsp;&nbsp;");
        page.add("<A NAME=\"stayput\"></A>");
        page.add("<input type=text size=30 value=\"\" name=\"name\">&nbsp;&nbsp;&nbsp;please "
                 "click <A HREF=\"#stayput\" onClick=\"login()\">here</A>.<BR><BR></Font>");
    }
    page.add("<FONT size=+1>Your Score: &nbsp;&nbsp;<font>");
    page.add("<input type=hidden name=\"email\" value=\"\">");
    page.add("<input type=hidden name=\"URL\" value=\"", quiz.RedirectAddress.view(), "\">");
    page.add("<input type=hidden name=ID value=", quiz.QuizId.view(), ">");
    page.add("<input type=hidden name=\"lapsed\" value=\"\">");
    page.add("<input type=text size=5 value=\"N/A\" name=score><BR><BR>");
    page.add("<input type=submit value=\"Check Score\" >&nbsp;&nbsp;");
    page.add("<input type=reset value=Clear&nbsp;All onClick=\"refresh()\">&nbsp;&nbsp;");
    page.add("<input type=button value=\" Close This Window \" onclick=\"self.close()\">");
    page.add("</FORM>");
    page.add("<HR>");
    page.add("</BODY>");
    page.add("</HTML>");

    listing.add(DecimalText(quiz.Interval));
    return text;
}

void WriteQuizPage(const TQuizRec& quiz, const std::string& pagePath, const PageInputs& inputs,
                   std::string& pageBuffer, PublishBatch* batch) {
    QuizPageText text = BuildQuizPage(quiz, inputs);
    pageBuffer = std::move(text.page);
    const std::string listingPath = ReplaceExtension(pagePath, ".qdt");
    const PairWriteResult written =
        WriteFilePair({pagePath, pageBuffer}, {listingPath, text.listing}, batch);
    if (written.err != 0) {
        throw EFCreateError(written.failed == 0 ? pagePath : listingPath, written.err);
    }
}

std::string WriteQuizPage(const TQuizRec& quiz, const std::string& pagePath,
                          const PageInputs& inputs) {
    std::string pageBuffer;
    WriteQuizPage(quiz, pagePath, inputs, pageBuffer);
    return pageBuffer;
}

std::string PagePathFor(const std::string& quizPath) {
    return ReplaceExtension(quizPath, ".htm");
}

PublishResult PublishQuiz(const TQuizRec& quiz, const PageInputs& inputs,
                          const std::string& quizPath, PublishBatch* batch) {
    PublishResult result;
    result.pagePath = PagePathFor(quizPath);
    try {
        WriteQuizPage(quiz, result.pagePath, inputs, result.page, batch);
    } catch (const EFCreateError& error) {
        result.error = error;
    }
    return result;
}

} // namespace tamberlin
