// A document's undo and redo steps as whole snapshots of its drawing.
//
// A change outside a command group is one step of its own; command groups
// nest and only the outermost makes a step, named after it, and only when
// something changed inside it. A new step clears the redo steps.
//
// Threads: none of its own; the host lock guards it.
#pragma once

#include "Model.h"

#include <string>
#include <vector>

namespace mosvik::host {

class UndoStack {
public:
    // Call before a change with the drawing as it is before it.
    void recordChange(const std::u16string& name, model::Drawing before);

    void beginGroup(const std::u16string& name, const model::Drawing& current);
    // Returns false when no group is open.
    bool endGroup();
    int groupDepth() const { return depth_; }

    // Each moves at most `levels` steps and replaces `current`; returns the
    // number of steps moved.
    int undo(int levels, model::Drawing& current);
    int redo(int levels, model::Drawing& current);

    // Most recent first.
    std::vector<std::u16string> undoNames() const;
    std::vector<std::u16string> redoNames() const;

private:
    struct Step {
        std::u16string name;
        model::Drawing state; // before the step (undo) or after it (redo)
    };
    void push(Step step);

    std::vector<Step> undo_;
    std::vector<Step> redo_;
    int depth_ = 0;
    Step group_;
    bool groupChanged_ = false;
};

} // namespace mosvik::host
