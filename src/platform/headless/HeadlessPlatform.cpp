#include "platform/headless/HeadlessPlatform.h"

#include <algorithm>
#include <cstring>

#include "base/Errors.h"
#include "base/PngWrite.h"
#include "platform/FontText.h"
#include "platform/headless/HeadlessAudio.h"

namespace vantel {

HeadlessPlatform::HeadlessPlatform() : frame_(800, 600, Picture::Format::BGR24, 0) {}
HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::SetScreen(const ScreenRect& screen, const DisplayMode& mode) {
  screen_ = screen;
  mode_ = originalMode_ = mode;
}

bool HeadlessPlatform::CreateMainWindow(const Bytes&, int width, int height) {
  frame_ = Picture(width, height, Picture::Format::BGR24, 0);
  return true;
}

void HeadlessPlatform::GetClientSize(int& width, int& height) {
  width = frame_.Width();
  height = frame_.Height();
}

void HeadlessPlatform::Present(const Picture& frame, const ScreenRect& rect, int offsetX,
                               int offsetY) {
  presented_.push_back(rect);
  const ScreenRect r = ClipPresentRect(rect, frame.Width(), frame.Height(), frame_.Width(),
                                       frame_.Height(), offsetX, offsetY);
  const int bpp = frame.BytesPerPixel();
  for (int y = r.top; y < r.top + r.height; ++y) {
    uint8_t* d = frame_.Pixel(r.left + offsetX, y + offsetY);
    const uint8_t* s = frame.Pixel(r.left, y);
    if (bpp == 3)
      std::memcpy(d, s, static_cast<size_t>(r.width) * 3);
    else
      for (int x = 0; x < r.width; ++x, d += 3, s += bpp) std::memcpy(d, s, 3);
  }
}

bool HeadlessPlatform::PollEvent(InputEvent& event) {
  if (events_.empty()) return false;
  event = std::move(events_.front());
  events_.pop_front();
  return true;
}

MessageAnswer HeadlessPlatform::ShowMessage(const Bytes& text, const Bytes& caption,
                                            MessageKind kind, bool yesNo, CodePage cp, int, int) {
  messages_.push_back({text, caption, kind, yesNo, cp});
  if (!yesNo) return MessageAnswer::Ok;
  if (answers_.empty()) return MessageAnswer::Yes;
  MessageAnswer a = answers_.front();
  answers_.pop_front();
  return a;
}

int HeadlessPlatform::PopupMenu(const std::vector<MenuItem>& items, int, int) {
  if (menuChoices_.empty()) return -1;
  int id = menuChoices_.front();
  menuChoices_.pop_front();
  // Only an enabled item can be chosen, as in a real menu.
  for (const MenuItem& item : items)
    if (item.id == id && item.enabled && !item.separator) return id;
  return -1;
}

int HeadlessPlatform::RunDialog(DialogKind kind, DialogModel& model) {
  dialogsRun_.push_back(kind);
  if (!dialogScripts_.empty()) {
    DialogScript script = std::move(dialogScripts_.front());
    dialogScripts_.pop_front();
    script(kind, model);
  }
  if (!model.Closed()) model.CloseBox();
  for (Bytes n = model.TakeNotice(); !n.empty(); n = model.TakeNotice())
    messages_.push_back({n, Bytes(), MessageKind::Warning, false, CodePage::GBK});
  return model.Result();
}

bool HeadlessPlatform::ReadDisplayMode(DisplayMode& mode) {
  mode = mode_;
  return true;
}

bool HeadlessPlatform::TestDisplayMode(const DisplayMode& mode) {
  return mode.width > 0 && mode.height > 0 && mode.width <= screen_.width &&
         mode.height <= screen_.height;
}

bool HeadlessPlatform::ApplyDisplayMode(const DisplayMode& mode) {
  if (!TestDisplayMode(mode)) return false;
  mode_ = mode;
  return true;
}

bool HeadlessPlatform::PointOnMonitor(int x, int y) {
  return x >= screen_.left && y >= screen_.top && x < screen_.left + screen_.width &&
         y < screen_.top + screen_.height;
}

TextService& HeadlessPlatform::Text() {
  return SharedFontText();
}

std::unique_ptr<AudioDevice> HeadlessPlatform::CreateAudioDevice() {
  auto device = std::make_unique<HeadlessAudio>();
  device->SetOpenFails(audioOpenFails_);
  lastAudio_ = device.get();
  return device;
}

void HeadlessPlatform::DumpFrame(const std::string& pngPath) const {
  WritePng(pngPath, frame_);
}

bool HeadlessPlatform::OpenDebugWindow(DebugPanel& panel) {
  debugWindows_.push_back(&panel);
  return true;
}

void HeadlessPlatform::CloseDebugWindow(DebugPanel& panel) {
  std::erase(debugWindows_, &panel);
}

}  // namespace vantel
