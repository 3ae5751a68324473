// The settings reader over the real DOM (MSXML through COM), and the portable
// parser checked against it on the same texts.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <random>

#include "common/paths.h"
#include "native/settings/settings_cases.h"
#include "settings/portable_xml.h"
#include "settings/settings.h"
#include "settings/settings_writer.h"
#include "settings/xml_document.h"
#include "settings/xml_value.h"
#include "support/temp_dir.h"

namespace {

using settings_cases::expect_same_settings;

std::unique_ptr<XmlDocument> msxml() { return create_msxml_document(); }

// Loads a text through a back-end: the portable one from memory would skip
// the file path, so both read the same file.
std::unique_ptr<XmlDocument> load(const settings_cases::DocumentFactory& make,
                                  const testing_support::TempDir& folder, const std::string& text) {
  std::unique_ptr<XmlDocument> document = make();
  if (!document->load(folder.write("text.xml", text))) return nullptr;
  return document;
}

std::unique_ptr<XmlDocument> portable() { return std::make_unique<PortableXmlDocument>(); }

// Node names as a tree, and the serialised form of the probed attributes of
// every element.
std::string dump(const XmlNode& node, const std::vector<std::string>& probes) {
  std::string text;
  EXPECT_TRUE(node.name(text));
  std::unique_ptr<XmlAttributes> attributes;
  if (node.attributes(attributes)) {
    for (const std::string& name : probes) {
      std::unique_ptr<XmlAttribute> attribute;
      std::string xml;
      if (attributes->get(name, attribute) && attribute->get_xml(xml)) text += " [" + xml + "]";
    }
  }
  std::unique_ptr<XmlNodeList> children;
  if (!node.children(children)) return text;
  text += "(";
  for (long i = 0; i < children->length(); ++i) {
    std::unique_ptr<XmlNode> child;
    EXPECT_TRUE(children->item(i, child));
    text += (i ? " " : "") + dump(*child, probes);
  }
  return text + ")";
}

// The first attribute named `name` on the top element's first child element.
std::unique_ptr<XmlAttribute> attribute_of(const XmlDocument& document, const char* name) {
  std::unique_ptr<XmlNode> top, element;
  std::unique_ptr<XmlNodeList> children;
  std::unique_ptr<XmlAttributes> attributes;
  std::unique_ptr<XmlAttribute> attribute;
  if (!document.first_child(top) || !top->children(children) || !children->item(0, element) ||
      !element->attributes(attributes) || !attributes->get(name, attribute)) {
    return nullptr;
  }
  return attribute;
}

TEST(SettingsMsxml, EveryCase) {
  testing_support::TempDir folder;
  for (const settings_cases::Case& c : settings_cases::all_cases()) {
    SaverSettings settings;
    settings_cases::run_case(c, msxml, folder, settings);
  }
}

TEST(SettingsMsxml, BothBackEndsGiveTheSameRecords) {
  testing_support::TempDir folder;
  for (const settings_cases::Case& c : settings_cases::all_cases()) {
    SCOPED_TRACE(c.name);
    const std::string path = folder.write("case.xml", c.text);
    SaverSettings from_dom, from_parser;
    std::unique_ptr<XmlDocument> dom = msxml();
    PortableXmlDocument parser;
    EXPECT_EQ(from_dom.load_settings(path, *dom), from_parser.load_settings(path, parser));
    expect_same_settings(from_dom, from_parser);
  }
}

TEST(SettingsMsxml, BothBackEndsGiveTheSameNodes) {
  const std::vector<std::string> probes = {"version", "t", "x", "y", "z", "v", "window_title"};
  const std::vector<std::string> texts = {
      "<xml version=\"1.0\"><windows><window/></windows></xml>",
      "<xml version=\"1.0\">\n  <windows>\n   <window x=\"l1&#x0a;l2&#xe9;q&quot;&lt;&gt;&apos;\" "
      "y='s\"d' z=\"a\tb\r\nc\" v=\"&#65;&#x20AC;>\"/>  text <!-- c --> <?pi data?> <![CDATA[ ]]> "
      "</windows>\n</xml>\n",
      "<xml version=\"1.0\"><w t=\"" + xml_value::escape_attribute("\x01\t\n\r\x1F\x7F\x80\xFF") +
          "\"/></xml>",
      "\xEF\xBB\xBF<xml version=\"1.0\"><w t=\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"/></xml>",
      "<xml version=\"1.0\"><w t=\"&#x7F;&#x85;&#xA0;&#9;&#13;\" x=\"\"/>x<!--c-->y&amp;</xml>",
      "<xml version=\"1.0\"><a>&#32;&#10;</a><b> </b><c><![CDATA[]]></c></xml><!-- after --><?p?>",
      "<!-- lead --><xml version=\"1.0\"><windows/></xml>",
      "<?xml version=\"1.0\"?><xml version=\"1.0\"><windows/></xml>",
      "<?pi?><xml version=\"1.0\"/>",
  };
  testing_support::TempDir folder;
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    std::unique_ptr<XmlDocument> dom = load(msxml, folder, text);
    std::unique_ptr<XmlDocument> parser = load(portable, folder, text);
    ASSERT_TRUE(dom != nullptr);
    ASSERT_TRUE(parser != nullptr);
    std::unique_ptr<XmlNode> dom_first, parser_first;
    ASSERT_TRUE(dom->first_child(dom_first));
    ASSERT_TRUE(parser->first_child(parser_first));
    EXPECT_EQ(dump(*dom_first, probes), dump(*parser_first, probes));
  }
}

