#include "ExMessages.h"

#include <cstdio>

namespace quorvel {

const char* MsgKindName(TMsgKind kind) {
    switch (kind) {
        case TMsgKind::Warning: return "aviso";
        case TMsgKind::Error: return "erro";
        case TMsgKind::Information: return "informação";
        case TMsgKind::Confirmation: return "confirmação";
    }
    return "";
}

TMsgResult TStderrMessageSink::ShowMessage(TMsgKind kind, TMsgButtons buttons, const std::string& text) {
    std::fprintf(stderr, "%s: %s\n", MsgKindName(kind), text.c_str());
    return buttons == TMsgButtons::Ok ? TMsgResult::Ok : TMsgResult::Yes;
}

IMessageSink& DefaultMessageSink() {
    static TStderrMessageSink sink;
    return sink;
}

}  // namespace quorvel
