// One generated file of the demo: its UTF-8 file name (with extension) and
// the function that makes its bytes. Makers are deterministic: the same
// maker always returns the same bytes.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vantel::demo {

struct Asset {
  std::string name;
  std::function<std::string()> make;
};

using AssetList = std::vector<Asset>;

}  // namespace vantel::demo
