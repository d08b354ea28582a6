#include "platform/Platform.h"

#include <algorithm>
#include <cassert>

namespace vantel {
namespace {
Platform* current = nullptr;
}

Platform& GetPlatform() {
  assert(current && "no platform set");
  return *current;
}

void SetPlatform(Platform* platform) {
  current = platform;
}

ScreenRect ClipPresentRect(const ScreenRect& rect, int frameWidth, int frameHeight, int targetWidth,
                           int targetHeight, int offsetX, int offsetY) {
  // In 64 bits: the sums of extreme arguments must not wrap.
  const int64_t x0 = std::max<int64_t>({rect.left, 0, -int64_t{offsetX}});
  const int64_t y0 = std::max<int64_t>({rect.top, 0, -int64_t{offsetY}});
  const int64_t x1 = std::min<int64_t>(
      {int64_t{rect.left} + rect.width, frameWidth, int64_t{targetWidth} - offsetX});
  const int64_t y1 = std::min<int64_t>(
      {int64_t{rect.top} + rect.height, frameHeight, int64_t{targetHeight} - offsetY});
  if (x1 <= x0 || y1 <= y0) return ScreenRect{};
  return ScreenRect{int(x0), int(y0), int(x1 - x0), int(y1 - y0)};
}

}  // namespace vantel

