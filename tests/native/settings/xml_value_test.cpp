#include "settings/xml_value.h"

#include <gtest/gtest.h>

#include <random>

#include "common/paths.h"
#include "settings/xml_writer.h"

namespace {

using xml_value::decode_attribute_xml;
using xml_value::escape_attribute;
using xml_value::serialised_value_part;
using xml_value::unescape_value;

TEST(XmlValueUnescape, EntitiesOfTheTable) {
  EXPECT_EQ(unescape_value("&quot;&apos;&amp;&lt;&gt;"), "\"'&<>");
  EXPECT_EQ(unescape_value("a&amp;b"), "a&b");
  EXPECT_EQ(unescape_value("&amp;amp;"), "&amp;") << "one pass, output is not scanned again";
  EXPECT_EQ(unescape_value("&AMP;&Quot;"), "&AMP;&Quot;") << "entity names are case-sensitive";
  EXPECT_EQ(unescape_value("a & b &; &am"), "a & b &; &am") << "a lone ampersand stays";
  EXPECT_EQ(unescape_value("&"), "&");
  EXPECT_EQ(unescape_value("&lt"), "&lt");
}

TEST(XmlValueUnescape, HexadecimalReferencesGiveOneByte) {
  EXPECT_EQ(unescape_value("l1&#x0a;l2&#xe9;"), "l1\nl2\xE9");
  EXPECT_EQ(unescape_value("&#xE9;&#xAbC;"), "\xE9\xBC")
      << "upper-case digits; truncated to 8 bits";
  EXPECT_EQ(unescape_value("&#x20AC;"), "\xAC");
  EXPECT_EQ(unescape_value("&#x0000000041;"), "A");
  EXPECT_EQ(unescape_value("&#xFFFFFFFFFFFF;"), "\xFF") << "saturates like strtol";
  EXPECT_EQ(unescape_value(std::string("&#x100;", 7)), std::string(1, '\0'));
}

TEST(XmlValueUnescape, DecimalReferencesGiveOneByte) {
  // What some DOMs write for a line feed that our writer wrote as &#x0a;.
  EXPECT_EQ(unescape_value("l1&#10;l2&#13;&#233;"), "l1\nl2\r\xE9");
  EXPECT_EQ(unescape_value("&#65;&#0065;&#321;"), "AAA") << "321 is 0x141";
  EXPECT_EQ(unescape_value("&#99999999999;"), "\xFF");
}

TEST(XmlValueUnescape, IncompleteReferencesStayAsWritten) {
  EXPECT_EQ(unescape_value("&#x41"), "&#x41") << "no semicolon before the end";
  EXPECT_EQ(unescape_value("&#x"), "&#x");
  EXPECT_EQ(unescape_value("&#"), "&#");
  EXPECT_EQ(unescape_value("a&#x4"), "a&#x4");
  EXPECT_EQ(unescape_value("&#x;"), "&#x;") << "no digits";
  EXPECT_EQ(unescape_value("&#;"), "&#;");
  EXPECT_EQ(unescape_value("&#x4G;&#x41;"), "&#x4G;A") << "a bad digit ends the reference";
  EXPECT_EQ(unescape_value("&#X41;"), "&#X41;") << "the x is lower case";
  EXPECT_EQ(unescape_value("&#1a;"), "&#1a;");
  EXPECT_EQ(unescape_value("&#x41&#x42;"), "&#x41B");
}

TEST(XmlValueEscape, TableOfTheWriter) {
  EXPECT_EQ(escape_attribute("\n\r\"&'<>"), "&#x0a;&#x0d;&quot;&amp;&apos;&lt;&gt;");
  EXPECT_EQ(escape_attribute("plain text 1"), "plain text 1");
  EXPECT_EQ(escape_attribute("\t"), "&#x09;") << "a raw tab would be read as a space";
  EXPECT_EQ(escape_attribute(std::string("\x01\x1F\x0B\0", 4)), "&#xf001;&#xf01f;&#xf00b;&#xf000;")
      << "control bytes XML forbids travel as private-use characters";
  EXPECT_EQ(escape_attribute("\x7F"), "\x7F");
  EXPECT_EQ(escape_attribute("\x80\xE9\xFF"), "&#x80;&#xe9;&#xff;");
  EXPECT_EQ(escape_attribute("\xC3\xA9"), "&#xc3;&#xa9;") << "each byte of a multibyte character";
  EXPECT_EQ(escape_attribute(""), "");
}

TEST(XmlValueEscape, EveryByteSurvivesTheTrip) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(unescape_value(escape_attribute(all)), all);

  std::mt19937 random(7);
  for (int round = 0; round < 50; ++round) {
    std::string text(random() % 5000, ' ');
    for (char& c : text) c = static_cast<char>(1 + random() % 255);
    ASSERT_EQ(unescape_value(escape_attribute(text)), text) << "round " << round;
  }
}

TEST(XmlValueSerialised, ValueIsTheSecondQuotedRun) {
  EXPECT_EQ(serialised_value_part("window_title=\"A&amp;B\""), "A&amp;B");
  EXPECT_EQ(serialised_value_part("x=\"\""), "") << "an empty value";
  EXPECT_EQ(serialised_value_part("x=\"a\"b\""), "a");
  EXPECT_EQ(serialised_value_part("\"\"\"lead\"\"value\""), "value") << "empty runs do not count";
  EXPECT_EQ(serialised_value_part("no quotes"), "") << "one run only";
  EXPECT_EQ(serialised_value_part("\"\""), "\"\"") << "no run at all: the text stays whole";
  EXPECT_EQ(serialised_value_part(""), "");
}

