// The main window's New command: the wizard, then Save As.
#pragma once

#include <functional>

class QWidget;

namespace koralix {

class TFormNewInput;
class TWorkspace;

// The wizard as the New command shows it: modal, reset on every showing.
// On OK the model is replaced by the wizard's and `saveAs` runs. The new
// model belongs to no file until Save As completes, so a later Save can never
// overwrite the file the previous model came from.
TFormNewInput* MakeNewInputWindow(TWorkspace& work, std::function<void()> saveAs, QWidget* parent);

// What OK does: build the model into the workspace and run `saveAs`.
void AcceptNewInput(TWorkspace& work, TFormNewInput& wizard, const std::function<void()>& saveAs);

} // namespace koralix
