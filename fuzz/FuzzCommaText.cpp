// Comma text (every state record) and the section/key list: its settings
// view, its field queue and its file form (tagged lines in a packed file).
#include "data/ClassSList.h"
#include "data/CommaText.h"
#include "fuzz/FuzzSupport.h"

using namespace vantel;

VANTEL_FUZZ_ENTRY(CommaText) {
  const std::string_view input = fuzz::Input(data, size);
  const std::vector<Bytes> fields = SplitCommaText(input);
  // Joining what was split and splitting again gives the same fields.
  if (SplitCommaText(JoinCommaText(fields)) != fields) __builtin_trap();

  fuzz::Guarded([&] {
    TSlist list;
    list.SetCommaText(input);
    list.CommaText();
    for (int i = 0; i < 4 && list.Count() > 0; ++i) {
      fuzz::Guarded([&] { list.PopInteger(); });
      if (list.Count() > 0) list.PopString();
    }
  });
  fuzz::Guarded([&] {
    TSlist list;
    list.SetText(input);
    list.ReadString("BOX0", "BoxWidth", "100");
    list.ReadInteger("", "MessageStep", 50);
    list.ReadBool("", "FullScreen", true);
    list.WriteString("BOX7", "BoxLeft", "12");
    list.WriteInteger("", "Volume1", 80);
    for (int i = 0; i < list.Count() && i < 64; ++i) list.GetField(i, 1);
  });
  fuzz::Guarded([&] {
    TSlist list;
    list.LoadFromPackedFile(fuzz::WriteScratch("list.dat", input));
    for (int i = 0; i < list.Count() && i < 64; ++i) list.GetField(i, 0);
  });
  return 0;
}
