#include "graphics/ClassLetter.h"

#include <algorithm>

#include "data/FuncFile.h"

namespace vantel {

namespace {

bool IsNoStart(const Bytes& t) {
  static const char* const kNoStart[] = {"\x82\xC1", "\x82\xE1", "\x82\xE3", "\x82\xE5", "\x83\x62",
                                         "\x83\x83", "\x83\x85", "\x83\x87", "\x81\x5B", "\x81\x42",
                                         "\x81\x41", "\x81\x48", "\x81\x49", "\x81\x63", "\x81\x76",
                                         "\x81\x78", "\x81\x68"};
  if (t.size() != 2) return false;
  for (const char* c : kNoStart)
    if (t == c) return true;
  return false;
}

const char kOpenQuote[] = "\x81\x67";  // “ never ends a line
const char kComma[] = "\x81\x41";      // 、
const char kFullStop[] = "\x81\x42";   // 。

}  // namespace

Tletters::Tletters(TextService* measure) : measure_(measure ? measure : &GetPlatform().Text()) {}

bool Tletters::AddText(std::string_view text) {
  const int before = Count();
  FRubyCounter = 0;
  for (const Bytes& line : SplitLines(text)) {
    if (line.empty()) continue;
    if (line[0] == '*') {
      ApplyTag(line);
      if (line == "*br") {
        Layout();
        FPenX = 0;
      }
    } else {
      AddLetters(line);
    }
  }
  Layout();
  return Count() > before;
}

void Tletters::Clear() {
  FLetters.clear();
  FPenX = 0;
  FLaidOut = 0;
}

void Tletters::DeleteLetter(int index) {
  if (index < 0 || index >= Count()) return;
  FLetters.erase(FLetters.begin() + index);
  // Only a placed letter leaves the placed run shorter.
  if (index < FLaidOut) --FLaidOut;
}

void Tletters::ApplyTag(std::string_view line) {
  const Bytes tag = CommaField(line, 0);
  if (tag == "*i") {
    FMeasure.Style |= kStyleItalic;
  } else if (tag == "*/i") {
    FMeasure.Style &= ~kStyleItalic;
  } else if (tag == "*b") {
    FMeasure.Style |= kStyleBold;
  } else if (tag == "*/b") {
    FMeasure.Style &= ~kStyleBold;
  } else if (tag == "*font") {
    for (int k = 0; k <= 5; ++k) {
      const Bytes key = CommaField(line, 2 * k + 1);
      const Bytes value = CommaField(line, 2 * k + 2);
      if (key == "color")
        FMeasure.Color = ColorOf(value);
      else if (key == "size")
        FMeasure.Height = StrToIntDef(value, 0);
      else if (key == "name")
        FMeasure.Name = value;
    }
  } else if (tag == "*r") {
    FRubyCounter = 1;
    FRubyText = CommaField(line, 2);
  } else if (tag == "*/r") {
    FRubyCounter = 0;
  }
}

void Tletters::AddLetters(std::string_view text) {
  FontRequest font;
  font.face = FMeasure.Name;
  font.height = FMeasure.Height;
  font.bold = FMeasure.Style & kStyleBold;
  font.italic = FMeasure.Style & kStyleItalic;
  font.codePage = CodePage::CP932;
  for (size_t p = 0; p < text.size();) {
    const size_t len =
        IsLeadByte(static_cast<unsigned char>(text[p])) && p + 1 < text.size() ? 2 : 1;
    FLetters.emplace_back();
    TLet& l = FLetters.back();
    l.Text = Bytes(text.data() + p, len);
    p += len;
    l.Width = measure_->Measure(font, l.Text).width;
    if (FRubyCounter == 0) {
      l.RubyIndex = 0;
    } else if (FRubyCounter == 1) {
      l.Ruby = FRubyText;
      l.RubyIndex = 1;
      FRubyCounter = 2;
    } else {
      l.RubyIndex = FRubyCounter;
      if (++FRubyCounter > 10) FRubyCounter = 0;  // a ruby group is at most 10 letters
    }
    l.FontName = FMeasure.Name;
    l.Color = FMeasure.Color;
    l.Style = FMeasure.Style;
    l.Size = std::clamp(FMeasure.Height, 10, 56);  // measured at the unclamped height
  }
}

bool Tletters::MayBeginLine(int j, int n) const {
  const TLet& l = FLetters[j];
  const TLet& before = FLetters[j - 1];
  if (IsNoStart(l.Text)) return false;
  if (before.RubyIndex > 0 && l.RubyIndex > before.RubyIndex) return false;  // inside a ruby group
  if (before.Text == kOpenQuote) return false;
  if (j > n - 3) return false;  // the next line would hold fewer than three letters
  return true;
}

void Tletters::Layout() {
  const int n = Count();
  if (FLaidOut >= n) {
    FLaidOut = n;
    return;
  }
  const int first = std::max(FLaidOut, 0);
  const int32_t w = FLineWidth;
  int i = first;
  while (i < n) {
    const int start = i;
    if (FLetters[i].Width > w - FPenX) FPenX = 0;  // cannot continue the current line
    const int32_t x0 = FPenX;
    while (i < n) {
      TLet& l = FLetters[i];
      l.X = FPenX;
      if (l.Width + FPenX > w) break;
      FPenX += l.Width;
      ++i;
    }
    if (i == n) break;  // the last line for now: FPenX stays for the next chunk

    int k = 0;
    int64_t s = 0;
    bool found = false;
    for (int j = i; j > start; --j) {
      if (MayBeginLine(j, n)) {
        found = true;
        break;
      }
      ++k;
      s += FLetters[j].Width;
    }
    if (!found) {
      if (x0 > 0) {
        // The line continued one from an earlier chunk: begin it afresh at X = 0.
        FPenX = 0;
        i = start;
        continue;
      }
      // Nowhere to break on a whole line: break at the overflowing letter,
      // and give a letter wider than the line a line of its own.
      k = 0;
      if (i == start) i = start + 1;
    }
    if (k > 0) {
      i -= k;
      const int32_t d = static_cast<int32_t>(std::min<int64_t>(s / k, 8));
      FPenX = x0;
      for (int j = start; j < i; ++j) {
        TLet& l = FLetters[j];
        if (l.Text == kComma || l.Text == kFullStop) l.Width += d;
        l.X = FPenX;
        FPenX += l.Width;
      }
    }
    // Stretch the broken line across the whole width.
    const TLet& last = FLetters[i - 1];
    const int64_t span = static_cast<int64_t>(last.X) + last.Width - x0;
    if (span > 0)
      for (int j = start; j < i; ++j) {
        TLet& l = FLetters[j];
        l.X = static_cast<int32_t>(x0 + (static_cast<int64_t>(l.X) - x0) * (w - x0) / span);
      }
    FPenX = 0;
  }

  for (int j = first; j < n; ++j) {
    TLet& l = FLetters[j];
    if (l.Ruby.empty()) continue;
    int e = j;
    while (e + 1 < n && FLetters[e + 1].RubyIndex != 0) ++e;
    l.RubySpan = FLetters[e].X - l.X + FLetters[e].Width;
  }
  FLaidOut = n;
}

}  // namespace vantel
