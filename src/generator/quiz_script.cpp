#include "generator/quiz_script.h"

#include "generator/decimal_text.h"

#include <initializer_list>
#include <string_view>

namespace tamberlin {

namespace {

constexpr std::string_view kSeparator = "\r\n";

// The functions after the answer table never change; a "\r\n" entry is a separator.
constexpr std::string_view kScriptBody[] = {
    "for (x=1;x<=count;x++) yourtry[x]=\"\";",
    kSeparator,
    "function storetry(question, answer){",
    "\t\tyourtry[question] = answer;",
    "}",
    kSeparator,
    "function getscore(){",
    "var y;",
    "thisscore = 0;",
    "setCookie('save', 'false', 365);",
    "\tfor (y=1;y<=count;y++)",
    "\t{",
    "       if (yourtry[y] ==\"\")",
    "\t\t\t{",
    "\t\t\t alert(\"Please answer ALL questions\");",
    "\t\t\t return(false);",
    "\t\t\t}",
    "\t   else if (yourtry[y] == ans[y]) thisscore++;",
    "\t}",
    "\talert(\"Your Score is: \" + Math.round(thisscore/count*100)+\"%\");",
    "\tdocument.quizform.score.value = Math.round(thisscore/count*100)+\"%\";",
    "\tdocument.quizform.name.value = username;",
    "\tdocument.quizform.email.value = email;",
    "\tdocument.quizform.lapsed.value = lapsedtimestr;",
    "  if (thisscore<count)showerrors();",
    "\treturn(true);",
    "}",
    kSeparator,
    "function showerrors(){",
    "var h;",
    "var v =145+((count-thisscore)*20);",
    "h = \"top=0,left=0,width=180,\";",
    "h = h + \"height=\" + v;",
    "h = h + \",scrollbars=1\";",
    "var i;",
    "var newwin;",
    "\tnewwin = window.open(\"\", \"\", h);",
    " \tnewwin.document.write(\"<FONT size=4><B>Your Error(s)...</B><BR><BR>\");",
    "\tfor(i = 1; i<= count;i++){",
    "         \t\tif (yourtry[i] != ans[i]){",
    "\t\t\tnewwin.document.write(\"\\nQuestion: \" + i);",
    "\t\t\tnewwin.document.write(\"<BR>\");",
    "\t\t}",
    "    }",
    "\tnewwin.document.write(\"<BR><B>Have another try...</B><BR><BR></FONT>\");",
    "\tnewwin.document.write('<BUTTON onclick=\"window.close()\">Close</BUTTON>');",
    "}",
    kSeparator,
    "function refresh(){",
    "\tdocument.location.reload();",
    "\tdocument.quizform.reset();",
    "}",
    kSeparator,
    "function getCookie(NameOfCookie)",
    "{ if (document.cookie.length > 0)",
    "{ begin = document.cookie.indexOf(NameOfCookie+\"=\");",
    "if (begin != -1)",
    "{ begin += NameOfCookie.length+1;",
    "end = document.cookie.indexOf(\";\", begin);",
    "if (end == -1) end = document.cookie.length;",
    "return unescape(document.cookie.substring(begin, end)); }",
    "}",
    "return null;",
    "}",
    kSeparator,
    "function savequiz(){",
    "setCookie('quizuser',document.quizform.name.value,365);",
    "setCookie('QuizID',document.quizform.ID.value,365);",
    "setCookie('save', 'true', 365);",
    "for (x=1; x<=count;x++)\tsetCookie('q'+x, yourtry[x], 365);",
    "}",
    kSeparator,
    "function setCookie(NameOfCookie, value, expiredays){",
    "var ExpireDate = new Date ();",
    "ExpireDate.setTime(ExpireDate.getTime() + (expiredays * 24 * 3600 * 1000));",
    "document.cookie = NameOfCookie + \"=\" + escape(value) +",
    "  ((expiredays == null) ? \"\" : \"; expires=\" + ExpireDate.toGMTString());",
    "\t}",
    kSeparator,
    "function docookies(){",
    "var con;",
    "username=getCookie('username');",
    "email=getCookie('email');",
    "if (username==null) {",
    "          alert('Please log in');",
};

// After the login line of docookies.
constexpr std::string_view kScriptTail[] = {
    "\t\t}",
    "\telse {",
    "\t\tdocument.quizform.name.value = username;",
    "\tif ((getCookie('QuizID') == document.quizform.ID.value) && (getCookie('save')== 'true') "
    "&& (getCookie('quizuser') == document.quizform.name.value))",
    "\t{",
    "\t\tcon = confirm('Saved quiz found. OK to continue, Cancel to restart.');",
    "\t\tif (con) getsave();",
    "\t}",
    "\t\t}",
    "}",
    kSeparator,
    "function getsave() {",
    "var c;",
    "var found = false;",
    "var y = 0;",
    "var ch = 0;",
    "\tfor(x=1; x<=count;x++) {",
    "\t\tfound = false;",
    "\t\tc = getCookie('q'+x);",
    "\t\tyourtry[x] = c;",
    "\t\twhile(found ==false){",
    "\t\tif ((document.quizform.elements[y].value == c) && "
    "(document.quizform.elements[y].type == \"radio\"))",
    "\t\t\t{",
    "\t\t\tdocument.quizform.elements[y].checked = true;",
    "\t\t\tfound = true;",
    "\t\t\t}",
    "\t\t\ty=y+1;",
    "\t\t\tch=ch+1;",
    "\t\t}",
    "\t\ty = y + choice-ch;",
    "\t\tch=0;",
    "\t\t}",
    "}",
    kSeparator,
    "//-->",
    "</SCRIPT>",
};

} // namespace

std::string EscapeForScriptString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

namespace {

// The script block, line by line, handed to sink as the parts that make up each line.
template <typename Sink>
void emitScript(const TQuizRec& quiz, Sink&& sink) {
    // The login address goes inside two string literals; it is escaped there so that a quote
    // or a backslash in it cannot end the literal and break the whole script.
    const std::string login = EscapeForScriptString(quiz.LoginAddress.view());
    sink({"<script language=\"JavaScript\">"});
    sink({"<!--"});
    sink({"document.oncontextmenu=new Function(\"return false\");"});
    sink({kSeparator});
    sink({"function login(){"});
    sink({"\tdocument.location = \"", login, "\"; }"});
    sink({kSeparator});
    sink({"var ans = new Array;"});
    sink({"var yourtry = new Array;"});
    sink({"var thisscore = 0;"});
    sink({"var x;"});
    sink({"var secsAllowed=", DecimalText(quiz.Interval).view(), ";"});
    sink({"var count=", DecimalText(quiz.QuestionCount).view(), ";"});
    sink({"var choice=", DecimalText(quiz.ChoiceCount).view(), ";"});
    sink({"var username;"});
    sink({"var email;"});
    sink({kSeparator});
    for (int n = 1; n <= quiz.QuestionCount && n <= kMaxQuestions; ++n) {
        const auto& question = quiz.Questions[static_cast<std::size_t>(n - 1)];
        sink({"ans[", DecimalText(n).view(), "]=\"", question.Answer.view(), "\";"});
    }
    sink({kSeparator});
    for (const auto line : kScriptBody) {
        sink({line});
    }
    sink({"\t\twindow.location = \"", login, "\";"});
    for (const auto line : kScriptTail) {
        sink({line});
    }
}

} // namespace

std::vector<std::string> QuizScriptLines(const TQuizRec& quiz) {
    std::vector<std::string> lines;
    emitScript(quiz, [&lines](std::initializer_list<std::string_view> parts) {
        std::string& line = lines.emplace_back();
        for (const auto part : parts) {
            line.append(part);
        }
    });
    return lines;
}

void AppendQuizScript(const TQuizRec& quiz, std::string& out) {
    emitScript(quiz, [&out](std::initializer_list<std::string_view> parts) {
        for (const auto part : parts) {
            out.append(part);
        }
        out.append(kSeparator);
    });
}

std::size_t QuizScriptSizeBound(const TQuizRec& quiz) {
    static const std::size_t fixed = [] {
        std::size_t size = 0;
        for (const auto line : kScriptBody) {
            size += line.size() + 2;
        }
        for (const auto line : kScriptTail) {
            size += line.size() + 2;
        }
        return size;
    }();
    // The head lines, two escaped login addresses (at most twice their length each) and one
    // answer line per question.
    return fixed + 512 + 4 * quiz.LoginAddress.size() + 24 * kMaxQuestions;
}

} // namespace tamberlin
