// Formulas are parsed on every use and rules are decided premise by premise,
// so both sit on the consultation's hot path.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "ExCnf.h"
#include "ExFormula.h"
#include "ExSystem.h"

namespace {

using namespace quorvel;

class TBenchHost : public IFormulaHost {
public:
    float cnf1 = 0.0f;
    float cnf2 = 0.0f;
    float Cnf1() override { return cnf1; }
    float Cnf2() override { return cnf2; }
    bool VariableValue(std::string_view, long double& value, bool&) override {
        value = 37.5L;
        return true;
    }
};

void BM_FormulaArithmetic(benchmark::State& state) {
    TBenchHost host;
    for (auto _ : state) benchmark::DoNotOptimize(EvaluateFormula("2*(3+MAX(1,SQR(16),7/3))-LOG(9,3)", host));
}
BENCHMARK(BM_FormulaArithmetic);

void BM_FormulaWithVariables(benchmark::State& state) {
    TBenchHost host;
    for (auto _ : state)
        benchmark::DoNotOptimize(EvaluateFormula("(\"temperatura corporal\" - 36.5) * PESO / 100 + CNF1", host));
}
BENCHMARK(BM_FormulaWithVariables);

// A rule of n premises alternating E and OU, every premise evaluated.
void BM_RulePremises(benchmark::State& state, bool customFormulas) {
    TBenchHost host;
    bool lastUnknown = false;
    TCnfFormula andFormula;
    TCnfFormula orFormula;
    TCnfFormula conclusionFormula;
    if (customFormulas) {
        andFormula = {"MIN(CNF1, CNF2)", false};
        orFormula = {"MAX(CNF1, CNF2)", false};
    }
    float minimumCnf = 0.5f;
    int16_t precedence = 0;
    TCnfCalculus calculus(host, host.cnf1, host.cnf2, lastUnknown, andFormula, orFormula, conclusionFormula, minimumCnf,
                          precedence);
    const auto n = static_cast<std::size_t>(state.range(0));
    std::vector<int32_t> connectives(n, kConnectiveAnd);
    for (std::size_t i = 1; i < n; i += 2) connectives[i] = kConnectiveOr;
    connectives.back() = kConnectiveThen;
    for (auto _ : state) {
        const TRuleOutcome outcome = EvaluateRulePremises(
            connectives, calculus, false, [](int premise) { return premise % 2 ? 0.55f : 0.45f; },
            [] { return false; });
        benchmark::DoNotOptimize(outcome);
    }
}
BENCHMARK_CAPTURE(BM_RulePremises, builtin, false)->Arg(2)->Arg(8)->Arg(32);
BENCHMARK_CAPTURE(BM_RulePremises, custom, true)->Arg(2)->Arg(8)->Arg(32);

}  // namespace
