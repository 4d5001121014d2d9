#include <gtest/gtest.h>

#include "framework/errors.h"
#include "map/item_types.h"

namespace dx {
namespace {

// The message of the FormatError that parsing text raises, or "no error".
std::string refusal(std::string_view text) {
  try {
    parseItemTypes(text, "items.json");
  } catch (const FormatError& e) {
    return e.what();
  }
  return "no error";
}

TEST(ItemText, MissingSizesAndFlashTakeTheirDefaults) {
  const std::vector<MapObjectDescription> items = parseItemTypes(
      R"({"items": [{"name": "rock", "spr": 4}, {"name": "lamp", "spr": 9, "w": 2, "h": 3, "flash": [7]}]})",
      "items.json");
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].name, "rock");
  EXPECT_EQ(items[0].spr, 4);
  EXPECT_EQ((std::vector<int64_t>{items[0].w, items[0].h}), (std::vector<int64_t>{1, 1}));
  EXPECT_EQ(items[0].flash, (std::array<int64_t, 3>{0, 0, 0}));
  EXPECT_EQ((std::vector<int64_t>{items[1].spr, items[1].w, items[1].h}), (std::vector<int64_t>{9, 2, 3}));
  EXPECT_EQ(items[1].flash, (std::array<int64_t, 3>{7, 0, 0}));
}

// Every refusal names the text by the given name; a text that is no JSON at all says where the
// parser stopped, as every JSON file of the game does.
TEST(ItemText, RefusalsNameTheFile) {
  EXPECT_EQ(refusal(R"({"items": [{"name": "a"}]})"), "items.json: item 0 has no \"spr\"");
  EXPECT_EQ(refusal(R"({"items": [{"name": "a", "spr": 1, "flash": [1, 2, 3, 4]}]})"),
            "items.json: item 0: \"flash\" has more than three values");
  EXPECT_EQ(refusal(R"({"things": []})"), "items.json: the root must be an object with an \"items\" array");
  EXPECT_EQ(refusal(R"({"items": [)"),
            "items.json: not valid JSON: parse error at line 1, column 12: syntax error while parsing value - "
            "unexpected end of input; expected '[', '{', or a literal");
}

}  // namespace
}  // namespace dx
