#include "scenes/Class_MsLog.h"

#include <algorithm>
#include <vector>

#include "base/Errors.h"
#include "base/Paths.h"
#include "data/ClassArchive.h"
#include "data/FuncFile.h"
#include "script/ClassCodeRed.h"
#include "shell/ClassGlobal.h"
#include "shell/ClassMain.h"

namespace vantel {
namespace {

constexpr const char* kChapterNames[TmsLog::kChapters] = {
    "脚本1", "脚本2", "脚本2_2", "脚本3", "脚本4", "脚本4_2", "脚本5_1", "脚本5_2", "脚本6"};

constexpr int32_t kKeyEnter = 13, kKeyPageUp = 33, kKeyPageDown = 34, kKeyUp = 38, kKeyDown = 40;
constexpr Colour kTitleGrey = 0xAAAAAA;

std::unique_ptr<TFlatBtn> MakeButton(Tflat* parent, int n, int32_t left, int32_t top, int32_t key) {
  const Bytes digits = "0" + IntToStr(n);
  auto button = std::make_unique<TFlatBtn>(
      parent,
      std::vector<Bytes>{"playback_n" + digits, "playback_ov" + digits, "playback_out" + digits});
  button->SetLeft(left);
  button->SetTop(top);
  button->FKey = key;
  return button;
}

// Cuts text into lines as the script loader counts them (LineEndAt), and a
// last line without a break counts when not empty.
void SplitLines(std::string_view text, TSlist& lines) {
  lines.Clear();
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t end = LineEndAt(text, i);
    if (end == 0) continue;
    lines.Add(Bytes(text.substr(start, i - start)));
    i += end - 1;
    start = i + 1;
  }
  if (start < text.size()) lines.Add(Bytes(text.substr(start)));
}

}  // namespace

TmsLog::TmsLog(TextService* text) : Tflat(nullptr), text_(text) {
  if (Global && Global->FullScreen) CentreOnScreen(*this);
  LoadPicture("black");
  FTag = "msg";
  FActive = true;
  FSnapshot.SetPixelFormat(Picture::Format::BGR24);
  FSnapshot.SetSize(TMain::kWidth, TMain::kHeight);

  TextLayer = std::make_unique<TFlatText>(this, text);
  TextLayer->SetBox(20, 50, 700, 400);
  TextLayer->FVisible = true;

  PageUpButton = MakeButton(this, 1, 740, 59, kKeyPageUp);
  LineUpButton = MakeButton(this, 2, 740, 134, kKeyUp);
  ReturnButton = MakeButton(this, 3, 607, 550, kKeyEnter);
  LineDownButton = MakeButton(this, 4, 740, 295, kKeyDown);
  PageDownButton = MakeButton(this, 5, 740, 347, kKeyPageDown);
  for (const TFlatBtn* button : {PageUpButton.get(), LineUpButton.get(), ReturnButton.get(),
                                 LineDownButton.get(), PageDownButton.get()})
    Notice.Check(*button);

  for (const char* name : kChapterNames) Chapters.Add(Sjis(name));

  // The story keeps its script's name lower-cased.
  const Bytes reading = Global ? LowerCase(Global->ScriptName) : Bytes();
  for (int i = 0; i < kChapters; ++i)
    if (LowerCase(Chapters[i]) == reading) {
      Reading.chapter = i;
      ReadingKnown = true;
    }
  if (ReadingKnown) {
    // A line beyond the end of the chapter would let the page run past the
    // reading position into text not yet read: the furthest the story can
    // be is just after its chapter's last line.
    Reading.line = std::clamp(Global->HandOverLine, 0, LineCount(Reading.chapter));
  }
  View = Reading;
  for (int i = 0; i < kEntryLines; ++i) StepBack(View, false);
  TextLayer->AddText(BuildPage());
  TextLayer->RevealAll();
}

TmsLog::~TmsLog() {
  // The widgets leave this layer's child list while it is still intact.
  TextLayer.reset();
  PageUpButton.reset();
  LineUpButton.reset();
  ReturnButton.reset();
  LineDownButton.reset();
  PageDownButton.reset();
}

void TmsLog::LoadChapter(const Bytes& name) {
  Lines.ScriptName = name;
  LinesLoaded = true;
  const Bytes file = LowerCase(name) + ".vxs";
  Bytes text;
  try {
    if (ScriptArchive && ScriptArchive->IndexOf(file) >= 0) {
      text = ScriptArchive->ReadText(file);
    } else if (auto path = DataPath(ScriptDir, file); path && FileExists(*path)) {
      text = ReadScriptFile(*path);  // as the story reads it: UTF-8 sources converted
    }
  } catch (const Error& e) {
    // The log only looks back: a damaged chapter shows nothing rather than
    // take the scene (and the session's reading) down with it.
    text.clear();
    if (Global) Global->AppendLog(FromUtf8(e.what()));
  }
  // A missing script has no lines: keeping the previous chapter's lines
  // would show that chapter's text under this one's title.
  SplitLines(text, Lines);
  for (int i = 0; i < Lines.Count(); ++i) {
    const Bytes& line = Lines[i];
    if (line.empty() || line[0] != '<') continue;
    const Bytes lower = LowerCase(line);
    if (lower.compare(0, 3, "<r ") == 0 || lower.compare(0, 3, "<fo") == 0) continue;
    Lines.SetString(i, "[" + lower.substr(1));
  }
}

