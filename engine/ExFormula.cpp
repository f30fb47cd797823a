#include "ExFormula.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "ExText.h"

namespace quorvel {

namespace {

// The current character past the last one. Not 0: a NUL byte inside a text is
// an invalid character, not a hidden end that would let the rest pass unread.
constexpr int kEnd = -1;

// Parentheses and function calls may nest this deep. A stored formula (255
// characters) cannot reach it; longer texts get an error, not a stack overflow.
constexpr int kMaxDepth = 256;

// Ends an evaluation whose formula already met an unknown variable: its own
// later faults make it unknown instead of raising.
struct TQuietEnd {};

enum class TFunction { None, Min, Max, Sqr, Exp, Pot, Log, Ln, Abs, Sen, Cos, Tan };

TFunction FindFunction(std::string_view name) {
    struct Entry {
        const char* name;
        TFunction function;
    };
    static constexpr Entry kTable[] = {
        {"MIN", TFunction::Min}, {"MAX", TFunction::Max}, {"SQR", TFunction::Sqr}, {"EXP", TFunction::Exp},
        {"POT", TFunction::Pot}, {"LOG", TFunction::Log}, {"LN", TFunction::Ln},   {"ABS", TFunction::Abs},
        {"SEN", TFunction::Sen}, {"COS", TFunction::Cos}, {"TAN", TFunction::Tan},
    };
    for (const auto& entry : kTable)
        if (name == entry.name) return entry.function;
    return TFunction::None;
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }
bool IsLetter(int c) { return c >= 'A' && c <= 'Z'; }

class TEvaluator {
public:
    TEvaluator(std::string_view text, IFormulaHost& host) : text_(text), host_(host) {}

    // The formula's value truncated to two decimals.
    float Run() {
        if (text_.empty()) SyntaxError(formula_error::Empty);
        SkipBlanks();
        const float value = Expression();
        if (ch_ != kEnd) SyntaxError(formula_error::UnexpectedEnd);
        return Truncate(value);
    }

    bool Unknown() const { return unknown_; }

private:
    // Nesting guard for parentheses and function calls.
    class TNest {
    public:
        explicit TNest(TEvaluator& evaluator) : evaluator_(evaluator) {
            if (++evaluator_.depth_ > kMaxDepth) evaluator_.SyntaxError(formula_error::TooDeep);
        }
        ~TNest() { --evaluator_.depth_; }
        TNest(const TNest&) = delete;
        TNest& operator=(const TNest&) = delete;

    private:
        TEvaluator& evaluator_;
    };

    std::string Message(std::string_view error) const {
        std::string message(error);
        message += formula_error::Tail;
        message += text_;
        return Cp1252ToUtf8(CutShort(message));
    }

    [[noreturn]] void SyntaxError(std::string_view error) const {
        if (unknown_) throw TQuietEnd{};
        throw EExpSyntaxError(Message(error));
    }

    [[noreturn]] void ArithmeticError(std::string_view error) const {
        if (unknown_) throw TQuietEnd{};
        throw EExpArithmeticError(Message(error));
    }

    void Next() {
        if (pos_ < text_.size())
            ch_ = AnsiUpperChar(static_cast<unsigned char>(text_[pos_++]));
        else
            ch_ = kEnd;
    }

    // Only the blank itself: a tab or any other control character is invalid.
    void SkipBlanks() {
        while (ch_ == ' ') Next();
    }

    // Rounds an extended-precision result to single precision; a result that
    // no longer fits is an overflow, never a silent infinity.
    float Store(long double value) const {
        const float stored = static_cast<float>(value);
        if (!std::isfinite(stored)) ArithmeticError(formula_error::Overflow);
        return stored;
    }

