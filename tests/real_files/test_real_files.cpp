// Readers against files nobody on this team wrote: the Wavefront OBJ test models of
// assimp-testmodels, the GIMP palettes of gimp-data, and PNG images of every bit depth from
// gimp-data, cmake-data, assimp-testmodels and libpng-dev. The files are found through the
// package database at test time (scripts/test.sh installs the packages); a test whose package
// is absent is skipped with its name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/errors.h"
#include "framework/palette.h"
#include "framework/png_io.h"
#include "framework/run_loop.h"
#include "render3d/model.h"
#include "test_support.h"

namespace dx {
namespace {

bool endsWith(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The files of an installed package whose names end in suffix, sorted; empty when the package
// is not installed.
std::vector<std::string> packageFiles(const std::string& package, const std::string& suffix) {
  std::vector<std::string> out;
  FILE* p = popen(("dpkg -L " + package + " 2>/dev/null").c_str(), "r");
  if (!p) return out;
  char line[4096];
  while (std::fgets(line, sizeof line, p)) {
    std::string s(line);
    if (!s.empty() && s.back() == '\n') s.pop_back();
    if (endsWith(s, suffix)) out.push_back(s);
  }
  pclose(p);
  std::sort(out.begin(), out.end());
  return out;
}

std::string baseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

// ---- Wavefront OBJ -------------------------------------------------------------------------

const std::string kObjDir = "/usr/share/assimp/models/OBJ/";

struct ObjResult {
  Model model;
  std::string error, out;
  size_t faces() const {
    size_t n = 0;
    for (const FaceSet& s : model.faceSets) n += s.faces.size();
    return n;
  }
};

ObjResult loadObjCapturing(const std::string& path) {
  ObjResult r;
  const test::LogCapture capture;
  try {
    loadObjFile(path, r.model);
  } catch (const GameError& e) {
    r.error = e.what();
  }
  r.out = capture.out();
  return r;
}

class AssimpObj : public testing::Test {
 protected:
  void SetUp() override {
    files = packageFiles("assimp-testmodels", ".obj");
    if (files.empty()) GTEST_SKIP() << "assimp-testmodels is not installed";
  }
  std::vector<std::string> files;
};

// Whatever the file, the loader returns or raises one of the framework's errors.
TEST_F(AssimpObj, EveryModelLoadsOrGivesAMessage) {
  size_t loaded = 0, refused = 0;
  for (const std::string& f : files) {
    ObjResult r;
    try {
      r = loadObjCapturing(f);
    } catch (const std::exception& e) {
      ADD_FAILURE() << f << " raised a non-framework error: " << e.what();
      continue;
    }
    if (!r.error.empty()) {
      ++refused;
      EXPECT_EQ(r.error.rfind("invalid vertex: ", 0), 0u) << f << ": " << r.error;
      continue;
    }
    ++loaded;
    // Normals are made unit length; a zero normal in the file stays zero.
    for (const Vec3f& n : r.model.normals) {
      if (length(n) > 0.0f) {
        EXPECT_NEAR(length(n), 1.0f, 1e-5f) << f;
      }
    }
    for (const FaceSet& s : r.model.faceSets) {
      for (const Face& face : s.faces) {
        for (int i = 0; i < (face.isQuad() ? 4 : 3); ++i) {
          EXPECT_LT(size_t(face.vertexIndices[i]), r.model.vertices.size()) << f;
          EXPECT_LT(size_t(face.normalIndices[i]), r.model.normals.size()) << f;
        }
      }
    }
  }
  EXPECT_GT(loaded, 0u);
  EXPECT_GT(refused, 0u);
}

// Models in the subset the loader reads: single-space vertex lines and v/t/n or v//n faces.
TEST_F(AssimpObj, WellFormedModelsLoadWithTheirGroupsAndNormals) {
  const ObjResult wuson = loadObjCapturing(kObjDir + "WusonOBJ.obj");
  ASSERT_EQ(wuson.error, "");
  EXPECT_EQ(wuson.model.vertices.size(), 2117u);
  EXPECT_EQ(wuson.model.normals.size(), 2076u);
  ASSERT_EQ(wuson.model.faceSets.size(), 1u);
  EXPECT_EQ(wuson.faces(), 3732u);

  // The spider has 19 named groups; none ends in "_<number>", so every set has material 0.
  const ObjResult spider = loadObjCapturing(kObjDir + "spider.obj");
  ASSERT_EQ(spider.error, "");
  EXPECT_EQ(spider.model.vertices.size(), 762u);
  EXPECT_EQ(spider.model.normals.size(), 747u);
  EXPECT_EQ(spider.model.uvs.size(), 302u);
  ASSERT_EQ(spider.model.faceSets.size(), 19u);
  for (const FaceSet& s : spider.model.faceSets) {
    EXPECT_EQ(s.materialId, 0);
    EXPECT_FALSE(s.faces.empty());
  }
  EXPECT_EQ(spider.faces(), 1368u);
  // A face normal is the plain mean of its corner normals.
  const Face& f = spider.model.faceSets[3].faces[5];
  const int corners = f.isQuad() ? 4 : 3;
  Vec3f sum{};
  for (int i = 0; i < corners; ++i) sum += spider.model.normals[size_t(f.normalIndices[i])];
  EXPECT_EQ(f.normal, sum / float(corners));

  const ObjResult blender = loadObjCapturing(kObjDir + "empty_mat.obj");
  ASSERT_EQ(blender.error, "");
  EXPECT_EQ(blender.model.vertices.size(), 130u);
  EXPECT_EQ(blender.model.normals.size(), 98u);
  EXPECT_EQ(blender.faces(), 256u);
}

TEST_F(AssimpObj, MalformedAndUnsupportedModelsGiveMessages) {
  // Two spaces after "v" are not a vertex line: fatal, with the line.
  EXPECT_EQ(loadObjCapturing(kObjDir + "cube_usemtl.obj").error,
            "invalid vertex: v  0.0  0.0  0.0 (" + kObjDir + "cube_usemtl.obj line 5)");
  EXPECT_EQ(loadObjCapturing(kObjDir + "number_formats.obj").error,
            "invalid vertex: v 1e+2 2.e+1 3.1+e2 (" + kObjDir + "number_formats.obj line 11)");
  // Faces of bare vertex indices are reported and skipped; the vertices stay.
  const ObjResult box = loadObjCapturing(kObjDir + "box.obj");
  EXPECT_EQ(box.error, "");
  EXPECT_EQ(box.model.vertices.size(), 8u);
  EXPECT_EQ(box.faces(), 0u);
  EXPECT_NE(box.out.find("invalid face: f 4 3 2 1 (" + kObjDir + "box.obj line 23)\n"), std::string::npos) << box.out;
  EXPECT_NE(box.out.find(kObjDir + "box.obj: the model has no faces and draws nothing\n"), std::string::npos);
  // A file without its last line end, and one with a very long line, read the same.
  for (const char* name : {"box_without_lineending.obj", "box_longline.obj"}) {
    const ObjResult r = loadObjCapturing(kObjDir + name);
    EXPECT_EQ(r.error, "") << name;
    EXPECT_EQ(r.model.vertices.size(), 8u) << name;
  }
  // UTF-16 text has no line the loader knows: an empty model.
  const ObjResult utf16 = loadObjCapturing(kObjDir + "box_UTF16BE.obj");
  EXPECT_EQ(utf16.error, "");
  EXPECT_TRUE(utf16.model.vertices.empty());
  // The models assimp keeps as invalid: an empty file, and faces with too many corners.
  for (const std::string& f : files) {
    if (f.find("/invalid/") == std::string::npos) continue;
    const ObjResult r = loadObjCapturing(f);
    EXPECT_EQ(r.faces(), 0u) << f;
    if (!r.model.vertices.empty()) {
      EXPECT_NE(r.out.find("invalid face: "), std::string::npos) << f;
    }
  }
}

// ---- GIMP palettes -------------------------------------------------------------------------

// The colour lines of a GIMP palette as its format describes them: after the header, lines
// that start with optional blanks and a digit.
std::vector<RGB> colourLines(const std::string& text) {
  std::vector<RGB> out;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    const size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || !std::isdigit(static_cast<unsigned char>(line[first]))) continue;
    int r = 0, g = 0, b = 0;
    std::istringstream(line) >> r >> g >> b;
    out.push_back(RGB{uint8_t(r), uint8_t(g), uint8_t(b)});
  }
  return out;
}

TEST(GimpPalettes, EachLoadsAndLogsItsNameAndColumnLines) {
  const std::vector<std::string> files = packageFiles("gimp-data", ".gpl");
  if (files.empty()) GTEST_SKIP() << "gimp-data is not installed";
  size_t loaded = 0;
  for (const std::string& f : files) {
    const std::string text = test::slurp(f);
    const std::vector<RGB> colours = colourLines(text);
    loopState().assetPath = f.substr(0, f.find_last_of('/'));
    const test::LogCapture capture;
    try {
      const Palette p = loadPaletteFromGPL(baseName(f));
      const std::string log = capture.err();
      ++loaded;
      // A palette holds 256 colours: longer files keep their first 256.
      const size_t kept = std::min<size_t>(colours.size(), 256);
      EXPECT_EQ(p.size, int(kept) + 1) << f;
      for (size_t i = 0; i < kept; ++i) ASSERT_EQ(p.colors[i], colours[i]) << f << " colour " << i;
      // Every line of the file that is not the header, a comment or a colour is logged.
      std::istringstream in(text);
      std::string line;
      while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("Name:", 0) == 0 || line.rfind("Columns:", 0) == 0) {
          EXPECT_NE(log.find("not matched: , " + line + "\n"), std::string::npos) << f << ": " << line;
        }
      }
    } catch (const FormatError& e) {
      ADD_FAILURE() << f << ": " << e.what();
    }
  }
  EXPECT_EQ(loaded, files.size());
  resetLoopState();
}

