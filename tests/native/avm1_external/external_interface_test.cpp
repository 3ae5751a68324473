// The two ends of ExternalInterface meet here without Windows: the call
// text the plug-in writes is cut by the host's own cutter, and the host's
// result builders are read back as ActionScript values.
#include "avm1/external_interface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bridge/base64.h"
#include "bridge/invoke_protocol.h"

namespace {

using avm1::Value;

class ExternalInterfaceTexts : public ::testing::Test {
 protected:
  avm1::Runtime rt{8};

  Value parse(const std::string& xml) {
    Value v;
    EXPECT_TRUE(avm1::parse_external_value(rt, xml, v)) << xml;
    return v;
  }
  Value property(const Value& o, const char* name) {
    EXPECT_TRUE(o.is_object());
    return o.is_object() ? rt.get_property(o.as_object(), name) : Value();
  }
  std::string text(const Value& v) { return rt.to_string(v).str(); }
};

TEST_F(ExternalInterfaceTexts, TheHostCutsTheCallTextIntoTheSameNameAndArguments) {
  std::vector<Value> args = {Value(bridge::base64_encode("C:\\a, b (c).txt")),
                             Value::number(42),
                             Value::number(-1.5),
                             Value::boolean(true),
                             Value::null(),
                             Value()};
  std::string script = avm1::external_call_script(rt, "FileSystem.saveFile", args);
  EXPECT_EQ(script.rfind("try { __flash__toXML(FileSystem.saveFile(", 0), 0u) << script;
  bridge::CallText call;
  ASSERT_TRUE(bridge::cut_call_text(script, call));
  EXPECT_EQ(call.name, "FileSystem.saveFile");
  EXPECT_EQ(call.arguments, (std::vector<std::string>{bridge::base64_encode("C:\\a, b (c).txt"),
                                                      "42", "-1.5", "true", "null", "undefined"}));
  bridge::CallText none;
  ASSERT_TRUE(bridge::cut_call_text(avm1::external_call_script(rt, "Api.onInit", {}), none));
  EXPECT_EQ(none.name, "Api.onInit");
  EXPECT_TRUE(none.arguments.empty());
}

TEST_F(ExternalInterfaceTexts, QuotesAndLineEndsInArgumentsAreEscaped) {
  std::string script =
      avm1::external_call_script(rt, "f", {Value(std::string("say \"hi\"\\\n\r\t"))});
  EXPECT_NE(script.find("f(\"say \\\"hi\\\"\\\\\\n\\r\\t\")"), std::string::npos) << script;
}

TEST_F(ExternalInterfaceTexts, TheHostsResultBuildersReadAsValues) {
  EXPECT_TRUE(parse(bridge::result_null()).is_null());
  EXPECT_TRUE(parse(bridge::result_boolean(true)).as_boolean());
  EXPECT_FALSE(parse(bridge::result_boolean(false)).as_boolean());
  EXPECT_EQ(parse(bridge::result_integer(-7)).as_number(), -7);
  EXPECT_EQ(parse(bridge::result_long_integer(5000000000LL)).as_number(), 5e9);
  EXPECT_EQ(parse(bridge::result_real(2.5, 0, 2)).as_number(), 2.5);
  EXPECT_EQ(text(parse(bridge::result_text("ok", false))), "ok");
  EXPECT_EQ(bridge::base64_decode(text(parse(bridge::result_text("a<b>&c", true)))), "a<b>&c");

  Value size = parse(bridge::result_size(1024, 768));
  EXPECT_EQ(property(size, "w").as_number(), 1024);
  EXPECT_EQ(property(size, "h").as_number(), 768);
  Value point = parse(bridge::result_point(-3, 9));
  EXPECT_EQ(property(point, "x").as_number(), -3);
  EXPECT_EQ(property(point, "y").as_number(), 9);
  Value date = parse(bridge::result_date(2024, 3, 7, 10, 5, 9));
  EXPECT_EQ(property(date, "year").as_number(), 2024);
  EXPECT_EQ(property(date, "month").as_number(), 2);
  EXPECT_EQ(property(date, "second").as_number(), 9);

  Value list = parse(bridge::result_text_array({"one", "", "three"}));
  ASSERT_TRUE(list.is_object());
  EXPECT_EQ(property(list, "length").as_number(), 3);
  EXPECT_EQ(bridge::base64_decode(text(property(list, "2"))), "three");
  EXPECT_EQ(property(parse(bridge::result_text_array({})), "length").as_number(), 0);
}

TEST_F(ExternalInterfaceTexts, EscapedTextNestingAndDamagedAnswers) {
  EXPECT_EQ(text(parse("<string>a &amp; b &lt;c&gt; &quot;d&quot; &#65;&#x42;</string>")),
            "a & b <c> \"d\" AB");
  Value nested = parse(
      "<object><property id=\"list\"><array><property id=\"0\"><number>1</number></property>"
      "<property id=\"1\"><object><property id='k'><string>v</string></property></object>"
      "</property></array></property></object>");
  Value list = property(nested, "list");
  EXPECT_EQ(property(list, "length").as_number(), 2);
  EXPECT_EQ(text(property(property(list, "1"), "k")), "v");
  EXPECT_TRUE(std::isnan(parse("<number>abc</number>").as_number()));

  Value v;
  for (const char* damaged : {"", "plain text", "<number>1", "<object><property id='a'>",
                              "<array><property><null/></property></array>", "<string>x"}) {
    EXPECT_FALSE(avm1::parse_external_value(rt, damaged, v)) << damaged;
  }
  // Nesting without end is refused, not followed into the stack.
  std::string deep;
  for (int i = 0; i < 5000; ++i) deep += "<array><property id='0'>";
  EXPECT_FALSE(avm1::parse_external_value(rt, deep, v));
}

TEST_F(ExternalInterfaceTexts, ValuesWriteAsXmlAndReadBack) {
  avm1::Object* o = rt.make_object();
  rt.set_property(o, "name", Value(std::string("<a & b>")));
  rt.set_property(o, "n", Value::number(0.5));
  avm1::Object* inner = rt.make_array({Value::boolean(true), Value::null()});
  rt.set_property(o, "list", Value::object(inner));
  std::string xml = avm1::external_value_xml(rt, Value::object(o));
  EXPECT_EQ(xml,
            "<object><property id=\"name\"><string>&lt;a &amp; b&gt;</string></property>"
            "<property id=\"n\"><number>0.5</number></property><property id=\"list\"><array>"
            "<property id=\"0\"><true/></property><property id=\"1\"><null/></property></array>"
            "</property></object>");
  Value back = parse(xml);
  EXPECT_EQ(text(property(back, "name")), "<a & b>");
  EXPECT_EQ(property(property(back, "list"), "0").as_boolean(), true);

  // An object that holds itself is cut off at a fixed depth.
  rt.set_property(o, "self", Value::object(o));
  std::string cyclic = avm1::external_value_xml(rt, Value::object(o));
  EXPECT_LT(cyclic.size(), 100000u);
  EXPECT_TRUE(avm1::parse_external_value(rt, cyclic, back));
}

TEST_F(ExternalInterfaceTexts, InvokeRequestsOfTheHostGiveNameAndArguments) {
  NPVariant args[3] = {bridge::string_variant("text"), bridge::int32_variant(3),
                       bridge::int32_variant(-4)};
  avm1::String name;
  std::vector<Value> values;
  ASSERT_TRUE(avm1::parse_invoke(rt, bridge::invoke_text("onMenuCommand", args, 3), name, values));
  EXPECT_EQ(name.str(), "onMenuCommand");
  ASSERT_EQ(values.size(), 3u);
  EXPECT_EQ(text(values[0]), "text");
  EXPECT_EQ(values[2].as_number(), -4);
  ASSERT_TRUE(
      avm1::parse_invoke(rt, bridge::invoke_text("Window.close", nullptr, 0), name, values));
  EXPECT_EQ(name.str(), "Window.close");
  EXPECT_TRUE(values.empty());
  EXPECT_FALSE(avm1::parse_invoke(rt, "<invoke>", name, values));
}

}  // namespace
