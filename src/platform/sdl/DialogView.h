// The dialogs and message boxes of the SDL platform, drawn with Dear ImGui
// inside the main window over its frozen picture (ImGuiHost).
//
// A dialog draws a DialogModel's controls at their places scaled with the
// picture, forwards clicks, edits and keys to the model (which holds the
// keyboard rules), shows the model's notices as message boxes over it, and
// returns when the model has closed. Captions arrive in GBK, data text in
// its own code page; '&' markers are dropped from what is shown.
//
// Depends on SDL2, Dear ImGui, the host. Only the SDL platform uses it.
#pragma once

#include "platform/Platform.h"
#include "platform/sdl/ImGuiHost.h"

namespace vantel {

// Runs the dialog until its model closes; the model's result. A close
// request for the window cancels the dialog (its close box) and sets *quit.
int RunImGuiDialog(ImGuiHost::Setup setup, DialogModel& model, bool* quit = nullptr);

}  // namespace vantel
