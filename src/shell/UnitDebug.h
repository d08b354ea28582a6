// UnitDebug: TFormDebug, the debugger window's logic, without a view.
//
// A small tool window for script authors beside the main window: which
// script and line the interpreter runs ("Script/", "Code/", refreshed by
// Global->UpdateDebugInfo while the window is attached), the messages
// waiting in Global->PendingLog (script errors, sound warnings, picture
// failures; at most 100 lines kept), a grid of live values (scene, script,
// line, text speed, volumes, the sound sources, tick counts) of which the
// safe ones can be edited, and a jump of the story's interpreter to a
// source line ("*120") or to a named tag of any script ("script#label").
//
// Each opening (Ctrl+D with save/debug present) makes one more window and
// attaches the newest; closing a window detaches it when it is the attached
// one. The windows live until the program's teardown (CloseDebuggers) or
// until the next opening frees the closed ones.
//
// A jump to a script that does not exist, or one that cannot be read,
// leaves the story where it was and says so in the message box. Depends on
// Global, Main, the story scene's interpreter and the sound helpers; the
// platform draws it (Platform::OpenDebugWindow).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "base/Bytes.h"
#include "platform/Platform.h"
#include "shell/DebugView.h"

namespace vantel {

class TCodeBlue;

class TFormDebug : public DebugPanel {
 public:
  static constexpr int kWidth = 194, kHeight = 573, kMinWidth = 202;
  static constexpr int kMessageLineBytes = 512;  // longer lines are cut
  // Value grid rows.
  enum Row : int {
    kScene = 1,
    kScript,
    kLine,
    kMessageStep,
    kVolume1,
    kVolume2,
    kAutoSkip,
    kSource0,
    kSource1,
    kSource2,
    kTicks,
    kLateTicks,
    kRowCount
  };

  // The interpreter a jump acts on (null: the current scene has none).
  using ScriptSource = std::function<TCodeBlue*()>;
  // By default, the story scene's interpreter when the story is the scene.
  explicit TFormDebug(ScriptSource source = {});
  ~TFormDebug() override;

  // FormShow: placed left of the main window at (mainLeft, mainTop), or
  // right of its picture when that would be below -10; then an update.
  void FormShow(int mainLeft, int mainTop);
  // Makes this window Global's attached debugger.
  void Attach();
  bool Attached() const;

  // ---- DebugPanel ----
  Bytes Caption() const override { return "DEBUGER"; }
  int Left() const override { return left_; }
  int Top() const override { return top_; }
  int Width() const override { return kWidth; }
  int Height() const override { return kHeight; }
  int ResizedWidth(int width) const override { return width < kMinWidth ? kMinWidth : width; }
  Bytes ScriptLine() const override { return scriptLabel_.text; }
  Bytes CodeLine() const override { return codeLabel_.text; }
  const std::vector<Bytes>& MessageLines() const override { return messages_.lines; }
  int GridRows() const override { return grid_.RowCount(); }
  int GridColumns() const override { return 3; }
  Bytes GridCell(int column, int row) const override { return grid_.Cell(column, row); }
  bool GridCellEditable(int column, int row) const override;
  void RefreshValues() override;
  void EditCell(int column, int row, const Bytes& text) override;
  Bytes JumpTarget() const override { return edit_; }
  void SetJumpTarget(const Bytes& text) override { edit_ = text; }
  void JumpClick() override;
  void ClearClick() override { messages_.Clear(); }
  void UpdateClick() override;
  void CloseClick() override;
  void ReloadClick() override;  // live reload by hand (shell/LiveReload.h)
  bool Closed() const override { return closed_; }

 private:
  struct Label : DebugLabel {
    Bytes text;
    Bytes Caption() const override { return text; }
    void SetCaption(const Bytes& caption) override { text = caption; }
  };
  struct Messages : DebugMessageBox {
    std::vector<Bytes> lines;
    int LineCount() const override { return static_cast<int>(lines.size()); }
    void AppendLine(const Bytes& line) override;
    void DeleteFirstLine() override;
    void Clear() override { lines.clear(); }
  };
  struct Grid : DebugValueGrid {
    std::vector<Bytes> cells;  // 3 per row
    int RowCount() const override { return static_cast<int>(cells.size() / 3); }
    void SetRowCount(int rows) override { cells.resize(static_cast<size_t>(rows) * 3); }
    Bytes Cell(int column, int row) const override;
    void SetCell(int column, int row, const Bytes& text) override;
  };
  struct View : DebugWindowView {
    void Repaint() override {}  // the view draws every frame anyway
  };
  void Jump(TCodeBlue& script, const Bytes& target);

  ScriptSource source_;
  Label scriptLabel_, codeLabel_;
  Messages messages_;
  Grid grid_;
  View view_;
  Bytes edit_;
  int left_ = 0, top_ = 0;
  bool closed_ = false;
};

// The open debugger windows, oldest first (closed ones until the next opening).
const std::vector<std::unique_ptr<TFormDebug>>& DebugForms();
// Ctrl+D: frees the closed windows, opens one more beside the main window
// and attaches it; DebugMode on. Returns the new window.
TFormDebug* OpenDebugger();
// Closes and frees every debugger window (teardown; Global forgets them).
void CloseDebuggers();
// Installs OpenDebugger as Main's Ctrl+D opener.
void RegisterDebugger();

}  // namespace vantel