// ---- PNG images ----------------------------------------------------------------------------

// What a PNG's own chunks say about it, read independently of the decoder.
struct PngFacts {
  uint32_t w = 0, h = 0;
  int depth = 0, type = 0, interlace = 0;
  std::vector<RGB> palette;
  std::vector<uint8_t> paletteAlpha;  // tRNS of a palette image
  bool hasTrns = false;
};

uint32_t be32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 | uint32_t(uint8_t(b[at + 2])) << 8 |
         uint8_t(b[at + 3]);
}

bool readFacts(const std::string& bytes, PngFacts& f) {
  if (bytes.size() < 33 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return false;
  for (size_t pos = 8; pos + 12 <= bytes.size();) {
    const uint32_t len = be32(bytes, pos);
    const std::string type = bytes.substr(pos + 4, 4);
    const size_t data = pos + 8;
    if (len > bytes.size() - data) return false;
    if (type == "IHDR") {
      f.w = be32(bytes, data);
      f.h = be32(bytes, data + 4);
      f.depth = uint8_t(bytes[data + 8]);
      f.type = uint8_t(bytes[data + 9]);
      f.interlace = uint8_t(bytes[data + 12]);
    } else if (type == "PLTE") {
      for (size_t i = 0; i + 3 <= len; i += 3)
        f.palette.push_back(RGB{uint8_t(bytes[data + i]), uint8_t(bytes[data + i + 1]), uint8_t(bytes[data + i + 2])});
    } else if (type == "tRNS") {
      f.hasTrns = true;
      if (f.type == 3)
        f.paletteAlpha.assign(bytes.begin() + std::ptrdiff_t(data), bytes.begin() + std::ptrdiff_t(data + len));
    } else if (type == "IEND") {
      break;
    }
    pos = data + len + 4;
  }
  return f.w > 0;
}

struct PngFile {
  std::string path;
  PngFacts facts;
};

const char* kPngPackages[] = {"gimp-data", "cmake-data", "assimp-testmodels", "libpng-dev"};

class RealPng : public testing::Test {
 protected:
  void SetUp() override {
    std::string missing;
    for (const char* pkg : kPngPackages) {
      const std::vector<std::string> files = packageFiles(pkg, ".png");
      if (files.empty()) missing += std::string(" ") + pkg;
      for (const std::string& f : files) {
        PngFile p{f, {}};
        if (readFacts(test::slurp(f), p.facts)) pngs.push_back(p);
      }
    }
    if (!missing.empty()) GTEST_SKIP() << "not installed:" << missing;
  }
  std::vector<PngFile> pngs;
};

// Palette and grey images decode both ways, and the two agree pixel for pixel: the RGBA
// pixel is the palette entry (or the grey level scaled to 8 bits) of the index.
TEST_F(RealPng, PaletteAndGreyImagesOfEveryDepthDecodeAsIndicesAndAsRgba) {
  std::set<std::pair<int, int>> seen;  // (colour type, bit depth)
  for (const PngFile& p : pngs) {
    const PngFacts& f = p.facts;
    if ((f.type != 0 && f.type != 3) || f.depth == 16) continue;
    SurfacePtr idx, rgba;
    ASSERT_NO_THROW(idx = loadSurfaceIndexed(p.path)) << p.path;
    ASSERT_NO_THROW(rgba = loadSurfaceRGBA(p.path)) << p.path;
    ASSERT_EQ(idx->channels, 1);
    ASSERT_EQ(rgba->channels, 4);
    ASSERT_EQ(idx->w, int(f.w)) << p.path;
    ASSERT_EQ(idx->h, int(f.h)) << p.path;
    ASSERT_EQ(rgba->w, int(f.w));
    ASSERT_EQ(rgba->h, int(f.h));
    const int maxLevel = (1 << f.depth) - 1;
    for (size_t i = 0; i < idx->data.size(); ++i) {
      const uint8_t v = idx->data[i];
      ASSERT_LE(v, maxLevel) << p.path;
      const uint8_t* px = &rgba->data[4 * i];
      if (f.type == 3) {
        ASSERT_LT(v, f.palette.size()) << p.path;
        ASSERT_EQ((RGB{px[0], px[1], px[2]}), f.palette[v]) << p.path << " pixel " << i;
        const uint8_t alpha = v < f.paletteAlpha.size() ? f.paletteAlpha[v] : 255;
        ASSERT_EQ(px[3], alpha) << p.path << " pixel " << i;
      } else {
        const uint8_t grey = uint8_t(v * 255 / maxLevel);
        ASSERT_EQ((RGB{px[0], px[1], px[2]}), (RGB{grey, grey, grey})) << p.path << " pixel " << i;
        if (!f.hasTrns) {
          ASSERT_EQ(px[3], 255) << p.path;
        }
      }
    }
    seen.insert({f.type, f.depth});
  }
  for (const auto& want : std::set<std::pair<int, int>>{{0, 1}, {0, 4}, {0, 8}, {3, 2}, {3, 4}, {3, 8}})
    EXPECT_TRUE(seen.count(want)) << "no image of colour type " << want.first << " with " << want.second << " bits";
}

// Colour images (and grey with alpha) decode as RGBA (16-bit and interlaced ones included) and are refused as
// palette indices with the file's name.
TEST_F(RealPng, ColourImagesDecodeAsRgbaAndAreRefusedAsIndices) {
  std::map<std::string, int> seen;
  size_t tested = 0;
  for (const PngFile& p : pngs) {
    const PngFacts& f = p.facts;
    if (f.type != 2 && f.type != 4 && f.type != 6) continue;
    const char* type = f.type == 6 ? "-bit RGBA" : f.type == 4 ? "-bit grey and alpha" : "-bit RGB";
    const std::string kind = std::to_string(f.depth) + type + (f.interlace ? " interlaced" : "");
    // Thousands of icons share a few kinds; a handful of each is enough.
    if (seen[kind]++ >= 40) continue;
    ++tested;
    SurfacePtr rgba;
    ASSERT_NO_THROW(rgba = loadSurfaceRGBA(p.path)) << p.path;
    ASSERT_EQ(rgba->w, int(f.w));
    ASSERT_EQ(rgba->h, int(f.h));
    ASSERT_EQ(rgba->data.size(), size_t(f.w) * f.h * 4);
    if (f.type == 2 && !f.hasTrns) {
      for (size_t i = 3; i < rgba->data.size(); i += 4) ASSERT_EQ(rgba->data[i], 255) << p.path;
    }
    try {
      loadSurfaceIndexed(p.path);
      ADD_FAILURE() << p.path << " decoded as palette indices";
    } catch (const FormatError& e) {
      EXPECT_EQ(std::string(e.what()), p.path + ": not a palette image");
    }
  }
  for (const char* kind : {"8-bit RGBA", "16-bit RGBA", "8-bit RGB", "8-bit grey and alpha", "8-bit RGBA interlaced"})
    EXPECT_TRUE(seen.count(kind)) << "no " << kind << " image among " << tested;
}

}  // namespace
}  // namespace dx
