#pragma once
// The gain pool file: its text, reading it, and saving it so that programs training the same
// track at once (two trainers, or the game and a trainer) keep each other's results.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/game.h"

namespace dx {

constexpr size_t kPoolSize = 100;

// A track's gain pool for drivers of a kind at a level, in the run folder (runFile's naming:
// assets/ai.json for pid drivers on track 1 at level 0, assets/ai-2-racer-l4.json).
std::string poolFileName(int64_t slot, int64_t level, DriverKind driver);
// The session track's pool beside the executable.
std::string poolPath();

// The pool file's text: a 2-space indented JSON array of {"score", "weights"} with the positive
// scores only, in pool order. An entry that parsePool would refuse (a value not finite or out of
// range) is left out, so the file always reads back.
std::string formatPool(const std::vector<ScoredGains>& pool);
// Reads a pool file's text; `path` names it in errors. Raises FormatError naming the entry when it
// is not an array of objects with a "score" and a "weights" array of `genes` values, all numbers,
// finite, the score within ±1e9 and the gains within ±10000.
std::vector<ScoredGains> parsePool(std::string_view text, const std::string& path, size_t genes);
// The pool in the file; nothing when there is none (a link to no file included). Raises the
// reader's error for a file that cannot be read or parsed.
std::optional<std::vector<ScoredGains>> readPool(const std::string& path, size_t genes);

// Sorts by score, best first, keeping the earlier of equal scores first, and keeps the best 100.
void rankPool(std::vector<ScoredGains>& pool);
// `memory` with the entries of `disk` it does not hold yet (counted as a multiset: an entry twice
// in memory and once on disk stays twice), ranked.
std::vector<ScoredGains> mergePools(std::vector<ScoredGains> memory, const std::vector<ScoredGains>& disk);

// Saves the pool of entries with `genes` values under the file's lock, merged with what other programs saved there
// since; the merged pool replaces `pool`. A damaged file on disk is neither merged nor overwritten. Failures are
// reported and the pool stays in memory; returns whether it was saved.
bool savePool(std::vector<ScoredGains>& pool, const std::string& path, size_t genes);

}  // namespace dx
