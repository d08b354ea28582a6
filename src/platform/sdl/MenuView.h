// The pop-up menu of the SDL platform, drawn with Dear ImGui inside the main
// window over its frozen picture (ImGuiHost).
//
// The menu returns when an item is chosen (by the pointer or by its marked
// letter), when the reader clicks outside it or presses Escape, or when the
// window is asked to close (the close request is put back for the program).
// Captions arrive in GBK; '&' markers are dropped from what is shown.
//
// Depends on SDL2, Dear ImGui, the host. Only the SDL platform uses it.
#pragma once

#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/sdl/ImGuiHost.h"

namespace vantel {

// The caption as the menu shows it: UTF-8, '&' markers dropped ("&&" is a '&').
std::string MenuLabel(const Bytes& gbkCaption, CodePage cp = CodePage::GBK);

// Runs the menu at point (x, y) of the 800x600 picture; the chosen item's id, or -1.
int RunImGuiMenu(ImGuiHost::Setup setup, const std::vector<MenuItem>& items, int x, int y);

}  // namespace vantel
