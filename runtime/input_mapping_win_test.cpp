// The key-code table and the modifier flags read from the thread's key
// state (Windows).
#include "runtime/input_mapping_win.h"

#include <windows.h>

#include <set>

#include <gtest/gtest.h>

#include "runtime/mouse_events.h"
#include "runtime/window_test_support_win.h"

namespace nz_runtime_test {
namespace {

TEST(InputMappingWinTest, RangesMapInOrderAndBothSidesOfAModifierKeyShareItsCode) {
  EXPECT_EQ(FB::keyCodeFromVirtualKey('9'), FB::Key0 + 9);
  EXPECT_EQ(FB::keyCodeFromVirtualKey('Z'), FB::KeyA + 25);
  EXPECT_EQ(FB::keyCodeFromVirtualKey(VK_NUMPAD7), FB::KeyNumpad0 + 7);
  EXPECT_EQ(FB::keyCodeFromVirtualKey(VK_F12), 83);
  EXPECT_EQ(FB::keyCodeFromVirtualKey(VK_BACK), FB::KeyBackspace);
  EXPECT_EQ(FB::keyCodeFromVirtualKey(VK_DIVIDE), FB::KeyDivide);
  EXPECT_EQ(FB::keyCodeFromVirtualKey(VK_LSHIFT), FB::KeyShift);
  EXPECT_EQ(FB::keyCodeFromVirtualKey(VK_RCONTROL), FB::KeyControl);
  EXPECT_EQ(FB::keyCodeFromVirtualKey(VK_MENU), FB::KeyAlt);
}

TEST(InputMappingWinTest, KeysWithoutACodeAreUnknownAndEveryCodeIsInRange) {
  EXPECT_EQ(FB::keyCodeFromVirtualKey(VK_LWIN), FB::KeyUnknown);
  EXPECT_EQ(FB::keyCodeFromVirtualKey(VK_F13), FB::KeyUnknown);
  EXPECT_EQ(FB::keyCodeFromVirtualKey(0), FB::KeyUnknown);
  std::set<int> codes;
  for (unsigned key = 0; key < 256; ++key) {
    const int code = FB::keyCodeFromVirtualKey(key);
    ASSERT_GE(code, 0);
    ASSERT_LE(code, 84);
    codes.insert(code);
  }
  EXPECT_EQ(codes.size(), 85u);  // every framework code is reached by some key
}

TEST(InputMappingWinTest, ModifiersFollowTheThreadsKeyState) {
  setKeysDown({});
  EXPECT_EQ(FB::currentModifiers(), FB::ModifierNone);
  setKeysDown({VK_SHIFT, VK_MENU});
  EXPECT_EQ(FB::currentModifiers(), FB::ModifierShift | FB::ModifierAlt);
  setKeysDown({VK_CONTROL});
  EXPECT_EQ(FB::currentModifiers(), FB::ModifierControl);
  setKeysDown({});
}

}  // namespace
}  // namespace nz_runtime_test
