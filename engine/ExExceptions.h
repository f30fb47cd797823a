// The engine's exceptions. Messages are UTF-8.
#pragma once

#include <stdexcept>
#include <string>

namespace quorvel {

class EExpertSystem : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A base that cannot be consulted ("Crie algumas regra antes!").
class EKBaseInvalid : public EExpertSystem {
public:
    using EExpertSystem::EExpertSystem;
};

// A formula that cannot be read.
class EExpSyntaxError : public EExpertSystem {
public:
    using EExpertSystem::EExpertSystem;
};

// An arithmetic fault while computing a formula.
class EExpArithmeticError : public EExpertSystem {
public:
    using EExpertSystem::EExpertSystem;
};

}  // namespace quorvel
