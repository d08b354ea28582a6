// Packed blocks back to back in a stream, and the same bytes as a packed
// text file (a block at offset 0, or plain text).
#include "base/Stream.h"
#include "data/FuncFile.h"
#include "fuzz/FuzzSupport.h"

using namespace vantel;

VANTEL_FUZZ_ENTRY(Packed) {
  const std::string_view input = fuzz::Input(data, size);
  fuzz::Guarded([&] {
    MemoryStream stream{std::string(input)};
    for (int i = 0; i < 8 && stream.Position() < stream.Size(); ++i) {
      const int64_t before = stream.Position();
      ReadPackedBlock(stream, "fuzz block");
      if (stream.Position() <= before) break;
    }
  });
  fuzz::Guarded([&] { ReadPackedFile(fuzz::WriteScratch("packed.dat", input)); });
  return 0;
}
