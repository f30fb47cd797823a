// The engine's window on the user: every message box the model or the engine
// would show goes through an IMessageSink, so the workbench can show real
// message boxes while the command-line tool and the tests capture them.
#pragma once

#include <string>

namespace quorvel {

enum class TMsgKind { Warning, Error, Information, Confirmation };
enum class TMsgButtons { Ok, YesNo, YesNoCancel };
enum class TMsgResult { Ok, Yes, No, Cancel };

class IMessageSink {
public:
    virtual ~IMessageSink() = default;
    // text is UTF-8; the result is the button the user pressed.
    virtual TMsgResult ShowMessage(TMsgKind kind, TMsgButtons buttons, const std::string& text) = 0;
};

// Writes every message to standard error and answers OK (or Yes).
class TStderrMessageSink : public IMessageSink {
public:
    TMsgResult ShowMessage(TMsgKind kind, TMsgButtons buttons, const std::string& text) override;
};

// The sink used by containers and engines that were not given one.
IMessageSink& DefaultMessageSink();

const char* MsgKindName(TMsgKind kind);

}  // namespace quorvel
