// PictureNotice: how a menu scene goes on past a picture it cannot decode.
//
// The title, the gallery, the music room, the message log and the credits are
// drawn from pictures of the image archive; one whose data is damaged must
// not end the player. Its layer or button look is drawn as nothing (as a
// missing picture is), or, for a scene's own background, as plain black so
// that the buttons still show. The reader is told once per scene, in a
// message box naming the picture and the reason; every failure goes to the
// debugger's log.
//
// Depends on Tflat, TFlatBtn, the platform's message boxes and the graphics
// host (the debugger's log). Main thread only.
#pragma once

#include <string>

#include "base/Bytes.h"
#include "graphics/ClassFlat.h"
#include "graphics/ClassFlatBtn.h"

namespace vantel {

class PictureNotice {
 public:
  // Loads `name` into `layer`. When the picture cannot be decoded the layer
  // forgets what was partly decoded (so that it never shows a stale
  // picture), the failure is reported and false is returned; the layer is
  // then left empty and hidden, or, with a `fallback` picture name (a colour
  // name, which cannot fail), shows that instead.
  bool Load(Tflat& layer, const Bytes& name, const char* fallback = nullptr);
  // Reports the looks a button could not decode (TFlatBtn::FDamaged).
  void Check(const TFlatBtn& button);
  // Reports one picture that could not be decoded.
  void Report(const Bytes& name, const std::string& reason);

  bool Told() const { return told_; }

 private:
  bool told_ = false;  // the reader has had this scene's message box
};

}  // namespace vantel
