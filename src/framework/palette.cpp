#include "framework/palette.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "framework/canvas.h"
#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

Palette gCurrent = loadPaletteDefault();

// Lines end at CR LF, CR or LF.
std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

void skipSpace(std::string_view s, size_t& i) {
  while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
}

// Optional white space, then decimal digits; values are capped so long digit runs cannot overflow.
bool readInt(std::string_view s, size_t& i, int& out) {
  skipSpace(s, i);
  const size_t first = i;
  out = 0;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i)
    out = std::min(out * 10 + (s[i] - '0'), 100000);
  return i > first;
}

// "r g b [name]": each number after the first follows exactly one space and optional white space.
bool parseColorLine(std::string_view s, int rgb[3]) {
  size_t i = 0;
  for (int k = 0; k < 3; ++k) {
    if (k > 0) {
      if (i >= s.size() || s[i] != ' ') return false;
      ++i;
    }
    if (!readInt(s, i, rgb[k])) return false;
  }
  return true;
}

// A comment naming a range of indices ("#  114-119 asphalt") declares that the palette holds
// them; the index after the range, or 0 for any other comment.
int declaredEnd(std::string_view comment) {
  size_t i = 1;
  int first = 0, last = 0;
  if (!readInt(comment, i, first)) return 0;
  skipSpace(comment, i);
  if (i >= comment.size() || comment[i] != '-') return 0;
  ++i;
  if (!readInt(comment, i, last) || i >= comment.size() || comment[i] != ' ' || last < first) return 0;
  return last + 1;
}

}  // namespace

Palette parsePaletteGPL(std::string_view text, const std::string& name) {
  Palette p;
  int count = 0, declared = 0;
  bool header = false;
  for (std::string_view line : splitLines(text)) {
    if (!header && line.substr(0, 12) == "GIMP Palette") {
      header = true;
      continue;
    }
    if (!line.empty() && line.front() == '#') declared = std::max(declared, declaredEnd(line));
    if (line.empty() || line.front() == '#') continue;
    int rgb[3];
    if (!parseColorLine(line, rgb)) {
      debug("not matched: ", line);
      continue;
    }
    if (!header) throw FormatError(name + ": colour line before the \"GIMP Palette\" header: " + std::string(line));
    if (count == 256) {
      // A palette holds 256 colours; longer files (some ship with image editors) keep their first 256.
      debug(name + ": more than 256 colours, the rest are ignored");
      break;
    }
    if (rgb[0] > 255 || rgb[1] > 255 || rgb[2] > 255)
      throw FormatError(name + ": colour value above 255: " + std::string(line));
    p.colors[count++] = RGB{uint8_t(rgb[0]), uint8_t(rgb[1]), uint8_t(rgb[2])};
  }
  if (!header) throw FormatError(name + ": not a GIMP palette (no \"GIMP Palette\" header)");
  // A file cut short: its colours end before the ranges its header names, or before the first.
  if (count == 0) throw FormatError(name + ": no colours");
  if (count < std::min(declared, 256))
    throw FormatError(name + ": " + std::to_string(count) + " of the " + std::to_string(declared) +
                      " colours its header names");
  // One more than the colour lines: the capture picks its bit depth from this count.
  p.size = count + 1;
  return p;
}

Palette loadPaletteDefault() {
  static const RGB colors[16] = {
      {0, 0, 0},       {29, 43, 83},    {126, 37, 83},   {0, 135, 81},    {171, 82, 54},  {95, 87, 79},
      {194, 195, 199}, {255, 241, 232}, {255, 0, 77},    {255, 163, 0},   {255, 240, 36}, {0, 231, 86},
      {41, 173, 255},  {131, 118, 156}, {255, 119, 168}, {255, 204, 170},
  };
  Palette p;
  p.size = 16;
  for (int i = 0; i < 16; ++i) p.colors[i] = colors[i];
  return p;
}

Palette loadPaletteFromGPL(const std::string& filename) {
  const std::string path = joinPath(assetPath(), filename);
  Palette p = parsePaletteGPL(readTextFile(path, readCap::text), path);
  pal();
  pald();
  palt();
  return p;
}

void setPalette(const Palette& p) { gCurrent = p; }

Palette& currentPalette() { return gCurrent; }

}  // namespace dx
