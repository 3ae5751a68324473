// XML parsing and its error statuses, LoadVars encoding and decoding, the
// numbered natives reached through ASnative, and Date field arithmetic.
#include <gtest/gtest.h>

#include "native/avm1/action_asm.h"

using avm1_test::Asm;
using avm1_test::Push;
using avm1_test::run;

namespace {

void push_reversed(Asm& a, std::initializer_list<Push> args) {
  std::vector<Push> reversed(args.begin(), args.end());
  for (size_t i = reversed.size(); i-- > 0;) a.push({reversed[i]});
  a.push({Push(static_cast<int>(args.size()))});
}

// name(args...), the result left on the stack.
Asm& call_function(Asm& a, const std::string& name, std::initializer_list<Push> args) {
  push_reversed(a, args);
  a.push({Push(name)});
  return a.op(avm1::kActionCallFunction);
}

// var name = new Class(args...)
Asm& make(Asm& a, const std::string& name, const std::string& cls,
          std::initializer_list<Push> args) {
  a.push({Push(name)});
  push_reversed(a, args);
  a.push({Push(cls)}).op(avm1::kActionNewObject);
  return a.op(avm1::kActionSetVariable);
}

Asm& trace_member(Asm& a, const std::string& object, const std::string& member) {
  a.get(object).push({Push(member)}).op(avm1::kActionGetMember);
  return a.op(avm1::kActionTrace);
}

TEST(Avm1Xml, ParseErrorsKeepTheTreeBuiltSoFarAndSayWhatBroke) {
  Asm a;
  // Each text: what the document holds afterwards, then its status.
  for (const char* text : {"<a><b/></a>", "<a><b></a><c/>", "<b><c/></a>", "</>a",
                           "<a A='x></a><b/>", "<a A/><b/>", "<a x='1'", "</a", "<a/><!-- b"}) {
    make(a, "x", "XML", {Push(text)});
    call(a, "x", "toString", {}).op(avm1::kActionTrace);
    trace_member(a, "x", "status");
  }
  EXPECT_EQ(run(a),
            "<a><b /></a>\n0\n"    // whole
            "<a><b /></a>\n-9\n"   // an outer element's end tag: b lacks its own
            "<b><c /></b>\n-10\n"  // an end tag that closes nothing
            "\n-6\n"               // an end tag without a name
            "\n-8\n"               // an attribute value that never ends
            "\n-6\n"               // an attribute without a value
            "\n-6\n"               // a start tag cut short stays out of the tree
            "\n-6\n"               // an end tag cut short
            "<a />\n-5\n");        // an open comment
}

TEST(Avm1LoadVars, ToStringGoesThroughEscapeAndDecodeAnswersOnlyWithoutText) {
  Asm a;
  make(a, "l", "LoadVars", {});
  a.get("l").push({Push("x"), Push("a b&c")}).op(avm1::kActionSetMember);
  call(a, "l", "toString", {}).op(avm1::kActionTrace);
  // A replaced escape takes part in the encoding.
  Asm mark;
  mark.push({Push("<")}).get("s").op(avm1::kActionAdd2);
  mark.push({Push(">")}).op(avm1::kActionAdd2).op(avm1::kActionReturn);
  a.get("_global").push({Push("escape")}).function("", {"s"}, mark).op(avm1::kActionSetMember);
  call(a, "l", "toString", {}).op(avm1::kActionTrace);
  call(a, "l", "decode", {}).op(avm1::kActionTrace);
  call(a, "l", "decode", {Push("p=1&q=two%20words&r")}).op(avm1::kActionTrace);
  trace_member(a, "l", "p");
  trace_member(a, "l", "q");
  a.trace({Push("[")});
  trace_member(a, "l", "r");
  EXPECT_EQ(run(a),
            "x=a%20b%26c\n"
            "<x>=<a b&c>\n"
            "false\n"
            "undefined\n"
            "1\ntwo words\n[\n\n");
}

TEST(Avm1LoadVars, VersionFiveCodeSeesOnlyAToStringThatAnswersNothing) {
  Asm a;
  make(a, "l", "LoadVars", {});
  a.get("l").push({Push("x"), Push("1")}).op(avm1::kActionSetMember);
  call(a, "l", "decode", {Push("y=2")}).op(avm1::kActionTrace);
  trace_member(a, "l", "y");
  trace_member(a, "l", "contentType");
  call(a, "l", "toString", {}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 5), "undefined\nundefined\nundefined\nundefined\n");
  EXPECT_EQ(run(a, 6), "undefined\n2\napplication/x-www-form-urlencoded\nx=1&y=2\n");
}

