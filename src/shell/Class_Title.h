// Class_Title: TTitle, scene 1, the title menu.
//
// The menu picture "game_menu" with five animated buttons: start (the story
// from its beginning, scene 3), load (the save/load dialog), gallery (scene
// 4), music room (scene 5, shown only once the story has been completed) and
// exit (the closing screen, scene 7). The title music "m03" fades in when the
// title is made and fades out when it goes.
//
// A crash-recovery backup save (Global->SaveDir + "backup") found at the
// title means the previous run stopped during the story: on its first
// message the title asks whether to play on from it. Yes hands the record to
// a new story (Global->HandOver, scene 3) and keeps the file: should the
// program stop again before the story writes its next backup, the next start
// offers it again (the story deletes it when it ends normally). No deletes
// it. A backup that cannot be read is moved aside as "backup.damaged" and
// the reader is told; the title stays.
//
// A damaged menu picture is reported once (PictureNotice) and the title goes
// on without it: the background black, a button look drawn as nothing.
//
// Depends on Tflat, TFlatBtn, PictureNotice, Global, the platform's message
// boxes and screen size, packed files and PostSound. The load button runs the load command
// installed with SetTitleLoadCommand.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "graphics/ClassFlat.h"
#include "graphics/ClassFlatBtn.h"
#include "graphics/PictureNotice.h"

namespace vantel {

class TTitle : public Tflat {
 public:
  TTitle();
  ~TTitle() override;
  void Signal(int32_t code, int32_t a, int32_t b) override;

  std::unique_ptr<TFlatBtn> StartButton, LoadButton, CgButton, SoundButton, ExitButton;
  bool BackupCheckPending = true;  // until the first message has been handled
  PictureNotice Notice;

 private:
  void CheckBackup();
};

// The main window's load command (its pop-up menu's load item): shows the
// save/load dialog modally and, when a save was opened, sets Global->HandOver
// and asks for scene 3. Installed by the module that provides the dialog; an
// empty function removes it. Until one is installed, the title's load button
// plays its click sound and nothing else happens.
void SetTitleLoadCommand(std::function<void()> command);

// Makes scene 1 of the scene manager a TTitle.
void RegisterTitleScene();

}  // namespace vantel
