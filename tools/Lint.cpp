// vxtool lint: checks story scripts as the player would read them and lists
// every problem as "script:line: message" (UTF-8). Exit status 1 when
// anything was found, 0 when the scripts are clean.
//
// Pictures and sounds are checked against --images / --sounds (an archive,
// whose folder's image/ or sound/ holds the loose files, or a folder of
// loose files); by default against image.pk2 / sound.pk2 and the image/ /
// sound/ folders beside the scripts. When there is nothing to check them
// against, that check is skipped with a note.
#include <cstdio>
#include <filesystem>

#include "base/Errors.h"
#include "base/Paths.h"
#include "script/ScriptLint.h"
#include "tools/VxTool.h"

namespace vantel::vxtool {
namespace {

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

// The directory holding `path` (a file), with a trailing '/'; "" for the working directory.
std::string FolderOf(const std::string& path) {
  const std::string parent = std::filesystem::path(path).parent_path().string();
  return WithSlash(parent);
}

// The shelf for an --images/--sounds argument, or the default beside `base`.
std::unique_ptr<ResourceShelf> ShelfFor(const std::string& given, const std::string& base,
                                        const char* archive, const char* folder) {
  if (given.empty()) return std::make_unique<ResourceShelf>(base + archive, base + folder + "/");
  if (DirectoryExists(given)) return std::make_unique<ResourceShelf>("", WithSlash(given));
  if (!FileExists(given)) throw FileError("no archive or folder " + given);
  return std::make_unique<ResourceShelf>(given, FolderOf(given) + folder + "/");
}

int Lint(const Args& args) {
  std::string target, images, sounds;
  for (size_t i = 0; i < args.size(); ++i) {
    if ((args[i] == "--images" || args[i] == "--sounds") && i + 1 < args.size()) {
      (args[i] == "--images" ? images : sounds) = args[i + 1];
      ++i;
    } else if (target.empty() && args[i].rfind("--", 0) != 0) {
      target = args[i];
    } else {
      BadUsage(args[i].rfind("--", 0) == 0 ? "unknown option or missing value: " + args[i]
                                           : "one ARCHIVE-OR-DIRECTORY only, not also " + args[i]);
    }
  }
  if (target.empty()) BadUsage("needs an ARCHIVE-OR-DIRECTORY");

  ScriptLint lint;
  AddScriptsFrom(lint, target);
  const std::string base = DirectoryExists(target) ? WithSlash(target) : FolderOf(target);
  auto imageShelf = ShelfFor(images, base, "image.pk2", "image");
  auto soundShelf = ShelfFor(sounds, base, "sound.pk2", "sound");
  if (imageShelf->Usable())
    lint.Images = imageShelf.get();
  else
    std::fprintf(stderr, "vxtool lint: no pictures to check against; pictures not checked\n");
  if (soundShelf->Usable())
    lint.Sounds = soundShelf.get();
  else
    std::fprintf(stderr, "vxtool lint: no sounds to check against; sounds not checked\n");

  // Printed script by script: only one script's text is held at a time.
  size_t found = 0;
  lint.Run([&found](std::vector<LintFinding>& findings) {
    for (const LintFinding& f : findings) std::printf("%s\n", FormatFinding(f).c_str());
    found += findings.size();
  });
  std::fprintf(stderr, "vxtool lint: %zu script%s checked, %zu problem%s found\n",
               lint.ScriptCount(), lint.ScriptCount() == 1 ? "" : "s", found,
               found == 1 ? "" : "s");
  return found == 0 ? 0 : 1;
}

VxCommand reg("lint",
              "ARCHIVE-OR-DIRECTORY [--images ARCHIVE-OR-DIR] [--sounds ARCHIVE-OR-DIR]\n"
              "      checks scripts: the .vxs entries of a script archive, the .vxs files of a\n"
              "      directory, or a game directory's script.chs and/or script/ folder. A loose\n"
              "      .vxs file that is valid UTF-8 (and not plain ASCII) is read as UTF-8 and\n"
              "      converted to CP932; any other file is taken as CP932. Pictures and sounds\n"
              "      are looked for in image.pk2/sound.pk2 and image/ sound/ beside the\n"
              "      scripts unless given. Exit status 1 when a problem was found.",
              Lint);

}  // namespace
}  // namespace vantel::vxtool
