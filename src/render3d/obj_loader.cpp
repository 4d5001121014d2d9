#include <charconv>
#include <string_view>

#include "framework/errors.h"
#include "framework/file_io.h"
#include "framework/log.h"
#include "framework/run_loop.h"
#include "render3d/model.h"

namespace dx {

namespace {

// The fields of a line are separated by single spaces; whatever follows the last field after
// a space is not read.
bool atFieldEnd(std::string_view s, size_t pos) { return pos == s.size() || s[pos] == ' ' || s[pos] == '\t'; }

bool readReal(std::string_view s, size_t& pos, float& out) {
  if (pos < s.size() && s[pos] == '+') ++pos;
  auto [end, ec] = std::from_chars(s.data() + pos, s.data() + s.size(), out);
  if (ec != std::errc()) return false;
  pos = size_t(end - s.data());
  return true;
}

// Indices are stored 1-based minus one, so the smallest integer has no stored form.
bool readInt(std::string_view s, size_t& pos, int64_t& out) {
  auto [end, ec] = std::from_chars(s.data() + pos, s.data() + s.size(), out);
  if (ec != std::errc() || out == INT64_MIN) return false;
  pos = size_t(end - s.data());
  return true;
}

bool expect(std::string_view s, size_t& pos, std::string_view lit) {
  if (s.substr(pos, lit.size()) != lit) return false;
  pos += lit.size();
  return true;
}

// n reals separated by single spaces, starting at pos.
bool readReals(std::string_view s, size_t pos, int n, float* out) {
  for (int i = 0; i < n; ++i) {
    if (i > 0 && !expect(s, pos, " ")) return false;
    if (!readReal(s, pos, out[i])) return false;
  }
  return atFieldEnd(s, pos);
}

// One face form: `corners` corners of v/t/n (or v//n when `noUv`), separated by single spaces.
// Indices are stored 0-based.
bool readFace(std::string_view s, size_t pos, int corners, bool noUv, Face& f) {
  f = Face{};
  for (int i = 0; i < corners; ++i) {
    if (i > 0 && !expect(s, pos, " ")) return false;
    int64_t v = 0, t = 0, n = 0;
    if (!readInt(s, pos, v)) return false;
    if (noUv) {
      if (!expect(s, pos, "//") || !readInt(s, pos, n)) return false;
    } else if (!expect(s, pos, "/") || !readInt(s, pos, t) || !expect(s, pos, "/") || !readInt(s, pos, n)) {
      return false;
    }
    f.vertexIndices[i] = v - 1;
    f.uvIndices[i] = noUv ? -1 : t - 1;
    f.normalIndices[i] = n - 1;
  }
  return atFieldEnd(s, pos);
}

// "name_3" selects material 2; a name without a numeric suffix after its last '_' selects 0.
int64_t materialIdOf(std::string_view name) {
  const size_t u = name.rfind('_');
  if (u == std::string_view::npos) return 0;
  const std::string_view suffix = name.substr(u + 1);
  int64_t k = 0;
  auto [end, ec] = std::from_chars(suffix.data(), suffix.data() + suffix.size(), k);
  if (ec != std::errc() || end != suffix.data() + suffix.size() || suffix.empty()) return 0;
  return k - 1;
}

std::string_view groupName(std::string_view rest) {
  size_t n = 0;
  while (n < rest.size()) {
    const char c = rest[n];
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_';
    if (!ok) break;
    ++n;
  }
  return rest.substr(0, n);
}

bool inRange(int64_t i, size_t n) { return i >= 0 && uint64_t(i) < n; }

bool indicesValid(const Face& f, const Model& m) {
  const int corners = f.isQuad() ? 4 : 3;
  for (int i = 0; i < corners; ++i)
    if (!inRange(f.vertexIndices[i], m.vertices.size()) || !inRange(f.normalIndices[i], m.normals.size())) return false;
  return true;
}

struct ObjReader {
  Model& m;
  const std::string& path;
  bool seenGroup = false;
  int64_t lineNo = 0;

  // The complaint, the offending line as it can be shown, and where it is.
  std::string problem(const char* what, std::string_view s) const {
    return joinPieces("", what, printable(s), " (", path, " line ", lineNo, ")");
  }

  void line(std::string_view s) {
    ++lineNo;
    if (s.starts_with("g ")) {
      group(s);
    } else if (s.starts_with("v ")) {
      float p[3];
      if (!readReals(s, 2, 3, p)) throw IOError(problem("invalid vertex: ", s));
      m.vertices.push_back({p[0], p[1], p[2]});
    } else if (s.starts_with("vt ")) {
      float p[2];
      if (readReals(s, 3, 2, p))
        m.uvs.push_back({p[0], p[1]});
      else
        echo(problem("invalid uv: ", s));
    } else if (s.starts_with("vn ")) {
      float p[3];
      if (readReals(s, 3, 3, p))
        m.normals.push_back(normalized(Vec3f{p[0], p[1], p[2]}));
      else
        echo(problem("invalid normal: ", s));
    } else if (s.starts_with("f ")) {
      face(s);
    }
  }

  void group(std::string_view s) {
    const int64_t id = materialIdOf(groupName(s.substr(2)));
    // The first group names the initial face set, which keeps material 0.
    if (seenGroup) m.faceSets.push_back(FaceSet{id, {}});
    seenGroup = true;
  }

  void face(std::string_view s) {
    Face f;
    // Quads before triangles, so a four-corner line is never read as a triangle.
    const bool ok = readFace(s, 2, 4, false, f) || readFace(s, 2, 3, false, f) || readFace(s, 2, 4, true, f) ||
                    readFace(s, 2, 3, true, f);
    if (!ok) {
      echo(problem("invalid face: ", s));
      return;
    }
    if (!indicesValid(f, m)) {
      echo(problem("face index out of range: ", s));
      return;
    }
    const int corners = f.isQuad() ? 4 : 3;
    Vec3f sum{};
    for (int i = 0; i < corners; ++i) sum += m.normals[size_t(f.normalIndices[i])];
    f.normal = sum / float(corners);
    m.faceSets.back().faces.push_back(f);
  }
};

bool hasFaces(const Model& m) {
  for (const FaceSet& set : m.faceSets)
    if (!set.faces.empty()) return true;
  return false;
}

Model emptyModel(const std::string& path) {
  Model m;
  m.faceSets.push_back(FaceSet{});
  m.filename = path;
  return m;
}

// The same file read again into the same model (every new car reloads the car body) has
// already been reported when it drew nothing.
bool reportedBefore(const Model& model, const std::string& name) { return model.filename == name && !hasFaces(model); }

// Replaces model, which the caller has emptied (and which so stays empty when the file cannot be
// read or a vertex line is invalid), with what the text holds.
void readObj(std::string_view text, const std::string& name, bool reported, Model& model) {
  Model m = emptyModel(name);
  ObjReader reader{m, name};
  std::string_view rest = text;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view s = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    reader.line(s);
  }
  if (!hasFaces(m) && !reported) echo(name, ": the model has no faces and draws nothing");
  model = std::move(m);
}

}  // namespace

void parseObj(std::string_view text, const std::string& name, Model& model) {
  const bool reported = reportedBefore(model, name);
  model = emptyModel(name);
  readObj(text, name, reported, model);
}

void loadObjFile(const std::string& path, Model& model) {
  const bool reported = reportedBefore(model, path);
  model = emptyModel(path);
  readObj(readTextFile(path, readCap::model), path, reported, model);
}

void loadObj(const std::string& filename, Model& model) { loadObjFile(joinPath(assetPath(), filename), model); }

}  // namespace dx
