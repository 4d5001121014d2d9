#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "framework/errors.h"
#include "framework/input.h"
#include "framework/reset_framework.h"
#include "framework/run_loop.h"
#include "platform/input_events.h"
#include "test_support.h"

namespace dx {
namespace {

SDL_Event keyEvent(bool down, SDL_Keycode sym, SDL_Scancode sc, bool repeat = false) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.type = e.type;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = repeat ? 1 : 0;
  e.key.keysym.sym = sym;
  e.key.keysym.scancode = sc;
  return e;
}

SDL_Event axisEvent(int32_t which, int axisIndex, int16_t raw) {
  SDL_Event e{};
  e.type = SDL_CONTROLLERAXISMOTION;
  e.caxis.which = which;
  e.caxis.axis = uint8_t(axisIndex);
  e.caxis.value = raw;
  return e;
}

SDL_Event padButtonEvent(int32_t which, SDL_GameControllerButton b, bool down) {
  SDL_Event e{};
  e.type = down ? SDL_CONTROLLERBUTTONDOWN : SDL_CONTROLLERBUTTONUP;
  e.cbutton.which = which;
  e.cbutton.button = uint8_t(b);
  return e;
}

SDL_Event deviceEvent(uint32_t type, int32_t which) {
  SDL_Event e{};
  e.type = type;
  e.cdevice.which = which;
  return e;
}

// One fixed update in the loop's order; `during` observes the input as the program's update does.
template <class F>
auto oneUpdate(F during) {
  updateControllers();
  auto seen = during();
  postUpdateControllers();
  advanceKeyCounters();
  return seen;
}

template <class F>
auto updates(int n, F during) {
  std::vector<decltype(during())> seen;
  for (int i = 0; i < n; ++i) seen.push_back(oneUpdate(during));
  return seen;
}

class Input : public testing::Test {
 protected:
  // Key names resolve to scan codes through the platform's keyboard layout, which needs video.
  static void SetUpTestSuite() {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER), 0) << SDL_GetError();
    installKeyNames();
  }
  static void TearDownTestSuite() { SDL_Quit(); }

  void SetUp() override {
    resetFrameworkModules();
    resetInputEvents();
    const test::LogCapture capture;
    initInput();
    EXPECT_EQ(capture.out(), "added game controller: -1: Keyboard: KEYBOARD\n");
  }

  Controller& keyboard() { return *inputState().controllers.at(0); }

  // A game controller that is already open, as the platform would report it.
  Controller& addPad(int32_t id) {
    auto c = std::make_shared<Controller>();
    c->kind = ControllerKind::Gamepad;
    c->name = "Test Pad";
    c->id = id;
    c->deadzone = 0.5;
    inputState().controllers.push_back(c);
    return *c;
  }

  int counter(Button b) { return keyboard().buttons[size_t(b)]; }
};

TEST_F(Input, ButtonCounterRunsThroughPressHoldAndRelease) {
  processEvent(keyEvent(true, SDLK_z, SDL_SCANCODE_Z));
  EXPECT_EQ(counter(Button::A), 1);
  EXPECT_EQ(updates(3, [&] { return counter(Button::A); }), (std::vector<int>{2, 3, 4}));
  EXPECT_TRUE(btn(Button::A));
  processEvent(keyEvent(false, SDLK_z, SDL_SCANCODE_Z));
  EXPECT_EQ(counter(Button::A), -2);
  EXPECT_EQ(updates(3, [&] { return counter(Button::A); }), (std::vector<int>{-1, 0, 0}));
  EXPECT_FALSE(btn(Button::A));
}

TEST_F(Input, BtnprOnAKeyRepeatsWithItsPeriod) {
  processEvent(keyEvent(true, SDLK_z, SDL_SCANCODE_Z));
  const auto seen = updates(10, [] { return btnpr(Button::A, 4); });
  EXPECT_EQ(seen, (std::vector<bool>{true, false, false, false, true, false, false, false, true, false}));
}

TEST_F(Input, BtnprOnAStickFiresAtOnceThenEveryPeriod) {
  addPad(7);
  processEvent(axisEvent(7, 0, -32767));
  const auto seen = updates(10, [] { return btnpr(Button::Left, 4); });
  EXPECT_EQ(seen, (std::vector<bool>{true, false, false, false, true, false, false, false, true, false}));
  EXPECT_FALSE(btnpr(Button::Right, 4));
}

TEST_F(Input, StickNeedsToPassTheDeadZone) {
  Controller& pad = addPad(3);
  processEvent(axisEvent(3, 0, -13107));  // -0.4
  EXPECT_NEAR(axis(pad, 0), -0.4, 1e-4);
  EXPECT_FALSE(btn(Button::Left));
  processEvent(axisEvent(3, 0, -19660));  // -0.6
  EXPECT_TRUE(btn(Button::Left));
  EXPECT_FALSE(btn(Button::Right));
  processEvent(axisEvent(3, 1, 32767));
  EXPECT_TRUE(btn(Button::Down));
  processEvent(axisEvent(3, 0, -32768));  // the platform's extreme stays within [-1, 1]
  EXPECT_EQ(axis(pad, 0), -1.0);
}

