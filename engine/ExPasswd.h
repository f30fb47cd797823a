// Passwords of a knowledge base: the scrambling of the stored password and
// the check made when a protected base is opened.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ExMessages.h"

namespace quorvel {

inline constexpr uint16_t kScrambleStartKey = 31281;
inline constexpr std::size_t kPasswordMaxLength = 8;

std::string ScrambleText(std::string_view text, uint16_t startKey = kScrambleStartKey);
std::string UnscrambleText(std::string_view text, uint16_t startKey = kScrambleStartKey);

// The password block of a base, kept and written back exactly as read.
struct TPasswordBlock {
    std::string Password;     // scrambled
    int16_t Restriction = 1;  // 0 nothing, 2 consult only, 3 consult and view; 1 never chosen
    bool UsePassword = false;
};

// Access levels of a loaded base.
enum TAccessLevel : int32_t {
    kAccessDamaged = -2,
    kAccessNotABase = -1,
    kAccessRefused = 0,
    kAccessFull = 1,
    kAccessConsultOnly = 2,
    kAccessConsultAndView = 3,
};

// One password entry session: the entry dialog submits what the user typed
// until the check lets it close, or the user cancels.
class TPasswordCheck {
public:
    TPasswordCheck(std::string expectedPassword, int16_t restriction, IMessageSink& sink);

    // Handles OK with this entry. A wrong password shows "Senha inválida!" and
    // returns false: the dialog stays open with the entry emptied. Otherwise
    // returns true and AccessLevel() is decided.
    bool Submit(std::string_view entry);
    // The level once the dialog closed with OK; 0 when it was cancelled.
    int32_t AccessLevel() const { return accepted_ ? level_ : kAccessRefused; }
    bool Accepted() const { return accepted_; }

private:
    std::string expected_;
    int16_t restriction_;
    IMessageSink& sink_;
    bool accepted_ = false;
    int32_t level_ = kAccessRefused;
};

// The password entry: the workbench shows its dialog, the command-line tool
// submits --password, the tests script entries. Returns true when the entry
// was closed with OK (after check.Submit accepted), false when cancelled.
class IPasswordPrompt {
public:
    virtual ~IPasswordPrompt() = default;
    virtual bool AskPassword(TPasswordCheck& check) = 0;
};

// Submits one fixed entry; a wrong password counts as a cancelled entry.
class TFixedPasswordPrompt : public IPasswordPrompt {
public:
    explicit TFixedPasswordPrompt(std::string entry) : entry_(std::move(entry)) {}
    bool AskPassword(TPasswordCheck& check) override { return check.Submit(entry_); }

private:
    std::string entry_;
};

// Runs the password check of a base being opened and gives its access level.
int32_t CheckPassword(const TPasswordBlock& block, IPasswordPrompt& prompt, IMessageSink& sink);

}  // namespace quorvel
