// What the global state reaches of the debugger window: its two information
// labels, its message box, its value grid and a repaint. The debugger window
// implements these over its controls; tests implement them with plain
// strings. Main thread only.
#pragma once

#include "base/Bytes.h"

namespace vantel {

// A one-line caption ("Script/..." or "Code/...").
class DebugLabel {
 public:
  virtual ~DebugLabel() = default;
  virtual Bytes Caption() const = 0;
  virtual void SetCaption(const Bytes& caption) = 0;
};

// The message box: a list of lines shown in a scrolling text box.
class DebugMessageBox {
 public:
  virtual ~DebugMessageBox() = default;
  virtual int LineCount() const = 0;
  virtual void AppendLine(const Bytes& line) = 0;
  virtual void DeleteFirstLine() = 0;
  virtual void Clear() = 0;
};

// The value grid: editable text cells (column, row), row 0 and column 0 fixed.
class DebugValueGrid {
 public:
  virtual ~DebugValueGrid() = default;
  virtual int RowCount() const = 0;
  virtual void SetRowCount(int rows) = 0;
  virtual Bytes Cell(int column, int row) const = 0;
  virtual void SetCell(int column, int row, const Bytes& text) = 0;
};

// The window as a whole, for the repaint after an update.
class DebugWindowView {
 public:
  virtual ~DebugWindowView() = default;
  virtual void Repaint() = 0;
};

}  // namespace vantel