TEST(SettingsMsxml, BothBackEndsRefuseTheSameTexts) {
  auto nested = [](int depth) {
    std::string text;
    for (int i = 0; i < depth; ++i) text += "<a>";
    for (int i = 0; i < depth; ++i) text += "</a>";
    return text;
  };
  const std::vector<std::pair<std::string, bool>> texts = {
      {nested(portable_xml::kMaxElementDepth), true},
      {nested(portable_xml::kMaxElementDepth + 1), false},
      {"<" + std::string(portable_xml::kMaxNameLength, 'n') + "/>", true},
      {"<" + std::string(portable_xml::kMaxNameLength + 1, 'n') + "/>", false},
      {"<a t=\"&#x01;\"/>", false},
      {"<a t=\"&#0;\"/>", false},
      {"<a t=\"&#xD800;\"/>", false},
      {"<a t=\"&#xFFFE;\"/>", false},
      {"<a t=\"&#x110000;\"/>", false},
      {"<a t=\"&#X41;\"/>", false},
      {"<a t=\"a&b\"/>", false},
      {"<a t=\"a<b\"/>", false},
      {"<a t=\"1\" t=\"2\"/>", false},
      {"<a t=\"\x01\"/>", false},
      {"<a t=\"\xE9\"/>", false},
      {"<a t=\"\xC3\"/>", false},
      {"<a><!-- a -- b --></a>", false},
      {"<a>]]></a>", false},
      {"<a/> x", false},
      {"<a/><b/>", false},
      {"<a><?XML reserved?></a>", false},
      {"<a/>\n<!-- after -->", true},
      {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a t=\"\xE9\x80\"/>", true},
  };
  testing_support::TempDir folder;
  for (const auto& [text, loads] : texts) {
    SCOPED_TRACE(text.substr(0, 80));
    EXPECT_EQ(load(msxml, folder, text) != nullptr, loads);
    EXPECT_EQ(load(portable, folder, text) != nullptr, loads);
  }
}

TEST(SettingsMsxml, TypedReadersThroughTheDom) {
  testing_support::TempDir folder;
  // The next document replaces the file while the previous one still lives.
  auto document_with = [&](const std::string& value) {
    return load(msxml, folder, "<xml version=\"1.0\"><w t=\"" + value + "\" u=\"x\"/></xml>");
  };
  auto doc = document_with("0x1F");
  ASSERT_TRUE(doc != nullptr);
  auto t = attribute_of(*doc, "t");
  ASSERT_TRUE(t != nullptr);
  EXPECT_EQ(t->value_unsigned(7), 31u);
  EXPECT_EQ(t->value_int(7), 0);
  EXPECT_FALSE(t->value_bool());
  EXPECT_EQ(attribute_of(*doc, "absent"), nullptr) << "an absent attribute is not found";

  doc = document_with("True");
  EXPECT_TRUE(attribute_of(*doc, "t")->value_bool());
  doc = document_with("1");
  EXPECT_FALSE(attribute_of(*doc, "t")->value_bool());
  EXPECT_EQ(attribute_of(*doc, "t")->value_int(9), 1);

  doc = document_with("");
  std::string value = "old";
  EXPECT_TRUE(attribute_of(*doc, "t")->value_text(value, "fallback"));
  EXPECT_EQ(value, "") << "an empty value is empty, not the fallback";
  EXPECT_EQ(attribute_of(*doc, "t")->value_string(), "");

  doc = document_with("A&amp;B");
  std::string xml;
  ASSERT_TRUE(attribute_of(*doc, "t")->get_xml(xml));
  EXPECT_EQ(xml, "t=\"A&amp;B\"");
  EXPECT_EQ(attribute_of(*doc, "t")->value_string(), "A&B");
}

