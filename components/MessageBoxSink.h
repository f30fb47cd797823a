// The engine's messages shown as real message boxes, with their kind (icon)
// and button set, and the refusal of typed text that a base cannot hold.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>

#include "ExMessages.h"

class QWidget;

namespace quorvel::gui {

// Every message box of the workbench goes through here. A test installs a
// hook that sees each message first; when the hook gives an answer no box is
// shown, when it gives nullopt the box is shown as usual.
using TMessageHook =
    std::function<std::optional<quorvel::TMsgResult>(quorvel::TMsgKind, quorvel::TMsgButtons, const QString&)>;
void SetMessageHook(TMessageHook hook);

// A modal message box over the window the user is looking at (`parent` when
// the program shows no active window), above every window of the program:
// caption "Quorvel", the icon of the kind, the buttons
// "OK", "Sim"/"Não" or "Sim"/"Não"/"Cancelar"; Esc answers Cancel (No when
// there is no Cancel). text is shown as plain text.
quorvel::TMsgResult ShowMessage(QWidget* parent, quorvel::TMsgKind kind, quorvel::TMsgButtons buttons,
                                const QString& text);

class TMessageBoxSink : public quorvel::IMessageSink {
public:
    // parent: where the boxes go when no window of the program is active.
    explicit TMessageBoxSink(QWidget* parent = nullptr) : parent_(parent) {}
    quorvel::TMsgResult ShowMessage(quorvel::TMsgKind kind, quorvel::TMsgButtons buttons,
                                    const std::string& text) override;

private:
    QWidget* parent_;
};

// The base text (Windows-1252 bytes) of a text typed on screen. A text holding
// characters that Windows-1252 cannot represent is refused: the user is told
// which characters (error box) and the result is nullopt. Nothing is replaced
// silently.
std::optional<std::string> BaseTextOf(QWidget* parent, const QString& text);
// The characters of text that Windows-1252 cannot represent, each once, in order.
QString UnrepresentableCharacters(const QString& text);

// A base text (Windows-1252 bytes) for the screen.
QString ScreenText(const std::string& baseText);

}  // namespace quorvel::gui
