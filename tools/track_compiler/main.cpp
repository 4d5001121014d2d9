// draxen-trackc: builds track files from JSON descriptions and shows what a track holds.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "map/item_types.h"
#include "map/map_source.h"
#include "track_compiler/reference_lap.h"
#include "track_compiler/track_description.h"
#include "track_compiler/track_drawing.h"
#include "track_compiler/track_report.h"

namespace dx {
namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  draxen-trackc compile TRACK.json -o OUT.map [--plan OUT.png] [--scale S] [--assets DIR]\n"
    "  draxen-trackc info TRACK          size, loop joint, crossings, flags, boosters, scenery,\n"
    "                                    the test car's reference lap\n"
    "  draxen-trackc check TRACK...      as info; exit status 2 when a track breaks a layout rule\n"
    "  draxen-trackc nodes TRACK         one line per node\n"
    "  draxen-trackc plan TRACK OUT.png [--scale S] [--node N [--radius R]]\n"
    "  draxen-trackc decompile TRACK     the track as an editable JSON description\n"
    "  draxen-trackc --help              this text\n"
    "TRACK is a .json description or a .map file. --assets names the folder that holds\n"
    "assets/items-<style>.json (default: the current folder if it has them, else the run folder of\n"
    "this build, else the source tree); --scale is pixels per map unit (2, up to 64);\n"
    "--node shows only the square of half-size --radius (40) map units around node N.\n";

const char* const kCommands[] = {"compile", "info", "check", "nodes", "plan", "decompile"};

// A usage error: the message, then the usage text.
[[noreturn]] void usage(const std::string& what) { throw FormatError(what + "\n" + kUsage); }

struct Args {
  bool help = false;
  std::string command;
  std::vector<std::string> inputs;
  std::string output, plan;
  PlanView view;
  std::optional<int64_t> node;  // centre the plan on this node
  float radius = 40;
  CompileOptions options;
};

// A number of the option within [lo, hi]; "nan", "inf" and trailing text are refused.
float number(const std::string& option, const std::string& v, float lo, float hi) {
  size_t used = 0;
  float f = 0;
  try {
    f = std::stof(v, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != v.size() || v.empty() || !(f >= lo && f <= hi)) {
    char range[64];
    std::snprintf(range, sizeof range, "%g to %g", double(lo), double(hi));
    usage(option + " needs a number from " + range + ", not " + v);
  }
  return f;
}

int64_t integer(const std::string& option, const std::string& v) {
  size_t used = 0;
  long long n = -1;
  try {
    n = std::stoll(v, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (used != v.size() || v.empty() || n < 0) usage(option + " needs a node number, not " + v);
  return n;
}

Args parseArgs(int argc, char** argv) {
  Args a;
  a.options.assetRoot.clear();  // found by main unless --assets gives it
  for (int i = 1; i < argc; ++i)
    if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") a.help = true;
  if (a.help) return a;
  if (argc < 2) usage("no command given");
  a.command = argv[1];
  bool known = false;
  for (const char* c : kCommands) known = known || a.command == c;
  if (!known) usage("unknown command " + a.command);
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) usage(arg + " needs a value");
      return argv[++i];
    };
    if (arg == "-o")
      a.output = value();
    else if (arg == "--plan")
      a.plan = value();
    else if (arg == "--assets")
      a.options.assetRoot = value();
    else if (arg == "--scale")
      a.view.scale = number(arg, value(), 0.01f, 64);
    else if (arg == "--node")
      a.node = integer(arg, value());
    else if (arg == "--radius")
      a.radius = number(arg, value(), 1, 100000);
    else if (arg.size() > 1 && arg[0] == '-')
      usage("unknown option " + arg);
    else
      a.inputs.push_back(arg);
  }
  return a;
}

namespace fs = std::filesystem;

// The folder holding assets/items-<style>.json when --assets is not given: the current folder
// when it has them, else the run folder of the build this program belongs to (bin/../game),
// else the source tree it was built from.
std::string findAssetRoot() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  std::vector<fs::path> roots = {"."};
  if (!ec) roots.push_back(exe.parent_path().parent_path() / "game");
  roots.push_back(DX_SOURCE_DIR);
  for (const fs::path& root : roots)
    if (fs::is_regular_file(root / itemFileForStyle(CityNight), ec)) return root.string();
  return ".";
}

// Refuses an output that would replace the input or something that is not a file.
void checkOutput(const std::string& output, const std::string& input, const char* what) {
  std::error_code ec;
  if (output.empty()) return;
  if (fs::equivalent(output, input, ec)) usage(std::string(what) + " " + output + " is the input; give another file");
  const fs::file_status st = fs::status(output, ec);
  if (fs::exists(st) && !fs::is_regular_file(st))
    throw FormatError(std::string(what) + " " + output + " exists and is not a regular file; nothing was written");
}

bool isDescription(const std::string& path) { return path.size() > 5 && path.substr(path.size() - 5) == ".json"; }

MapSource readTrack(const std::string& path, const CompileOptions& options) {
  if (isDescription(path)) return compileTrackFile(path, options);
  MapSource src = loadMapSourceFile(path);
  if (!src.loadError.empty()) std::fprintf(stderr, "warning: %s did not load completely\n", path.c_str());
  return src;
}

// Prints the report and the broken rules; returns whether the track keeps them all.
bool report(const std::string& path, const MapSource& src, const Map& map) {
  const TrackReport r = inspectTrack(map, src);
  std::printf("%s\n%s", path.c_str(), formatReport(r).c_str());
  const std::vector<std::string> problems = trackProblems(r);
  for (const std::string& p : problems) std::printf("problem: %s\n", p.c_str());
  return problems.empty();
}

