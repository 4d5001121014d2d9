#pragma once
// Tapes: recording a car's controls step by step, restoring its start, replaying it as a ghost,
// and the versioned tape file.
#include <string>
#include <string_view>

#include "car/car.h"
#include "map/track.h"

namespace dx {

// Version 2 adds a champion's driver kind and its genes; version 1 champions are pid drivers.
constexpr int64_t kTapeVersion = 2;
// The longest drive a tape holds: an hour of steps.
constexpr int64_t kMaxTapeFrames = 216'000;

CarStart captureStart(const Car& car);
void restoreStart(Car& car, const CarStart& start);

// A fresh tape holding the car's build and present state, recording from the next step on.
std::shared_ptr<Tape> startRecording(Car& car, int64_t track, const std::string& kind);

// Appends a step's controls. A tape stops growing one frame past kMaxTapeFrames, which marks a
// drive too long to keep (tapeTooLong).
void recordStep(Tape& tape, const Controls& controls);
bool tapeTooLong(const Tape& tape);

// An ethereal car on `map` that drives the tape from its start, step for step.
CarPtr newReplayCar(const Tape& tape, Map& map, Team team);

// The tape file: JSON, controls run-length coded. Parsing refuses anything malformed, of another
// version, nested deeper than a tape, or with a number that is not finite or is beyond what a
// drive can reach (a speed above 1000, a steer beyond ±1, a handling value beyond a built car's,
// more than kMaxTapeFrames steps, ...), naming `source` and the entry.
std::string formatTape(const Tape& tape);
Tape parseTape(std::string_view text, const std::string& source);
Tape readTapeFile(const std::string& path);
// The checks that need the track the tape is to drive on and the catalogue in force: its node
// counts within ±(laps + 100) × the node count, its start within the track's area plus a margin,
// its component indices within the catalogue's lists. Raises FormatError naming `source`.
void checkTapeFits(const Tape& tape, const Map& map, const std::string& source);
// Replaces the file whole or not at all.
void writeTapeFile(const std::string& path, const Tape& tape);

}  // namespace dx
