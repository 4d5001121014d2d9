#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "framework/errors.h"
#include "framework/input.h"
#include "framework/keys.h"
#include "framework/reset_framework.h"
#include "test_support.h"

namespace dx {
namespace {

// A platform that knows two keys by name.
int32_t twoKeysFromName(const char* name) {
  if (std::strcmp(name, "Space") == 0) return keySpace;
  return std::strcmp(name, "Left Shift") == 0 ? keyLShift : keyUnknown;
}
int32_t twoKeysScanCode(int32_t key) {
  return key == keySpace ? scanSpace : key == keyLShift ? scanLShift : scanUnknown;
}
const char* twoKeysName(int32_t scanCode) {
  return scanCode == scanSpace ? "Space" : scanCode == scanLShift ? "Left Shift" : "";
}

// The input model without a platform: the keyboard as controller 0 and no key names.
class Input : public testing::Test {
 protected:
  void SetUp() override {
    inputState().keyNames = KeyNames{};
    resetFrameworkModules();
    const test::LogCapture capture;
    initInput();
    EXPECT_EQ(capture.out(), "added game controller: -1: Keyboard: KEYBOARD\n");
  }
  void TearDown() override { inputState().keyNames = KeyNames{}; }

  Controller& keyboard() { return *inputState().controllers.at(0); }
};

TEST_F(Input, BtnprRejectsAPeriodBelowOne) { EXPECT_THROW(btnpr(Button::A, 0), GameError); }

TEST_F(Input, OutOfRangeButtonsAndAxes) {
  EXPECT_THROW(btn(Button(16)), IndexError);
  EXPECT_THROW(btnpr(Button(200), 1), IndexError);
  EXPECT_THROW(axis(keyboard(), 6), IndexError);
  setButtonState(keyboard(), Button(16), true);  // ignored
  setAxisValue(keyboard(), 6, 1.0);              // ignored
  EXPECT_EQ(keyboard().buttons, (std::array<int, kButtonCount>{}));
}

TEST_F(Input, EmptyKeyMapStringChangesNothing) {
  const auto before = inputState().keymap;
  const test::LogCapture capture;
  setKeyMap("");
  EXPECT_EQ(capture.out(), "setKeyMap: empty string\n");
  EXPECT_EQ(inputState().keymap, before);
}

TEST_F(Input, KeyMapAndKeyHelpUseTheNamesThePlatformInstalled) {
  inputState().keyNames = KeyNames{twoKeysFromName, twoKeysScanCode, twoKeysName};
  resetInput();  // keeps the names
  const test::LogCapture capture;
  setKeyMap("A:Space,Nokey;X:Left Shift");
  EXPECT_EQ(capture.err(), "setKeyMap: unknown key name: Nokey\n");
  EXPECT_EQ(inputState().keymap[size_t(Button::A)], (std::vector<int>{44, 0}));
  EXPECT_EQ(inputState().keymap[size_t(Button::X)], (std::vector<int>{225}));
  EXPECT_EQ(scanCodeName(225), "Left Shift");
  EXPECT_EQ(scanCodeName(29), "?");
}

TEST_F(Input, WithoutThePlatformsNamesNoKeyNameIsKnown) {
  const test::LogCapture capture;
  setKeyMap("Left:Left,A");
  EXPECT_EQ(capture.err(), "setKeyMap: unknown key name: Left\nsetKeyMap: unknown key name: A\n");
  EXPECT_EQ(inputState().keymap[size_t(Button::Left)], (std::vector<int>{0, 0}));
  EXPECT_EQ(scanCodeName(80), "?");
}

}  // namespace
}  // namespace dx