TEST(Avm1LoadVars, RequestHeadersGoThroughTheListsPush) {
  Asm a;
  make(a, "o", "XML", {});
  call(a, "o", "addRequestHeader", {Push("K"), Push("V"), Push("X"), Push("Y")});
  a.op(avm1::kActionTrace);
  // One array gives pairs; a lone name or a value that is no text, nothing.
  a.push({Push("C"), Push("B"), Push("A"), Push(3)}).op(avm1::kActionInitArray);
  a.push({Push(1)}).get("o").push({Push("addRequestHeader")}).op(avm1::kActionCallMethod);
  a.op(avm1::kActionPop);
  call(a, "o", "addRequestHeader", {Push("K"), Push(1)}).op(avm1::kActionPop);
  call(a, "o", "addRequestHeader", {Push("K")}).op(avm1::kActionPop);
  trace_member(a, "o", "_customHeaders");
  a.get("o").push({Push("_customHeaders"), Push("text")}).op(avm1::kActionSetMember);
  call(a, "o", "addRequestHeader", {Push("K"), Push("V")}).op(avm1::kActionPop);
  trace_member(a, "o", "_customHeaders");
  EXPECT_EQ(run(a, 6), "undefined\nK,V,A,B\ntext\n");
  // Code of SWF 5 does not see the list.
  EXPECT_EQ(run(a, 5), "undefined\nundefined\ntext\n");
}

TEST(Avm1StyleSheets, GenericFontFamiliesBecomeDeviceFonts) {
  Asm a;
  a.push({Push("sheet")}).get("TextField").push({Push("StyleSheet")}).op(avm1::kActionGetMember);
  a.push({Push("prototype")}).op(avm1::kActionGetMember).op(avm1::kActionSetVariable);
  for (const char* name : {"mono", "SANS-serif", "serif", "serif ", "Arial"})
    call(a, "sheet", "parseCSSFontFamily", {Push(name)}).op(avm1::kActionTrace);
  call(a, "sheet", "parseCSSFontFamily", {Push(2)}).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 7), "_typewriter\n_sans\n_serif\nserif \nArial\n2\n");
  // Style sheets arrived with SWF 7.
  EXPECT_EQ(run(a, 6), "undefined\nundefined\nundefined\nundefined\nundefined\nundefined\n");
}

TEST(Avm1Natives, NumberedNativesAreTheBuiltInsTheyStandFor) {
  Asm a;
  // var e = ASnative(100, 5); e("<'&\">"); e(undefined) in a version 6 movie.
  a.push({Push("e")});
  call_function(a, "ASnative", {Push(100), Push(5)}).op(avm1::kActionSetVariable);
  call_function(a, "e", {Push("<'&\">")}).op(avm1::kActionTrace);
  call_function(a, "e", {Push::undefined_value()}).op(avm1::kActionTrace);
  // escape by number, and a number nobody uses.
  a.push({Push("esc")});
  call_function(a, "ASnative", {Push(100), Push(0)}).op(avm1::kActionSetVariable);
  call_function(a, "esc", {Push("a b")}).op(avm1::kActionTrace);
  call_function(a, "ASnative", {Push(999), Push(1)}).op(avm1::kActionTypeOf);
  a.op(avm1::kActionTrace);
  // LoadVars' decode borrowed by a plain object.
  a.push({Push("o"), Push(0)}).op(avm1::kActionInitObject).op(avm1::kActionSetVariable);
  a.get("o").push({Push("decode")});
  call_function(a, "ASnative", {Push(301), Push(3)}).op(avm1::kActionSetMember);
  call(a, "o", "decode", {Push("k=v")}).op(avm1::kActionPop);
  trace_member(a, "o", "k");
  EXPECT_EQ(run(a, 6), "&lt;&apos;&amp;&quot;&gt;\nundefined\na%20b\nundefined\nv\n");
}

