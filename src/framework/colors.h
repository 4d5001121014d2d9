#pragma once
// Names of the sixteen base colours at the start of the game's palette, for the drawing code.
// (The palette's later entries hold the team and scenery ramps that models and sprites use.)
#include "framework/canvas.h"

namespace dx::color {

constexpr ColorId black = 0;
constexpr ColorId darkBlue = 1;
constexpr ColorId darkPurple = 2;
constexpr ColorId darkGreen = 3;
constexpr ColorId brown = 4;
constexpr ColorId darkGrey = 5;
constexpr ColorId lightGrey = 6;
constexpr ColorId white = 7;
constexpr ColorId red = 8;
constexpr ColorId orange = 9;
constexpr ColorId yellow = 10;
constexpr ColorId green = 11;
constexpr ColorId blue = 12;
constexpr ColorId lavender = 13;
constexpr ColorId pink = 14;
constexpr ColorId peach = 15;

}  // namespace dx::color
