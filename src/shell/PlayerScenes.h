// The scenes the player has: logo, title, story, closing screen, gallery,
// music room, credits scroll and message log, registered with the scene
// manager by their numbers. The player, vxtool's render and playtest, and the
// tests that run the whole player register them through this one call.
#pragma once

namespace vantel {

void RegisterPlayerScenes();

}  // namespace vantel
