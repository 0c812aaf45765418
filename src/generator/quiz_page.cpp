#include "generator/quiz_page.h"

#include "document/errors.h"
#include "document/file_io.h"
#include "generator/quiz_script.h"

#include <algorithm>
#include <vector>

namespace tamberlin {

namespace {

constexpr std::size_t kEscapedTextCapacity = 255;
constexpr std::string_view kCrLf = "\r\n";

// The page is a list of lines; each is followed by CR LF in the file, whatever it holds itself
// (a separator is the line "\r\n", a font tag ends with its own CR LF).
class LineBuffer {
public:
    void add(std::string_view line) {
        text_.append(line);
        text_.append(kCrLf);
    }
    void separator() { add(kCrLf); }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
};

void appendQuestionBlock(LineBuffer& page, LineBuffer& listing, const TQuizRec& quiz,
                         const PageInputs& inputs, int n, int choiceCount, bool last) {
    const TQuestionRec& question = quiz.Questions[static_cast<std::size_t>(n - 1)];
    const std::string number = std::to_string(n);
    const THtmlPrefs& prefs = quiz.Prefs;

    page.add("<P align=\"" + std::string(AlignmentWord(prefs.Alignment)) + "\">");
    if (!question.PicAddress.empty()) {
        page.add("<IMG SRC=\"" + question.PicAddress.str() + "\" BORDER=0 ><BR><BR>");
        listing.add("[IMG]" + question.PicAddress.str());
    }
    if (inputs.questionFontOn) {
        page.add(prefs.QuestionFontTag.view());
    }
    page.add("<B> Question " + number + ":  " + EscapeForHtml(question.QuestionText.view()) +
             "</B><BR><BR>");
    listing.add(StripLineBreaks(question.QuestionText.view()));
    if (inputs.questionFontOn) {
        page.add("</FONT>");
    }
    for (int k = 0; k < choiceCount; ++k) {
        const char small = static_cast<char>('a' + k);
        const auto& text = question.choice(k);
        if (inputs.choiceFontOn) {
            page.add(prefs.ChoiceFontTag.view());
        }
        page.add(std::string(1, small) + ": <input type=radio value=" + ChoiceLetter(k) +
                 " name=q" + number + " onclick=\"storetry(" + number + ", this.value)\">" +
                 EscapeForHtml(text.view()) + "<BR>");
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
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '>':
            out += "&gt;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '\r':
            out += "<BR>";
            break;
        default:
            out += c;
        }
    }
    if (out.size() > kEscapedTextCapacity) {
        out.resize(kEscapedTextCapacity);
    }
    return out;
}

std::string StripLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::copy_if(text.begin(), text.end(), std::back_inserter(out),
                 [](char c) { return c != '\r' && c != '\n'; });
    return out;
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    const std::size_t nameStart = path.find_last_of("/\\:");
    const std::size_t dot = path.rfind('.');
    const bool dotInName =
        dot != std::string_view::npos && (nameStart == std::string_view::npos || dot > nameStart);
    std::string result(dotInName ? path.substr(0, dot) : path);
    result += extension;
    return result;
}

QuizPageText BuildQuizPage(const TQuizRec& quiz, const PageInputs& inputs) {
    const THtmlPrefs& prefs = quiz.Prefs;
    // Only the slots and choices a quiz can have are looked at, whatever the counts say.
    const int questionCount = std::clamp(quiz.QuestionCount, 0, kMaxQuestions);
    const int choiceCount = std::clamp(quiz.ChoiceCount, 0, kMaxChoices);

    LineBuffer page;
    LineBuffer listing;
    listing.add(quiz.Title.view());

    page.add("<HTML>");
    page.add("<HEAD>");
    page.add("<TITLE>" + quiz.Title.str() + "</TITLE>");
    page.add("<META NAME=\"Author\" CONTENT=\"" + prefs.Author.str() + "\">");
    page.add("<script language=\"JavaScript\" src=\"clock.js\">");
    page.separator();
    page.add("</script>");
    page.separator();

    listing.add(std::to_string(quiz.QuestionCount));
    listing.add(std::to_string(quiz.ChoiceCount));
    for (int n = 1; n <= questionCount; ++n) {
        listing.add(quiz.Questions[static_cast<std::size_t>(n - 1)].Answer.view());
    }
    for (const auto& line : QuizScriptLines(quiz)) {
        page.add(line);
    }

    page.add("</HEAD>");
    const std::string_view onload = prefs.CookieRequired == 1
                                        ? "docookies();startclock(); checkLocation()"
                                        : "startclock(); checkLocation()";
    page.add("<BODY onload=\"" + std::string(onload) + "\" onUnload=\"refresh()\" " +
             inputs.bodyAttributes + " >");
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
    page.add("<FORM NAME=quizform method=\"POST\" action=\"" + quiz.CgiTarget.str() +
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
    page.add("<input type=hidden name=\"URL\" value=\"" + quiz.RedirectAddress.str() + "\">");
    page.add("<input type=hidden name=ID value=" + quiz.QuizId.str() + ">");
    page.add("<input type=hidden name=\"lapsed\" value=\"\">");
    page.add("<input type=text size=5 value=\"N/A\" name=score><BR><BR>");
    page.add("<input type=submit value=\"Check Score\" >&nbsp;&nbsp;");
    page.add("<input type=reset value=Clear&nbsp;All onClick=\"refresh()\">&nbsp;&nbsp;");
    page.add("<input type=button value=\" Close This Window \" onclick=\"self.close()\">");
    page.add("</FORM>");
    page.add("<HR>");
    page.add("</BODY>");
    page.add("</HTML>");

    listing.add(std::to_string(quiz.Interval));
    return {page.take(), listing.take()};
}

void WriteQuizPage(const TQuizRec& quiz, const std::string& pagePath, const PageInputs& inputs,
                   std::string& pageBuffer) {
    QuizPageText text = BuildQuizPage(quiz, inputs);
    pageBuffer = std::move(text.page);
    if (const int err = WriteFileAtomically(pagePath, pageBuffer); err != 0) {
        throw EFCreateError(pagePath, err);
    }
    const std::string listingPath = ReplaceExtension(pagePath, ".qdt");
    if (const int err = WriteFileAtomically(listingPath, text.listing); err != 0) {
        throw EFCreateError(listingPath, err);
    }
}

std::string WriteQuizPage(const TQuizRec& quiz, const std::string& pagePath,
                          const PageInputs& inputs) {
    std::string pageBuffer;
    WriteQuizPage(quiz, pagePath, inputs, pageBuffer);
    return pageBuffer;
}

std::string WriteQuizPage(const TQuizRec& quiz, const std::string& pagePath,
                          const std::string& bodyAttributes, bool titleFontOn, bool questionFontOn,
                          bool choiceFontOn) {
    return WriteQuizPage(quiz, pagePath,
                         PageInputs{bodyAttributes, titleFontOn, questionFontOn, choiceFontOn});
}

} // namespace tamberlin
