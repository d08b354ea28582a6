#include "shell/UnitDebug.h"

#include <algorithm>

#include "base/Errors.h"
#include "data/FuncFile.h"
#include "script/ClassCodeBlue.h"
#include "script/Class_Story.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"
#include "shell/LiveReload.h"
#include "sound/FuncSound.h"

namespace vantel {
namespace {

std::vector<std::unique_ptr<TFormDebug>>& Forms() {
  static std::vector<std::unique_ptr<TFormDebug>> forms;
  return forms;
}

TCodeBlue* StoryScript() {
  if (!Main || Main->SceneNo != kSceneStory) return nullptr;
  auto* story = dynamic_cast<TStory*>(Main->Scene.get());
  return story ? story->FScript : nullptr;
}

Bytes BoolText(bool v) {
  return v ? "TRUE" : "FALSE";
}

Bytes Trim(const Bytes& text) {
  const size_t b = text.find_first_not_of(" \t");
  if (b == Bytes::npos) return Bytes();
  return text.substr(b, text.find_last_not_of(" \t") - b + 1);
}

// "playing NAME" or "stopped"; a source that never started has no name.
Bytes SourceText(int index) {
  const Bytes name = CommaField(GetSoundState(index), 0);  // name, plays left, variants, playing
  if (!IsSoundPlaying(index) || name.empty()) return "stopped";
  return "playing " + name;
}

}  // namespace

// ---- The controls --------------------------------------------------------------

void TFormDebug::Messages::AppendLine(const Bytes& line) {
  lines.push_back(line.size() > kMessageLineBytes ? line.substr(0, kMessageLineBytes) : line);
}

void TFormDebug::Messages::DeleteFirstLine() {
  if (!lines.empty()) lines.erase(lines.begin());
}

Bytes TFormDebug::Grid::Cell(int column, int row) const {
  if (column < 0 || column >= 3 || row < 0 || row >= RowCount()) return Bytes();
  return cells[static_cast<size_t>(row) * 3 + column];
}

void TFormDebug::Grid::SetCell(int column, int row, const Bytes& text) {
  if (column < 0 || column >= 3 || row < 0) return;
  if (row >= RowCount()) SetRowCount(row + 1);
  cells[static_cast<size_t>(row) * 3 + column] = text;
}

// ---- The window ----------------------------------------------------------------

TFormDebug::TFormDebug(ScriptSource source) : source_(std::move(source)) {
  scriptLabel_.text = "Script/";
  codeLabel_.text = "Code/";
  // FormCreate: the grid's names; the values come with each refresh.
  static const char* const kNames[kRowCount] = {
      "",         "Scene", "Script",  "Line",  "TextSpeed", "Volume1",  "Volume2",
      "AutoSkip", "Music", "Effects", "Spare", "Ticks",     "LateTicks"};
  grid_.SetRowCount(kRowCount);
  grid_.SetCell(1, 0, "Name");
  grid_.SetCell(2, 0, "Value");
  for (int r = 1; r < kRowCount; ++r) {
    grid_.SetCell(0, r, IntToStr(r));
    grid_.SetCell(1, r, kNames[r]);
  }
}

TFormDebug::~TFormDebug() {
  // Global must not keep references to controls that are gone.
  if (Global && Global->MessageBox == &messages_) {
    Global->DebugAttached = false;
    Global->ScriptLabel = nullptr;
    Global->CodeLabel = nullptr;
    Global->MessageBox = nullptr;
    Global->ValueGrid = nullptr;
    Global->DebugWindow = nullptr;
  }
}

void TFormDebug::Attach() {
  DebugMode = true;
  if (!Global) return;
  Global->ScriptLabel = &scriptLabel_;
  Global->CodeLabel = &codeLabel_;
  Global->MessageBox = &messages_;
  Global->ValueGrid = &grid_;
  Global->DebugWindow = &view_;
  Global->DebugAttached = true;
}

bool TFormDebug::Attached() const {
  return Global && Global->DebugAttached && Global->MessageBox == &messages_;
}

void TFormDebug::FormShow(int mainLeft, int mainTop) {
  left_ = mainLeft - 200;
  top_ = mainTop;
  // No room on the left: beside the 800-pixel picture on the right instead.
  if (left_ < -10) left_ = mainLeft + 810;
  UpdateClick();
}

void TFormDebug::UpdateClick() {
  if (Global && Attached()) Global->UpdateDebugInfo();
  RefreshValues();
}

void TFormDebug::CloseClick() {
  if (closed_) return;
  closed_ = true;
  // Only the attached window's closing detaches: closing an older one
  // must not silence the newest.
  if (Attached()) Global->DebugAttached = false;
}

void TFormDebug::ReloadClick() {
  ReloadPlayedChapter();
  UpdateClick();
}

// ---- The value grid ----------------------------------------------------------------

bool TFormDebug::GridCellEditable(int column, int row) const {
  return column == 2 &&
         (row == kMessageStep || row == kVolume1 || row == kVolume2 || row == kAutoSkip);
}

void TFormDebug::RefreshValues() {
  if (!Global) return;
  grid_.SetCell(2, kScene, IntToStr(Main ? Main->SceneNo : 0));
  grid_.SetCell(2, kScript, Global->ScriptName);
  grid_.SetCell(2, kLine, IntToStr(std::max(Global->LineNo, 1)));
  grid_.SetCell(2, kMessageStep, IntToStr(Global->MessageStep));
  grid_.SetCell(2, kVolume1, IntToStr(Global->Volume1));
  grid_.SetCell(2, kVolume2, IntToStr(Global->Volume2));
  grid_.SetCell(2, kAutoSkip, BoolText(Global->AutoSkip));
  for (int i = 0; i < 3; ++i) grid_.SetCell(2, kSource0 + i, SourceText(i));
  grid_.SetCell(2, kTicks, IntToStr(Main ? Main->Ticks : 0));
  grid_.SetCell(2, kLateTicks, IntToStr(Main ? Main->LateTicks : 0));
}

void TFormDebug::EditCell(int column, int row, const Bytes& text) {
  if (!Global || !GridCellEditable(column, row)) return;
  const Bytes t = Trim(text);
  if (row == kAutoSkip) {
    const Bytes l = LowerCase(t);
    if (l == "true" || l == "1") Global->AutoSkip = true;
    if (l == "false" || l == "0") Global->AutoSkip = false;
  } else {
    // Anything but a number keeps the value; numbers are held to what the
    // settings dialog allows.
    int32_t v = 0;
    try {
      v = StrToInt(t);
    } catch (const ConvertError&) {
      RefreshValues();
      return;
    }
    if (row == kMessageStep) {
      Global->MessageStep = std::clamp(v, 1, 255);
    } else {
      v = std::clamp(v, 0, 255);
      const int channel = row == kVolume1 ? 0 : 1;
      (row == kVolume1 ? Global->Volume1 : Global->Volume2) = v;
      PostSound(channel, kSoundVolume, Bytes(), v, 0);
    }
  }
  RefreshValues();
}

// ---- Jump --------------------------------------------------------------------------

void TFormDebug::JumpClick() {
  TCodeBlue* script = source_ ? source_() : StoryScript();
  if (!script || !Global) return;  // only the story has an interpreter
  const Bytes before = script->PositionString();
  try {
    Jump(*script, edit_);
  } catch (const Error& e) {
    // The story stays where it was; the author learns why.
    try {
      script->RestorePosition(before);
    } catch (const Error&) {
    }
    Global->AppendLog(Bytes("JUMP ") + edit_ + ": " + e.what());
  }
  UpdateClick();
}

void TFormDebug::Jump(TCodeBlue& script, const Bytes& target) {
  auto load = [&script](const Bytes& name) {
    script.Load(name);
    if (script.Count() == 0) throw FileError("no script named \"" + name + "\"");
  };
  load(Global->ScriptName);
  if (!target.empty() && target[0] == '*') {
    const int32_t line = StrToIntDef(std::string_view(target).substr(1), 1);
    int32_t at = script.Count();  // past the end: nothing left to run
    for (int i = 0; i < script.Count(); ++i) {
      if (script.Tag(i) >= line) {
        at = i;
        break;
      }
    }
    script.Position = at;
    return;
  }
  const size_t hash = target.find('#');
  const Bytes file = hash == Bytes::npos ? Bytes() : target.substr(0, hash);
  const Bytes label = hash == Bytes::npos ? target : target.substr(hash + 1);
  if (!file.empty()) load(file);
  if (!label.empty()) {
    // The names are lower-cased, the typed label is not.
    const int at = script.FindLabel(label);
    script.Position = at >= 0 ? at : 0;
  }
}

// ---- The windows -------------------------------------------------------------------

const std::vector<std::unique_ptr<TFormDebug>>& DebugForms() {
  return Forms();
}

TFormDebug* OpenDebugger() {
  Platform& platform = GetPlatform();
  auto& forms = Forms();
  std::erase_if(forms, [&platform](const std::unique_ptr<TFormDebug>& f) {
    if (!f->Closed()) return false;
    platform.CloseDebugWindow(*f);
    return true;
  });
  forms.push_back(std::make_unique<TFormDebug>());
  TFormDebug* form = forms.back().get();
  form->Attach();
  int left = 0, top = 0;
  platform.GetWindowPosition(left, top);
  form->FormShow(left, top);
  platform.OpenDebugWindow(*form);
  return form;
}

void CloseDebuggers() {
  Platform& platform = GetPlatform();
  for (auto& f : Forms()) platform.CloseDebugWindow(*f);
  Forms().clear();
}

void RegisterDebugger() {
  SetDebuggerOpener([] { OpenDebugger(); });
}

}  // namespace vantel