void TmsLog::EnsureLoaded(int32_t index) {
  if (!LinesLoaded || Lines.ScriptName != Chapters[index]) LoadChapter(Chapters[index]);
}

int32_t TmsLog::LineCount(int32_t index) {
  if (Chapters.Tag(index) == 0) {
    EnsureLoaded(index);
    Chapters.SetTag(index, Lines.Count());
  }
  return Chapters.Tag(index);
}

bool TmsLog::Displayable(const Position& p) {
  EnsureLoaded(p.chapter);
  if (p.line < 0 || p.line >= Lines.Count()) return false;
  const Bytes& line = Lines[p.line];
  return !line.empty() && line[0] != '[';
}

bool TmsLog::StepBack(Position& p, bool raw) {
  if (!ReadingKnown) return false;
  for (;;) {
    Position prev{p.chapter, p.line - 1};
    // A loop, not a single step: an empty chapter has no last line to land on.
    while (prev.line < 0) {
      if (prev.chapter == 0) {
        p = Position{};
        return false;
      }
      --prev.chapter;
      prev.line = LineCount(prev.chapter) - 1;
    }
    p = prev;
    if (raw || Displayable(p)) return true;
  }
}

bool TmsLog::StepForward(Position& p, bool raw) {
  if (!ReadingKnown) return false;
  for (;;) {
    if (p == Reading) return false;
    Position next{p.chapter, p.line + 1};
    while (next.line >= LineCount(next.chapter) && !(next == Reading)) {
      // The end of the story: staying put here, rather than stepping onto
      // the same line again, keeps a non-displayable last line from
      // looping for ever.
      if (next.chapter + 1 >= kChapters) return false;
      next = Position{next.chapter + 1, 0};
    }
    p = next;
    if (raw || Displayable(p)) return true;
  }
}

Bytes TmsLog::BuildPage() {
  Bytes text;
  if (ReadingKnown) {
    const Bytes fullWidthSpace = Sjis("　");
    Position p = View;
    for (int remaining = kPageLines; remaining > 0;) {
      EnsureLoaded(p.chapter);
      if (p.line == 0) text += "\r" + fullWidthSpace + "\r" + fullWidthSpace + "\r";
      if (Displayable(p)) {
        text += "\r" + Lines[p.line];
        --remaining;
      }
      if (!StepForward(p, true) || p == Reading) break;
    }
  }

  TCodeRed tokens;
  tokens.GlobalScriptName = &tokens.ScriptName;  // leave the story's name alone
  tokens.Tokenize(text);
  Bytes page;
  for (int i = 0; i < tokens.Count(); ++i) {
    Bytes token = tokens[i];
    if (!token.empty() && token[0] == '<' && Lines.ParseToken(token)) {
      // Tags are told apart by their command, without regard to case, as
      // the interpreter tells them: the text markup becomes what the story
      // hands its text layer (<br> breaks the line like the loader's <BR>),
      // and every other tag (waits, page breaks, sounds) shows nothing, as
      // in the story.
      if (Lines.Command == "*r")
        token = "*r,text," + (Lines.AttrValues.Count() > 0 ? Lines.AttrValues[0] : Bytes());
      else if (Lines.Command == "*font")
        token = "*font,color," + Lines.Attr("color", "");
      else if (Lines.Command == "*/r" || Lines.Command == "*/font" || Lines.Command == "*br")
        token = Lines.Command;
      else
        token.clear();
    }
    if (i > 0) page += "\r\n";
    page += token;
  }

  DrawCornerTitle();
  return page;
}

void TmsLog::DrawCornerTitle() {
  FPicture.FillRect(600, 530, 800, 550, 0);
  const int32_t chapter = ReadingKnown ? View.chapter : Reading.chapter;
  if (const ChapterInfo* info = FindChapter(Chapters[chapter])) {
    TextService& service = text_ ? *text_ : GetPlatform().Text();
    FontRequest font;
    font.codePage = CodePage::GBK;
    const Bytes& title = ChapterTitleOf(info->chapter);
    const int width = service.Measure(font, title).width;
    service.Draw(FPicture, 780 - width, 530, font, kTitleGrey, title);
  }
  MarkRect(600, 530, 800, 550);
  PropagateDirty();
}

void TmsLog::ShowPage() {
  TextLayer->ClearPage();
  TextLayer->AddText(BuildPage());
  TextLayer->RevealAll();
  TextLayer->PropagateDirty();
}

void TmsLog::Signal(int32_t code, int32_t a, int32_t b) {
  Tflat::Signal(code, a, b);
  if (ReturnButton->FClicked && Global) Global->NextScene = kSceneStory;
  if (LineUpButton->FClicked) {
    StepBack(View, false);
    ShowPage();
    LineUpButton->FClicked = false;
  }
  if (LineDownButton->FClicked) {
    StepForward(View, false);
    ShowPage();
    LineDownButton->FClicked = false;
  }
  if (PageUpButton->FClicked) {
    for (int i = 0; i < kPageStep; ++i) StepBack(View, false);
    ShowPage();
    PageUpButton->FClicked = false;
  }
  if (PageDownButton->FClicked) {
    for (int i = 0; i < kPageStep; ++i) StepForward(View, false);
    ShowPage();
    PageDownButton->FClicked = false;
  }
}

void RegisterMessageLogScene() {
  RegisterScene(kSceneMessageLog, [] { return std::make_unique<TmsLog>(); });
}

}  // namespace vantel
