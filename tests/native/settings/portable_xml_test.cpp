#include "settings/portable_xml.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace {

// The tree as text: name, then the children in parentheses.
std::string dump(const XmlNode& node) {
  std::string name;
  EXPECT_TRUE(node.name(name));
  std::unique_ptr<XmlNodeList> children;
  if (!node.children(children)) return name;
  std::string text = name + "(";
  for (long i = 0; i < children->length(); ++i) {
    std::unique_ptr<XmlNode> child;
    EXPECT_TRUE(children->item(i, child));
    text += (i ? " " : "") + dump(*child);
  }
  return text + ")";
}

std::string dump_text(const std::string& xml) {
  PortableXmlDocument document;
  if (!document.load_text(xml)) return "rejected: " + document.error_message();
  std::unique_ptr<XmlNode> first;
  if (!document.first_child(first)) return "no first child";
  return dump(*first);
}

// The serialised form of attribute `name` of the top element's first child.
std::string attribute_xml(const std::string& element_source, const char* name) {
  PortableXmlDocument document;
  if (!document.load_text("<xml version=\"1.0\">" + element_source + "</xml>"))
    return "rejected: " + document.error_message();
  std::unique_ptr<XmlNode> top, element;
  std::unique_ptr<XmlNodeList> children;
  std::unique_ptr<XmlAttributes> attributes;
  std::unique_ptr<XmlAttribute> attribute;
  std::string xml;
  if (!document.first_child(top) || !top->children(children) || !children->item(0, element) ||
      !element->attributes(attributes) || !attributes->get(name, attribute) ||
      !attribute->get_xml(xml)) {
    return "missing";
  }
  return xml;
}

bool accepts(const std::string& text) { return PortableXmlDocument().load_text(text); }

TEST(PortableXmlTree, NodesAndNames) {
  EXPECT_EQ(dump_text("<xml version=\"1.0\"><windows><window/></windows></xml>"),
            "xml(windows(window))");
  EXPECT_EQ(dump_text("<a>  text <!-- c --> <?pi data?> <![CDATA[ ]]> <b/>\n</a>"),
            "a(#text #comment pi #cdata-section b)")
      << "blank text is dropped, blank CDATA is kept";
  EXPECT_EQ(dump_text("<a>x<!--c-->y</a>"), "a(#text #comment #text)");
  EXPECT_EQ(dump_text("<a>&#32;&#10;</a>"), "a") << "references to blanks are blank text";
  EXPECT_EQ(dump_text("<a>&amp;</a>"), "a(#text)");
  EXPECT_EQ(dump_text("<x:a xmlns:x=\"u\"><x:b/></x:a>"), "x:a(x:b)");
}

TEST(PortableXmlTree, FirstChildIsTheFirstNodeOfAnyKind) {
  EXPECT_EQ(dump_text("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a><b/></a>"), "xml")
      << "the declaration shows as a processing instruction named xml";
  EXPECT_EQ(dump_text("<!-- lead --><a><b/></a>"), "#comment");
  EXPECT_EQ(dump_text("<?style x?><a/>"), "style");
  EXPECT_EQ(dump_text("\n\n  <a><b/></a>\n<!-- after -->"), "a(b)");
  EXPECT_EQ(dump_text("\xEF\xBB\xBF<a/>"), "a") << "a byte-order mark is no node";
}

TEST(PortableXmlTree, EmptyListsAnswerFalse) {
  PortableXmlDocument document;
  ASSERT_TRUE(document.load_text("<a><b/></a>"));
  std::unique_ptr<XmlNode> a, b;
  std::unique_ptr<XmlNodeList> children;
  std::unique_ptr<XmlAttributes> attributes;
  ASSERT_TRUE(document.first_child(a));
  EXPECT_FALSE(a->attributes(attributes)) << "no attributes";
  EXPECT_EQ(attributes, nullptr);
  ASSERT_TRUE(a->children(children));
  EXPECT_EQ(children->length(), 1);
  EXPECT_FALSE(children->item(1, b)) << "past the end";
  EXPECT_FALSE(children->item(-1, b));
  ASSERT_TRUE(children->item(0, b));
  EXPECT_FALSE(b->children(children));

  PortableXmlDocument empty;
  std::unique_ptr<XmlNode> none;
  EXPECT_FALSE(empty.first_child(none)) << "nothing loaded";
  EXPECT_FALSE(empty.load_text("<a>"));
  EXPECT_FALSE(empty.first_child(none)) << "a failed load leaves no tree";
}

