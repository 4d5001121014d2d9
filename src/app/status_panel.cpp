#include "app/status_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <span>

#include "app/lap_times.h"
#include "app/race_session.h"
#include "app/view_controls.h"
#include "framework/canvas.h"
#include "framework/colors.h"
#include "framework/font.h"
#include "framework/input.h"
#include "framework/log.h"
#include "map/track.h"

namespace dx {

namespace {

constexpr ColorId kBacking = 64;  // the darkest grey, just off black, so black bars still show
constexpr Pint kLine = 6;         // 5-row glyphs and one blank row
constexpr Pint kPad = 2;
constexpr const char* kNoCarsYet = "no cars yet: r starts training now";

// What the 5x5 font can draw: any other byte (a '|' or UTF-8 in a track or key name) shows as
// '?', since measuring a character the font lacks is an error.
std::string printable(std::string s) {
  for (char& c : s)
    if (c == '\n' || font5x5Chars.find(c) == std::string_view::npos) c = '?';
  return s;
}

}  // namespace

// Lines on a dark box whose top-left corner is (x, y), each in its colour; the current font is
// kept.
void textBox(const std::vector<std::string>& lines, const std::vector<ColorId>& colors, Pint x, Pint y) {
  const int64_t font = fontState().currentFontId;
  setFont(1);
  Pint w = 0;
  for (const std::string& l : lines) w = std::max(w, textWidth(printable(l)));
  setColor(kBacking);
  rectfill(x, y, x + w + kPad, y + kLine * Pint(lines.size()) + kPad);
  for (size_t i = 0; i < lines.size(); ++i) {
    setColor(colors[std::min(i, colors.size() - 1)]);
    print(printable(lines[i]), x + kPad, y + kPad + kLine * Pint(i));
  }
  setFont(font);
}

namespace {

// A 3 x 3 letter for a gauge, rows from the top, '#' ink.
void letter(const char* const rows[3], Pint x, Pint y, ColorId c) {
  setColor(c);
  for (Pint r = 0; r < 3; ++r)
    for (Pint i = 0; i < 3; ++i)
      if (rows[r][i] == '#') pset(x + i, y + r);
}

std::string keysOf(Button b) {
  const std::vector<int>& codes = inputState().keymap[size_t(b)];
  std::string out;
  for (int code : codes) {
    // Escape is the editor's hot key, so it never resets the car even where Back is bound to it.
    if (b == Button::Back && code == scanEscape) continue;
    if (!out.empty()) out += ", ";
    out += scanCodeName(code);
  }
  return out.empty() ? "none" : out;
}

std::string buttonLine(const std::string& action, std::initializer_list<Button> buttons) {
  std::string names, keys;
  for (Button b : buttons) {
    if (!names.empty()) {
      names += '/';
      keys += " / ";
    }
    names += buttonName(b);
    keys += keysOf(b);
  }
  return action + " (" + names + "): " + keys;
}

}  // namespace

// The reference lap that fits the lap the car is on: standing on its first, flying after.
std::string referenceText(const Car& car, const Map& map) {
  const std::shared_ptr<const SpeedPlan>& plan = trainingRecord().reference;
  if (!plan) return "";
  const bool flying = car.lapTimes.size() >= 2 || lapIndex(car, map) > 0;
  return "  ref " + fixed(flying ? plan->flyingLap : plan->standingLap, 1);
}

std::string lapLine(const Car& car, const Map& map) {
  const std::vector<float>& t = car.lapTimes;
  // On an open track the time stops at the finish.
  if (!isLooping(map)) return t.empty() ? "lap open" : "lap open  time " + fixed(t.size() >= 2 ? t[0] : t.back(), 2);
  int64_t lap = int64_t(t.size());
  if (t.empty()) {
    const float n = float(map.path.size());
    lap = 1 + (n > 0 ? std::max<int64_t>(0, int64_t(std::trunc(float(car.currentNode) / n))) : 0);
  }
  const std::string head = "lap " + std::to_string(lap) + "/" + std::to_string(map.laps);
  if (t.size() < 2) return head + "  last --  best --";
  const float best = *std::min_element(t.begin(), t.end() - 1);
  return head + "  last " + fixed(t[t.size() - 2], 2) + "  best " + fixed(best, 2);
}

// One digit per gene, 0 for -1 up to 9 for +1 (clamped beyond): a glance at a set of 11 or 53.
std::string geneDigits(std::span<const float> genes) {
  std::string out;
  for (float g : genes) out += char('0' + std::clamp(int(std::lround((g + 1) * 4.5f)), 0, 9));
  return out;
}

std::vector<std::string> geneLines(DriverKind kind, const std::vector<float>& genes) {
  if (kind != DriverKind::neural) return {"genes " + geneDigits(genes)};
  const std::span<const float> all(genes);
  const size_t hidden = std::min<size_t>(all.size(), 35);  // wH[0], then wO
  return {"wH " + geneDigits(all.first(hidden)), "wO " + geneDigits(all.subspan(hidden))};
}

std::string trackLine(const Map& map) {
  const DriverKind driver = sessionOptions().driver;
  const std::string kind = driver == DriverKind::pid ? "" : ", " + std::string(driverName(driver));
  return "track " + std::to_string(map.mapSlot) + ": " + map.name + kind + ", level " +
         std::to_string(sessionOptions().level);
}

std::vector<std::string> panelLines(const Car& followed) {
  if (racing()) return racePanelLines(followed);
  const Harness& h = harness();
  const Map& map = *h.myMap;
  std::vector<std::string> lines;
  lines.push_back(trackLine(map));
  std::string gen = "gen " + std::to_string(trainingRecord().history.size() + 1) + "  left " +
                    fixed(std::max(0.0f, 60.0f - h.timeSinceStart), 1) + " s";
  if (h.ff) gen += "  2x";
  lines.push_back(gen);
  if (h.aiCars.empty()) {
    // Until the first generation starts (at 60 s, or on r) the track holds no training cars.
    lines.push_back(kNoCarsYet);
  } else if (trainingRecord().history.empty()) {
    lines.push_back("last gen: none yet");
  } else {
    const GenerationStats& g = trainingRecord().history.back();
    lines.push_back("last gen: best " + fixed(g.best, 0) + "  mean " + fixed(g.mean, 1));
    lines.push_back("  " + lapsText(g));
  }
  if (h.bestAI.empty()) {
    lines.push_back("pool: empty");
  } else {
    const auto best = std::max_element(h.bestAI.begin(), h.bestAI.end(),
                                       [](const ScoredGains& a, const ScoredGains& b) { return a.score < b.score; });
    lines.push_back("pool best " + fixed(best->score, 0));
  }
  const int64_t ai = followedAiNumber();
  const bool champion = followingChampion();
  const std::string who = champion ? "champion replay" : ai ? "AI #" + std::to_string(ai) : "you";
  lines.push_back("following: " + who + ", node " + std::to_string(followed.currentNode));
  lines.push_back(lapLine(followed, map) + referenceText(followed, map));
  std::vector<std::string> genes;
  if (champion) {
    const Tape& t = *trainingRecord().replays.champion;
    if (t.driver == DriverKind::pid)
      lines.push_back("score " + fixed(t.score, 0) + "  gains " + fixed(t.genes[0], 2) + " " + fixed(t.genes[1], 2) +
                      " " + fixed(t.genes[2], 2));
    else
      lines.push_back("score " + fixed(t.score, 0)), genes = geneLines(t.driver, t.genes);
  } else if (ai && followed.ai && followed.ai->kind != DriverKind::pid) {
    genes = geneLines(followed.ai->kind, genesOf(*followed.ai));
  }
  lines.insert(lines.end(), genes.begin(), genes.end());
  if (!trainingRecord().notSaved.empty()) lines.push_back(trainingRecord().notSaved);
  return lines;
}

std::vector<std::string> keyHelpLines() {
  return {
      "KEYS  (F1 closes)",
      buttonLine("steer", {Button::Left, Button::Right}),
      buttonLine("throttle", {Button::A}),
      buttonLine("brake", {Button::B}),
      buttonLine("boost", {Button::X}),
      buttonLine("follow AI", {Button::Y}),
      buttonLine("AI aim lines", {Button::L1}),
      buttonLine("reset car", {Button::Back}),
      buttonLine("editor slot", {Button::Up, Button::Down}),
      racing() ? "Space fast-forward   r race again" : "Space fast-forward   r next generation",
      racing() ? "Tab panel   Escape retire   F2 write car.dat" : "Tab panel   Escape editor   F2 write car.dat",
      "o ghost   F4 save the best lap's tape",
      "Return colours   t team   m body",
      "Ctrl+Q quit   Ctrl+F, Alt+Return fullscreen",
      "F8 restart capture   F9 GIF   F10 screenshot",
      "F11 open the per-user folder",
  };
}

void drawStatusPanel(const Car& followed) {
  const std::vector<std::string> lines = panelLines(followed);
  std::vector<ColorId> colors = {12, 7, 6, 6, 9, 7, 7};
  if (harness().aiCars.empty()) {
    colors[2] = color::yellow;  // how to start training
  } else if (!trainingRecord().history.empty()) {
    colors.insert(colors.begin() + 3, 6);  // the champion's laps
  }
  colors.resize(lines.size(), 7);
  if (!trainingRecord().notSaved.empty()) colors.back() = color::red;
  textBox(lines, colors, 0, 0);
}

void drawGaugeBacking() {
  static const char* const kS[3] = {".##", ".#.", "##."};
  static const char* const kF[3] = {"###", "##.", "#.."};
  static const char* const kT[3] = {"###", ".#.", ".#."};
  const DrawState& d = drawState();
  const Pint W = d.screenWidth, H = d.screenHeight, xr = W - 2;
  // Left of the full extent of each gauge (speed and temperature a fifth of the width, forces a
  // quarter), on rows no bar reaches: the speed bar grows past its full extent above 200 km/h,
  // and the row under the forces is drawn as far left as they reach.
  const Pint fifth = W - Pint(std::floor(W / 5.0)), quarter = xr - Pint(std::floor(0.25 * W));
  setColor(kBacking);
  rectfill(quarter - 9, H - 17, W - 1, H - 1);
  letter(kS, fifth - 6, H - 12, 9);
  letter(kF, quarter - 6, H - 7, 11);
  letter(kT, fifth - 6, H - 3, 6);
}

void drawKeyHelp() {
  const std::vector<std::string> lines = keyHelpLines();
  std::vector<ColorId> colors(lines.size(), 6);
  colors[0] = 12;
  for (size_t i = 1; i < 9; ++i) colors[i] = 7;
  textBox(lines, colors, 4, 4);
}

}  // namespace dx
