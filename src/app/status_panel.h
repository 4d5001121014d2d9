#pragma once
// Text over the race screen: the status panel (what training is doing and the followed car's
// progress), the dark backing and letters that keep the gauges legible over a bright track, and
// the key help listing every key the program reacts to. All of it in the 5x5 font.
#include <string>
#include <vector>

#include "app/game.h"
#include "framework/canvas.h"

namespace dx {

// The followed car's lap: on a closed track "lap k/N", the last and the best completed lap in
// seconds with two decimals ("--" before the first), where an entry of the car's lap times is
// complete once the car is in the next lap; on a point-to-point track "lap open" and the time
// so far. A car without lap times (an AI car) shows its lap from its node.
std::string lapLine(const Car& car, const Map& map);
// "track 1: Neon Circuit, level 0", naming the kind of driver when it is not the described one.
std::string trackLine(const Map& map);
// The panel's lines, top to bottom, for the followed car.
std::vector<std::string> panelLines(const Car& followed);
// The key help's lines: the keys of the buttons the program reads, from the key map in force,
// then the fixed keys of the harness and the framework.
std::vector<std::string> keyHelpLines();

// Lines on a dark box whose top-left corner is (x, y), each in its colour (the last colour for
// the lines beyond); the current font is kept.
void textBox(const std::vector<std::string>& lines, const std::vector<ColorId>& colors, Pint x, Pint y);
// The panel in the top left corner.
void drawStatusPanel(const Car& followed);
// The dark box behind the speed number and the gauges, with a letter beside each gauge.
void drawGaugeBacking();
void drawKeyHelp();

}  // namespace dx