TEST(Avm1Dates, FieldYearsMultiFieldSettersAndFarTimes) {
  Asm a;
  // Date.UTC wants a month; two-digit, negative and non-numeric years.
  call(a, "Date", "UTC", {Push(1983)}).op(avm1::kActionTrace);
  call(a, "Date", "UTC", {Push(83), Push(5), Push(25)}).op(avm1::kActionTrace);
  call(a, "Date", "UTC", {Push(-100), Push(0)}).op(avm1::kActionTrace);
  a.push({Push(0), Push("Infinity")}).op(avm1::kActionGetVariable);
  a.push({Push(2), Push("Date")}).op(avm1::kActionGetVariable);
  a.push({Push("UTC")}).op(avm1::kActionCallMethod).op(avm1::kActionTrace);
  // setYear sets month and day too.
  make(a, "d", "Date", {Push(0)});
  call(a, "d", "setYear", {Push(1), Push(2), Push(3)}).op(avm1::kActionPop);
  call(a, "d", "getUTCFullYear", {}).op(avm1::kActionTrace);
  call(a, "d", "getUTCMonth", {}).op(avm1::kActionTrace);
  call(a, "d", "getUTCDate", {}).op(avm1::kActionTrace);
  // Times beyond the ECMA range stay; a far one still finds its year.
  make(a, "far", "Date", {Push(1e18)});
  call(a, "far", "getTime", {}).op(avm1::kActionTrace);
  make(a, "farther", "Date", {Push(1e300)});
  call(a, "farther", "getUTCFullYear", {}).op(avm1::kActionPop);
  a.trace({Push("done")});
  EXPECT_EQ(run(a),
            "undefined\n425347200000\n-5364662400000\n-62167219200000\n"
            "1901\n2\n3\n"
            "1e+18\ndone\n");
}

}  // namespace

