// Loads arbitrary bytes as the content of a .bcm file. Loading must never crash; a failed
// load leaves a consistent base; a base that loads can be saved, and the
// saved file loads again with the same records.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

    TExpertSystem sys(&sink);
    if (!sys.LoadBytes(std::vector<uint8_t>(data, data + size))) {
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
    std::vector<uint8_t> saved;
    if (!sys.SaveBytes(saved)) Fail(("a loaded base cannot be saved: " + sys.LastSaveError()).c_str());
    TExpertSystem again(&sink);
    if (!again.LoadBytes(saved)) Fail("a saved base does not load again");
    if (!(CountsOf(again) == counts)) Fail("saving and loading changed the number of records");
    if (again.AccessLevel != sys.AccessLevel) Fail("saving and loading changed the access level");
    return 0;
}
