#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "framework/errors.h"
#include "framework/run_loop.h"
#include "render3d/model.h"
#include "render3d/reset_render3d.h"
#include "test_support.h"

namespace dx {
namespace {

namespace fs = std::filesystem;

fs::path scratchDir() { return test::tempFolder("dx-obj-"); }

// Writes text to a scratch file and loads it; the standard output of the load is returned.
std::string load(const std::string& text, Model& m) {
  const fs::path file = scratchDir() / "model.obj";
  std::ofstream(file, std::ios::binary) << text;
  const test::LogCapture capture;
  loadObjFile(file.string(), m);
  return capture.out();
}

const char* kCube =
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
    "vt 0 0\nvt 1 0\nvt 1 1\n"
    "vn 0 0 2\nvn 0 0 -1\n";

TEST(ObjLoader, FileWithoutGroupsHasOneSetWithMaterialZero) {
  Model m;
  EXPECT_EQ(load(std::string(kCube) + "f 1//1 2//1 3//1\nf 1//2 3//2 4//2\n", m), "");
  ASSERT_EQ(m.faceSets.size(), 1u);
  EXPECT_EQ(m.faceSets[0].materialId, 0);
  EXPECT_EQ(m.faceSets[0].faces.size(), 2u);
  EXPECT_EQ(m.vertices[2], (Vec3f{1, 1, 0}));
  EXPECT_EQ(m.uvs.size(), 3u);
  EXPECT_EQ(m.normals[0], (Vec3f{0, 0, 1}));  // normalised when read
}

TEST(ObjLoader, GroupsOpenSetsAfterTheFirst) {
  Model m;
  load(std::string(kCube) +
           "f 1//1 2//1 3//1\n"
           "g a_1\nf 1//1 2//1 3//1\n"
           "g b_2\nf 1//1 2//1 3//1\nf 1//1 2//1 3//1\n"
           "g c_3 trailing words\nf 1//1 2//1 3//1\n"
           "g wheel\ng part_x\ng body_12\ng x_2.5\n",
       m);
  ASSERT_EQ(m.faceSets.size(), 7u);
  EXPECT_EQ(m.faceSets[0].faces.size(), 2u);  // before and inside the first group
  EXPECT_EQ(m.faceSets[1].materialId, 1);
  EXPECT_EQ(m.faceSets[1].faces.size(), 2u);
  EXPECT_EQ(m.faceSets[2].materialId, 2);
  EXPECT_EQ(m.faceSets[3].materialId, 0);
  EXPECT_EQ(m.faceSets[4].materialId, 0);
  EXPECT_EQ(m.faceSets[5].materialId, 11);
  EXPECT_EQ(m.faceSets[6].materialId, 0);
}

TEST(ObjLoader, FirstGroupKeepsMaterialZero) {
  Model m;
  load(std::string(kCube) + "g body_3\nf 1//1 2//1 3//1\n", m);
  ASSERT_EQ(m.faceSets.size(), 1u);
  EXPECT_EQ(m.faceSets[0].materialId, 0);
}

TEST(ObjLoader, FaceFormsInOrder) {
  Model m;
  load(std::string(kCube) +
           "f 1/1/1 2/2/1 3/3/1 4/3/2\n"  // quad with uvs
           "f 4/1/1 3/2/1 2/3/1\n"        // triangle with uvs
           "f 1//1 2//1 3//1 4//2\n"      // quad without uvs
           "f 1//2 2//2 3//2\n",
       m);
  const auto& f = m.faceSets[0].faces;
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(f[0].vertexIndices, (std::array<int64_t, 4>{0, 1, 2, 3}));
  EXPECT_EQ(f[0].uvIndices, (std::array<int64_t, 4>{0, 1, 2, 2}));
  EXPECT_EQ(f[0].normalIndices, (std::array<int64_t, 4>{0, 0, 0, 1}));
  EXPECT_EQ(f[0].normal, (Vec3f{0, 0, 0.5f}));  // mean of the corners, not renormalised
  EXPECT_TRUE(f[0].isQuad());
  EXPECT_EQ(f[1].vertexIndices, (std::array<int64_t, 4>{3, 2, 1, -1}));
  EXPECT_FALSE(f[1].isQuad());
  EXPECT_EQ(f[2].vertexIndices, (std::array<int64_t, 4>{0, 1, 2, 3}));
  EXPECT_EQ(f[2].uvIndices, (std::array<int64_t, 4>{-1, -1, -1, -1}));
  EXPECT_EQ(f[3].vertexIndices[3], -1);
  EXPECT_EQ(f[3].normal, (Vec3f{0, 0, -1}));
}

TEST(ObjLoader, BadLinesAreReportedAndSkipped) {
  Model m;
  const std::string out = load(std::string(kCube) +
                                   "vt 0.5\n"
                                   "vn 1 x 0\n"
                                   "f 1 2 3\n"
                                   "f 1/1 2/2 3/3\n"
                                   "f 1//1  2//1 3//1\n"
                                   "# comment\no name\ns off\nusemtl red\n"
                                   "f 1//1 2//1 3//1\n",
                               m);
  const std::string at = " (" + (scratchDir() / "model.obj").string() + " line ";
  EXPECT_EQ(out, "invalid uv: vt 0.5" + at + "10)\n" + "invalid normal: vn 1 x 0" + at + "11)\n" +
                     "invalid face: f 1 2 3" + at + "12)\n" + "invalid face: f 1/1 2/2 3/3" + at + "13)\n" +
                     "invalid face: f 1//1  2//1 3//1" + at + "14)\n");
  EXPECT_EQ(m.uvs.size(), 3u);
  EXPECT_EQ(m.normals.size(), 2u);
  EXPECT_EQ(m.faceSets[0].faces.size(), 1u);
}

TEST(ObjLoader, IndicesOutsideTheListsAreReportedAndSkipped) {
  Model m;
  const std::string out = load(std::string(kCube) +
                                   "f 1//1 2//1 5//1\n"
                                   "f 1//1 2//1 3//3\n"
                                   "f 0//1 2//1 3//1\n"
                                   "f -1//1 2//1 3//1\n"
                                   "f 1//1 2//1 3//1\n",
                               m);
  const std::string at = " (" + (scratchDir() / "model.obj").string() + " line ";
  EXPECT_EQ(out, "face index out of range: f 1//1 2//1 5//1" + at + "10)\n" +
                     "face index out of range: f 1//1 2//1 3//3" + at + "11)\n" +
                     "face index out of range: f 0//1 2//1 3//1" + at + "12)\n" +
                     "face index out of range: f -1//1 2//1 3//1" + at + "13)\n");
  EXPECT_EQ(m.faceSets[0].faces.size(), 1u);
}

TEST(ObjLoader, BadVertexIsFatal) {
  Model m;
  try {
    load("v 0 0 0\nv 1 2\n", m);
    FAIL() << "no error";
  } catch (const IOError& e) {
    EXPECT_EQ(std::string(e.what()), "invalid vertex: v 1 2 (" + (scratchDir() / "model.obj").string() + " line 2)");
  }
  EXPECT_TRUE(m.vertices.empty());
}

// Bytes from a damaged file never reach the terminal raw, and a long line is cut short.
TEST(ObjLoader, MessagesEscapeWhatATerminalCannotShow) {
  Model m;
  try {
    load("v 1 \x1b[2J\x07\xff 3\n", m);
    FAIL() << "no error";
  } catch (const IOError& e) {
    EXPECT_EQ(std::string(e.what()),
              "invalid vertex: v 1 \\x1B[2J\\x07\\xFF 3 (" + (scratchDir() / "model.obj").string() + " line 1)");
  }
  Model fresh;
  const std::string out = load("vt " + std::string(300, 'x') + "\n", fresh);
  EXPECT_EQ(out, "invalid uv: vt " + std::string(117, 'x') + "... (" + (scratchDir() / "model.obj").string() +
                     " line 1)\n" + (scratchDir() / "model.obj").string() +
                     ": the model has no faces and draws nothing\n");
}

// A model without faces draws nothing: that is said once, not on every reload of the file.
TEST(ObjLoader, ModelWithoutFacesIsReportedOnce) {
  Model m;
  const std::string empty = (scratchDir() / "model.obj").string() + ": the model has no faces and draws nothing\n";
  EXPECT_EQ(load("", m), empty);
  EXPECT_EQ(load("", m), "");
  EXPECT_EQ(load("v 0 0 0\n# no faces\n", m), "");
  Model other;
  EXPECT_EQ(load("v 0 0 0\n", other), empty);
  EXPECT_EQ(load(std::string(kCube) + "f 1//1 2//1 3//1\n", other), "");
  EXPECT_EQ(load("", other), empty);
}

// Text in memory is read as a file is, with the given name in its messages and as the model's
// file name; a model that held faces before is replaced whole.
TEST(ObjLoader, TextInMemoryNamesItsSource) {
  Model m;
  load(std::string(kCube) + "f 1//1 2//1 3//1\ng a_1\ng b_2\nf 1//1 2//1 3//1\n", m);
  ASSERT_EQ(m.faceSets.size(), 2u);
  test::LogCapture capture;
  parseObj(std::string(kCube) + "f 1 2 3\nf 1//1 2//1 4//2\n", "mem.obj", m);
  EXPECT_EQ(capture.out(), "invalid face: f 1 2 3 (mem.obj line 10)\n");
  EXPECT_EQ(m.filename, "mem.obj");
  ASSERT_EQ(m.faceSets.size(), 1u);
  EXPECT_EQ(m.faceSets[0].faces[0].vertexIndices, (std::array<int64_t, 4>{0, 1, 3, -1}));
  EXPECT_EQ(m.faceSets[0].faces[0].normal, (Vec3f{0, 0, 1.0f / 3.0f}));
  try {
    parseObj("v 1 2 3\nv x\n", "mem.obj", m);
    FAIL() << "no error";
  } catch (const IOError& e) {
    EXPECT_STREQ(e.what(), "invalid vertex: v x (mem.obj line 2)");
  }
  EXPECT_TRUE(m.vertices.empty());
  EXPECT_EQ(m.faceSets.size(), 1u);
  // The failure was its report: the same name read again without faces says nothing more.
  capture.clear();
  parseObj("", "mem.obj", m);
  parseObj("", "mem.obj", m);
  EXPECT_EQ(capture.out(), "");
}

TEST(ObjLoader, NamesAreFoundInTheAssetFolder) {
  resetRender3dModules();
  loopState().assetPath = scratchDir().string();
  std::ofstream(scratchDir() / "tri.obj") << "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n";
  Model m;
  loadObj("tri.obj", m);
  EXPECT_EQ(m.faceSets[0].faces.size(), 1u);
  EXPECT_EQ(m.filename, (scratchDir() / "tri.obj").string());
  try {
    loadObj("none.obj", m);
    FAIL() << "no error";
  } catch (const IOError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to open file: " + (scratchDir() / "none.obj").string());
  }
}

TEST(ObjLoader, MissingFileAndWindowsLineEnds) {
  Model m;
  EXPECT_THROW(loadObjFile("/nonexistent/dir/none.obj", m), IOError);
  load("v 1 2 3\r\nvn 0 1 0\r\nf 1//1 1//1 1//1\r\n", m);
  EXPECT_EQ(m.vertices[0], (Vec3f{1, 2, 3}));
  EXPECT_EQ(m.faceSets[0].faces.size(), 1u);
}

}  // namespace
}  // namespace dx
