// GraphicsHost: what the graphics layer asks of the program that uses it.
//
// Graphics is a library the shell uses, never the other way round: pictures
// and text do not reach up for the program's state. The program installs one
// host (SetGraphicsHost) that answers the little they need: the image archive
// pictures are read from, whether debug features are on (a loose thumbnail
// then marks a gallery picture), where a gallery picture once shown is
// recorded, where a line for the debugger's log goes, and the reader's
// message speed. Without a host (a tool or test that only draws) pictures
// come from loose files under image/, nothing is recorded or logged and the
// message speed is its default, 50.
//
// Depends on nothing but base/Bytes (the archive is only named). Main thread
// only.
#pragma once

#include <cstdint>

#include "base/Bytes.h"

namespace vantel {

class TArchive;

class GraphicsHost {
 public:
  virtual ~GraphicsHost() = default;
  // The image archive, or null (loose files under image/ only).
  virtual TArchive* ImageArchive() const = 0;
  // Debug features are on: a loose name_s.png marks a gallery picture.
  virtual bool DebugMode() const = 0;
  // Records a gallery picture as shown (once, in the order first shown).
  virtual void Unlock(const Bytes& name) = 0;
  // A line (code page 932) for the debugger's message box.
  virtual void AppendLog(const Bytes& line) = 0;
  // The reader's text speed setting as stored (the text layer clamps it).
  virtual int32_t MessageStep() const = 0;
};

// The installed host, or null.
GraphicsHost* GetGraphicsHost();
// Installs `host` (null: none); the caller keeps it alive while installed.
void SetGraphicsHost(GraphicsHost* host);

}  // namespace vantel
