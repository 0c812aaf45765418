#pragma once

#include <optional>
#include <ostream>
#include <string_view>

namespace tamberlin {

// --pdf: the quiz on paper, with its answer key and, on request, shuffled forms. Returns the
// exit status when argv[1] is --pdf, or nothing otherwise. Runs on Qt's offscreen platform, so
// it needs no display.
std::optional<int> RunPdfCommand(int argc, char** argv, std::ostream& out, std::ostream& err);

// Its lines of the usage text.
inline constexpr std::string_view kPdfUsage =
    "  --pdf QUIZ.qvt [-o FILE.pdf] [--paper a4|letter] [--key separate|end|none]\n"
    "        [--forms N] [--seed S]\n"
    "                         write the quiz as a printable PDF (QUIZ.pdf beside the quiz\n"
    "                         unless -o names it): the title, a line for the name and the\n"
    "                         date, the numbered questions with their pictures and lettered\n"
    "                         choices, \"Page N of M\" at the foot. --paper: A4, or Letter\n"
    "                         where the locale measures in US units, unless given. --key:\n"
    "                         the answer key on its own page at the end (end, the default),\n"
    "                         in FILE-key.pdf (separate), or left out (none). --forms N\n"
    "                         (1 to 26): forms A, B, C... in FILE-A.pdf, FILE-B.pdf...,\n"
    "                         form A in the quiz's order, the others with questions and\n"
    "                         choices shuffled; each key names its form. --seed S (0 to\n"
    "                         18446744073709551615) draws the same forms again; without it\n"
    "                         a seed is chosen and printed on the keys.\n";

} // namespace tamberlin
