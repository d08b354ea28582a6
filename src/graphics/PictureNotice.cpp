#include "graphics/PictureNotice.h"

#include "base/Errors.h"
#include "graphics/GraphicsHost.h"
#include "platform/Platform.h"

namespace vantel {

bool PictureNotice::Load(Tflat& layer, const Bytes& name, const char* fallback) {
  try {
    layer.LoadPicture(name);
    return true;
  } catch (const Error& e) {
    layer.Invalidate();
    layer.FPicture.SetSize(0, 0);
    layer.FPictureName.clear();
    layer.FVisible = false;
    if (fallback) layer.LoadPicture(fallback);
    Report(name, e.what());
    return false;
  }
}

void PictureNotice::Check(const TFlatBtn& button) {
  for (const auto& [name, reason] : button.FDamaged) Report(name, reason);
}

void PictureNotice::Report(const Bytes& name, const std::string& reason) {
  // Picture names are code page 932, as the scripts and scenes write them.
  const std::string line = ToUtf8(name) + ": " + reason;
  if (GraphicsHost* host = GetGraphicsHost()) host->AppendLog(FromUtf8(line));
  // A scene with several damaged pictures opens one box, not one per picture.
  if (told_) return;
  told_ = true;
  // The reader reads the picture's name; why it failed is for the log. No
  // caption: the platform gives the window's own, the game's.
  GetPlatform().ShowMessage(Gbk("无法读取图片：") + FromUtf8(ToUtf8(name), CodePage::GBK), Bytes(),
                            MessageKind::Warning, false, CodePage::GBK);
}

}  // namespace vantel
