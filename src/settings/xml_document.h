// A read-only XML document as the settings reader walks it. Two back-ends
// implement it: the platform DOM (MSXML through COM, used by the runtime) and
// a small portable parser (used by the builder to check settings texts the
// way the runtime reads them, and by native tests and fuzzing).
//
// Both back-ends agree on these rules:
// - The document's first child is its first node of any kind: a leading
//   <?xml ...?> declaration (a processing instruction named "xml"), a comment
//   or processing instruction comes before the top element.
// - An attribute's serialised text is name="value" with the value entity-
//   escaped; xml_value::decode_attribute_xml turns it into the byte value.
// - Element, comment ("#comment"), processing instruction (its target),
//   CDATA ("#cdata-section") and text ("#text") nodes are children; text that
//   is only blanks is dropped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class XmlNode;

// One attribute node.
class XmlAttribute {
 public:
  virtual ~XmlAttribute() = default;

  // The attribute as the document serialises it, as byte text.
  virtual bool get_xml(std::string& out) const = 0;

  // The decoded value; `fallback` and false when it cannot be serialised.
  bool value_text(std::string& out, const std::string& fallback = std::string()) const;
  // Decimal (atol); the fallback when the value cannot be read.
  int32_t value_int(int32_t fallback) const;
  // strtoul with base 0; the fallback when the value cannot be read.
  uint32_t value_unsigned(uint32_t fallback) const;
  // True exactly for "true" in any letter case.
  bool value_bool() const;
  // The decoded value; empty when it cannot be read.
  std::string value_string() const;
};

// The attributes of one element.
class XmlAttributes {
 public:
  virtual ~XmlAttributes() = default;
  // False when the element has no attribute of that name.
  virtual bool get(const std::string& name, std::unique_ptr<XmlAttribute>& out) const = 0;
};

// The children of one node, in document order.
class XmlNodeList {
 public:
  virtual ~XmlNodeList() = default;
  virtual long length() const = 0;
  virtual bool item(long index, std::unique_ptr<XmlNode>& out) const = 0;
};

class XmlNode {
 public:
  virtual ~XmlNode() = default;
  virtual bool name(std::string& out) const = 0;
  // False when the node has no attributes (out stays empty).
  virtual bool attributes(std::unique_ptr<XmlAttributes>& out) const = 0;
  // False when the node has no children (out stays empty).
  virtual bool children(std::unique_ptr<XmlNodeList>& out) const = 0;
};

class XmlDocument {
 public:
  virtual ~XmlDocument() = default;
  // Loads a file; a relative path is taken relative to the program's folder.
  virtual bool load(const std::string& path) = 0;
  virtual bool first_child(std::unique_ptr<XmlNode>& out) const = 0;
  // Why the last load failed, for people; may be empty.
  virtual std::string error_message() const { return std::string(); }
};

// The document the runtime reads settings with: MSXML on Windows, the
// portable parser elsewhere.
std::unique_ptr<XmlDocument> create_platform_document();

#ifdef _WIN32
// The MSXML DOMDocument through COM.
std::unique_ptr<XmlDocument> create_msxml_document();
#endif
