#include "app/gain_pool.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"

namespace dx {

namespace {

using json = nlohmann::ordered_json;

// Bounds of what a pool may hold. Gains start within [-1, 1) and drift by at most 0.5 per
// generation; a score is a node index. Values beyond these (1e39 reads as infinity in float32)
// would drive a car to NaN.
constexpr double kMaxGain = 10000;
constexpr double kMaxScore = 1e9;

// The JSON number at `what` of an entry, as a float within [-limit, limit]; any other JSON value
// is refused.
float poolNumber(const json& v, double limit, const std::string& where, const std::string& what) {
  if (!v.is_number()) throw FormatError(where + ": " + what + " must be a number, not " + std::string(v.type_name()));
  const double d = v.get<double>();
  if (!(std::fabs(d) <= limit))
    throw FormatError(where + ": " + what + " is " + shortNumber(d) + ", outside -" + shortNumber(limit) + " to " +
                      shortNumber(limit));
  return float(d);
}

bool writable(const ScoredGains& g) {
  if (!(g.score > 0) || !(g.score <= kMaxScore)) return false;
  for (float w : g.weights)
    if (!(std::fabs(w) <= kMaxGain)) return false;
  return true;
}

// Entries match when score and gains are the very same floats, as a saved entry reads back.
using EntryKey = std::pair<float, std::vector<float>>;

}  // namespace

std::string poolFileName(int64_t slot, int64_t level, DriverKind driver) {
  return runFile("assets/ai.json", slot, level, driver);
}

std::string poolPath() {
  const SessionOptions& o = sessionOptions();
  return gameFile(poolFileName(o.trackSlot, o.level, o.driver));
}

std::string formatPool(const std::vector<ScoredGains>& pool) {
  json arr = json::array();
  for (const ScoredGains& g : pool) {
    if (!writable(g)) continue;
    json entry = json::object();
    entry["score"] = double(g.score);
    json weights = json::array();
    for (float w : g.weights) weights.push_back(double(w));
    entry["weights"] = weights;
    arr.push_back(entry);
  }
  return arr.dump(2);
}

std::vector<ScoredGains> parsePool(std::string_view text, const std::string& path, size_t genes) {
  const json root = parseJson(text, path);
  if (!root.is_array()) throw FormatError(path + ": the gain pool must be a JSON array");
  std::vector<ScoredGains> out;
  for (size_t i = 0; i < root.size(); ++i) {
    const json& e = root[i];
    const std::string where = path + ": entry " + std::to_string(i);
    if (!e.is_object()) throw FormatError(where + " is not an object");
    if (!e.contains("score")) throw FormatError(where + " has no \"score\"");
    if (!e.contains("weights") || !e["weights"].is_array()) throw FormatError(where + " has no \"weights\" array");
    // Every new car loads its genes from its parents; a shorter or longer set (a pool of another
    // kind of driver) cannot breed.
    if (e["weights"].size() != genes)
      throw FormatError(where + " must have " + std::to_string(genes) + " weights, not " +
                        std::to_string(e["weights"].size()));
    ScoredGains g;
    g.score = poolNumber(e["score"], kMaxScore, where, "\"score\"");
    for (size_t k = 0; k < genes; ++k)
      g.weights.push_back(poolNumber(e["weights"][k], kMaxGain, where, "weight " + std::to_string(k)));
    out.push_back(std::move(g));
  }
  return out;
}

std::optional<std::vector<ScoredGains>> readPool(const std::string& path, size_t genes) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return std::nullopt;
  return parsePool(readTextFile(path, readCap::json), path, genes);
}

void rankPool(std::vector<ScoredGains>& pool) {
  std::stable_sort(pool.begin(), pool.end(),
                   [](const ScoredGains& a, const ScoredGains& b) { return a.score > b.score; });
  if (pool.size() > kPoolSize) pool.resize(kPoolSize);
}

std::vector<ScoredGains> mergePools(std::vector<ScoredGains> memory, const std::vector<ScoredGains>& disk) {
  std::map<EntryKey, int64_t> held;
  for (const ScoredGains& g : memory) held[{g.score, g.weights}] += 1;
  for (const ScoredGains& g : disk) {
    int64_t& count = held[{g.score, g.weights}];
    if (count > 0)
      count -= 1;
    else
      memory.push_back(g);
  }
  rankPool(memory);
  return memory;
}

bool savePool(std::vector<ScoredGains>& pool, const std::string& path, size_t genes) {
  try {
    const FileLock lock(path);
    std::vector<ScoredGains> merged;
    try {
      merged = mergePools(pool, readPool(path, genes).value_or(std::vector<ScoredGains>{}));
    } catch (const FormatError& e) {
      echo("the gain pool on disk is damaged (", e.what(),
           "); it is neither merged nor overwritten, and training goes on in memory");
      return false;
    }
    writeFileAtomically(path, formatPool(merged));
    pool = std::move(merged);
    return true;
  } catch (const IOError& e) {
    echo("could not save the gain pool (", e.what(),
         "); the previous file is kept and the save is retried after the next generation");
    return false;
  }
}

}  // namespace dx
