// ClassMain: TMain, the scene manager.
//
// TMain owns the current scene (a root Tflat), switches scenes by number, runs
// one frame per tick (switch if Global->NextScene asks, tick message, compose,
// present) and turns window input into scene messages. Presenting copies the
// root's dirty 50 x 50 cells to the window through the platform, one rectangle
// per horizontal run of dirty cells; rows are never merged.
//
// Scenes are made through a table from scene number to factory, filled in by
// the scene modules with RegisterScene. Switching to a number with no factory
// is a programming error: it throws std::logic_error before anything changes.
// Depends on Tflat, Blend, the platform (GetPlatform) and Global.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "graphics/ClassFlat.h"

namespace vantel {

// Scene numbers.
enum SceneNumber : int32_t {
  kSceneTitle = 1,
  kSceneMessageLog = 2,
  kSceneStory = 3,
  kSceneGallery = 4,
  kSceneMusicRoom = 5,
  kSceneLogo = 6,
  kSceneClosing = 7,
  kSceneCredits = 8,  // started without an entry transition
};

using SceneFactory = std::function<std::unique_ptr<Tflat>()>;
// Sets the factory of scene `number` (an empty factory removes it).
void RegisterScene(int32_t number, SceneFactory factory);
bool SceneRegistered(int32_t number);
// Places a scene so that the 800x600 picture stands centred on the screen
// (scenes do this in full screen).
void CentreOnScreen(Tflat& scene);

// Opens the debugger window and attaches it to Global (installed by the
// debugger module; Ctrl+D with the marker file calls it).
void SetDebuggerOpener(std::function<void()> opener);

class TMain {
 public:
  static constexpr int kWidth = 800, kHeight = 600;

  // Starts with the logo scene.
  TMain();
  ~TMain();
  TMain(const TMain&) = delete;
  TMain& operator=(const TMain&) = delete;

  void SwitchScene(int32_t n);
  void Tick(bool late);
  void Present();
  void PresentAll();  // marks every cell, then presents
  void KeyDown(int32_t key, uint32_t shift);
  void KeyUp(int32_t key, uint32_t shift);
  void MouseDown(int32_t x, int32_t y);  // client coordinates
  void MouseUp(int32_t x, int32_t y);
  void MouseMove(int32_t x, int32_t y);
  void MouseWheel(int32_t delta);

  int32_t SceneNo = 0;
  std::unique_ptr<Tflat> Scene;
  int64_t Ticks = 0, LateTicks = 0;  // ticks run, and of them those marked late (debugger)
};

// The single instance, while the main window exists.
extern TMain* Main;

}  // namespace vantel