TEST(PortableXmlAttributes, SerialisedTheWayTheDomDoes) {
  // The forms Wine's msxml3 gives for the same source texts.
  EXPECT_EQ(attribute_xml("<w window_title=\"A&amp;B\"/>", "window_title"),
            "window_title=\"A&amp;B\"");
  EXPECT_EQ(attribute_xml("<w x=\"l1&#x0a;l2&#xe9;q&quot;&lt;&gt;&apos;\"/>", "x"),
            "x=\"l1&#10;l2&#xE9;q&quot;&lt;&gt;'\"");
  EXPECT_EQ(attribute_xml("<w y='s\"d'/>", "y"), "y=\"s&quot;d\"") << "single quotes";
  EXPECT_EQ(attribute_xml("<w z=\"a\tb\r\nc\rd\ne\"/>", "z"), "z=\"a b c d e\"")
      << "line ends and tabs become spaces, CR LF one space";
  EXPECT_EQ(attribute_xml("<w v=\"&#65;&#x20AC;>\"/>", "v"), "v=\"A&#x20AC;&gt;\"");
  EXPECT_EQ(attribute_xml("<w t=\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"/>", "t"),
            "t=\"&#xE9;&#x20AC;&#x1F600;\"");
  EXPECT_EQ(attribute_xml("<w t=\"&#x7F;&#x85;&#xA0;&#9;&#13;\"/>", "t"),
            "t=\"\x7F&#x85;&#xA0;&#9;&#13;\"");
  EXPECT_EQ(attribute_xml("<w t=\"\"/>", "t"), "t=\"\"");
  EXPECT_EQ(attribute_xml("<w a=\"1\"  b = '2' />", "b"), "b=\"2\"");
  EXPECT_EQ(attribute_xml("<w a=\"1\"/>", "A"), "missing") << "names are case-sensitive";
}

TEST(PortableXmlRejects, WhatTheDomRejects) {
  const std::vector<std::string> bad = {
      "",
      "   ",
      "<a>",
      "<a></b>",
      "<a/><b/>",
      "<a/> text",
      "text<a/>",
      "<a t=\"a&b\"/>",
      "<a t=\"a<b\"/>",
      "<a t=\"1\" t=\"2\"/>",
      "<a t=1/>",
      "<a t=\"1\"u=\"2\"/>",
      "<a t=\"1/>",
      "<a>&unknown;</a>",
      "<a t=\"&#X41;\"/>",
      "<a t=\"&#0;\"/>",
      "<a t=\"&#xD800;\"/>",
      "<a t=\"&#xFFFE;\"/>",
      "<a t=\"&#x110000;\"/>",
      "<a t=\"&#xFFFFFFFFFF;\"/>",
      "<a>\x01</a>",
      "<a t=\"\xE9\"/>",
      "<a t=\"\xC3\"/>",
      "<a t=\"\xC0\x80\"/>",
      "<a t=\"\xED\xA0\x80\"/>",
      "<a><!-- a -- b --></a>",
      "<a><!-- a ---></a>",
      "<a><!-- open</a>",
      "<a>]]></a>",
      "<![CDATA[x]]><a/>",
      "<a><![CDATA[x</a>",
      "<a><?xml version=\"1.0\"?></a>",
      "<a/><?XML x?>",
      "<a><?pi</a>",
      "<!DOCTYPE a><a/>",
      "<a><!ELEMENT b></a>",
      "< a/>",
      "<a></ a>",
      "<1a/>",
      "<?xml version=\"1.0\"?>",
      "<?xml encoding=\"UTF-8\"?><a/>",
      "<?xml version=\"1.0\" bogus=\"x\"?><a/>",
      "\xFF\xFE<\0a\0/\0>\0",
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>",
  };
  for (const std::string& text : bad) {
    PortableXmlDocument document;
    EXPECT_FALSE(document.load_text(text)) << text;
    EXPECT_FALSE(document.error_message().empty()) << text;
  }
}

TEST(PortableXmlRejects, MessagesSayWhereAndWhat) {
  PortableXmlDocument document;
  EXPECT_FALSE(document.load_text("<a>\n  <b t=\"x&y\"/>\n</a>"));
  EXPECT_EQ(
      document.error_message(),
      "line 2, column 10: '&' must start an entity or character reference (write &amp; for '&')");
  EXPECT_FALSE(document.load_text("<a><b></a>"));
  EXPECT_EQ(document.error_message(), "line 1, column 7: end tag </a> does not close <b>");
  EXPECT_FALSE(document.load_text("<a>&nbsp;</a>"));
  EXPECT_EQ(document.error_message(), "line 1, column 4: undefined entity &nbsp;");
}

TEST(PortableXmlAccepts, WellFormedVariants) {
  EXPECT_TRUE(accepts("<?xml version=\"1.0\"?><a/>"));
  EXPECT_TRUE(
      accepts("<?xml version='1.0' encoding='windows-1252' standalone='yes' ?><a t=\"\xE9\"/>"))
      << "a single-byte encoding takes every byte as a character";
  EXPECT_TRUE(accepts("<a  >x</a  >"));
  EXPECT_TRUE(accepts("<a><![CDATA[<not markup> & ]]></a>"));
  EXPECT_TRUE(accepts("<a><!----></a>"));
  EXPECT_TRUE(accepts("<a t=\">\"/>"));
  EXPECT_TRUE(accepts("<a>></a>"));
  EXPECT_TRUE(accepts("<a t=\"&#x10FFFF;&#1114111;\"/>"));
  EXPECT_TRUE(accepts("<_a-b.c:d/>"));
  EXPECT_TRUE(accepts("<a/>\n<!-- after --><?pi?>\n"));
}

TEST(PortableXmlLimits, DepthNamesAndValues) {
  auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<a>";
    for (int i = 0; i < depth; ++i) text += "</a>";
    return text;
  };
  EXPECT_TRUE(accepts(nested(portable_xml::kMaxElementDepth)));
  EXPECT_FALSE(accepts(nested(portable_xml::kMaxElementDepth + 1)));
  EXPECT_FALSE(accepts(nested(100000))) << "refused without exhausting the stack";
  EXPECT_FALSE(accepts(std::string(200000, '<')));

  EXPECT_TRUE(accepts("<" + std::string(portable_xml::kMaxNameLength, 'n') + "/>"));
  EXPECT_FALSE(accepts("<" + std::string(portable_xml::kMaxNameLength + 1, 'n') + "/>"));
  EXPECT_TRUE(accepts("<a t=\"" + std::string(1000000, 'v') + "\"/>"));
  EXPECT_TRUE(
      accepts("<a t=\"" + std::string(portable_xml::kMaxAttributeValueLength, 'v') + "\"/>"));
  EXPECT_FALSE(
      accepts("<a t=\"" + std::string(portable_xml::kMaxAttributeValueLength + 1, 'v') + "\"/>"));
}

