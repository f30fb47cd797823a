// Evaluates arbitrary text as a formula. Only the engine's own exceptions may
// leave EvaluateFormula, and a value is always finite and within the range
// the final truncation allows.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ExFormula.h"

namespace {

using namespace quorvel;

// Knows a few variables: numbers, an unknown one, one whose derivation
// evaluates another formula, and one whose name needs quotes.
class TFuzzHost : public IFormulaHost {
public:
    float Cnf1() override { return 0.8f; }
    float Cnf2() override { return 0.35f; }
    bool VariableValue(std::string_view name, long double& value, bool& unknown) override {
        if (name == "X") {
            value = 2.5L;
        } else if (name == "Y") {
            unknown = true;
        } else if (name == "ZERO") {
            value = 0.0L;
        } else if (name == "BIG") {
            value = 1e300L;  // does not fit single precision
        } else if (name == "PRESS\xC3O ARTERIAL") {
            value = 120.0L;
        } else if (name == "N") {
            if (depth_ > 3) {
                unknown = true;
                return true;
            }
            ++depth_;
            const TFormulaResult nested = EvaluateFormula("X * 2 + N", *this);
            --depth_;
            value = nested.Value;
            unknown = nested.Unknown;
        } else {
            return false;
        }
        return true;
    }

private:
    int depth_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TFuzzHost host;
    try {
        const TFormulaResult result = EvaluateFormula(text, host);
        if (!std::isfinite(result.Value) || std::fabs(result.Value) > 21474837.0f) std::abort();
    } catch (const EExpertSystem& e) {
        if (std::string_view(e.what()).empty()) std::abort();
    }
    return 0;
}
