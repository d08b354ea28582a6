#include "base/Paths.h"

#include <gtest/gtest.h>

#include "base/Errors.h"
#include "support/TempDir.h"

namespace vantel {

TEST(Paths, NamesAreFoundInAnyCase) {
  testing::TempDir dir;
  dir.Write("Save/TextBox.ini", "x");
  EXPECT_TRUE(FileExists(dir / "save/textbox.INI"));
  EXPECT_EQ(FindPath(dir / "SAVE/TEXTBOX.INI"), dir / "Save/TextBox.ini");
  EXPECT_TRUE(DirectoryExists(dir / "save"));
  EXPECT_EQ(FileSize(dir / "save/textbox.ini"), 1);
  EXPECT_EQ(FileSize(dir / "save/none"), -1);
  EXPECT_FALSE(FileExists(dir / "save"));
}

TEST(Paths, NamesFromDataNeverLeaveTheirDirectory) {
  EXPECT_TRUE(IsSafeName(Sjis("表.png")));  // 95 5C: a '\' trail byte is part of a character
  for (const char* bad : {"", ".", "..", "a/b", "a\\b", "../x", "/etc"})
    EXPECT_FALSE(IsSafeName(bad)) << bad;
  EXPECT_EQ(DataPath("image/", Sjis("表.png")), "image/表.png");
  EXPECT_FALSE(DataPath("image/", "..\\x.png"));

  // FindDataFile: a regular file under the directory, as spelt on disk.
  testing::TempDir dir;
  dir.Write("image/Sub/x.png", "x");
  dir.Write("image/表.PNG", "y");
  EXPECT_EQ(FindDataFile(dir / "image/", Sjis("表.png")), dir / "image/表.PNG");
  EXPECT_FALSE(FindDataFile(dir / "image/", "sub"));        // a directory is no file
  EXPECT_FALSE(FindDataFile(dir / "image/", "sub/x.png"));  // nor a name that leaves it
  EXPECT_FALSE(FindDataFile(dir / "image/", "none.png"));
}

TEST(Paths, AtomicWriteReplacesWholeFiles) {
  testing::TempDir dir;
  dir.Write("SAVE/data1", "old");
  WriteFileAtomic(dir / "save/DATA1", "new");  // writes over the file in its own case
  EXPECT_EQ(ReadWholeFile(dir / "SAVE/data1"), "new");
  EXPECT_EQ(ListDirectory(dir / "save"), std::vector<std::string>{"data1"});
  EXPECT_THROW(WriteFileAtomic(dir / "missing/dir/file", "x"), FileError);
}

}  // namespace vantel
