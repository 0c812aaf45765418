#include "print/paper_forms.h"

#include <algorithm>
#include <numeric>
#include <random>
#include <utility>

namespace tamberlin {

namespace {

// std::mt19937_64's sequence is fixed by the C++ standard, but the standard distributions are
// not: the draws below are our own, so that a seed gives the same forms with every library.
class Draw {
public:
    explicit Draw(std::uint64_t seed) : engine_(seed) {}

    // A number in 0..n-1, every value equally likely.
    std::uint64_t below(std::uint64_t n) {
        const std::uint64_t rejected = (0 - n) % n; // 2^64 mod n
        std::uint64_t x = 0;
        do {
            x = engine_();
        } while (x < rejected);
        return x % n;
    }

    void shuffle(std::vector<int>& items) {
        for (std::size_t i = items.size(); i > 1; --i) {
            std::swap(items[i - 1], items[below(i)]);
        }
    }

private:
    std::mt19937_64 engine_;
};

std::vector<int> identity(int n) {
    std::vector<int> order(static_cast<std::size_t>(std::max(n, 0)));
    std::iota(order.begin(), order.end(), 0);
    return order;
}

// n! when it is at most limit, limit + 1 otherwise.
int orderCount(int n, int limit) {
    int count = 1;
    for (int k = 2; k <= n && count <= limit; ++k) {
        count *= k;
    }
    return std::min(count, limit + 1);
}

} // namespace

std::vector<PaperForm> DrawPaperForms(int questionCount, int choiceCount, int formCount,
                                      std::uint64_t seed) {
    formCount = std::clamp(formCount, 1, kMaxForms);
    Draw draw(seed);
    std::vector<PaperForm> forms;
    const int distinctOrders = orderCount(questionCount, kMaxForms);
    for (int f = 0; f < formCount; ++f) {
        PaperForm form;
        form.index = f;
        form.questions = identity(questionCount);
        form.choices.assign(form.questions.size(), identity(choiceCount));
        if (f > 0) {
            const bool canDiffer = f < distinctOrders;
            auto repeats = [&forms](const std::vector<int>& order) {
                return std::any_of(forms.begin(), forms.end(), [&order](const PaperForm& earlier) {
                    return earlier.questions == order;
                });
            };
            do {
                draw.shuffle(form.questions);
            } while (canDiffer && repeats(form.questions));
            for (auto& choices : form.choices) {
                draw.shuffle(choices);
            }
        }
        forms.push_back(std::move(form));
    }
    return forms;
}

} // namespace tamberlin
