#include "flashhost/player_parameters.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using flashhost::ParameterList;

std::vector<std::string> names_of(const ParameterList& list) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < list.size(); ++i) names.push_back(list.name(i));
  return names;
}

TEST(PlayerParameters, DefaultsComeInTheirOrder) {
  ParameterList list;
  flashhost::set_default_parameters(list);
  EXPECT_EQ(names_of(list), (std::vector<std::string>{"type", "allowscriptaccess", "quality",
                                                      "wmode", "salign", "scale"}));
  EXPECT_EQ(*list.find("type"), "application/x-shockwave-flash");
  EXPECT_EQ(*list.find("allowscriptaccess"), "always");
  EXPECT_EQ(*list.find("quality"), "high");
  EXPECT_EQ(*list.find("wmode"), "opaque");
  EXPECT_EQ(*list.find("salign"), "LT");
  EXPECT_EQ(*list.find("scale"), "exactfit");
}

TEST(PlayerParameters, NamesCompareWithoutCaseAndKeepFirstSpellingAndPlace) {
  ParameterList list;
  flashhost::set_default_parameters(list);
  list.set("Quality", "best");
  list.set("WMODE", "transparent");
  list.set("src", "C:\\m.swf");
  ASSERT_EQ(list.size(), 7u);
  EXPECT_EQ(list.name(2), "quality");
  EXPECT_EQ(list.value(2), "best");
  EXPECT_EQ(list.name(3), "wmode");
  EXPECT_EQ(list.value(3), "transparent");
  EXPECT_EQ(list.name(6), "src");
  ASSERT_NE(list.find("SRC"), nullptr);
  EXPECT_EQ(*list.find("SrC"), "C:\\m.swf");
  EXPECT_EQ(list.find("movie"), nullptr);
  // Only ASCII letters fold: '[' (0x5B) is not a '{' (0x7B).
  list.set("a[", "1");
  list.set("A{", "2");
  EXPECT_EQ(list.size(), 9u);
}

TEST(PlayerParameters, BgcolorPutsRedFirstInLowerCase) {
  EXPECT_EQ(flashhost::format_bgcolor(0x00336699), "#996633");
  EXPECT_EQ(flashhost::format_bgcolor(0x00ABCDEF), "#efcdab");
  EXPECT_EQ(flashhost::format_bgcolor(0xFF000001), "#010000");
}

TEST(PlayerParameters, QualityAndScaleWords) {
  const char* qualities[] = {"low", "autolow", "autohigh", "medium", "high", "best"};
  for (int i = 0; i < 6; ++i) EXPECT_STREQ(flashhost::quality_parameter(i), qualities[i]);
  EXPECT_EQ(flashhost::quality_parameter(-1), nullptr);
  EXPECT_EQ(flashhost::quality_parameter(6), nullptr);
  EXPECT_STREQ(flashhost::scale_parameter(0), "showall");
  EXPECT_STREQ(flashhost::scale_parameter(1), "noborder");
  EXPECT_STREQ(flashhost::scale_parameter(2), "exactfit");
  EXPECT_EQ(flashhost::scale_parameter(3), nullptr);
}

}  // namespace
