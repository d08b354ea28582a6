// An archive file (script.chs, image.pk2, sound.pk2): header, packed name
// list, directory, then every listed entry read raw and as packed text.
#include <algorithm>
#include <vector>

#include "data/ClassArchive.h"
#include "fuzz/FuzzSupport.h"

using namespace vantel;

VANTEL_FUZZ_ENTRY(Archive) {
  const std::string path = fuzz::WriteScratch("fuzz.pk2", fuzz::Input(data, size));
  fuzz::Guarded([&] {
    TArchive archive(path);
    std::vector<char> buffer(4096);
    int n = 0;
    for (const TArchive::Entry& e : archive.Entries()) {
      if (++n > 32) break;
      archive.IndexOf(e.name);
      archive.EntryOffset(e.name);
      const int64_t length = std::min<int64_t>(archive.EntrySize(e.name), 1 << 16);
      if (archive.SelectEntry(e.name) && archive.Stream())
        fuzz::Guarded([&] {
          for (int64_t left = length; left > 0;) {
            const size_t got = archive.Stream()->Read(
                buffer.data(), static_cast<size_t>(std::min<int64_t>(left, 4096)));
            if (got == 0) break;
            left -= static_cast<int64_t>(got);
          }
        });
      fuzz::Guarded([&] { archive.ReadText(e.name); });
    }
    archive.IndexOf("missing.vxs");
  });
  return 0;
}