namespace {

TEST(Avm1TextFormat, FieldsConvertStoredValuesIntoTheirKinds) {
  Asm a;
  make(a, "f", "TextFormat", {Push("Arial"), Push(12.7), Push(-1)});
  // Unset fields read null; display starts as block.
  for (const char* field : {"font", "size", "color", "bold", "align", "tabStops", "display"})
    trace_member(a, "f", field);
  // Each kind converts: whole numbers, unsigned colours, flags, known
  // alignments only (case folded), lists of whole numbers.
  a.get("f").push({Push("size"), Push("abc")}).op(avm1::kActionSetMember);
  a.get("f").push({Push("leftMargin"), Push(-5)}).op(avm1::kActionSetMember);
  a.get("f").push({Push("bold"), Push("")}).op(avm1::kActionSetMember);
  a.get("f").push({Push("align"), Push("CENTER")}).op(avm1::kActionSetMember);
  a.get("f").push({Push("align"), Push("middle")}).op(avm1::kActionSetMember);
  a.get("f").push({Push("display"), Push("none")}).op(avm1::kActionSetMember);
  a.get("f").push({Push("tabStops"), Push(3), Push("x"), Push(1.5), Push(3)});
  a.op(avm1::kActionInitArray).op(avm1::kActionSetMember);
  a.get("f").push({Push("font"), Push::null_value()}).op(avm1::kActionSetMember);
  for (const char* field : {"size", "leftMargin", "bold", "align", "display", "tabStops", "font"})
    trace_member(a, "f", field);
  EXPECT_EQ(run(a),
            "Arial\n12\n4294967295\nnull\nnull\nnull\nblock\n"
            "-2147483648\n0\nfalse\ncenter\nnone\n1,-2147483648,3\nnull\n");
  // Before version 8 numbers wrap, indents stay at zero or above, and
  // kerning is no field.
  Asm b;
  make(b, "f", "TextFormat", {});
  b.get("f").push({Push("size"), Push(4294967297.0)}).op(avm1::kActionSetMember);
  b.get("f").push({Push("indent"), Push(-3)}).op(avm1::kActionSetMember);
  b.get("f").push({Push("kerning"), Push(1)}).op(avm1::kActionSetMember);
  for (const char* field : {"size", "indent", "kerning"}) trace_member(b, "f", field);
  EXPECT_EQ(run(b, 7), "1\n0\n1\n");
}

TEST(Avm1TextFields, CreatedFieldsKeepTheirSettingsInTheirOwnKinds) {
  Asm a;
  a.push({Push(20), Push(100), Push(5), Push(10), Push(3), Push("t"), Push(6)})
      .get("this")
      .push({Push("createTextField")})
      .op(avm1::kActionCallMethod)
      .push({Push("_x")})
      .op(avm1::kActionGetMember)
      .op(avm1::kActionTrace);
  a.get("t").push({Push("text"), Push("a<b")}).op(avm1::kActionSetMember);
  trace_member(a, "t", "text");
  trace_member(a, "t", "htmlText");
  a.get("t").push({Push("autoSize"), Push::b(true)}).op(avm1::kActionSetMember);
  trace_member(a, "t", "autoSize");
  a.get("t").push({Push("autoSize"), Push("Right")}).op(avm1::kActionSetMember);
  trace_member(a, "t", "autoSize");
  a.get("t").push({Push("type"), Push("input")}).op(avm1::kActionSetMember);
  a.get("t").push({Push("type"), Push("other")}).op(avm1::kActionSetMember);
  trace_member(a, "t", "type");
  a.get("t").push({Push("textColor"), Push(-1)}).op(avm1::kActionSetMember);
  trace_member(a, "t", "textColor");
  a.get("t").push({Push("maxChars"), Push(0.5)}).op(avm1::kActionSetMember);
  trace_member(a, "t", "maxChars");
  a.get("t").push({Push("variable"), Push("")}).op(avm1::kActionSetMember);
  trace_member(a, "t", "variable");
  trace_member(a, "t", "restrict");
  a.get("t").push({Push("styleSheet"), Push(5)}).op(avm1::kActionSetMember);
  trace_member(a, "t", "styleSheet");
  EXPECT_EQ(run(a),
            "10\na<b\n"
            "<P ALIGN=\"LEFT\"><FONT FACE=\"Times New Roman\" SIZE=\"12\" COLOR=\"#000000\" "
            "LETTERSPACING=\"0\" KERNING=\"0\">a&lt;b</FONT></P>\n"
            "left\nright\ninput\n16777215\nnull\nnull\nnull\nundefined\n");
}

TEST(Avm1Xml, ChildListsNamespacesAndPrefixes) {
  Asm a;
  make(a, "x", "XML", {Push("<r xmlns:p='urn:p'><p:a/><b/>t</r>")});
  a.push({Push("r")}).get("x").push({Push("firstChild")}).op(avm1::kActionGetMember);
  a.op(avm1::kActionSetVariable);
  // One array per node: what a movie adds stays until the children change.
  a.push({Push("kids")}).get("r").push({Push("childNodes")}).op(avm1::kActionGetMember);
  a.op(avm1::kActionSetVariable);
  call(a, "kids", "push", {Push("extra")}).op(avm1::kActionPop);
  a.get("r").push({Push("childNodes")}).op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.push({Push(0)}).get("r").push({Push("lastChild")}).op(avm1::kActionGetMember);
  a.push({Push("removeNode")}).op(avm1::kActionCallMethod).op(avm1::kActionPop);
  a.get("kids").op(avm1::kActionTrace);
  // Namespaces come from xmlns attributes of the node or outer ones.
  a.push({Push("pa")}).get("r").push({Push("firstChild")}).op(avm1::kActionGetMember);
  a.op(avm1::kActionSetVariable);
  trace_member(a, "pa", "namespaceURI");
  trace_member(a, "pa", "prefix");
  trace_member(a, "pa", "localName");
  call(a, "pa", "getNamespaceForPrefix", {Push("p")}).op(avm1::kActionTrace);
  call(a, "pa", "getNamespaceForPrefix", {Push("q")}).op(avm1::kActionTrace);
  // A colon at the end separates nothing.
  make(a, "n", "XMLNode", {Push(1), Push("a:")});
  trace_member(a, "n", "prefix");
  trace_member(a, "n", "localName");
  // Appending a node that is already a child here leaves it in place.
  call(a, "r", "appendChild", {Push("unused")}).op(avm1::kActionPop);
  a.get("r").push({Push("firstChild")}).op(avm1::kActionGetMember);
  a.push({Push(1)}).get("r").push({Push("appendChild")}).op(avm1::kActionCallMethod);
  a.op(avm1::kActionPop);
  a.get("r").op(avm1::kActionTrace);
  EXPECT_EQ(run(a),
            "<p:a />,<b />,t,extra\n<p:a />,<b />\n"
            "urn:p\np\na\nurn:p\nnull\n"
            "\na:\n"
            "<r xmlns:p=\"urn:p\"><p:a /><b /></r>\n");
}

TEST(Avm1Xml, OnlyVersionEightRefusesToNestANodeInItself) {
  Asm a;
  make(a, "r", "XMLNode", {Push(1), Push("r")});
  a.get("r").push({Push(1)}).get("r").push({Push("appendChild")});
  a.op(avm1::kActionCallMethod).op(avm1::kActionPop);
  a.get("r").push({Push("parentNode")}).op(avm1::kActionGetMember).op(avm1::kActionTypeOf);
  a.op(avm1::kActionTrace);
  // Writing out a node that holds itself ends.
  call(a, "r", "toString", {}).push({Push("length")}).op(avm1::kActionGetMember);
  a.push({Push(0)}).op(avm1::kActionGreater).op(avm1::kActionTrace);
  EXPECT_EQ(run(a, 7), "object\ntrue\n");
  EXPECT_EQ(run(a, 8), "null\ntrue\n");
}

TEST(Avm1Xml, VersionEightDocumentsMapElementsById) {
  Asm a;
  make(a, "x", "XML", {Push("<a id='k'><b id='m'/><c/></a>")});
  a.get("x").push({Push("idMap")}).op(avm1::kActionGetMember);
  a.push({Push("m")}).op(avm1::kActionGetMember).push({Push("nodeName")});
  a.op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.get("x").push({Push("idMap")}).op(avm1::kActionGetMember);
  a.push({Push("k")}).op(avm1::kActionGetMember).push({Push("nodeName")});
  a.op(avm1::kActionGetMember).op(avm1::kActionTrace);
  a.get("x").push({Push("idMap")}).op(avm1::kActionGetMember).op(avm1::kActionTypeOf);
  a.op(avm1::kActionTrace);
  EXPECT_EQ(run(a), "b\na\nobject\n");
  Asm b;
  make(b, "x", "XML", {Push("<a id='k'/>")});
  b.get("x").push({Push("idMap")}).op(avm1::kActionGetMember).op(avm1::kActionTypeOf);
  b.op(avm1::kActionTrace);
  // Older documents list them on themselves.
  b.get("x").push({Push("k")}).op(avm1::kActionGetMember).push({Push("nodeName")});
  b.op(avm1::kActionGetMember).op(avm1::kActionTrace);
  EXPECT_EQ(run(b, 7), "undefined\na\n");
  // An idMap that holds no object takes nothing and stays.
  Asm c;
  make(c, "x", "XML", {});
  c.get("x").push({Push("idMap"), Push(2)}).op(avm1::kActionSetMember);
  call(c, "x", "parseXML", {Push("<a id='k'/>")}).op(avm1::kActionPop);
  trace_member(c, "x", "idMap");
  trace_member(c, "x", "k");
  EXPECT_EQ(run(c), "2\nundefined\n");
}

// XMLNode.prototype.hasOwnProperty(name), traced.
Asm& trace_node_prototype_has(Asm& a, const std::string& name) {
  a.push({Push(name), Push(1)}).get("XMLNode").push({Push("prototype")});
  a.op(avm1::kActionGetMember).push({Push("hasOwnProperty")}).op(avm1::kActionCallMethod);
  return a.op(avm1::kActionTrace);
}

TEST(Avm1Xml, MakingNodesPutsTheirPropertiesOnTheCurrentPrototype) {
  Asm a;
  // The child list's entries belong to the node: writes to them are lost.
  make(a, "y", "XML", {Push("<a/><b/>")});
  a.push({Push("kids")}).get("y").push({Push("childNodes")}).op(avm1::kActionGetMember);
  a.op(avm1::kActionSetVariable);
  a.get("kids").push({Push(0), Push("gone")}).op(avm1::kActionSetMember);
  a.get("kids").op(avm1::kActionTrace);
  a.push({Push(0)}).get("y").push({Push("firstChild")}).op(avm1::kActionGetMember);
  a.push({Push("removeNode")}).op(avm1::kActionCallMethod).op(avm1::kActionPop);
  a.get("kids").op(avm1::kActionTrace);
  trace_node_prototype_has(a, "nodeType");
  a.get("XMLNode").push({Push("prototype"), Push(0), Push("Object")});
  a.op(avm1::kActionNewObject).op(avm1::kActionSetMember);
  trace_node_prototype_has(a, "nodeType");
  // Neither a call without new nor a node without type and value counts.
  call_function(a, "XMLNode", {Push(1), Push("a")}).op(avm1::kActionTrace);
  make(a, "n", "XMLNode", {Push(1)});
  trace_node_prototype_has(a, "nodeType");
  make(a, "n", "XMLNode", {Push(1), Push("a")});
  trace_node_prototype_has(a, "nodeType");
  trace_node_prototype_has(a, "previousSibling");
  // Documents carry theirs on XML's prototype once one is made.
  a.get("XML").push({Push("prototype"), Push(0), Push("Object")});
  a.op(avm1::kActionNewObject).op(avm1::kActionSetMember);
  call_function(a, "XML", {}).op(avm1::kActionTrace);
  a.push({Push("ignoreWhite"), Push(1)}).get("XML").push({Push("prototype")});
  a.op(avm1::kActionGetMember).push({Push("hasOwnProperty")}).op(avm1::kActionCallMethod);
  a.op(avm1::kActionTrace);
  make(a, "x", "XML", {});
  a.push({Push("ignoreWhite"), Push(1)}).get("XML").push({Push("prototype")});
  a.op(avm1::kActionGetMember).push({Push("hasOwnProperty")}).op(avm1::kActionCallMethod);
  a.op(avm1::kActionTrace);
  trace_member(a, "x", "ignoreWhite");
  EXPECT_EQ(run(a, 6),
            "<a />,<b />\n<b />\n"
            "true\nfalse\nundefined\nfalse\ntrue\ntrue\n"
            "undefined\nfalse\ntrue\nfalse\n");
}

}  // namespace
