// A small XML parser of our own behind the XmlDocument interface, for places
// without the platform DOM (the builder on Linux, native tests, fuzzing).
//
// It accepts and rejects texts the way the DOM the runtime uses does for
// everything a settings text may hold, and gives the same nodes and the same
// serialised attributes:
// - UTF-8 text (an optional byte-order mark); a declaration naming another
//   encoding makes every byte one character. UTF-16 and DOCTYPE declarations
//   are refused.
// - Elements, attributes in either quote kind, the five predefined entities
//   and character references, comments, processing instructions, CDATA and
//   text, with the well-formedness rules of XML 1.0.
// - Attribute values are normalised (tab, line feed, carriage return become
//   spaces) and serialised as name="value" with &amp; &lt; &gt; &quot;,
//   &#9; &#10; &#13; for references to those characters and &#xHEX; for
//   every character above 0x7F.
// - Limits: 257 nested elements, names of 50000 bytes, attribute values of
//   10,000,000 bytes. Parsing is iterative and reads only inside the text.
#pragma once

#include <memory>
#include <string>

#include "settings/xml_document.h"

namespace portable_xml {
struct Tree;
constexpr int kMaxElementDepth = 257;
constexpr size_t kMaxNameLength = 50000;
constexpr size_t kMaxAttributeValueLength = 10000000;
}  // namespace portable_xml

class PortableXmlDocument : public XmlDocument {
 public:
  PortableXmlDocument();
  ~PortableXmlDocument() override;

  // Reads the file (relative paths from the program's folder) and parses it.
  bool load(const std::string& path) override;
  // Parses a text held in memory.
  bool load_text(const std::string& text);
  bool first_child(std::unique_ptr<XmlNode>& out) const override;
  // "line L, column C: what went wrong" after a failed load.
  std::string error_message() const override { return error_; }

 private:
  std::shared_ptr<const portable_xml::Tree> tree_;
  std::string error_;
};