namespace vantel {
namespace {

constexpr int kVkTab = 9, kVkEnter = 13, kVkEscape = 27, kVkSpace = 32, kVkPageUp = 33,
              kVkPageDown = 34, kVkEnd = 35, kVkHome = 36, kVkLeft = 37, kVkUp = 38, kVkRight = 39,
              kVkDown = 40;

bool Focusable(DialogControl::Kind kind) {
  return kind != DialogControl::Kind::Label && kind != DialogControl::Kind::Panel;
}

}  // namespace

char MarkedLetter(const Bytes& caption, CodePage cp) {
  for (size_t i = 0; i < caption.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(caption[i]);
    if (cp == CodePage::GBK ? IsGbkLeadByte(c) : IsLeadByte(c)) {
      ++i;
      continue;
    }
    if (c == '&' && i + 1 < caption.size()) {
      const char n = caption[i + 1];
      if (n == '&') {
        ++i;
        continue;
      }
      return (n >= 'a' && n <= 'z') ? static_cast<char>(n - 'a' + 'A') : n;
    }
  }
  return 0;
}

const DialogControl* DialogModel::Find(const std::vector<DialogControl>& controls, int id) {
  for (const DialogControl& c : controls)
    if (c.id == id && Focusable(c.kind)) return &c;
  return nullptr;
}

bool DialogModel::Usable(const DialogControl& c) const {
  return Focusable(c.kind) && c.visible && c.enabled && (c.page < 0 || c.page == page_);
}

Bytes DialogModel::TakeNotice() {
  if (notices_.empty()) return Bytes();
  Bytes first = std::move(notices_.front());
  notices_.erase(notices_.begin());
  return first;
}

void DialogModel::TabNext(bool backwards) {
  const std::vector<DialogControl> controls = Controls();
  std::vector<int> order;
  int at = -1;
  for (const DialogControl& c : controls) {
    if (!Usable(c)) continue;
    if (c.id == focus_) at = static_cast<int>(order.size());
    order.push_back(c.id);
  }
  if (order.empty()) return;
  const int n = static_cast<int>(order.size());
  if (at < 0)
    at = backwards ? n - 1 : 0;
  else
    at = (at + (backwards ? n - 1 : 1)) % n;
  focus_ = order[at];
}

bool DialogModel::KeyDown(int key, uint32_t shift) {
  if (closed_) return true;
  if (key >= 0 && key < kKeyCodes) keysDown_.set(static_cast<size_t>(key));
  if (key == kVkTab && (shift & kCtrl)) {
    // Ctrl+Tab turns the page control's pages.
    const int n = static_cast<int>(Pages().size());
    if (n > 0) {
      page_ = (page_ + ((shift & kShift) ? n - 1 : 1)) % n;
      focus_ = -1;
      TabNext(false);
    }
    return true;
  }
  if (key == kVkTab) {
    TabNext((shift & kShift) != 0);
    return true;
  }
  if (key == kVkEscape) {
    CloseBox();
    return true;
  }
  const std::vector<DialogControl> controls = Controls();
  const DialogControl* f = Find(controls, focus_);
  if (f && !Usable(*f)) f = nullptr;
  using Kind = DialogControl::Kind;
  const bool inEdit = f && f->kind == Kind::Edit;

  // A marked letter presses its button: with Alt anywhere, bare outside an edit box.
  const bool letter = (key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9');
  if (letter && ((shift & kAlt) || !inEdit) && !(shift & kCtrl)) {
    for (const DialogControl& c : controls) {
      if (c.kind != Kind::Button || !Usable(c) || MarkedLetter(c.text, c.cp) != key) continue;
      focus_ = c.id;
      Click(c.id);
      return true;
    }
    return (shift & kAlt) != 0;
  }
  if (!f) return key == kVkEnter || key == kVkSpace;
  switch (key) {
    case kVkEnter:
      if (f->kind == Kind::Button) Click(f->id);
      if (f->kind == Kind::Grid && f->row >= 0) DoubleClick(f->id);
      return true;  // an edit box acts on the release (KeyUp)
    case kVkSpace:
      if (f->kind == Kind::Button) Click(f->id);
      if (f->kind == Kind::CheckBox) ValueChanged(f->id, f->value ? 0 : 1);
      return f->kind != Kind::Edit;
    case kVkUp:
    case kVkDown:
    case kVkLeft:
    case kVkRight:
    case kVkHome:
    case kVkEnd:
    case kVkPageUp:
    case kVkPageDown:
      break;
    default:
      return false;
  }
  const bool back = key == kVkUp || key == kVkLeft || key == kVkPageUp || key == kVkHome;
  if (f->kind == Kind::Grid) {
    const int last = static_cast<int>(f->rows.size()) - 1;
    if (last < 0) return true;
    const int page = std::max(1, f->height / std::max(1, f->rowHeight) - 1);
    int r = f->row;
    if (key == kVkUp || key == kVkDown) r += back ? -1 : 1;
    if (key == kVkPageUp || key == kVkPageDown) r += back ? -page : page;
    if (key == kVkHome) r = 0;
    if (key == kVkEnd) r = last;
    if (key == kVkLeft || key == kVkRight) return true;
    r = std::clamp(r, 0, last);
    if (r != f->row) RowSelected(f->id, r);
    return true;
  }
  if (f->kind == Kind::ScrollBar) {
    int v = f->value;
    if (key == kVkUp || key == kVkDown || key == kVkLeft || key == kVkRight) v += back ? -1 : 1;
    if (key == kVkPageUp || key == kVkPageDown) v += back ? -10 : 10;
    if (key == kVkHome) v = f->minimum;
    if (key == kVkEnd) v = f->maximum;
    v = std::clamp(v, f->minimum, f->maximum);
    if (v != f->value) ValueChanged(f->id, v);
    return true;
  }
  if (f->kind == Kind::Edit) return false;  // the edit box moves its caret
  if (key == kVkHome || key == kVkEnd || key == kVkPageUp || key == kVkPageDown) return true;
  TabNext(back);  // between buttons and check boxes, as in any dialog
  return true;
}

void DialogModel::KeyUp(int key, uint32_t) {
  if (closed_) return;
  // A release whose press went elsewhere (the notice over this dialog that
  // the press closed) is not this dialog's: Enter would store again and
  // raise the same notice at once.
  if (key < 0 || key >= kKeyCodes || !keysDown_.test(static_cast<size_t>(key))) return;
  keysDown_.reset(static_cast<size_t>(key));
  const std::vector<DialogControl> controls = Controls();
  const DialogControl* f = Find(controls, focus_);
  if (f && Usable(*f) && f->kind == DialogControl::Kind::Edit) KeyReleased(f->id, key);
}

// ---- Message boxes ---------------------------------------------------------

namespace {
std::vector<Bytes> BoxLines(const Bytes& text) {
  std::vector<Bytes> lines(1);
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') continue;
    if (text[i] == '\n')
      lines.emplace_back();
    else
      lines.back() += text[i];
  }
  return lines;
}
}  // namespace

MessageBoxModel::MessageBoxModel(Bytes text, Bytes caption, MessageKind kind, bool yesNo,
                                 CodePage cp)
    : text_(std::move(text)), caption_(std::move(caption)), kind_(kind), yesNo_(yesNo), cp_(cp) {
  SetFocus(yesNo_ ? kYes : kOk);
}

int MessageBoxModel::Width() const {
  size_t longest = 0;
  for (const Bytes& line : BoxLines(text_)) longest = std::max(longest, line.size());
  // A double-byte character is about as wide as the text's height; a byte half that.
  return std::clamp(static_cast<int>(longest) * 7 + 48, 220, 760);
}

int MessageBoxModel::Height() const {
  // A line too long for the widest box wraps onto further lines.
  int lines = 0;
  for (const Bytes& line : BoxLines(text_))
    lines += 1 + static_cast<int>(line.size()) * 7 / (760 - 48);
  return lines * 18 + 76;
}

std::vector<DialogControl> MessageBoxModel::Controls() const {
  using Kind = DialogControl::Kind;
  std::vector<DialogControl> c;
  c.push_back(DialogControl::Make(kText, Kind::Label, 24, 16, 0, 0, text_));
  c.back().cp = cp_;
  const int w = Width(), top = Height() - 37;
  auto button = [&](int id, const char* caption, int left) {
    c.push_back(DialogControl::Make(id, Kind::Button, left, top, 80, 25, Gbk(caption)));
  };
  if (yesNo_) {
    button(kYes, "是(&Y)", w / 2 - 86);
    button(kNo, "否(&N)", w / 2 + 6);
  } else {
    button(kOk, "确定", w / 2 - 40);
  }
  return c;
}

void MessageBoxModel::Click(int id) {
  if (id == kYes) answer_ = MessageAnswer::Yes;
  if (id == kNo) answer_ = MessageAnswer::No;
  if (id == kOk) answer_ = MessageAnswer::Ok;
  if (id == kYes || id == kNo || id == kOk) Close(static_cast<int>(answer_));
}

void MessageBoxModel::CloseBox() {
  answer_ = yesNo_ ? MessageAnswer::No : MessageAnswer::Ok;
  Close(static_cast<int>(answer_));
}

}  // namespace vantel
