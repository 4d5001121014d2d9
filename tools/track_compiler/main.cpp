// draxen-trackc: builds track files from JSON descriptions and shows what a track holds.
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "map/map_source.h"
#include "track_compiler/track_checks.h"
#include "track_compiler/track_description.h"
#include "track_compiler/track_drawing.h"

namespace dx {
namespace {

constexpr const char* kUsage =
    "usage:\n"
    "  draxen-trackc compile TRACK.json -o OUT.map [--plan OUT.png] [--scale S] [--assets DIR]\n"
    "  draxen-trackc info TRACK          size, loop joint, crossings, flags, boosters, scenery\n"
    "  draxen-trackc check TRACK...      as info; exit status 2 when a track breaks a layout rule\n"
    "  draxen-trackc nodes TRACK         one line per node\n"
    "  draxen-trackc plan TRACK OUT.png [--scale S] [--node N [--radius R]]\n"
    "  draxen-trackc decompile TRACK     the track as an editable JSON description\n"
    "TRACK is a .json description or a .map file. --assets names the folder that holds\n"
    "assets/items-<style>.json (default: the current folder); --scale is pixels per map unit (2);\n"
    "--node shows only the square of half-size --radius (40) map units around node N.\n";

struct Args {
  std::string command;
  std::vector<std::string> inputs;
  std::string output, plan;
  PlanView view;
  std::optional<int64_t> node;  // centre the plan on this node
  float radius = 40;
  CompileOptions options;
};

float number(const std::string& option, const std::string& v) {
  try {
    return std::stof(v);
  } catch (const std::exception&) {
    throw FormatError(option + " needs a number, not " + v);
  }
}

Args parseArgs(int argc, char** argv) {
  Args a;
  if (argc < 2) throw FormatError(kUsage);
  a.command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw FormatError(arg + " needs a value\n" + kUsage);
      return argv[++i];
    };
    if (arg == "-o")
      a.output = value();
    else if (arg == "--plan")
      a.plan = value();
    else if (arg == "--assets")
      a.options.assetRoot = value();
    else if (arg == "--scale")
      a.view.scale = number(arg, value());
    else if (arg == "--node")
      a.node = int64_t(number(arg, value()));
    else if (arg == "--radius")
      a.radius = number(arg, value());
    else if (arg.size() > 1 && arg[0] == '-')
      throw FormatError("unknown option " + arg + "\n" + kUsage);
    else
      a.inputs.push_back(arg);
  }
  return a;
}

bool isDescription(const std::string& path) { return path.size() > 5 && path.substr(path.size() - 5) == ".json"; }

MapSource readTrack(const std::string& path, const CompileOptions& options) {
  if (isDescription(path)) return compileTrackFile(path, options);
  MapSource src = loadMapSourceFile(path);
  if (src.name == "???") std::fprintf(stderr, "warning: %s did not load completely\n", path.c_str());
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
  if (a.inputs.size() != 1 || a.output.empty()) throw FormatError(kUsage);
  const std::string& path = a.inputs[0];
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

int run(const Args& a) {
  if (a.command == "compile") return compile(a);
  if (a.inputs.empty()) throw FormatError(kUsage);
  if (a.command == "check" || a.command == "info") {
    bool ok = true;
    for (const std::string& path : a.inputs) {
      const MapSource src = readTrack(path, a.options);
      ok = report(path, src, *buildTrack(src, path)) && ok;
    }
    return a.command == "check" && !ok ? 2 : 0;
  }
  if (a.inputs.size() != (a.command == "plan" ? 2u : 1u)) throw FormatError(kUsage);
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
  if (a.command == "plan") {
    writeTrackPlan(a.inputs[1], *map, src, viewOf(a, *map));
    return 0;
  }
  throw FormatError("unknown command " + a.command + "\n" + kUsage);
}

}  // namespace
}  // namespace dx

int main(int argc, char** argv) {
  try {
    return dx::run(dx::parseArgs(argc, argv));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "draxen-trackc: %s\n", e.what());
    return 1;
  }
}
