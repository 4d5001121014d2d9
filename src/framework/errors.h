#pragma once
// Errors raised by the framework and the game's loaders. The program entries print the message
// and end the run with status 1. They are caught on purpose only where a failure must not end
// the session: the track loader (which falls back between file versions), optional assets
// (models, controller maps), live reloads (the catalogue on r) and saves (pool, captures, tapes),
// each of which reports the failure and goes on.
#include <stdexcept>
#include <string>

namespace dx {

struct GameError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A file could not be opened, read or written.
struct IOError : GameError {
  using GameError::GameError;
};

// There is no file at all under the name (which callers may treat as "not made yet").
struct NotFoundError : IOError {
  using IOError::IOError;
};

// A file was read but its content has the wrong shape.
struct FormatError : GameError {
  using GameError::GameError;
};

// An index or enumeration value outside its valid range.
struct IndexError : GameError {
  using GameError::GameError;
};

// A track that cannot be built ("map has no nodes", "unknown section type"). The track builder
// prints the line itself, as the game always has, so the program entries end with status 1
// without repeating it.
struct TrackError : FormatError {
  using FormatError::FormatError;
};

}  // namespace dx
