// Feeds arbitrary bytes to the quiz file reader: it must refuse or accept them without reading
// outside its buffers, and an accepted file must write back to the bytes it was read from.
#include "document/quiz_file.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto doc = std::make_unique<tamberlin::QuizDocument>();
    doc->ClearBlankQuestion();
    doc->ResetQuiz();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (tamberlin::DeserializeQuiz(bytes, doc->quiz)) {
        const std::string written = tamberlin::SerializeQuiz(doc->quiz);
        if (size >= written.size() && bytes.substr(0, written.size()) != written) {
            std::abort();
        }
    }
    return 0;
}
