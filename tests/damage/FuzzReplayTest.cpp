// Every input a fuzz run made a finding with, replayed through the fuzz
// targets' own bodies: each must end as a pass (read, or refused with a
// project error), never a crash, a sanitizer report or another exception.
// The inputs are hex text under tests/damage/fuzz-inputs/<target>/.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "TestPaths.h"
#include "fuzz/FuzzSupport.h"

// The fuzz targets' bodies (fuzz/Fuzz*.cpp).
int FuzzArchive(const uint8_t*, size_t);
int FuzzPacked(const uint8_t*, size_t);
int FuzzCommaText(const uint8_t*, size_t);
int FuzzSettings(const uint8_t*, size_t);
int FuzzPng(const uint8_t*, size_t);
int FuzzJpeg(const uint8_t*, size_t);
int FuzzSound(const uint8_t*, size_t);
int FuzzScript(const uint8_t*, size_t);
int FuzzSave(const uint8_t*, size_t);
int FuzzLsp(const uint8_t*, size_t);

namespace vantel {

namespace {

// The bytes of a hex text; blanks and line breaks are ignored.
std::string FromHex(const std::string& text) {
  std::string digits, bytes;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  for (size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes += static_cast<char>(std::stoi(digits.substr(i, 2), nullptr, 16));
  return bytes;
}

TEST(FuzzReplay, EveryPastFindingIsNowAPass) {
  const std::map<std::string, int (*)(const uint8_t*, size_t)> targets = {
      {"archive", FuzzArchive},   {"packed", FuzzPacked}, {"commatext", FuzzCommaText},
      {"settings", FuzzSettings}, {"png", FuzzPng},       {"jpeg", FuzzJpeg},
      {"sound", FuzzSound},       {"script", FuzzScript}, {"save", FuzzSave},
      {"lsp", FuzzLsp}};
  const std::filesystem::path root =
      std::filesystem::path(VANTEL_SOURCE_DIR) / "tests/damage/fuzz-inputs";
  int replayed = 0;
  for (const auto& dir : std::filesystem::directory_iterator(root)) {
    const std::string target = dir.path().filename().string();
    ASSERT_TRUE(targets.count(target)) << "no fuzz target " << target;
    for (const auto& file : std::filesystem::directory_iterator(dir.path())) {
      std::ifstream in(file.path());
      std::stringstream text;
      text << in.rdbuf();
      const std::string input = FromHex(text.str());
      SCOPED_TRACE(target + "/" + file.path().filename().string());
      EXPECT_NO_THROW(
          targets.at(target)(reinterpret_cast<const uint8_t*>(input.data()), input.size()));
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
  SetPlatform(nullptr);
  std::filesystem::remove_all(fuzz::ScratchDir());
}

}  // namespace
}  // namespace vantel