TEST_F(Input, InvertedAxesAreNegatedAsTheyArrive) {
  Controller& pad = addPad(3);
  pad.invertX = true;
  processEvent(axisEvent(3, 0, 32767));
  processEvent(axisEvent(3, 1, 32767));
  EXPECT_EQ(axis(pad, 0), -1.0);
  EXPECT_EQ(axis(pad, 1), 1.0);
}

TEST_F(Input, TriggersDriveL2AndR2TwiceAsFast) {
  Controller& pad = addPad(3);
  processEvent(axisEvent(3, 5, 32767));
  EXPECT_EQ(updates(3, [&] { return pad.buttons[size_t(Button::R2)]; }), (std::vector<int>{2, 4, 6}));
  EXPECT_TRUE(btn(Button::R2));
  processEvent(axisEvent(3, 5, 0));
  oneUpdate([] { return 0; });
  EXPECT_FALSE(btn(Button::R2));
  EXPECT_EQ(pad.buttons[size_t(Button::L2)], 0);
}

TEST_F(Input, PadButtonsMapToLogicalButtons) {
  Controller& pad = addPad(4);
  processEvent(padButtonEvent(4, SDL_CONTROLLER_BUTTON_DPAD_LEFT, true));
  processEvent(padButtonEvent(4, SDL_CONTROLLER_BUTTON_LEFTSTICK, true));
  processEvent(padButtonEvent(4, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true));
  processEvent(padButtonEvent(4, SDL_CONTROLLER_BUTTON_GUIDE, true));
  processEvent(padButtonEvent(9, SDL_CONTROLLER_BUTTON_A, true));  // no such controller
  std::array<int, kButtonCount> want{};
  want[size_t(Button::Left)] = want[size_t(Button::L3)] = want[size_t(Button::R1)] = 1;
  EXPECT_EQ(pad.buttons, want);
  processEvent(padButtonEvent(4, SDL_CONTROLLER_BUTTON_DPAD_LEFT, false));
  EXPECT_EQ(pad.buttons[size_t(Button::Left)], -2);
}

TEST_F(Input, RemovedControllerIsClosedReportedAndReplacedByTheLast) {
  addPad(4);
  addPad(5);
  addPad(6);
  std::vector<int32_t> told;
  inputState().controllerRemovedFunc = [&](Controller& c) { told.push_back(c.id); };
  processEvent(deviceEvent(SDL_CONTROLLERDEVICEREMOVED, 4));
  processEvent(deviceEvent(SDL_CONTROLLERDEVICEREMOVED, 42));  // unknown: nothing happens
  EXPECT_EQ(told, (std::vector<int32_t>{4}));
  std::vector<int32_t> ids;
  for (auto& c : inputState().controllers) ids.push_back(c->id);
  EXPECT_EQ(ids, (std::vector<int32_t>{-1, 6, 5}));
}

TEST_F(Input, HotPlugOfAControllerThatCannotOpenIsSkipped) {
  bool told = false;
  inputState().controllerAddedFunc = [&](Controller&) { told = true; };
  const test::LogCapture capture;
  processEvent(deviceEvent(SDL_CONTROLLERDEVICEADDED, 99));
  EXPECT_EQ(capture.err(), "error opening game controller: 99\n");
  EXPECT_FALSE(told);
  EXPECT_EQ(inputState().controllers.size(), 1u);
}

TEST_F(Input, KeyHeldForThreeUpdatesIsPressedOnlyInTheFirst) {
  processEvent(keyEvent(true, SDLK_r, SDL_SCANCODE_R));
  EXPECT_EQ(updates(3, [] { return keyp(SDLK_r); }), (std::vector<bool>{true, false, false}));
  EXPECT_TRUE(key(SDLK_r));
  processEvent(keyEvent(false, SDLK_r, SDL_SCANCODE_R));
  EXPECT_FALSE(key(SDLK_r));
  EXPECT_FALSE(keyp(SDLK_r));
  EXPECT_TRUE(inputState().aKeyWasPressed);
  EXPECT_TRUE(inputState().aKeyWasReleased);
}

TEST_F(Input, AutoRepeatPressesTheKeyAgainButNotTheButton) {
  processEvent(keyEvent(true, SDLK_z, SDL_SCANCODE_Z));
  updates(2, [] { return 0; });
  processEvent(keyEvent(true, SDLK_z, SDL_SCANCODE_Z, true));
  EXPECT_EQ(updates(2, [] { return keyp(SDLK_z); }), (std::vector<bool>{true, false}));
  EXPECT_EQ(counter(Button::A), 5);
}

TEST_F(Input, EventListenerThatConsumesStopsButtonsButNotKeys) {
  inputEventState().eventListeners.push_back([](const SDL_Event& e) { return e.type == SDL_KEYDOWN; });
  processEvent(keyEvent(true, SDLK_z, SDL_SCANCODE_Z));
  EXPECT_TRUE(keyp(SDLK_z));
  EXPECT_EQ(counter(Button::A), 0);
}

