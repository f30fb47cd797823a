// Reads arbitrary bytes as an answers file of `quorvel-cli consult`. Reading
// must never crash; a refusal says why; every answer kept is one line's.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CmdConsult.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_answers: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string reason;
    const auto answers = quorvel::cli::ParseAnswers(text, reason);
    if (!answers) {
        if (reason.empty()) Fail("a refused file named no reason");
        return 0;
    }
    for (const auto& [name, answer] : *answers) {
        if (name.empty()) Fail("an answer without a variable name");
        if (answer.Line < 1) Fail("an answer without its line");
    }
    return 0;
}
