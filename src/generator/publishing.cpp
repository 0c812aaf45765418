#include "generator/publishing.h"

#include "generator/page_look.h"

namespace tamberlin {

PageInputs PreparePageInputs(TQuizRec& quiz) {
    PageLook look = DerivePageLook(quiz.Prefs);
    quiz.Prefs = look.prefs;
    return std::move(look.inputs);
}

} // namespace tamberlin
