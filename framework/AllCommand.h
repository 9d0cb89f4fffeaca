// TfAllCommand: the window that carries the direct commands page fit, super
// undo and super redo. It is never shown; the commands act on the drawing
// at once.
//
// Create it like any window, run one command and leave it to its owner:
//   TTBaseForm::create<TfAllCommand>(Application(), app)->PageAdaptation();
//
// Failures: a failing host call ends the command with its HostError; the
// bracket it opened is closed first (no command group left open, the
// optimisation flag off, a refresh), so the host keeps redrawing.
//
// Threads: user-interface thread.
#pragma once

#include "BaseForm.h"

#include <QPushButton>

namespace mosvik {

class TfAllCommand : public TTBaseForm {
    Q_OBJECT

public:
    TfAllCommand(QWidget* AOwner, com::IVGApplication* App);

    // Makes the active page exactly as large as the shapes on it and covers
    // it with them, as one undo step "页面适配". An empty page is left alone.
    void PageAdaptation();
    // Undo and redo one step of the active document without redrawing on
    // the way; neither becomes an undo step of its own.
    void SuperUndo();
    void SuperRedo();

    QPushButton* btn1;
};

} // namespace mosvik