    // Toward zero to two decimals. The hundredfold is rounded to single
    // precision first, so that 0.7 (held as 0.69999999) stays 0.7.
    float Truncate(float value) const {
        const float hundredfold = Store(static_cast<long double>(value) * 100.0L);
        const long double whole = std::trunc(static_cast<long double>(hundredfold));
        if (!(whole >= -2147483648.0L && whole <= 2147483647.0L)) ArithmeticError(formula_error::ResultTooLarge);
        const auto cents = static_cast<int32_t>(whole);
        return static_cast<float>(static_cast<long double>(cents) * 0.01L);
    }

    float Expression() {
        float value = Term();
        while (ch_ == '+' || ch_ == '-') {
            const bool add = ch_ == '+';
            Next();
            SkipBlanks();
            const float right = Term();
            value = Store(add ? static_cast<long double>(value) + right : static_cast<long double>(value) - right);
        }
        return value;
    }

    float Term() {
        float value = Factor();
        while (ch_ == '*' || ch_ == '/') {
            const bool multiply = ch_ == '*';
            Next();
            SkipBlanks();
            const float right = Factor();
            if (multiply) {
                value = Store(static_cast<long double>(value) * right);
            } else {
                if (right == 0.0f) ArithmeticError(formula_error::DivisionByZero);
                value = Store(static_cast<long double>(value) / right);
            }
        }
        return value;
    }

    // A factor, with the blanks after it skipped. Signs bind tighter than "*"
    // and "/"; they are read in a loop, so a long run of them costs no stack.
    float Factor() {
        bool negate = false;
        while (ch_ == '+' || ch_ == '-') {
            if (ch_ == '-') negate = !negate;
            Next();
            SkipBlanks();
        }
        const float value = Operand();
        return negate ? -value : value;
    }

    float Operand() {
        if (IsDigit(ch_)) return Number();
        if (IsLetter(ch_)) return NameOrCall();
        if (ch_ == '"') return QuotedName();
        if (ch_ == '(') {
            TNest nest(*this);
            Next();
            SkipBlanks();
            const float value = Expression();
            if (ch_ != ')') SyntaxError(formula_error::CloseParenExpected);
            Next();
            SkipBlanks();
            return value;
        }
        SyntaxError(formula_error::OperandExpected);
    }

    // Digits, optionally "." and digits; every step rounded to single precision.
    float Number() {
        float value = 0.0f;
        while (IsDigit(ch_)) {
            value = Store(static_cast<long double>(value) * 10.0L + (ch_ - '0'));
            Next();
        }
        if (ch_ == '.') {
            Next();
            if (!IsDigit(ch_)) SyntaxError(formula_error::InvalidCharacter);
            // The fraction digits are gathered as a whole number first. Digits
            // that would make it overflow cannot change a single-precision
            // value any more: they are read but not accumulated.
            float fraction = 0.0f;
            int digits = 0;
            bool full = false;
            while (IsDigit(ch_)) {
                if (!full) {
                    const float next = static_cast<float>(static_cast<long double>(fraction) * 10.0L + (ch_ - '0'));
                    if (std::isfinite(next)) {
                        fraction = next;
                        ++digits;
                    } else {
                        full = true;
                    }
                }
                Next();
            }
            for (int i = 0; i < digits; ++i) fraction = static_cast<float>(static_cast<long double>(fraction) * 0.1L);
            value = Store(static_cast<long double>(value) + fraction);
        }
        SkipBlanks();
        return value;
    }

    float NameOrCall() {
        std::string name(1, static_cast<char>(ch_));
        Next();
        while (IsDigit(ch_) || IsLetter(ch_)) {
            name += static_cast<char>(ch_);
            Next();
        }
        const TFunction function = FindFunction(name);
        if (function == TFunction::None) {
            SkipBlanks();
            return VariableValue(name);
        }
        SkipBlanks();
        if (ch_ != '(') SyntaxError(formula_error::OpenParenExpected);
        TNest nest(*this);
        Next();
        const float value = Call(function);
        Next();  // the ")" that Call found
        SkipBlanks();
        return value;
    }

