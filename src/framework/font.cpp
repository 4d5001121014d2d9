#include "framework/font.h"

#include <algorithm>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/png_io.h"
#include "framework/run_loop.h"

namespace dx {

namespace {

FontState gFonts;

// Each byte that does not start a well-formed sequence gives U+FFFD and is skipped alone.
std::u32string decodeUtf8(std::string_view s) {
  std::u32string out;
  size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    int len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
    char32_t c = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
    bool ok = len > 0 && i + size_t(len) <= s.size();
    for (int k = 1; ok && k < len; ++k) {
      const auto cb = static_cast<unsigned char>(s[i + size_t(k)]);
      ok = (cb & 0xC0) == 0x80;
      c = (c << 6) | (cb & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are malformed too.
    static const char32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    ok = ok && c >= minimum[len] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
    out.push_back(ok ? c : U'\uFFFD');
    i += ok ? size_t(len) : 1;
  }
  return out;
}

std::string encodeUtf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
  return out;
}

const Font& requireFont() {
  if (!gFonts.currentFont) throw GameError("No font selected");
  return *gFonts.currentFont;
}

// Marker 2, ink 1, background 0, from an RGBA image whose pixel (0, 0) is the marker colour
// and pixel (1, 0) the background.
std::vector<uint8_t> classifyRGBA(const Surface& s) {
  if (s.w < 2 || s.h < 1) throw FormatError(s.filename + ": a font image needs at least 2 x 1 pixels");
  const uint8_t* px = s.data.data();
  auto same = [](const uint8_t* a, const uint8_t* b) { return std::equal(a, a + 4, b); };
  std::vector<uint8_t> out(size_t(s.w) * size_t(s.h));
  for (size_t i = 0; i < out.size(); ++i) {
    const uint8_t* p = px + 4 * i;
    out[i] = same(p, px) ? 2 : same(p, px + 4) ? 0 : 1;
  }
  return out;
}

// Cuts the glyph cells out of the top row. Cells beyond the characters are counted but not
// assigned, so the count check below reports them.
void cutGlyphs(Font& f, std::string_view chars) {
  const std::u32string cs = decodeUtf8(chars);
  size_t count = 0;
  int x = 0;
  for (int k = 0; k < f.w; ++k) {
    if (f.data[size_t(k)] != 2) continue;
    if (k > x) {
      int height = 0;
      for (int l = 0; l < f.h; ++l)
        if (f.data[size_t(l) * size_t(f.w) + size_t(k)] == 2) height = l;
      if (count < cs.size()) {
        const char32_t c = cs[count];
        if (f.rects.count(c))
          throw FormatError("font already has character: " + encodeUtf8(c) + " index: " + std::to_string(count));
        f.rects[c] = Rect{x, 0, k - x, height};
      }
      ++count;
    }
    x = k + 1;
  }
  if (count != cs.size())
    throw FormatError("didn't load all characters from font, loaded: " + std::to_string(count) +
                      " bitmaps of specified chars " + std::to_string(cs.size()));
}

// Scales the glyph cell src into the destination rectangle. Skipped pixels still advance the
// walk, so text crossing the clip edge keeps its rows.
void fontBlit(const Font& f, const Rect& src, int64_t x, int64_t y, int64_t dw, int64_t dh) {
  if (dw <= 0 || dh <= 0) return;
  DrawState& d = drawState();
  const float du = float(src.w) / float(dw), dv = float(src.h) / float(dh);
  const auto ink = uint8_t(d.currentColor);
  float v = float(src.y);
  for (int64_t py = y; py < y + dh; ++py, v += dv) {
    float u = float(src.x);
    for (int64_t px = x; px < x + dw; ++px, u += du) {
      if (u < 0 || v < 0) continue;
      const auto iu = int64_t(u), iv = int64_t(v);
      if (iu > f.w - 1 || iv > f.h - 1) continue;
      if (px < d.clipMinX || px > d.clipMaxX || py < d.clipMinY || py > d.clipMaxY) continue;
      uint8_t& out = d.swCanvas->data[size_t(py) * size_t(d.screenWidth) + size_t(px)];
      if (f.data[size_t(iv) * size_t(f.w) + size_t(iu)] == 1 && ditherPass(int(px), int(py)))
        out = ink;
      else if (d.ditherColor >= 0)
        out = uint8_t(d.ditherColor);
    }
  }
}

bool isLineBreak(char32_t c) { return c == U'\r' || c == U'\n'; }

}  // namespace

FontState& fontState() { return gFonts; }

void resetFontState() { gFonts = FontState{}; }

FontPtr createFontFromSurface(const Surface& s, std::string_view chars) {
  auto f = std::make_shared<Font>();
  f->w = s.w;
  f->h = s.h;
  // The glyph cells are found along the top row, so there must be one.
  if (s.w < 1 || s.h < 1) throw FormatError(s.filename + ": a font image needs at least one pixel");
  if (s.data.size() < size_t(s.w) * size_t(s.h) * size_t(std::max(s.channels, 0)))
    throw FormatError(s.filename + ": font image holds fewer pixels than its size");
  if (s.channels == 4) {
    debug("loading font from RGBA", s.filename);
    f->data = classifyRGBA(s);
  } else if (s.channels == 1) {
    debug("loading font from indexed", s.filename);
    f->data.assign(s.data.begin(), s.data.begin() + std::ptrdiff_t(size_t(s.w) * size_t(s.h)));
  } else {
    throw FormatError(s.filename + ": a font image must be indexed or RGBA");
  }
  cutGlyphs(*f, chars);
  return f;
}

FontPtr decodeFont(std::string_view png, const std::string& name, std::string_view chars) {
  return createFontFromSurface(*decodeSurfaceRGBA(png, name), chars);
}

void loadFont(int64_t index, const std::string& filename, std::string_view chars) {
  if (index < 0 || index > 15) throw IndexError("Invalid font slot " + std::to_string(index));
  const std::string path = joinPath(assetPath(), filename);
  FontPtr font = decodeFont(readTextFile(path, readCap::image), path, chars);
  const bool wasCurrent = gFonts.fonts[index] == gFonts.currentFont;
  gFonts.fonts[index] = font;
  if (wasCurrent) {
    gFonts.currentFont = font;
    gFonts.currentFontId = int(index);
  }
}

void setFont(int64_t index) {
  if (index < 0 || index > 15) return;
  gFonts.currentFontId = int(index);
  gFonts.currentFont = gFonts.fonts[index];
}

Pint glyph(char32_t c, Pint x, Pint y, Pint scale) {
  const Font& f = requireFont();
  const auto it = f.rects.find(c);
  if (it == f.rects.end()) return 0;
  const Rect& r = it->second;
  fontBlit(f, r, x, y, r.w * scale, r.h * scale);
  return Pint(r.w * scale + scale);
}

void print(std::string_view text, Pint x, Pint y, Pint scale) {
  const Font& f = requireFont();
  const std::u32string cs = decodeUtf8(text);
  const Pint left = x - drawState().cameraX;
  Pint penX = left, penY = y - drawState().cameraY;
  for (size_t i = 0; i < cs.size(); ++i) {
    if (!isLineBreak(cs[i])) {
      penX += glyph(cs[i], penX, penY, scale);
      continue;
    }
    if (cs[i] == U'\r' && i + 1 < cs.size() && cs[i + 1] == U'\n') ++i;
    penX = left;
    penY += f.h;
  }
}

void printr(std::string_view text, Pint x, Pint y, Pint scale) { print(text, x - textWidth(text, scale), y, scale); }

Pint textWidth(std::string_view text, Pint scale) {
  const Font& f = requireFont();
  Pint width = 0;
  for (char32_t c : decodeUtf8(text)) {
    const auto it = f.rects.find(c);
    if (it == f.rects.end()) throw GameError("character not in font: '" + encodeUtf8(c) + "'");
    width += Pint(it->second.w) * scale + scale;
  }
  return width;
}

}  // namespace dx
