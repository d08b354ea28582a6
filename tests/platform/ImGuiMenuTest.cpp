#include "platform/sdl/MenuView.h"

#include <gtest/gtest.h>

namespace vantel {
namespace {

TEST(MenuLabel, DropsMnemonicMarkersAndShowsGbkAsUtf8) {
  EXPECT_EQ(MenuLabel(Gbk("自动前进(&N)")), "自动前进(N)");
  EXPECT_EQ(MenuLabel(Gbk("回到标题画面（&R）")), "回到标题画面（R）");
  EXPECT_EQ(MenuLabel("A&&B"), "A&B");  // a doubled marker is a literal '&'
  EXPECT_EQ(MenuLabel("Ctrl+N"), "Ctrl+N");
  EXPECT_EQ(MenuLabel("&"), "");
  // A lead byte at the very end is not taken as half a character pair.
  EXPECT_NO_THROW(MenuLabel(std::string("x\x81", 2)));
}

}  // namespace
}  // namespace vantel
