#pragma once
// Models read from Wavefront OBJ text: vertices, normals and texture coordinates, and faces
// grouped into face sets whose material id picks a colour when the model is drawn.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "geom/vec.h"

namespace dx {

struct Face {
  std::array<int64_t, 4> vertexIndices{-1, -1, -1, -1};  // 0-based; the fourth is -1 for a triangle
  std::array<int64_t, 4> uvIndices{-1, -1, -1, -1};
  std::array<int64_t, 4> normalIndices{-1, -1, -1, -1};
  Vec3f normal{};  // mean of the corner normals, not renormalised

  bool isQuad() const { return vertexIndices[3] >= 0; }
};

struct FaceSet {
  int64_t materialId = 0;
  std::vector<Face> faces;
};

struct Model {
  std::vector<Vec3f> vertices;
  std::vector<Vec3f> normals;
  std::vector<Vec2f> uvs;
  std::vector<FaceSet> faceSets;
  std::string filename;  // the file it was read from, for messages about it
};

// Reads the OBJ file `filename` from the asset folder into model, replacing its contents.
// A missing file or a malformed vertex line raises IOError (the model is then left empty);
// malformed uv, normal and face lines, and faces whose vertex or normal index lies outside
// the lists, are reported on standard output and skipped.
void loadObj(const std::string& filename, Model& model);
// The same from a path used as it is.
void loadObjFile(const std::string& path, Model& model);
// The same from the text of a file; `name` stands for the file in messages.
void parseObj(std::string_view text, const std::string& name, Model& model);

}  // namespace dx
