#include <gtest/gtest.h>

#include <functional>

#include "car/car.h"
#include "car/reset_car.h"
#include "car_fixtures.h"
#include "framework/errors.h"
#include "framework/file_io.h"
#include "test_support.h"

namespace dx {
namespace {

using test::writeTempFile;

// Six one-entry lists whose maxaccel values sum to 10 and masses to 6.
std::string smallCatalogue(const std::string& extra = "") {
  return R"({
  "hulls": [{"name": "nomodel_h", "maxaccel": 4, "mass": 1, "dragLong": 0.1, "boostForce": 2}],
  "thrusters": [{"name": "nomodel_t", "maxaccel": 3, "mass": 1}],
  "heatsinks": [{"name": "nomodel_s", "maxaccel": 1, "mass": 1}],
  "wings": [{"name": "nomodel_w", "maxaccel": 1, "mass": 1}],
  "covers": [{"name": "nomodel_c", "maxaccel": 0.5, "mass": 1}],
  "pods": [{"name": "nomodel_p", "maxaccel": 0.5, "mass": 1, "turnForce": 7}])" +
         extra + "\n}";
}

class CatalogueTest : public testing::Test {
 protected:
  void SetUp() override {
    resetCarModules();
    test::useSourceAssets();
    const test::LogCapture capture;
    loadCarComponentSettings(writeTempFile("catalogue.json", smallCatalogue()));
    loaded = capture.out();
  }
  std::string loaded;
};

TEST_F(CatalogueTest, MissingModelsAreReportedAndLoadingGoesOn) {
  EXPECT_EQ(loaded,
            "no model:nomodel_h\nno model:nomodel_t\nno model:nomodel_s\nno model:nomodel_w\n"
            "no model:nomodel_c\nno model:nomodel_p\n");
  EXPECT_EQ(carCatalogue().carHulls.size(), 1u);
  EXPECT_TRUE(carCatalogue().carHulls[0].model.vertices.empty());
}

TEST_F(CatalogueTest, ClassScalesTheThrottleAndBoost) {
  CarSettings s;
  recalculate(s);
  EXPECT_EQ(s.maxaccel, 10.0f);
  EXPECT_EQ(s.mass, 6.0f);
  EXPECT_EQ(s.turnForce, 7.0f);
  s.carClass = 2;
  recalculate(s);
  EXPECT_EQ(s.maxaccel, 20.0f);
  EXPECT_EQ(s.boostForce, 3.0f);
  s.carClass = 4;
  recalculate(s);
  EXPECT_EQ(s.maxaccel, 30.0f);
  EXPECT_EQ(s.boostForce, 4.0f);
}

TEST_F(CatalogueTest, UnknownListLoadsItsModelsButAddsNothing) {
  const test::LogCapture capture;
  loadCarComponentSettings(writeTempFile("extra.json", smallCatalogue(R"(,
  "spoilers": [{"name": "nomodel_x", "maxaccel": 100}])")));
  EXPECT_NE(capture.out().find("no model:nomodel_x\n"), std::string::npos);
  CarSettings s;
  recalculate(s);
  EXPECT_EQ(s.maxaccel, 10.0f);
}

TEST_F(CatalogueTest, ComponentWithoutMassAddsNone) {
  const test::LogCapture capture;
  loadCarComponentSettings(writeTempFile("nomass.json", R"({"hulls": [{"name": "nomodel_h", "mass": 2}],
    "thrusters": [{"name": "nomodel_t"}], "heatsinks": [{"name": "nomodel_s"}], "wings": [{"name": "nomodel_w"}],
    "covers": [{"name": "nomodel_c"}], "pods": [{"name": "nomodel_p"}]})"));
  CarSettings s;
  recalculate(s);
  EXPECT_EQ(s.mass, 2.0f);
}

TEST_F(CatalogueTest, ReloadingKeepsACarsValuesUntilRecalculate) {
  CarSettings s;
  recalculate(s);
  const test::LogCapture capture;
  loadCarComponentSettings(writeTempFile(
      "changed.json", smallCatalogue().replace(smallCatalogue().find("\"maxaccel\": 4"), 13, "\"maxaccel\": 14")));
  EXPECT_EQ(s.maxaccel, 10.0f);
  recalculate(s);
  EXPECT_EQ(s.maxaccel, 20.0f);
}

TEST_F(CatalogueTest, IndexOutsideTheListIsAnError) {
  CarSettings s;
  s.wingIndex = 1;
  try {
    recalculate(s);
    FAIL();
  } catch (const IndexError& e) {
    EXPECT_NE(std::string(e.what()).find("wing 1"), std::string::npos) << e.what();
  }
  s.wingIndex = -1;
  EXPECT_THROW(recalculate(s), IndexError);
}

TEST_F(CatalogueTest, BuildWithoutPositiveMassIsAnError) {
  const test::LogCapture capture;
  loadCarComponentSettings(writeTempFile("weightless.json", R"({"hulls": [{"name": "nomodel_h", "mass": -1}],
    "thrusters": [{"name": "nomodel_t"}], "heatsinks": [{"name": "nomodel_s"}], "wings": [{"name": "nomodel_w"}],
    "covers": [{"name": "nomodel_c"}], "pods": [{"name": "nomodel_p"}]})"));
  CarSettings s;
  EXPECT_THROW(recalculate(s), FormatError);
}

// Values a float32 cannot hold or no car can drive with are refused where they are read, naming
// the file, the entry and the key; builds whose sums cannot drive are refused by recalculate.
TEST_F(CatalogueTest, NumbersNoCarCanDriveWithAreRefused) {
  const std::string huge = writeTempFile("huge.json", smallCatalogue(R"(,
  "wings": [{"name": "nomodel_w", "dragLat": 1e39}])"));
  const std::string all =
      writeTempFile("all.json", R"({"hulls": [{"name": "nomodel_h", "accsqr": 3e38, "mass": 3e38}]})");
  const std::string car = writeTempFile("car.json", R"({"name": "a", "manufacturer": "b", "country": "c", "desc": "d",
    "accsqr": 1, "turnForce": 1, "brakeTurnForce": 1, "stabilisation": 1, "maxaccel": 1, "boostForce": 1,
    "heatDissipation": 1, "boostHeatGeneration": 1, "shutdownTemperature": 1, "restartTemperature": 1,
    "brakeMaxAccel": 1, "brakeAccSqr": 1, "mass": 1, "dragLong": 1, "dragLongBraking": 1, "longSurfaceArea": 1,
    "dragLat": -3.4e38, "dragLatBraking": 1, "latSurfaceArea": 1, "dragViscous": 1, "lift": 1})");
  const struct {
    std::function<void()> load;
    std::string message;
  } cases[] = {
      {[&] { loadCarComponentSettings(huge); }, huge + ": wings[0]: \"dragLat\" is 1e+39, outside -100000 to 100000"},
      {[&] { loadCarComponentSettings(all); }, all + ": hulls[0]: \"accsqr\" is 3e+38, outside -100000 to 100000"},
      {[&] {
         CarSettings s;
         loadCarSettings(car, s);
       },
       car + ": \"dragLat\" is -3.4e+38, outside -100000 to 100000"},
  };
  for (const auto& c : cases) {
    const test::LogCapture capture;
    try {
      c.load();
      ADD_FAILURE() << c.message;
    } catch (const FormatError& e) {
      EXPECT_EQ(std::string(e.what()), c.message);
    }
  }
  const std::string names = "the components nomodel_h, nomodel_t, nomodel_s, nomodel_w, nomodel_p, nomodel_c sum to ";
  for (const auto& [text, message] : {
           std::pair{R"("mass": 1e-38)", names + "a mass of 6e-38; a car needs a mass of at least 0.01"},
           std::pair{R"("mass": 1, "dragLat": -5)", names + "a dragLat of -30; drag cannot be negative"},
       }) {
    std::string catalogue = "{";
    for (const auto& [list, name] : {std::pair{"hulls", "h"},
                                     {"thrusters", "t"},
                                     {"heatsinks", "s"},
                                     {"wings", "w"},
                                     {"covers", "c"},
                                     {"pods", "p"}})
      catalogue += std::string(catalogue.size() > 1 ? ", " : "") + "\"" + list + R"(": [{"name": "nomodel_)" + name +
                   "\", " + text + "}]";
    const test::LogCapture capture;
    loadCarComponentSettings(writeTempFile("sums.json", catalogue + "}"));
    CarSettings s;
    try {
      recalculate(s);
      ADD_FAILURE() << text;
    } catch (const FormatError& e) {
      EXPECT_EQ(std::string(e.what()), message);
    }
  }
}

TEST(CatalogueFile, WrongShapesNameTheFile) {
  for (const char* text : {"[1, 2]", "{\"hulls\": 3}", "{\"hulls\": [4]}", "{\"hulls\": [{\"mass\": 1}]}", "{oops"}) {
    const std::string path = writeTempFile("bad.json", text);
    try {
      loadCarComponentSettings(path);
      FAIL() << text;
    } catch (const FormatError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(loadCarComponentSettings("/nonexistent/components.json"), IOError);
}

// A value of another JSON type read as 0 and made a weightless hull; the shipped file reads as
// its numbers say.
TEST(CatalogueFile, ValuesOfAnotherTypeAreRefusedAndTheShippedOnesReadExactly) {
  const test::LogCapture capture;
  for (const auto& [value, type] :
       {std::pair{"\"5\"", "string"}, {"null", "null"}, {"true", "boolean"}, {"[1]", "array"}, {"{}", "object"}}) {
    try {
      parseCarCatalogue(std::string(R"({"hulls": [{"name": "nomodel_h", "mass": )") + value + "}]}", "mem.json");
      ADD_FAILURE() << value;
    } catch (const FormatError& e) {
      EXPECT_EQ(std::string(e.what()), std::string("mem.json: hulls[0]: \"mass\" must be a number, not ") + type);
    }
  }
  resetCarModules();
  test::useSourceAssets();
  const std::string path = test::sourceDir() + "/assets/components.json";
  const CarCatalogue read = parseCarCatalogue(readTextFile(path), path);
  const nlohmann::ordered_json file = readJsonFile(path);
  const std::vector<CarComponent>* lists[] = {&read.carHulls, &read.carThrusters, &read.carHeatsinks,
                                              &read.carWings, &read.carCovers,    &read.carPods};
  size_t k = 0, values = 0;
  for (const auto& [key, entries] : file.items()) {
    ASSERT_EQ(lists[k]->size(), entries.size()) << key;
    for (size_t i = 0; i < entries.size(); ++i)
      for (const CarParamInfo& p : carParams())
        if (p.key && entries[i].contains(p.key)) {
          EXPECT_EQ((*lists[k])[i].*p.field, entries[i][p.key].get<float>()) << key << " " << i << " " << p.key;
          ++values;
        }
    ++k;
  }
  EXPECT_GT(values, 100u);
}

TEST(CarDescription, EveryKeyIsRequired) {
  CarSettings s;
  loadCarSettings(test::sourceDir() + "/assets/testCar.json", s);
  EXPECT_FALSE(s.name.empty());
  EXPECT_GT(s.mass, 0.0f);
  EXPECT_EQ(s.carClass, 0);
  const std::string noLift = writeTempFile("nolift.json", R"({"name": "a", "manufacturer": "b", "country": "c",
    "desc": "d", "accsqr": 1})");
  try {
    CarSettings t;
    loadCarSettings(noLift, t);
    FAIL();
  } catch (const FormatError& e) {
    EXPECT_NE(std::string(e.what()).find("turnForce"), std::string::npos) << e.what();
  }
}

// Catalogue and car description texts in memory read as their files do, with the given name
// in every message; the lists in force stay until the read ones are put in force.
TEST(CarTexts, ReadAsTheirFilesUnderTheGivenName) {
  resetCarModules();
  test::useSourceAssets();
  const test::LogCapture capture;
  const CarCatalogue read = parseCarCatalogue(smallCatalogue(R"(, "spoilers": [{"name": "nomodel_x"}])"), "mem.json");
  EXPECT_EQ(capture.out(),
            "no model:nomodel_h\nno model:nomodel_t\nno model:nomodel_s\n"
            "no model:nomodel_w\nno model:nomodel_c\nno model:nomodel_p\n"
            "no model:nomodel_x\n");
  EXPECT_TRUE(carCatalogue().carHulls.empty());
  ASSERT_EQ(read.carPods.size(), 1u);
  EXPECT_EQ(read.carPods[0].turnForce, 7.0f);
  EXPECT_EQ(read.carHulls[0].dragLong, 0.1f);
  auto failure = [](const std::function<void()>& read) {
    try {
      read();
    } catch (const FormatError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(failure([] { parseCarCatalogue(R"({"hulls": [7]})", "mem.json"); }), "mem.json: hulls[0] is not an object");
  EXPECT_EQ(
      failure([] { parseCarCatalogue("{oops", "mem.json"); }),
      "mem.json: not valid JSON: parse error at line 1, column 2: syntax error while parsing object key - invalid "
      "literal; last read: '{o'; expected string literal");
  const std::string description = readTextFile(test::sourceDir() + "/assets/testCar.json");
  CarSettings fromFile, fromText;
  loadCarSettings(test::sourceDir() + "/assets/testCar.json", fromFile);
  fromText.carClass = 3;
  fromText.podIndex = 2;
  parseCarSettings(description, "car in memory", fromText);
  EXPECT_EQ(fromText.name, fromFile.name);
  EXPECT_EQ(fromText.desc, fromFile.desc);
  for (const CarParamInfo& p : carParams()) EXPECT_EQ(fromText.*p.field, fromFile.*p.field);
  EXPECT_EQ(fromText.carClass, 3);
  EXPECT_EQ(fromText.podIndex, 2);
  EXPECT_EQ(failure([&] { parseCarSettings(R"({"name": "a"})", "car in memory", fromText); }),
            "car in memory: missing text \"manufacturer\"");
  EXPECT_EQ(fromText.carClass, 3);
}

TEST(MaxSpeed, SquareRootOfThrottleOverDrag) {
  Car car;
  car.settings.maxaccel = 40;
  car.settings.dragLong = 0.1f;
  EXPECT_FLOAT_EQ(calculateMaxSpeed(car), 20.0f);
}

TEST(NewCar, StartsAsDescribed) {
  const MapPtr map = test::straightTrack(20);
  const CarPtr car = test::carOn(map, 5);
  EXPECT_EQ(car->radius, 4.0f);
  EXPECT_EQ(car->trailColor, 12);
  EXPECT_EQ(car->ready, 1.0f);
  EXPECT_EQ(car->temperature, 24.0f);
  EXPECT_TRUE(car->boostReset);
  EXPECT_EQ(car->trail.length, 16);
  EXPECT_EQ(car->currentNode, 5);
  EXPECT_EQ(car->z, 3.0f);
  EXPECT_EQ(car->pos, map->path[5].pos);
  EXPECT_FALSE(carCatalogue().carModel.vertices.empty());
}

}  // namespace
}  // namespace dx
