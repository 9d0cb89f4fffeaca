#include "UndoStack.h"

namespace mosvik::host {

void UndoStack::push(Step step) {
    undo_.push_back(std::move(step));
    redo_.clear();
}

void UndoStack::recordChange(const std::u16string& name, model::Drawing before) {
    if (depth_ > 0) {
        groupChanged_ = true;
        return;
    }
    push(Step{name, std::move(before)});
}

void UndoStack::beginGroup(const std::u16string& name, const model::Drawing& current) {
    if (depth_++ == 0) {
        group_ = Step{name, current};
        groupChanged_ = false;
    }
}

bool UndoStack::endGroup() {
    if (depth_ == 0)
        return false;
    if (--depth_ == 0) {
        if (groupChanged_)
            push(std::move(group_));
        group_ = Step{};
    }
    return true;
}

int UndoStack::undo(int levels, model::Drawing& current) {
    int moved = 0;
    for (; moved < levels && !undo_.empty(); ++moved) {
        Step step = std::move(undo_.back());
        undo_.pop_back();
        std::swap(step.state, current);
        redo_.push_back(std::move(step));
    }
    return moved;
}

int UndoStack::redo(int levels, model::Drawing& current) {
    int moved = 0;
    for (; moved < levels && !redo_.empty(); ++moved) {
        Step step = std::move(redo_.back());
        redo_.pop_back();
        std::swap(step.state, current);
        undo_.push_back(std::move(step));
    }
    return moved;
}

namespace {
template <class Steps> std::vector<std::u16string> namesOf(const Steps& steps) {
    std::vector<std::u16string> names;
    for (auto it = steps.rbegin(); it != steps.rend(); ++it)
        names.push_back(it->name);
    return names;
}
} // namespace

std::vector<std::u16string> UndoStack::undoNames() const {
    return namesOf(undo_);
}
std::vector<std::u16string> UndoStack::redoNames() const {
    return namesOf(redo_);
}

} // namespace mosvik::host
