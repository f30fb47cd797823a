// Loads arbitrary bytes as a .bcm file. Loading must never crash; a failed
// load leaves a consistent base; a base that loads can be saved, and the
// saved file loads again with the same records.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ExSystem.h"

namespace {

using namespace quorvel;

class TSilentSink : public IMessageSink {
public:
    TMsgResult ShowMessage(TMsgKind, TMsgButtons buttons, const std::string&) override {
        return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Yes;
    }
};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "fuzz_load: %s\n", what);
    std::abort();
}

// Scratch files of this process, removed when it ends.
struct TScratch {
    // In memory when the system offers it: every Save syncs its file.
    TScratch() {
        const char* folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        const std::string stem = std::string(folder) + "/quorvel-fuzz-load-" + std::to_string(::getpid());
        input = stem + "-in.bcm";
        output = stem + "-out.bcm";
    }
    ~TScratch() {
        std::remove(input.c_str());
        std::remove(output.c_str());
    }
    std::string input;
    std::string output;
};

struct TCounts {
    int32_t vars, values, heads, tails, rules, formulas, questions, targets, contexts;
    std::size_t openingLines;
    bool operator==(const TCounts&) const = default;
};

TCounts CountsOf(TExpertSystem& sys) {
    return {sys.Vars().Count(),         sys.Values().Count(),   sys.Heads().Count(),     sys.Tails().Count(),
            sys.Rules().Count(),        sys.Formulas().Count(), sys.Questions().Count(), sys.Targets().Count(),
            sys.HelpContexts().Count(), sys.OpeningText.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static TSilentSink sink;
    static TScratch scratch;

    std::FILE* file = std::fopen(scratch.input.c_str(), "wb");
    if (file == nullptr) Fail("cannot write the input file");
    if (size > 0 && std::fwrite(data, 1, size, file) != size) Fail("cannot write the input file");
    std::fclose(file);

    TExpertSystem sys(&sink);
    if (!sys.Load(scratch.input)) {
        switch (sys.LastLoadStatus()) {
            case TLoadStatus::NotABase:
            case TLoadStatus::NewerVersion:
                if (sys.AccessLevel != kAccessNotABase) Fail("a foreign file must give access level -1");
                break;
            case TLoadStatus::Damaged:
            case TLoadStatus::Refused:
                if (sys.AccessLevel != (sys.LastLoadStatus() == TLoadStatus::Damaged ? kAccessDamaged : kAccessRefused))
                    Fail("the access level does not tell why the load failed");
                if (sys.Vars().Count() != 0 || sys.Tails().Count() != 0 || sys.BaseName != "SEM NOME")
                    Fail("a failed load left records behind");
                break;
            default:
                Fail("a failed load reported an unexpected status");
        }
        return 0;
    }
    if (sys.AccessLevel < 1) Fail("a successful load gave no access");

    const TCounts counts = CountsOf(sys);
    if (!sys.Save(scratch.output)) Fail(("a loaded base cannot be saved: " + sys.LastSaveError()).c_str());
    TExpertSystem again(&sink);
    if (!again.Load(scratch.output)) Fail("a saved base does not load again");
    if (!(CountsOf(again) == counts)) Fail("saving and loading changed the number of records");
    if (again.AccessLevel != sys.AccessLevel) Fail("saving and loading changed the access level");
    return 0;
}
