// Random knowledge bases built through the engine as the editors would, in
// any insertion order, with every byte in their texts, gaps in their codes
// and awkward numbers: the input of the round-trip tests of the base's text
// forms.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "ExNames.h"
#include "ExSystem.h"
#include "ExText.h"

namespace quorvel::test {

// Texts hold any byte; names of variables hold no double quote (the
// editors refuse it).
class RandomBase {
public:
    explicit RandomBase(uint32_t seed) : rng_(seed) {}

    void Fill(TExpertSystem& base) {
        base.ClearBase();
        base.Version = Chance(0.5) ? "1.0" : "1.1";
        base.BaseName = Text(0, 255);
        base.Authors = Text(0, 255);
        for (int n = Int(0, 3); n > 0; --n) base.OpeningText.push_back(Text(0, 255));
        base.HelpFile = Text(0, 40);
        base.ShowOpening = Chance(0.5);
        for (TCnfFormula* formula : {&base.AndFormula, &base.OrFormula, &base.ConclusionFormula})
            *formula = {Text(0, 60), Chance(0.5)};
        base.Precedence = static_cast<int16_t>(Int(0, 1));
        base.MinimumCnf = Chance(0.3) ? 1.0f : std::uniform_real_distribution<float>(0.0f, 1.0f)(rng_);
        base.EvaluateAllPremises = Chance(0.5);
        if (Chance(0.5)) {
            password_ = Text(1, 8);
            base.PasswordBlock = {ScrambleText(password_), static_cast<int16_t>(Pick<int>({0, 2, 3})), true};
        } else {
            base.PasswordBlock = {Chance(0.5) ? ScrambleText(Text(1, 8)) : "", static_cast<int16_t>(Int(0, 3)), false};
        }

        struct Var {
            int32_t code;
            bool numeric;
            std::vector<int32_t> values;
        };
        std::vector<Var> vars;
        for (int32_t code : Codes(Int(1, 12))) {
            const bool numeric = Chance(0.25);
            const bool multivalued = !numeric && Chance(0.3);
            base.Vars().AddVariable(code, "V" + std::to_string(code) + ":" + Text(0, 30, ":\""), multivalued, numeric);
            vars.push_back({code, numeric, {}});
        }
        std::vector<int32_t> valueCodes = Codes(Int(0, 25));
        std::shuffle(vars.begin(), vars.end(), rng_);
        for (Var& var : vars) {
            const int wanted = var.numeric ? Int(0, 1) : Int(0, 4);
            for (int i = 0; i < wanted && !valueCodes.empty(); ++i) {
                var.values.push_back(valueCodes.back());
                valueCodes.pop_back();
            }
            std::vector<int32_t> positions(var.values.size());
            for (std::size_t i = 0; i < positions.size(); ++i) positions[i] = static_cast<int32_t>(i) + 1;
            std::shuffle(positions.begin(), positions.end(), rng_);
            for (std::size_t i = 0; i < var.values.size(); ++i)
                // A numeric variable's one value is its interval.
                base.Values().AddValue(var.values[i],
                                       var.numeric ? Pick<std::string>({"0;100", "5;", ";5", "-2.5;7"})
                                                   : "W" + std::to_string(var.values[i]) + ":" + Text(0, 20, ":\""),
                                       var.code, positions[i]);
        }
        const std::vector<int32_t> formulas = Codes(Int(0, 5));
        for (int32_t code : formulas) base.Formulas().Add(code, Text(0, 255));

        auto valueFor = [&](const Var& var) {
            if (var.numeric) return formulas.empty() || Chance(0.2) ? kCodeUnknown : formulas[Index(formulas.size())];
            if (var.values.empty() || Chance(0.3)) return Pick<int32_t>({kCodeUnknown, kCodeYes, kCodeNo});
            return var.values[Index(var.values.size())];
        };
        const std::vector<int32_t> rules = Codes(Int(0, 8));
        std::vector<int32_t> orders(rules.size());
        for (std::size_t i = 0; i < orders.size(); ++i) orders[i] = static_cast<int32_t>(i) + 1;
        std::shuffle(orders.begin(), orders.end(), rng_);
        for (std::size_t r = 0; r < rules.size(); ++r) {
            base.Rules().AddRule(rules[r], Text(0, 40), orders[r]);
            for (int n = Int(1, 4), i = 0; i < n; ++i) {
                const Var& var = vars[Index(vars.size())];
                base.Tails().AddPremise(rules[r], var.code, Pick<const char*>({"=", "<>", ">", "<", ">=", "<="}),
                                        valueFor(var), i + 1 == n ? 2 : Int(0, 1), Chance(0.3));
            }
            for (int n = Int(1, 3); n > 0; --n) {
                const Var& var = vars[Index(vars.size())];
                base.Heads().AddConclusion(rules[r], var.code, valueFor(var), Cnf());
            }
        }
        for (const Var& var : vars) {
            if (!Chance(0.5)) continue;
            std::vector<std::string> reasons;
            for (int n = Int(0, 3); n > 0; --n) reasons.push_back(Text(0, 255));
            base.Questions().AddQuestion(var.code, Text(0, 255), Chance(0.5), &reasons);
        }
        for (int n = Int(0, 4); n > 0; --n) base.Targets().Add(vars[Index(vars.size())].code, Chance(0.7));
        for (const Var& var : vars)
            for (int32_t value : var.values)
                if (Chance(0.3)) base.HelpContexts().AddContext(value, Int(-32768, 32767));
    }

    const std::string& Password() const { return password_; }

private:
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    std::size_t Index(std::size_t size) { return static_cast<std::size_t>(Int(0, static_cast<int>(size) - 1)); }
    template <class T>
    T Pick(std::initializer_list<T> choices) {
        return *(choices.begin() + Index(choices.size()));
    }

    // Distinct codes from 1 to 32767 in random order, often including the extremes.
    std::vector<int32_t> Codes(int count) {
        std::set<int32_t> chosen;
        if (count > 0 && Chance(0.3)) chosen.insert(32767);
        while (static_cast<int>(chosen.size()) < count) chosen.insert(Chance(0.5) ? Int(1, 40) : Int(1, 32767));
        std::vector<int32_t> codes(chosen.begin(), chosen.end());
        std::shuffle(codes.begin(), codes.end(), rng_);
        return codes;
    }

    // Any bytes but the excluded ones, sometimes all of the short string's 255.
    std::string Text(int shortest, int longest, const std::string& excluded = "") {
        const int length = Chance(0.1) ? longest : Int(shortest, longest);
        std::string text;
        while (static_cast<int>(text.size()) < length) {
            const auto byte = static_cast<char>(Int(0, 255));
            if (excluded.find(byte) == std::string::npos) text += byte;
        }
        return text;
    }

    // Confidences as the rule editor lets them in (-99 % to 999 %, typed in
    // three characters) and arbitrary floats of that range that the file's
    // 6-byte reals can hold.
    float Cnf() {
        if (Chance(0.5)) return Pick<float>({0.0f, 1.0f, 0.8f, 0.1f, 1.0f / 3.0f, 1.5f, -0.25f, 1e-30f, 0.99999994f});
        for (;;) {
            const auto bits = static_cast<uint32_t>(std::uniform_int_distribution<uint32_t>()(rng_));
            float value;
            std::memcpy(&value, &bits, sizeof value);
            uint8_t real48[6];
            if (std::isfinite(value) && EncodeReal48(value, real48) && IsConclusionCnf(value)) return value;
        }
    }

    std::mt19937 rng_;
    std::string password_;
};

}  // namespace quorvel::test
