// The engine's exceptions. Every one ends a running consultation cleanly and
// reaches the host, which shows what() to the user: messages are UTF-8.
#pragma once

#include <stdexcept>
#include <string>

namespace quorvel {

// Base of the family; also raised for misuse of the engine (AddControl).
class EExpertSystem : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A base that cannot be consulted ("Crie algumas regra antes!").
class EKBaseInvalid : public EExpertSystem {
public:
    using EExpertSystem::EExpertSystem;
};

// A formula that cannot be read: "<error> Função: <formula>", at most 255
// characters of the base's code page.
class EExpSyntaxError : public EExpertSystem {
public:
    using EExpertSystem::EExpertSystem;
};

// A formula whose value cannot be computed (division by zero, logarithm of a
// number not above zero, overflow...), in the same "<error> Função: <formula>"
// form as a syntax error.
class EExpArithmeticError : public EExpertSystem {
public:
    using EExpertSystem::EExpertSystem;
};

}  // namespace quorvel