PlanView viewOf(const Args& a, const Map& map) {
  PlanView view = a.view;
  if (a.node) {
    if (*a.node < 0 || *a.node >= int64_t(map.path.size()))
      throw FormatError("--node must be 0 to " + std::to_string(map.path.size() - 1));
    const Vec2f c = map.path[size_t(*a.node)].pos;
    view.window = AABB{c - Vec2f{a.radius, a.radius}, c + Vec2f{a.radius, a.radius}};
  }
  return view;
}

int compile(const Args& a) {
  if (a.inputs.size() != 1 || a.output.empty()) usage("compile needs one TRACK.json and -o OUT.map");
  const std::string& path = a.inputs[0];
  checkOutput(a.output, path, "-o");
  checkOutput(a.plan, path, "--plan");
  if (a.plan == a.output) usage("--plan and -o name the same file");
  const MapSource src = compileTrackFile(path, a.options);
  const std::string bytes = encodeMapSource(src);
  writeFileAtomically(a.output, bytes);
  // What the game will read: the written file, loaded back.
  const MapSource loaded = loadMapSourceFile(a.output);
  if (encodeMapSource(loaded) != bytes) throw FormatError(a.output + ": the written file does not read back the same");
  const MapPtr map = buildTrack(loaded, a.output);
  std::printf("wrote %s (%zu bytes)\n", a.output.c_str(), bytes.size());
  if (!a.plan.empty()) writeTrackPlan(a.plan, *map, loaded, viewOf(a, *map));
  return report(path, loaded, *map) ? 0 : 2;
}

// check: the report of each file, then one summary line per file; a missing file is said so and
// the others are still checked. Status 1 for a missing file, else 2 for a broken rule.
int check(const Args& a) {
  std::vector<std::string> summary;
  bool missing = false, broken = false;
  for (const std::string& path : a.inputs) {
    std::error_code ec;
    if (!fs::exists(path, ec)) {
      summary.push_back(path + ": no such file");
      missing = true;
      continue;
    }
    const MapSource src = readTrack(path, a.options);
    const TrackReport r = inspectTrack(*buildTrack(src, path), src);
    std::printf("%s\n%s", path.c_str(), formatReport(r).c_str());
    const std::vector<std::string> problems = trackProblems(r);
    for (const std::string& p : problems) std::printf("problem: %s\n", p.c_str());
    const size_t n = problems.size() + (src.loadError.empty() ? 0 : 1);
    summary.push_back(path + ": " + (n == 0 ? "ok" : std::to_string(n) + (n == 1 ? " problem" : " problems")) +
                      (src.loadError.empty() ? "" : " (" + src.loadError + ")"));
    broken = broken || n > 0;
  }
  for (const std::string& line : summary) std::printf("%s\n", line.c_str());
  return missing ? 1 : broken ? 2 : 0;
}

// The test car of the asset folder, measured once for every track; none (and no reference line)
// when its files are missing or cannot be read.
std::optional<ReferenceCar> referenceCar(const std::string& assetRoot) {
  try {
    return loadReferenceCar(assetRoot);
  } catch (const GameError& e) {
    std::fprintf(stderr, "warning: no reference lap: %s\n", e.what());
    return std::nullopt;
  }
}

// info: the report of each track, then the test car's reference lap on it.
int info(const Args& a) {
  const std::optional<ReferenceCar> car = referenceCar(a.options.assetRoot);
  for (const std::string& path : a.inputs) {
    const MapSource src = readTrack(path, a.options);
    const MapPtr map = buildTrack(src, path);
    report(path, src, *map);
    if (car) std::printf("%s\n", referenceLapLine(planSpeeds(*map, car->limits), car->file).c_str());
  }
  return 0;
}

int run(const Args& a) {
  if (a.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (a.command == "compile") return compile(a);
  if (a.inputs.empty()) usage(a.command + " needs a TRACK");
  if (a.command == "check") return check(a);
  if (a.command == "info") return info(a);
  if (a.inputs.size() != (a.command == "plan" ? 2u : 1u))
    usage(a.command + " takes " + (a.command == "plan" ? "TRACK OUT.png" : "one TRACK"));
  if (a.command == "plan") checkOutput(a.inputs[1], a.inputs[0], "the plan");
  const MapSource src = readTrack(a.inputs[0], a.options);
  if (a.command == "decompile") {
    std::printf("%s\n", describeMapSource(src).dump(2).c_str());
    return 0;
  }
  const MapPtr map = buildTrack(src, a.inputs[0]);
  if (a.command == "nodes") {
    std::printf("%s", formatNodes(*map).c_str());
    return 0;
  }
  writeTrackPlan(a.inputs[1], *map, src, viewOf(a, *map));
  return 0;
}

}  // namespace
}  // namespace dx

int main(int argc, char** argv) {
  dx::ignoreFileSizeSignal();
  try {
    dx::Args args = dx::parseArgs(argc, argv);
    if (args.options.assetRoot.empty()) args.options.assetRoot = dx::findAssetRoot();
    // The plan's legend is written with the game's small font, when the asset folder has it.
    const std::filesystem::path font = std::filesystem::path(args.options.assetRoot) / "assets" / "font5x5.png";
    std::error_code ec;
    if (std::filesystem::is_regular_file(font, ec)) args.view.legendFont = font.string();
    return dx::run(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "draxen-trackc: %s\n", e.what());
    return 1;
  }
}
