#include "bridge/invoke_protocol.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace bridge;

std::string call_script(const std::string& call) {
  return std::string(kCallTextPrefix) + call + ") ; } catch (e) { \"<undefined/>\"; }";
}

CallText cut(const std::string& script) {
  CallText call;
  EXPECT_TRUE(cut_call_text(script, call)) << script;
  return call;
}

NPVariant void_variant() {
  NPVariant variant;
  std::memset(&variant, 0, sizeof variant);
  return variant;
}

// ---------------------------------------------------------------------------
// Call texts

TEST(CallText, NameAndOneQuotedArgument) {
  const CallText call = cut(call_script("Window.getSize(\"main\")"));
  EXPECT_EQ(call.name, "Window.getSize");
  ASSERT_EQ(call.arguments.size(), 1u);
  EXPECT_EQ(call.arguments[0], "main");
}

TEST(CallText, EmptyParenthesesGiveNoArguments) {
  const CallText call = cut(call_script("Api.onInit()"));
  EXPECT_EQ(call.name, "Api.onInit");
  EXPECT_TRUE(call.arguments.empty());
}

TEST(CallText, BlanksOutsideTheQuotesAreNotPartOfTheValue) {
  const CallText call = cut(call_script("f(\"1\", \"2\")"));
  EXPECT_EQ(call.arguments, (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(cut(call_script("f( \"abc\" )")).arguments, std::vector<std::string>{"abc"});
}

TEST(CallText, ACommaInsideQuotesCutsToo) {
  const CallText call = cut(call_script("Window.setTitle(\"a, b\")"));
  EXPECT_EQ(call.name, "Window.setTitle");
  // Each half holds one quote only, so each reads as an empty text.
  EXPECT_EQ(call.arguments, (std::vector<std::string>{"", ""}));
}

TEST(CallText, EmptyPiecesAreDroppedAndQuotelessPiecesKept) {
  EXPECT_EQ(cut(call_script("f(,\"a\",,\"b\",)")).arguments, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(cut(call_script("f(12,\"x\")")).arguments, (std::vector<std::string>{"12", "x"}));
  EXPECT_EQ(cut(call_script("f( )")).arguments, std::vector<std::string>{" "});
  // Between the first and the last quote, whatever lies between.
  EXPECT_EQ(cut(call_script("f(\"a\"b\")")).arguments, std::vector<std::string>{"a\"b"});
}

TEST(CallText, ArgumentsRunToTheFirstClosingParenthesisOrTheEnd) {
  EXPECT_EQ(cut(std::string(kCallTextPrefix) + "f(\"x\",\"y\"").arguments,
            (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(cut(call_script("f(\"a\")\"b\"")).arguments, std::vector<std::string>{"a"});
  // The name runs to the first "(", whatever it holds.
  EXPECT_EQ(cut(call_script("Dialogs.ChooseFile.show(\"x\")")).name, "Dialogs.ChooseFile.show");
  EXPECT_EQ(cut(call_script("(\"x\")")).name, "");
}

TEST(CallText, TextsThatAreNotTaken) {
  CallText call;
  call.name = "untouched";
  EXPECT_FALSE(cut_call_text("try { __flash__toXML f", call));
  EXPECT_FALSE(cut_call_text(std::string(kCallTextPrefix) + "f", call));
  EXPECT_FALSE(cut_call_text(std::string(kCallTextPrefix) + "f(", call));
  EXPECT_FALSE(cut_call_text("try {  __flash__toXML(f(\"x\"))", call));
  EXPECT_FALSE(cut_call_text("try { __flash__toXML", call));
  EXPECT_FALSE(cut_call_text("", call));
  EXPECT_EQ(call.name, "untouched");
  EXPECT_EQ(kCallTextPrefix.size(), 21u);
}

// ---------------------------------------------------------------------------
// Argument list and readers

TEST(Arguments, MissingAndForeignPositionsReadAsEmptyText) {
  OwnedArguments owned(std::vector<std::string>{"MTIz", "5"});
  const ArgumentList arguments = owned.list();
  EXPECT_EQ(arguments.count(), 2u);
  EXPECT_EQ(arguments.text(1), "MTIz");
  EXPECT_EQ(arguments.text(0), "");
  EXPECT_EQ(arguments.text(3), "");
  EXPECT_EQ(read_text(arguments, 1), "123");
  EXPECT_EQ(read_text(arguments, 7), "");
  EXPECT_EQ(read_integer(arguments, 2), 5);
  EXPECT_EQ(read_integer(arguments, 3), 0);
  EXPECT_EQ(read_real(arguments, 3), 0.0);
  EXPECT_FALSE(read_flag(arguments, 3));
  EXPECT_FALSE(read_decoded_flag(arguments, 3));

  NPVariant foreign[2] = {int32_variant(5), void_variant()};
  const ArgumentList numbers(foreign, 2);
  EXPECT_EQ(numbers.text(1), "");
  EXPECT_EQ(numbers.text(2), "");
  EXPECT_EQ(ArgumentList(nullptr, 3).count(), 0u);
  EXPECT_EQ(ArgumentList(nullptr, 3).text(1), "");
}

TEST(Arguments, TextStopsAtTheNulOrTheLengthWhicheverComesFirst) {
  const char buffer[] = "abcdef";
  NPVariant unterminated = string_variant(std::string_view(buffer, 3));
  EXPECT_EQ(variant_text(unterminated), "abc");
  const char with_nul[] = {'a', 'b', '\0', 'c', 'd'};
  NPVariant record = string_variant(std::string_view(with_nul, 5));
  EXPECT_EQ(variant_text(record), "ab");
  const ArgumentList arguments(&record, 1);
  EXPECT_EQ(arguments.text(1), "ab");
  EXPECT_EQ(arguments.bytes(1), std::string_view(with_nul, 5));
  EXPECT_EQ(arguments.bytes(2), "");
  NPVariant no_characters = string_variant(std::string_view());
  no_characters.value.stringValue.UTF8Length = 10;
  EXPECT_EQ(variant_text(no_characters), "");
}

TEST(Arguments, TextIntoStringReplacesTheContent) {
  OwnedArguments owned(std::vector<std::string>{base64_encode("C:\\x y.txt")});
  std::string out = "previous content";
  read_text_into(owned.list(), 1, out);
  EXPECT_EQ(out, "C:\\x y.txt");
  read_text_into(owned.list(), 2, out);
  EXPECT_EQ(out, "");
}

TEST(Readers, FlagIsTrueOnlyForTheWordTrue) {
  EXPECT_TRUE(parse_flag("true"));
  EXPECT_TRUE(parse_flag("TRUE"));
  EXPECT_TRUE(parse_flag("True"));
  EXPECT_TRUE(parse_flag("tRuE"));
  EXPECT_FALSE(parse_flag("1"));
  EXPECT_FALSE(parse_flag("yes"));
  EXPECT_FALSE(parse_flag(" true"));
  EXPECT_FALSE(parse_flag("truer"));
  EXPECT_FALSE(parse_flag("tru"));
  EXPECT_FALSE(parse_flag(""));
  EXPECT_FALSE(parse_flag(std::string("true\0", 5)));
}

TEST(Readers, DecodedFlagDecodesFirst) {
  OwnedArguments owned(std::vector<std::string>{base64_encode("TRUE"), "true", base64_encode("1"),
                                                base64_encode("True")});
  EXPECT_TRUE(read_decoded_flag(owned.list(), 1));
  EXPECT_FALSE(read_decoded_flag(owned.list(), 2));
  EXPECT_FALSE(read_decoded_flag(owned.list(), 3));
  EXPECT_TRUE(read_decoded_flag(owned.list(), 4));
  // The plain flag reader does not decode.
  EXPECT_TRUE(read_flag(owned.list(), 2));
  EXPECT_FALSE(read_flag(owned.list(), 1));
}

TEST(Readers, IntegerReadsTheLeadingDecimalPart) {
  EXPECT_EQ(parse_integer("42"), 42);
  EXPECT_EQ(parse_integer("  -17abc"), -17);
  EXPECT_EQ(parse_integer("\t\n+8"), 8);
  EXPECT_EQ(parse_integer("12.9"), 12);
  EXPECT_EQ(parse_integer("abc"), 0);
  EXPECT_EQ(parse_integer("- 5"), 0);
  EXPECT_EQ(parse_integer(""), 0);
  EXPECT_EQ(parse_integer("-"), 0);
  EXPECT_EQ(parse_integer("0x1F"), 0);
  EXPECT_EQ(parse_integer("2147483647"), INT32_MAX);
  EXPECT_EQ(parse_integer("-2147483648"), INT32_MIN);
  EXPECT_EQ(parse_integer("99999999999999999999"), INT32_MAX);
  EXPECT_EQ(parse_integer("-99999999999999999999"), INT32_MIN);
}

TEST(Readers, RealReadsTheLongestDecimalPrefix) {
  EXPECT_DOUBLE_EQ(parse_real("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(parse_real("  -2.25e2x"), -225.0);
  EXPECT_DOUBLE_EQ(parse_real(".5"), 0.5);
  EXPECT_DOUBLE_EQ(parse_real("5."), 5.0);
  EXPECT_DOUBLE_EQ(parse_real("+3E-1"), 0.3);
  // An exponent without digits is not part of the number.
  EXPECT_DOUBLE_EQ(parse_real("1e"), 1.0);
  EXPECT_DOUBLE_EQ(parse_real("1e+"), 1.0);
  EXPECT_DOUBLE_EQ(parse_real("7,5"), 7.0);
  EXPECT_DOUBLE_EQ(parse_real("e5"), 0.0);
  EXPECT_DOUBLE_EQ(parse_real("."), 0.0);
  EXPECT_DOUBLE_EQ(parse_real("-"), 0.0);
  EXPECT_DOUBLE_EQ(parse_real(""), 0.0);
  // Only decimal forms: no hexadecimal, infinity or not-a-number words.
  EXPECT_DOUBLE_EQ(parse_real("0x10"), 0.0);
  EXPECT_DOUBLE_EQ(parse_real("inf"), 0.0);
  EXPECT_DOUBLE_EQ(parse_real("nan"), 0.0);
  // The text given is the whole input, even when more bytes follow it.
  const char digits[] = "12345";
  EXPECT_DOUBLE_EQ(parse_real(std::string_view(digits, 2)), 12.0);
}

// ---------------------------------------------------------------------------
// Result builders

TEST(Results, FixedForms) {
  EXPECT_EQ(result_null(), "<null/>");
  EXPECT_EQ(result_boolean(true), "<true/>");
  EXPECT_EQ(result_boolean(false), "<false/>");
  EXPECT_EQ(result_integer(-5), "<number>-5</number>");
  EXPECT_EQ(result_integer(INT32_MIN), "<number>-2147483648</number>");
  EXPECT_EQ(result_long_integer(INT64_MIN), "<number>-9223372036854775808</number>");
  EXPECT_EQ(result_long_integer(int64_t{1} << 40), "<number>1099511627776</number>");
  EXPECT_EQ(result_point(-3, 4),
            "<object><property id='x'><number>-3</number></property>"
            "<property id='y'><number>4</number></property></object>");
  EXPECT_EQ(result_size(640, 480),
            "<object><property id='w'><number>640</number></property>"
            "<property id='h'><number>480</number></property></object>");
  EXPECT_EQ(result_number_array_element(2, -7), "<property id='2'><number>-7</number></property>");
}

TEST(Results, RealWidthAndPrecision) {
  EXPECT_EQ(result_real(1.0, 0, 2), "<number>1.00</number>");
  EXPECT_EQ(result_real(1.0, 0, 0), "<number>1.000000</number>");
  EXPECT_EQ(result_real(3.14159, 8, 3), "<number>   3.142</number>");
  // Width without precision: no decimals and no point.
  EXPECT_EQ(result_real(2.7, 5, 0), "<number>    3</number>");
  EXPECT_EQ(result_real(-1.5, -7, 1), "<number>-1.5   </number>");
  EXPECT_EQ(result_real(0.5, 0, -3), "<number>0.500000</number>");
  // Wider than the first buffer: the whole text, never cut.
  const std::string wide = result_real(1.0, 400, 1);
  EXPECT_EQ(wide.size(), 8u + 400u + 9u);
  EXPECT_EQ(wide.substr(wide.size() - 12), "1.0</number>");
  EXPECT_EQ(result_real(1e300, 0, 0).size(), 8u + 301u + 7u + 9u);
}

TEST(Results, TextWithAndWithoutBase64) {
  EXPECT_EQ(result_text("C:\\a<b>", true), "<string>" + base64_encode("C:\\a<b>") + "</string>");
  EXPECT_EQ(result_text("ok", false), "<string>ok</string>");
  EXPECT_EQ(result_text("", true), "<string></string>");
  const std::string binary("a\0b", 3);
  EXPECT_EQ(result_text(binary, true), "<string>YQBi</string>");
}

TEST(Results, DateCarriesTheMonthFromZero) {
  EXPECT_EQ(result_date(2024, 3, 7, 10, 5, 9),
            "<object><property id='year'><number>2024</number></property>"
            "<property id='month'><number>2</number></property>"
            "<property id='date'><number>7</number></property>"
            "<property id='hour'><number>10</number></property>"
            "<property id='minute'><number>5</number></property>"
            "<property id='second'><number>9</number></property></object>");
}

TEST(Results, TextArray) {
  EXPECT_EQ(result_text_array({}), "<array></array>");
  EXPECT_EQ(result_text_array({"ab", "", "abc"}),
            "<array><property id='0'><string>YWI=</string></property>"
            "<property id='1'><string></string></property>"
            "<property id='2'><string>YWJj</string></property></array>");
}

TEST(Results, FormattedTextOfAnyLength) {
  EXPECT_EQ(format_text("%d-%s", 5, "x"), "5-x");
  EXPECT_EQ(format_text("%s", ""), "");
  for (std::size_t length : {255u, 256u, 257u, 511u, 512u, 5000u}) {
    const std::string long_text(length, 'q');
    EXPECT_EQ(format_text("<%s>", long_text.c_str()), "<" + long_text + ">") << length;
  }
}

// ---------------------------------------------------------------------------
// Invoke texts

TEST(InvokeTexts, FromThreeTexts) {
  EXPECT_EQ(invoke_text("n", "a", "b"),
            "<invoke name=\"n\" returntype=\"javascript\"><arguments><string>a</string>"
            "<string>b</string></arguments></invoke>");
  EXPECT_EQ(invoke_text("", "", ""),
            "<invoke name=\"\" returntype=\"javascript\"><arguments><string></string>"
            "<string></string></arguments></invoke>");
}

TEST(InvokeTexts, FromANameAlone) {
  EXPECT_EQ(invoke_text("go"),
            "<invoke name=\"go\" returntype=\"javascript\"><arguments><null/></arguments>"
            "</invoke>");
}

TEST(InvokeTexts, FromVariants) {
  EXPECT_EQ(invoke_text("Window.close", nullptr, 0),
            "<invoke name=\"Window.close\" returntype=\"javascript\"></invoke>");
  NPVariant values[8];
  values[0] = int32_variant(3);
  values[1] = void_variant();
  values[1].type = NPVariantType_Double;
  values[1].value.doubleValue = 2.5;
  values[2] = void_variant();
  values[2].type = NPVariantType_Null;
  values[3] = void_variant();
  values[3].type = NPVariantType_Bool;
  values[3].value.boolValue = true;
  values[4] = values[3];
  values[4].value.boolValue = false;
  values[5] = string_variant("<x>");
  values[6] = void_variant();
  values[7] = void_variant();
  values[7].type = NPVariantType_Object;
  EXPECT_EQ(invoke_text("f", values, 2),
            "<invoke name=\"f\" returntype=\"javascript\"><arguments><number>3</number>"
            "<number>2.500000</number></arguments></invoke>");
  EXPECT_EQ(invoke_text("f", values + 2, 6),
            "<invoke name=\"f\" returntype=\"javascript\"><arguments><null/><true/><false/>"
            "<string><x></string></arguments></invoke>");
  // Only arguments that give nothing: the arguments element is still there.
  EXPECT_EQ(invoke_text("f", values + 6, 2),
            "<invoke name=\"f\" returntype=\"javascript\"><arguments></arguments></invoke>");
}

}  // namespace
