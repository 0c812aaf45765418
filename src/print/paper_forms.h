#pragma once

#include <cstdint>
#include <vector>

namespace tamberlin {

// The most forms one printing makes: A to Z.
inline constexpr int kMaxForms = 26;

// One form of a paper exam: the order in which the quiz's questions are printed and, for each
// printed question, the order of its choices. Indexes are the quiz's own (question 0 is the first
// slot, choice 0 is A).
struct PaperForm {
    int index = 0; // 0 for form A
    std::vector<int> questions;
    std::vector<std::vector<int>> choices; // choices[p]: the choices of the p-th printed question

    char letter() const { return static_cast<char>('A' + index); }
};

// The forms of a quiz with questionCount questions of choiceCount choices. Form A keeps the
// quiz's own order; every later form has its questions and each question's choices shuffled by
// a generator seeded with seed, so that the same seed always gives the same forms. A later form
// never repeats the question order of an earlier one while other orders remain.
std::vector<PaperForm> DrawPaperForms(int questionCount, int choiceCount, int formCount,
                                      std::uint64_t seed);

} // namespace tamberlin