TEST(PortableXmlLimits, EveryPrefixIsHandled) {
  // Each cut of a full document must be refused cleanly (a sanitizer build
  // reports any read past the text); only the whole text loads.
  const std::string text =
      "\xEF\xBB\xBF<?xml version=\"1.0\"?><!-- c --><xml version=\"1.0\"><windows a='1' "
      "b=\"&#x41;&amp;\">"
      "<window t=\"\xC3\xA9&#233;\"><sub_data><![CDATA[x]]><?pi d?>text&lt;</sub_data></window>"
      "</windows></xml><!-- end -->";
  for (size_t cut = 0; cut < text.size(); ++cut) {
    PortableXmlDocument document;
    const std::string prefix = text.substr(0, cut);
    const bool loaded = document.load_text(prefix);
    // Only the cut right after the top element (before the trailing comment,
    // 12 bytes) leaves a whole document.
    const bool whole = cut == text.size() - 12;
    EXPECT_EQ(loaded, whole) << "cut at " << cut;
  }
  EXPECT_TRUE(accepts(text));
}

TEST(PortableXmlFiles, LoadsFromFile) {
  testing_support::TempDir folder;
  PortableXmlDocument document;
  EXPECT_TRUE(document.load(folder.write("s.xml", "<a><b/></a>")));
  std::unique_ptr<XmlNode> first;
  ASSERT_TRUE(document.first_child(first));
  EXPECT_EQ(dump(*first), "a(b)");
  EXPECT_FALSE(document.load(folder.file("missing.xml")));
  EXPECT_NE(document.error_message().find("cannot read"), std::string::npos);
  EXPECT_FALSE(document.first_child(first));
}

}  // namespace
