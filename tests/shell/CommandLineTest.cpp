#include "shell/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vantel {
namespace {

CommandLine Parse(std::vector<std::string> args) {
  return ParseCommandLine(args);
}

TEST(CommandLine, ReadsOptionsAndTheSecondDataDirectory) {
  CommandLine c = Parse({"--root", "/games/a", "/mnt/cd/", "--scale=3", "--screenshot", "x.png",
                         "--quit-after-ms", "1500", "ignored", "also-ignored"});
  EXPECT_EQ(c.error, "");
  EXPECT_EQ(c.root, "/games/a");
  EXPECT_EQ(c.secondDataDir, "/mnt/cd/");  // exactly as given; further plain arguments ignored
  EXPECT_EQ(c.scale, 3);
  // Relative to where it was given: the player later changes into the game folder.
  EXPECT_EQ(c.screenshot, (std::filesystem::current_path() / "x.png").string());
  EXPECT_EQ(c.quitAfterMs, 1500u);
  EXPECT_FALSE(c.help || c.version);

  c = Parse({});
  EXPECT_EQ(c.error, "");
  EXPECT_EQ(c.root, "");
  EXPECT_EQ(c.secondDataDir, "");
  EXPECT_EQ(c.scale, 0);  // 0: the largest that fits

  // Given twice, the last counts; a value may itself look like an option.
  c = Parse({"--root", "a", "--scale", "2", "--root=b", "--scale", "5"});
  EXPECT_EQ(c.root, "b");
  EXPECT_EQ(c.scale, 5);
  EXPECT_EQ(Parse({"--root", "--odd"}).root, "--odd");
  EXPECT_EQ(Parse({"--root=a=b"}).root, "a=b");

  // After "--" everything is plain, so a directory may start with '-'; a
  // lone "-" is plain anyway.
  c = Parse({"--", "--scale", "7"});
  EXPECT_EQ(c.error, "");
  EXPECT_EQ(c.secondDataDir, "--scale");
  EXPECT_EQ(c.scale, 0);
  EXPECT_EQ(Parse({"-", "--scale", "1"}).secondDataDir, "-");
  EXPECT_EQ(Parse({"--scale", "1", "--", "--"}).secondDataDir, "--");

  EXPECT_TRUE(Parse({"-h"}).help);
  EXPECT_TRUE(Parse({"/cd/", "--help"}).help);
  EXPECT_TRUE(Parse({"--version"}).version);
  EXPECT_FALSE(Parse({"--", "--version"}).version);
}

TEST(CommandLine, AWrongCommandLineIsAnErrorNotAGuess) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--bogus"},
           {"-x"},
           {"--roo", "a"},  // no abbreviations
           {"--root"},      // missing value at the end
           {"--root="},     // empty value
           {"--root", ""},
           {"--screenshot"},
           {"--help=yes"},  // a switch takes no value
           {"--version=1"},
           {"--scale"},
           {"--scale", "0"},
           {"--scale", "9"},
           {"--scale", "-1"},
           {"--scale", "+2"},
           {"--scale", "2x"},
           {"--scale", " 2"},
           {"--scale", "99999999999999999999"},  // no overflow into range
           {"--quit-after-ms", "0"},
           {"--quit-after-ms", "4294967296"},
           {"/cd/", "--bogus"},  // after a plain argument, options are still read
       }) {
    const CommandLine c = Parse(args);
    std::string joined;
    for (const auto& a : args) joined += "[" + a + "]";
    EXPECT_NE(c.error, "") << joined;
  }
  EXPECT_NE(Parse({"--scale", "12"}).error.find("--scale"), std::string::npos);
  EXPECT_NE(Parse({"--frobnicate"}).error.find("--frobnicate"), std::string::npos);
  EXPECT_EQ(Parse({"--scale", "1"}).scale, 1);
  EXPECT_EQ(Parse({"--scale", "8"}).scale, 8);
}

TEST(CommandLine, HelpListsEveryOptionAndTheVersionComesFromTheBuild) {
  const std::string usage = Usage();
  EXPECT_EQ(usage.rfind("usage: vantel ", 0), 0u);
  for (const char* option : {"--root DIR", "--scale N", "--quit-after-ms N", "--screenshot FILE",
                             "-h, --help", "--version"})
    EXPECT_NE(usage.find(option), std::string::npos) << option;
  EXPECT_EQ(VersionLine(), std::string("vantel ") + VantelVersion());
  EXPECT_TRUE(std::string(VantelVersion()).find('.') != std::string::npos);
}

}  // namespace
}  // namespace vantel
