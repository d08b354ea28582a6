// DialogExtras: what the in-window dialogs show and say beyond their
// described controls: the side pane to the right of the controls (the save
// dialog's thumbnail of the selected save) and, while self-voicing is on,
// the control the focus reaches (a question's text with it).
//
// Depends on SDL's renderer, Dear ImGui and SpeechOutput. Fails: a texture
// SDL refuses leaves the pane empty.
#pragma once

#include <imgui.h>

#include "platform/Platform.h"

struct SDL_Renderer;

namespace vantel {

// Around one dialog's loop: the renderer the pane's picture goes to, and
// freeing it afterwards.
void BeginSidePane(SDL_Renderer* renderer);
void EndSidePane();
// Draws the model's side picture with its top-left corner at `at` (window
// coordinates) at scale `s`.
void DrawSidePane(const DialogModel& model, ImVec2 at, float s);
// Says the focused control (and a question's text) when the focus moved.
void SpeakDialogFocus(const DialogModel& model);

}  // namespace vantel
