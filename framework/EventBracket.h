// The bracket around a change to the drawing, cleaned up on every path.
//
//   cmdName = "页面适配";
//   TEventBracket bracket(*this, true, true); // StartEvent(true, true)
//   ... the work ...
//   bracket.end();                            // EndEvent()
//
// If the work (or StartEvent or EndEvent themselves) throws, or the scope is
// left without end(), the destructor ends the command group that is still
// open, switches the optimisation flag off and refreshes the display;
// failures of that clean-up are swallowed, so the original error is the one
// that propagates.
//
// Ownership: borrows the window, which must outlive the bracket.
// Threads: the thread that runs the work; the window's one bracket at a time.
#pragma once

#include "BaseForm.h"

namespace mosvik {

class TEventBracket {
public:
    TEventBracket(TTBaseForm& form, bool hide, bool withCMD);
    ~TEventBracket();
    TEventBracket(const TEventBracket&) = delete;
    TEventBracket& operator=(const TEventBracket&) = delete;

    void end();

private:
    TTBaseForm& form_;
    bool ended_ = false;
};

} // namespace mosvik
