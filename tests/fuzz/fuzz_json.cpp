// Reads arbitrary bytes as the JSON document of `quorvel-cli build`. Reading
// must never crash nor abort; a document without problems gives a base that
// saves, and whose own document is read back without problems.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "CliCommon.h"
#include "KbJson.h"

namespace {

using namespace quorvel;
using namespace quorvel::cli;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_json: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<TKbProblem> problems;
    const TJson document = ParseKbJson(text, problems);
    if (!problems.empty()) {
        if (!document.is_null()) Fail("a refused text gave a document");
        return 0;
    }
    TCollectingSink sink;
    TExpertSystem base(&sink);
    if (!JsonToBase(document, base, problems)) {
        if (problems.empty()) Fail("a refused document named no problem");
        return 0;
    }
    std::vector<uint8_t> bytes;
    if (!base.SaveBytes(bytes)) Fail("an accepted document gave a base that cannot be saved");
    std::vector<TKbProblem> again;
    TExpertSystem rebuilt(&sink);
    if (!JsonToBase(ParseKbJson(JsonText(BaseToJson(base)), again), rebuilt, again))
        Fail("the document of an accepted base is refused");
    return 0;
}