TEST(XmlValueSerialised, DecodingCutsAtNul) {
  EXPECT_EQ(decode_attribute_xml("x=\"a&#x0a;b\""), "a\nb");
  EXPECT_EQ(decode_attribute_xml("x=\"ab&#x00;cd\""), "ab");
  EXPECT_EQ(decode_attribute_xml("x=\"&#x100;\""), "");
}

TEST(XmlValueNumbers, SignedIsDecimalAtol) {
  EXPECT_EQ(xml_value::to_int("123"), 123);
  EXPECT_EQ(xml_value::to_int("  -45abc"), -45);
  EXPECT_EQ(xml_value::to_int("\t\n+8"), 8);
  EXPECT_EQ(xml_value::to_int("0x1F"), 0);
  EXPECT_EQ(xml_value::to_int("010"), 10) << "no octal";
  EXPECT_EQ(xml_value::to_int(""), 0);
  EXPECT_EQ(xml_value::to_int("- 5"), 0);
  EXPECT_EQ(xml_value::to_int("2147483647"), 2147483647);
  EXPECT_EQ(xml_value::to_int("2147483648"), 2147483647);
  EXPECT_EQ(xml_value::to_int("-2147483648"), INT32_MIN);
  EXPECT_EQ(xml_value::to_int("-99999999999999999999"), INT32_MIN);
}

TEST(XmlValueNumbers, UnsignedTakesAnyBase) {
  EXPECT_EQ(xml_value::to_unsigned("0x1F"), 31u);
  EXPECT_EQ(xml_value::to_unsigned("0X1f"), 31u);
  EXPECT_EQ(xml_value::to_unsigned("017"), 15u) << "leading zero is octal";
  EXPECT_EQ(xml_value::to_unsigned("019"), 1u) << "octal stops at 9";
  EXPECT_EQ(xml_value::to_unsigned("42"), 42u);
  EXPECT_EQ(xml_value::to_unsigned("0x"), 0u);
  EXPECT_EQ(xml_value::to_unsigned("0xg"), 0u);
  EXPECT_EQ(xml_value::to_unsigned("4294967295"), 0xFFFFFFFFu);
  EXPECT_EQ(xml_value::to_unsigned("4294967296"), 0xFFFFFFFFu) << "saturates";
  EXPECT_EQ(xml_value::to_unsigned("0x100000000"), 0xFFFFFFFFu);
  EXPECT_EQ(xml_value::to_unsigned("-1"), 0xFFFFFFFFu) << "negation modulo 2^32";
  EXPECT_EQ(xml_value::to_unsigned(" -0x10"), 0xFFFFFFF0u);
  EXPECT_EQ(xml_value::to_unsigned("junk"), 0u);
}

TEST(XmlValueFlags, OnlyTrueInAnyCase) {
  EXPECT_TRUE(xml_value::to_bool("true"));
  EXPECT_TRUE(xml_value::to_bool("True"));
  EXPECT_TRUE(xml_value::to_bool("TRUE"));
  EXPECT_TRUE(xml_value::to_bool("tRuE"));
  EXPECT_FALSE(xml_value::to_bool("1"));
  EXPECT_FALSE(xml_value::to_bool("yes"));
  EXPECT_FALSE(xml_value::to_bool(" true"));
  EXPECT_FALSE(xml_value::to_bool("truex"));
  EXPECT_FALSE(xml_value::to_bool(""));
  EXPECT_FALSE(xml_value::to_bool("false"));
}

TEST(XmlWriterText, WritesValuesAndEscapedAttributes) {
  XmlWriter out;
  out.write_raw("<w");
  out.write_attribute("t", std::string("a\"b\n"));
  out.write_attribute("f", true);
  out.write_attribute("n", static_cast<int32_t>(-7));
  out.write_raw(" ");
  out.write_bool(false);
  out.write_int(INT32_MIN);
  EXPECT_EQ(out.text(), "<w t=\"a&quot;b&#x0a;\" f=\"true\" n=\"-7\" false-2147483648");
}

TEST(XmlWriterPaths, RelativeToTheBaseFolder) {
  const std::string s(1, paths::separator());
  const std::string root = s + "top" + s;
  EXPECT_EQ(XmlWriter::relative_path(root + "base" + s + "movie.swf", root + "base"), "movie.swf");
  EXPECT_EQ(XmlWriter::relative_path(root + "base" + s + "sub" + s + "a.swf", root + "base" + s),
            "sub" + s + "a.swf");
  EXPECT_EQ(XmlWriter::relative_path(root + "other" + s + "a.swf", root + "base" + s + "deep"),
            ".." + s + ".." + s + "other" + s + "a.swf");
  EXPECT_EQ(XmlWriter::relative_path("relative.swf", root + "base"), "relative.swf")
      << "no common root";

  XmlWriter with_base(root + "base");
  with_base.write_path(root + "base" + s + "a&b.swf");
  EXPECT_EQ(with_base.text(), "a&amp;b.swf");

  XmlWriter without_base;
  without_base.write_path("x.swf");
  EXPECT_EQ(without_base.text(), escape_attribute(paths::resolve("x.swf")))
      << "made absolute from the program's folder";
}

}  // namespace
