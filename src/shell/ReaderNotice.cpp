#include "shell/ReaderNotice.h"

#include <cstdio>
#include <exception>

#include "platform/Platform.h"
#include "shell/ClassGlobal.h"

namespace vantel {

const Bytes& GameCaption() {
  return Gbk("苍月楼");
}

void LogDetail(const std::string& detail) {
  if (detail.empty()) return;
  std::fprintf(stderr, "vantel: %s\n", detail.c_str());
  if (Global && DebugMode) Global->AppendLog(detail);
}

void TellReader(const Bytes& gbkText, const std::string& detail) {
  LogDetail(detail);
  GetPlatform().ShowMessage(gbkText, GameCaption(), MessageKind::Warning, false, CodePage::GBK);
}

Bytes GbkName(const std::string& utf8) {
  try {
    return FromUtf8(utf8, CodePage::GBK);
  } catch (const std::exception&) {
    return utf8;
  }
}

}  // namespace vantel
