// Consultations of large generated bases: deep chains of rules, wide
// premises and many rules for one target.
#include <benchmark/benchmark.h>

#include <string>

#include "ExSystem.h"
#include "ExText.h"

namespace quorvel {
namespace {

class TSilentSink : public IMessageSink {
public:
    TMsgResult ShowMessage(TMsgKind, TMsgButtons, const std::string&) override { return TMsgResult::Ok; }
};

// "V12": built step by step, which also spares GCC 12 a false -Wrestrict alarm.
std::string Numbered(const char* prefix, int32_t number) {
    std::string name = prefix;
    name += std::to_string(number);
    return name;
}

// Every question is answered "Sim" with full confidence.
void AnswerYes(TExpertSystem& engine) {
    engine.OnPrompt = [](TExpertSystem& e, int32_t var) {
        e.Instantiate(var, std::to_string(kCodeYes), true, 1.0f);
        e.ReleaseWait();
    };
}

// V1 <- V2 <- ... <- Vn: each rule needs the next variable; only Vn is asked.
void BM_ConsultDeepChain(benchmark::State& state) {
    const auto depth = static_cast<int32_t>(state.range(0));
    TSilentSink sink;
    TExpertSystem engine(&sink);
    for (int32_t v = 1; v <= depth; ++v) engine.Vars().AddVariable(v, Numbered("V", v), false, false);
    for (int32_t r = 1; r < depth; ++r) {
        engine.Rules().AddRule(r, "r", r);
        engine.Tails().AddPremise(r, r + 1, "=", kCodeYes, 2, false);
        engine.Heads().AddConclusion(r, r, kCodeYes, 1.0f);
    }
    engine.Targets().Add(1);
    AnswerYes(engine);
    for (auto _ : state) engine.Start();
    state.SetItemsProcessed(state.iterations() * depth);
}
BENCHMARK(BM_ConsultDeepChain)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

// One rule whose premises alternate E and OU over n asked variables.
void BM_ConsultWidePremises(benchmark::State& state) {
    const auto width = static_cast<int32_t>(state.range(0));
    TSilentSink sink;
    TExpertSystem engine(&sink);
    engine.EvaluateAllPremises = true;
    engine.Vars().AddVariable(1, "Alvo", false, false);
    engine.Rules().AddRule(1, "r", 1);
    for (int32_t v = 2; v <= width + 1; ++v) {
        engine.Vars().AddVariable(v, Numbered("P", v), false, false);
        const int32_t connective = v == width + 1 ? 2 : v % 2;
        engine.Tails().AddPremise(1, v, "=", kCodeYes, connective, false);
    }
    engine.Heads().AddConclusion(1, 1, kCodeYes, 1.0f);
    engine.Targets().Add(1);
    AnswerYes(engine);
    for (auto _ : state) engine.Start();
    state.SetItemsProcessed(state.iterations() * width);
}
BENCHMARK(BM_ConsultWidePremises)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// A multivalued target concluded by n rules, each with three premises over a
// pool of 50 asked variables.
void BM_ConsultManyRules(benchmark::State& state) {
    const auto rules = static_cast<int32_t>(state.range(0));
    constexpr int32_t kPool = 50;
    TSilentSink sink;
    TExpertSystem engine(&sink);
    engine.Vars().AddVariable(1, "Alvo", true, false);
    for (int32_t v = 2; v <= kPool + 1; ++v) engine.Vars().AddVariable(v, Numbered("P", v), false, false);
    for (int32_t r = 1; r <= rules; ++r) {
        engine.Values().AddValue(r, Numbered("valor", r), 1, r);
        engine.Rules().AddRule(r, "r", r);
        for (int32_t k = 0; k < 3; ++k)
            engine.Tails().AddPremise(r, 2 + (r * 7 + k * 13) % kPool, "=", kCodeYes, k == 2 ? 2 : k % 2, false);
        engine.Heads().AddConclusion(r, 1, r, 0.9f);
    }
    engine.Targets().Add(1);
    AnswerYes(engine);
    for (auto _ : state) engine.Start();
    state.SetItemsProcessed(state.iterations() * rules);
}
BENCHMARK(BM_ConsultManyRules)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
