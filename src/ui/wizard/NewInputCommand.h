// The main window's New command: the wizard, then Save As.
#pragma once

#include <functional>

class QWidget;

namespace koralix {

class TFormNewInput;
class TWorkspace;

// What the main window lends the wizard: closing the open model (asking
// "Save Input File?" when it has unsaved edits; false when the user
// cancelled) and Save As.
struct TNewInputSteps {
    std::function<bool()> CloseModel;
    std::function<void()> SaveAs;
};

// The wizard as the New command shows it: modal, reset on every showing.
// On OK the open model is closed (its unsaved edits saved if the user wants),
// the wizard's model takes its place and Save As runs. The new model belongs
// to no file until Save As completes, so a later Save can never overwrite
// the file the previous model came from.
TFormNewInput* MakeNewInputWindow(TWorkspace& work, TNewInputSteps steps, QWidget* parent);

// What OK does; false when the user kept the open model.
bool AcceptNewInput(TWorkspace& work, TFormNewInput& wizard, const TNewInputSteps& steps);

} // namespace koralix
