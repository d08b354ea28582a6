// The demo's script archive contents: the chapter scripts and textbox.ini,
// written as UTF-8 with LF line ends in demo/story and turned here into the
// player's form: code page 932 text with CR LF line ends. A character that
// code page 932 cannot hold is an error (vantel::DataError naming the file
// and line), never a silent '?'.
#pragma once

#include <string>

#include "demo/gen/Asset.h"

namespace vantel::demo {

// One source text to its archive form; `name` only labels errors.
std::string ConvertScript(const std::string& utf8, const std::string& name);

// Every .vxs and .ini file of `storyDir`, converted, in name order.
AssetList ScriptAssets(const std::string& storyDir);

}  // namespace vantel::demo
