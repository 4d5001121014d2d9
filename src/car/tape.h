#pragma once
// Tapes: recording a car's controls step by step, restoring its start, replaying it as a ghost,
// and the versioned tape file.
#include <string>
#include <string_view>

#include "car/car.h"

namespace dx {

constexpr int64_t kTapeVersion = 1;

CarStart captureStart(const Car& car);
void restoreStart(Car& car, const CarStart& start);

// A fresh tape holding the car's build and present state, recording from the next step on.
std::shared_ptr<Tape> startRecording(Car& car, int64_t track, const std::string& kind);

// An ethereal car on `map` that drives the tape from its start, step for step.
CarPtr newReplayCar(const Tape& tape, Map& map, Team team);

// The tape file: JSON, controls run-length coded. Parsing refuses anything malformed, of another
// version or with a non-finite number, naming `source` and what is wrong.
std::string formatTape(const Tape& tape);
Tape parseTape(std::string_view text, const std::string& source);
Tape readTapeFile(const std::string& path);
// Replaces the file whole or not at all.
void writeTapeFile(const std::string& path, const Tape& tape);

}  // namespace dx