TEST(SettingsMsxml, WrappersAnswerFalseWhenEmpty) {
  testing_support::TempDir folder;
  auto doc = load(msxml, folder, "<xml version=\"1.0\"><w/><!-- c --></xml>");
  ASSERT_TRUE(doc != nullptr);
  std::unique_ptr<XmlNode> top, w, comment;
  std::unique_ptr<XmlNodeList> children, none;
  std::unique_ptr<XmlAttributes> attributes;
  ASSERT_TRUE(doc->first_child(top));
  ASSERT_TRUE(top->children(children));
  EXPECT_EQ(children->length(), 2);
  ASSERT_TRUE(children->item(0, w));
  EXPECT_FALSE(w->attributes(attributes)) << "an element without attributes";
  EXPECT_EQ(attributes, nullptr);
  EXPECT_FALSE(w->children(none));
  EXPECT_EQ(none, nullptr);
  ASSERT_TRUE(children->item(1, comment));
  std::string name;
  EXPECT_TRUE(comment->name(name));
  EXPECT_EQ(name, "#comment");
  EXPECT_FALSE(comment->attributes(attributes));
  EXPECT_FALSE(children->item(2, w)) << "past the end";
}

TEST(SettingsMsxml, LoadFailuresAndPaths) {
  testing_support::TempDir folder;
  std::unique_ptr<XmlDocument> doc = msxml();
  EXPECT_FALSE(doc->load(folder.file("missing.xml")));
  EXPECT_FALSE(doc->error_message().empty());
  std::unique_ptr<XmlNode> first;
  EXPECT_FALSE(doc->first_child(first));

  EXPECT_FALSE(doc->load(folder.write("bad.xml", "<xml version=\"1.0\"><w></xml>")));
  EXPECT_NE(doc->error_message().find("line"), std::string::npos) << doc->error_message();

  EXPECT_TRUE(doc->load(folder.write("good.xml", "<xml version=\"1.0\"><w/></xml>")))
      << "a document can load again after a failure";
  EXPECT_TRUE(doc->first_child(first));

  // A relative path is taken from the program's folder, not the current one.
  const std::string name = "settings_relative_test.xml";
  const std::string beside_program = paths::join(paths::folder_part(paths::program_path()), name);
  {
    FILE* f = fopen(beside_program.c_str(), "wb");
    ASSERT_TRUE(f != nullptr);
    fputs("<xml version=\"1.0\"><windows hide_mouse_cursor=\"false\"/></xml>", f);
    fclose(f);
  }
  SaverSettings settings;
  EXPECT_TRUE(settings.load_settings(name));
  EXPECT_FALSE(settings.hide_mouse_cursor);
  paths::delete_file(beside_program);
}

TEST(SettingsMsxml, ComApartmentIsBalanced) {
  // A caller that already opened COM keeps it after a document is gone.
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  testing_support::TempDir folder;
  for (int i = 0; i < 3; ++i) {
    std::unique_ptr<XmlDocument> doc = msxml();
    EXPECT_TRUE(doc->load(folder.write("a.xml", "<a/>")));
  }
  IUnknown* object = nullptr;
  const CLSID kDomDocument = {
      0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};
  EXPECT_EQ(CoCreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                             reinterpret_cast<void**>(&object)),
            S_OK);
  if (object) object->Release();
  CoUninitialize();

  // Without a caller's COM, each document opens and closes its own.
  for (int i = 0; i < 3; ++i) {
    SaverSettings settings;
    EXPECT_TRUE(
        settings.load_settings(folder.write("b.xml", settings_cases::document("", "<window/>"))));
  }
  EXPECT_EQ(CoInitialize(nullptr), S_OK) << "no apartment was left open";
  CoUninitialize();
}

TEST(SettingsMsxmlRoundTrip, EveryByteAndLongTexts) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  std::mt19937 random(17);
  const std::vector<std::string> titles = {all, "l1\nl2\xE9", std::string(50000, '\x80') + all,
                                           settings_cases::random_bytes(random, 300000), ""};
  testing_support::TempDir folder;
  for (const std::string& title : titles) {
    SaverSettings written;
    written.main_window.window_title = title;
    written.main_window.window_name = title.substr(0, 300);
    SaverSettings read;
    ASSERT_TRUE(read.load_settings(folder.write("round.xml", settings_text(written))))
        << read.settings_error;
    EXPECT_EQ(read.main_window.window_title, title) << "length " << title.size();
    EXPECT_EQ(read.main_window.window_name, title.substr(0, 300));
  }
  EXPECT_EQ(GetACP(), 1252u) << "the trip above ran under a single-byte code page";
}

TEST(SettingsMsxmlRoundTrip, RandomRecords) {
  std::mt19937 random(23);
  testing_support::TempDir folder;
  for (int round = 0; round < 15; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SaverSettings written;
    settings_cases::fill_random_settings(written, random);
    SaverSettings read;
    ASSERT_TRUE(read.load_settings(folder.write("random.xml", settings_text(written))))
        << read.settings_error;
    expect_same_settings(written, read);
    if (HasFailure()) break;
  }
}

}  // namespace
