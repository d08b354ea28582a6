// ShellGraphicsHost: the program's answers to the graphics layer (the image
// archive, DebugMode, Global's unlock record, log and MessageStep).
//
// Installed as the program's globals are defined (ClassGlobal), so that
// anything linking them reads pictures and text speed through them, as
// before graphics stopped reaching into the shell.
//
// Depends on graphics/GraphicsHost and shell/ClassGlobal. Never fails.
#pragma once

namespace vantel {

// Installs the shell's host; always true (for use in a static initialiser).
bool InstallShellGraphicsHost();

}  // namespace vantel
