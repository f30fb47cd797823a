// What the rule-base window needs of the frame that holds it, and nothing
// more: the engine, the message boxes, the MDI area, being told when the
// window comes and goes, and the frame's Save and Print commands. The
// workbench's main window implements it. Everything else travels the other
// way: the rule-base window announces changes of its commands through its
// signals, and the frame reads their state from the window's actions.
#pragma once

#include <cstddef>

class QMdiArea;
class TfrmBase;

namespace quorvel {
class IMessageSink;
class TExpertSystem;
}  // namespace quorvel

// The commands of the rule-base window that the frame offers too, on its
// toolbar and in its System menu.
enum class TBaseCommand { NewRule, OpenRule, Delete, View, Vars, Targets, Questions, Info };
inline constexpr std::size_t kBaseCommandCount = 8;

class TBaseFrame {
public:
    virtual ~TBaseFrame() = default;

    virtual quorvel::TExpertSystem& ExpertSystem() = 0;
    virtual quorvel::IMessageSink& Sink() const = 0;
    // Where the base's windows open; the rule viewer stays there after the
    // rule-base window has gone.
    virtual QMdiArea* MdiArea() const = 0;

    // The rule-base window is made (at the end of its constructor) and has
    // closed; `countAsRecent`: the base was really open (not a load that failed).
    virtual void BaseWindowCreated(TfrmBase* window) = 0;
    virtual void BaseWindowClosed(TfrmBase* window, bool countAsRecent) = 0;

    // The frame's Save command; false when nothing was written (the user
    // cancelled, or the file could not be written).
    virtual bool SaveBase() = 0;
    // The frame's knowledge-base print.
    virtual void PrintBase() = 0;
};
