#include "CliCommon.h"

namespace quorvel::cli {

TMsgResult TCollectingSink::ShowMessage(TMsgKind, TMsgButtons buttons, const std::string& text) {
    texts_.push_back(text);
    return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Yes;
}

std::string TCollectingSink::Joined() const {
    std::string all;
    for (const auto& text : texts_) {
        if (!all.empty()) all += '\n';
        all += text;
    }
    return all;
}

}  // namespace quorvel::cli
