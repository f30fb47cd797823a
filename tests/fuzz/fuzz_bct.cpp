// Reads arbitrary bytes as the text of a knowledge base (.bct). Reading must
// never crash; a text with errors leaves the base untouched and names a
// line and a column for every error; a text that reads gives a base whose
// own text reads back to the same file bytes and to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "ExBaseText.h"
#include "ExSystem.h"

namespace {

using namespace quorvel;

class TSilentSink : public IMessageSink {
public:
    TMsgResult ShowMessage(TMsgKind, TMsgButtons buttons, const std::string&) override {
        return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Yes;
    }
};

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "fuzz_bct: %s\n", what.c_str());
    std::abort();
}

std::vector<uint8_t> Bytes(TExpertSystem& base) {
    std::vector<uint8_t> bytes;
    if (!base.SaveBytes(bytes)) Fail("a base read from text cannot be saved: " + base.LastSaveError());
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static TSilentSink sink;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    TExpertSystem base(&sink);
    base.BaseName = "intacta";
    std::vector<TBaseTextError> errors;
    if (!ReadBaseText(text, base, errors)) {
        if (errors.empty()) Fail("a refused text gave no error");
        for (const TBaseTextError& error : errors)
            if (error.Line < 1 || error.Column < 1 || error.Message.empty()) Fail("an error without its place");
        if (base.BaseName != "intacta") Fail("a refused text changed the base");
        return 0;
    }

    const std::string written = WriteBaseText(base, {true});
    TExpertSystem again(&sink);
    std::vector<TBaseTextError> againErrors;
    if (!ReadBaseText(written, again, againErrors))
        Fail("the written text does not read back: " + againErrors.front().Message);
    if (Bytes(again) != Bytes(base)) Fail("the written text gives other bytes");
    if (WriteBaseText(again, {true}) != written) Fail("the written text is not canonical");
    return 0;
}