    // One argument, blanks around it skipped.
    float Argument() {
        SkipBlanks();
        return Expression();
    }

    // Reads the arguments up to (not past) the closing ")" and computes.
    float Call(TFunction function) {
        if (function == TFunction::Min || function == TFunction::Max) {
            float value = Argument();
            for (;;) {
                if (ch_ == ')') return value;
                if (ch_ != ',') SyntaxError(formula_error::CommaOrCloseExpected);
                Next();
                const float next = Argument();
                if (function == TFunction::Min ? next < value : next > value) value = next;
            }
        }
        if (function == TFunction::Pot || function == TFunction::Log) {
            const float x = Argument();
            if (ch_ != ',') SyntaxError(formula_error::CommaExpected);
            Next();
            const float y = Argument();
            if (ch_ != ')') SyntaxError(formula_error::CloseParenExpected);
            if (function == TFunction::Pot) {
                if (x <= 0.0f) ArithmeticError(formula_error::PowerOfNonPositive);
                return Store(std::exp(static_cast<long double>(y) * std::log(static_cast<long double>(x))));
            }
            if (x <= 0.0f) ArithmeticError(formula_error::LogOfNonPositive);
            if (y <= 0.0f || y == 1.0f) ArithmeticError(formula_error::BadLogBase);
            return Store(std::log(static_cast<long double>(x)) / std::log(static_cast<long double>(y)));
        }
        const float x = Argument();
        if (ch_ != ')') SyntaxError(formula_error::CloseParenExpected);
        const long double lx = x;
        switch (function) {
            case TFunction::Sqr:
                if (x < 0.0f) ArithmeticError(formula_error::SqrtOfNegative);
                return Store(std::sqrt(lx));
            case TFunction::Exp:
                return Store(std::exp(lx));
            case TFunction::Ln:
                if (x <= 0.0f) ArithmeticError(formula_error::LogOfNonPositive);
                return Store(std::log(lx));
            case TFunction::Abs:
                return std::fabs(x);
            case TFunction::Sen:
                return Store(std::sin(lx));
            case TFunction::Cos:
                return Store(std::cos(lx));
            case TFunction::Tan: {
                const long double cosine = std::cos(lx);
                if (cosine == 0.0L) ArithmeticError(formula_error::DivisionByZero);
                return Store(std::sin(lx) / cosine);
            }
            default:
                return x;  // not reached: the other functions are handled above
        }
    }

    // A quoted name: blanks after the opening quote are skipped, everything
    // else up to the closing quote belongs to the name.
    float QuotedName() {
        Next();
        SkipBlanks();
        std::string name;
        while (ch_ != '"' && ch_ != kEnd) {
            name += static_cast<char>(ch_);
            Next();
        }
        if (ch_ == kEnd) SyntaxError(formula_error::QuoteExpected);
        Next();
        SkipBlanks();
        return VariableValue(name);
    }

    float VariableValue(const std::string& name) {
        if (name == "CNF1") return Store(host_.Cnf1());
        if (name == "CNF2") return Store(host_.Cnf2());
        long double value = 0.0L;
        bool unknown = false;
        if (!host_.VariableValue(name, value, unknown)) {
            std::string error = formula_error::UndeclaredVariable;
            error += name;
            error += "!\r\n";
            SyntaxError(error);
        }
        if (unknown) {
            unknown_ = true;
            return 0.0f;
        }
        return Store(value);
    }

    std::string_view text_;
    IFormulaHost& host_;
    std::size_t pos_ = 0;
    int ch_ = ' ';
    bool unknown_ = false;
    int depth_ = 0;
};

}  // namespace

TFormulaResult EvaluateFormula(std::string_view formulaText, IFormulaHost& host) {
    TEvaluator evaluator(formulaText, host);
    try {
        const float value = evaluator.Run();
        return {value, evaluator.Unknown()};
    } catch (const TQuietEnd&) {
        return {0.0f, true};
    }
}

}  // namespace quorvel
