#include "ExPasswd.h"

#include "ExConsts.h"

namespace quorvel {

namespace {

// Each byte is XORed with the high byte of a running key; the key then
// advances with the scrambled byte, so both directions share one loop.
std::string Transform(std::string_view text, uint16_t startKey, bool scrambling) {
    std::string out(text);
    uint16_t key = startKey;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto in = static_cast<uint8_t>(text[i]);
        const auto result = static_cast<uint8_t>(in ^ static_cast<uint8_t>(key >> 8));
        out[i] = static_cast<char>(result);
        const uint8_t scrambled = scrambling ? result : in;
        key = static_cast<uint16_t>((static_cast<uint16_t>(key + scrambled)) * 40277u + 15435u);
    }
    return out;
}

}  // namespace

std::string ScrambleText(std::string_view text, uint16_t startKey) { return Transform(text, startKey, true); }

std::string UnscrambleText(std::string_view text, uint16_t startKey) { return Transform(text, startKey, false); }

TPasswordCheck::TPasswordCheck(std::string expectedPassword, int16_t restriction, IMessageSink& sink)
    : expected_(std::move(expectedPassword)), restriction_(restriction), sink_(sink) {}

bool TPasswordCheck::Submit(std::string_view entry) {
    if (!entry.empty()) {
        if (entry != expected_) {
            sink_.ShowMessage(TMsgKind::Error, TMsgButtons::Ok, msg::InvalidPassword);
            return false;
        }
        accepted_ = true;
        level_ = kAccessFull;
        return true;
    }
    // A restriction the options dialog never writes (a damaged or forged
    // block) grants nothing, rather than an access level nobody knows.
    const int32_t restriction = restriction_ >= kAccessRefused && restriction_ <= kAccessConsultAndView
                                    ? restriction_
                                    : int32_t{kAccessRefused};
    switch (restriction) {
        case 0: sink_.ShowMessage(TMsgKind::Information, TMsgButtons::Ok, msg::NoPermission); break;
        case 2: sink_.ShowMessage(TMsgKind::Information, TMsgButtons::Ok, msg::ExecutionOnly); break;
        case 3: sink_.ShowMessage(TMsgKind::Information, TMsgButtons::Ok, msg::ExecutionAndView); break;
        default: break;
    }
    accepted_ = true;
    level_ = restriction;
    return true;
}

int32_t CheckPassword(const TPasswordBlock& block, IPasswordPrompt& prompt, IMessageSink& sink) {
    if (!block.UsePassword) return kAccessFull;
    TPasswordCheck check(UnscrambleText(block.Password), block.Restriction, sink);
    if (!prompt.AskPassword(check)) return kAccessRefused;
    return check.AccessLevel();
}

}  // namespace quorvel
