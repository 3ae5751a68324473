#include "bridge/identifiers.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace bridge;

std::string text_of(uint32_t identifier) {
  std::string text = "<none>";
  identifier_text(identifier, text);
  return text;
}

TEST(Identifiers, SwhxCallHasItsFixedValueAndText) {
  EXPECT_EQ(string_identifier("swhxCall"), kSwhxCallIdentifier);
  EXPECT_EQ(string_identifier("swhxCall"), 0x0FEEBBCCu);
  EXPECT_EQ(text_of(0x0FEEBBCC), "swhxCall");
  EXPECT_TRUE(identifier_is_string(kSwhxCallIdentifier));
  EXPECT_TRUE(identifier_names(kSwhxCallIdentifier, "swhxCall"));
  EXPECT_FALSE(identifier_names(kSwhxCallIdentifier, "swhxcall"));
}

TEST(Identifiers, GlueFunctionsHaveFixedValuesThatAreNotStrings) {
  const uint32_t size_before = identifier_table_size();
  EXPECT_EQ(string_identifier("__flash__request"), 0x0FEEBBCDu);
  EXPECT_EQ(string_identifier("_DoFSCommand"), 0x0FEEBBCEu);
  EXPECT_EQ(identifier_table_size(), size_before);
  EXPECT_FALSE(identifier_is_string(kFlashRequestIdentifier));
  EXPECT_FALSE(identifier_is_string(kDoFSCommandIdentifier));
  EXPECT_EQ(text_of(kFlashRequestIdentifier), "<none>");
  EXPECT_EQ(text_of(kDoFSCommandIdentifier), "<none>");
  EXPECT_FALSE(identifier_names(kFlashRequestIdentifier, "__flash__request"));
  // The comparison is exact: another spelling is an ordinary name.
  const uint32_t other = string_identifier("_dofscommand");
  EXPECT_GE(other, 1u);
  EXPECT_LE(other, identifier_table_size());
}

TEST(Identifiers, NewNamesAreAppendedAndFoundAgain) {
  const uint32_t size_before = identifier_table_size();
  const uint32_t first = string_identifier("identifiersTest.alpha");
  const uint32_t second = string_identifier("identifiersTest.beta");
  EXPECT_EQ(first, size_before + 1);
  EXPECT_EQ(second, size_before + 2);
  EXPECT_EQ(string_identifier("identifiersTest.alpha"), first);
  EXPECT_EQ(identifier_table_size(), size_before + 2);
  EXPECT_EQ(text_of(first), "identifiersTest.alpha");
  EXPECT_EQ(text_of(second), "identifiersTest.beta");
  EXPECT_TRUE(identifier_is_string(second));
  EXPECT_TRUE(identifier_names(first, "identifiersTest.alpha"));
  EXPECT_FALSE(identifier_names(first, "identifiersTest.beta"));
  // Names survive the table's growth.
  for (int i = 0; i < 2000; ++i)
    string_identifier(("identifiersTest.filler" + std::to_string(i)).c_str());
  EXPECT_EQ(text_of(first), "identifiersTest.alpha");
  EXPECT_EQ(string_identifier("identifiersTest.filler1999"), size_before + 2 + 2000);
}

TEST(Identifiers, ValuesOutsideTheTableNameNothing) {
  const uint32_t size = identifier_table_size();
  EXPECT_FALSE(identifier_is_string(0));
  EXPECT_FALSE(identifier_is_string(size + 1));
  EXPECT_EQ(text_of(0), "<none>");
  EXPECT_EQ(text_of(size + 1), "<none>");
  EXPECT_EQ(text_of(0xFFFFFFFF), "<none>");
  EXPECT_FALSE(identifier_names(0, ""));
  EXPECT_EQ(string_identifier(nullptr), 0u);
  // The empty name is a name like any other.
  const uint32_t empty = string_identifier("");
  EXPECT_TRUE(identifier_names(empty, ""));
}

// Registration is process-wide and cannot be undone, so everything that
// depends on it is checked in this one test, before and after.
TEST(Identifiers, RegisteredMovieFunctions) {
  const uint32_t resize_value = kFirstMovieFunctionIdentifier + 4;
  EXPECT_EQ(resize_value, 0x0FEEBBD3u);
  EXPECT_EQ(movie_function_identifier("onWindowResize"), 0u);
  EXPECT_EQ(text_of(resize_value), "<none>");

  register_movie_functions();
  register_movie_functions();
  EXPECT_EQ(movie_function_identifier("menuCommand"), 0x0FEEBBCFu);
  EXPECT_EQ(movie_function_identifier("onWindowResize"), resize_value);
  EXPECT_EQ(movie_function_identifier("apiInitFinished"), 0x0FEEBBCFu + 11);
  EXPECT_EQ(movie_function_identifier("swhxCall"), 0u);
  EXPECT_EQ(movie_function_identifier("onwindowresize"), 0u);
  for (int i = 0; i < kMovieFunctionCount; ++i) {
    EXPECT_EQ(text_of(kFirstMovieFunctionIdentifier + i), kMovieFunctionNames[i]);
    // Only the host uses these values: the plug-in is told they are no
    // strings, and they never compare as a name.
    EXPECT_FALSE(identifier_is_string(kFirstMovieFunctionIdentifier + i));
    EXPECT_FALSE(identifier_names(kFirstMovieFunctionIdentifier + i, kMovieFunctionNames[i]));
  }
  EXPECT_EQ(text_of(kFirstMovieFunctionIdentifier + kMovieFunctionCount), "<none>");

  // The plug-in asking for the name gets a table entry, never the host's value.
  const uint32_t from_plugin = string_identifier("onWindowResize");
  EXPECT_NE(from_plugin, resize_value);
  EXPECT_LE(from_plugin, identifier_table_size());
  EXPECT_TRUE(identifier_names(from_plugin, "onWindowResize"));
}

}  // namespace
