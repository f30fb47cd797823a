// A knowledge base at the format's limits, shared by the benchmarks and by
// the tool that writes it to a file for measuring the workbench by hand.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

class TExpertSystem;

// 32,767 records of a kind: the most a .bcm file can hold.
inline constexpr int32_t kLargeBaseLimit = 32767;

// "Regra 12 de exemplo": a record's name in the large base.
std::string LargeBaseName(const char* prefix, int32_t code);

// Empties the engine's base and fills it with 32,767 variables, values,
// rules, premises and conclusions (one premise and one conclusion per
// rule), formulas and questions.
void BuildLargeBase(TExpertSystem& sys);

}  // namespace quorvel