TEST_F(Input, KeyListenersAreAskedInOrderUntilOneHandlesTheKey) {
  std::vector<int> asked;
  auto& ls = inputState().keyListeners;
  ls.push_back([&](int32_t k, uint16_t, int32_t sc, bool down) {
    asked.push_back(1);
    return k == SDLK_z && sc == SDL_SCANCODE_Z && down;
  });
  ls.push_back([&](int32_t, uint16_t, int32_t, bool) {
    asked.push_back(2);
    return false;
  });
  processEvent(keyEvent(true, SDLK_z, SDL_SCANCODE_Z));
  EXPECT_EQ(counter(Button::A), 0);
  processEvent(keyEvent(true, SDLK_x, SDL_SCANCODE_X));
  EXPECT_EQ(counter(Button::B), 1);
  EXPECT_EQ(asked, (std::vector<int>{1, 1, 2}));
}

TEST_F(Input, ApplicationBackKeyPressesBack) {
  processEvent(keyEvent(true, SDLK_AC_BACK, SDL_SCANCODE_AC_BACK));
  EXPECT_EQ(counter(Button::Back), 1);
}

TEST_F(Input, KeyMapStringReplacesOnlyTheNamedButtons) {
  const test::LogCapture capture;
  setKeyMap("Left:Left,A;Right:Right,D;A:Space");
  EXPECT_EQ(capture.out(), "setKeyMap: Left:Left,A;Right:Right,D;A:Space\n");
  const auto& km = inputState().keymap;
  EXPECT_EQ(km[size_t(Button::Left)], (std::vector<int>{80, 4}));
  EXPECT_EQ(km[size_t(Button::Right)], (std::vector<int>{79, 7}));
  EXPECT_EQ(km[size_t(Button::A)], (std::vector<int>{44}));
  EXPECT_EQ(km[size_t(Button::X)], (std::vector<int>{225, 229}));
  processEvent(keyEvent(true, SDLK_z, SDL_SCANCODE_Z));
  EXPECT_EQ(counter(Button::A), 0);
  processEvent(keyEvent(true, SDLK_SPACE, SDL_SCANCODE_SPACE));
  EXPECT_EQ(counter(Button::A), 1);
}

TEST_F(Input, KeyMapNamesIgnoreCaseUnderscoresAndSpaces) {
  const test::LogCapture capture;
  setKeyMap("a:Space; l_1 : left shift , J ;START:Return");
  const auto& km = inputState().keymap;
  EXPECT_EQ(km[size_t(Button::A)], (std::vector<int>{44}));
  EXPECT_EQ(km[size_t(Button::L1)], (std::vector<int>{225, 13}));
  EXPECT_EQ(km[size_t(Button::Start)], (std::vector<int>{40}));
}

TEST_F(Input, KeyMapStopsAtAnUnknownButton) {
  test::LogCapture capture;
  setKeyMap("Foo:A;Left:J");
  EXPECT_EQ(capture.err(), "invalid button name: Foo\n");
  EXPECT_EQ(capture.out(), "setKeyMap: Foo:A;Left:J\n");
  EXPECT_EQ(inputState().keymap[size_t(Button::Left)], (std::vector<int>{80, 4}));

  capture.clear();
  setKeyMap("Left:J;Sideways:K;Right:K");
  EXPECT_EQ(capture.err(), "invalid button name: Sideways\n");
  EXPECT_EQ(inputState().keymap[size_t(Button::Left)], (std::vector<int>{13}));
  EXPECT_EQ(inputState().keymap[size_t(Button::Right)], (std::vector<int>{79, 7}));
}

TEST_F(Input, KeyMapEntriesWithoutColonAreSkipped) {
  const test::LogCapture capture;
  setKeyMap("Left:J;;Right;B:K;");
  EXPECT_EQ(capture.err(), "setKeyMap: ignoring entry without ':': Right\n");
  const auto& km = inputState().keymap;
  EXPECT_EQ(km[size_t(Button::Left)], (std::vector<int>{13}));
  EXPECT_EQ(km[size_t(Button::Right)], (std::vector<int>{79, 7}));
  EXPECT_EQ(km[size_t(Button::B)], (std::vector<int>{14}));
}

TEST_F(Input, UnknownKeyNameMapsToScanCodeZeroWhichDrivesNothing) {
  const test::LogCapture capture;
  setKeyMap("Left:Nokey;Right:");
  EXPECT_EQ(capture.err(), "setKeyMap: unknown key name: Nokey\n");
  EXPECT_EQ(inputState().keymap[size_t(Button::Left)], (std::vector<int>{0}));
  EXPECT_TRUE(inputState().keymap[size_t(Button::Right)].empty());
  processEvent(keyEvent(true, 0x40000200, SDL_SCANCODE_UNKNOWN));
  EXPECT_EQ(counter(Button::Left), 0);
}

}  // namespace
}  // namespace dx
