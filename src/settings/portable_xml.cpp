#include "settings/portable_xml.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/paths.h"

namespace portable_xml {

struct Attribute {
  std::string name;
  std::string xml;  // name="value" as the DOM serialises it
};

struct Node {
  std::string name;
  std::vector<Attribute> attributes;
  std::vector<uint32_t> children;
};

// Nodes live in one vector and refer to each other by index, so that neither
// building nor destroying a deep tree recurses.
struct Tree {
  std::vector<Node> nodes;
  std::vector<uint32_t> top;  // the document's own children
};

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool is_name_start(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80;
}

bool is_name_char(unsigned char c) {
  return is_name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool is_xml_char(uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
         (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// One UTF-8 sequence at `at`; false for a malformed, overlong or surrogate one.
bool decode_utf8(const std::string& s, size_t at, uint32_t& code, size_t& length) {
  const unsigned char lead = static_cast<unsigned char>(s[at]);
  uint32_t smallest;
  if (lead < 0x80) {
    code = lead;
    length = 1;
    return true;
  } else if ((lead & 0xE0) == 0xC0) {
    code = lead & 0x1F;
    length = 2;
    smallest = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    code = lead & 0x0F;
    length = 3;
    smallest = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    code = lead & 0x07;
    length = 4;
    smallest = 0x10000;
  } else {
    return false;
  }
  if (length > s.size() - at) return false;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char b = static_cast<unsigned char>(s[at + k]);
    if ((b & 0xC0) != 0x80) return false;
    code = (code << 6) | (b & 0x3F);
  }
  return code >= smallest && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
}

// Writes one character of an attribute value the way the DOM serialises it.
void append_serialised(std::string& out, uint32_t c) {
  switch (c) {
    case '&':
      out += "&amp;";
      return;
    case '<':
      out += "&lt;";
      return;
    case '>':
      out += "&gt;";
      return;
    case '"':
      out += "&quot;";
      return;
    case '\t':
      out += "&#9;";
      return;
    case '\n':
      out += "&#10;";
      return;
    case '\r':
      out += "&#13;";
      return;
  }
  if (c >= 0x80) {
    char reference[16];
    std::snprintf(reference, sizeof reference, "&#x%X;", static_cast<unsigned>(c));
    out += reference;
  } else {
    out += static_cast<char>(c);
  }
}

class Parser {
 public:
  Parser(const std::string& text, Tree& tree) : s_(text), n_(text.size()), tree_(tree) {}

  bool parse() {
    if (n_ >= 2 && ((byte(0) == 0xFF && byte(1) == 0xFE) || (byte(0) == 0xFE && byte(1) == 0xFF)))
      return fail("UTF-16 text is not supported; save the settings as UTF-8");
    if (starts("\xEF\xBB\xBF")) pos_ = 3;
    if (starts("<?xml") && pos_ + 5 < n_ && is_space(s_[pos_ + 5]) && !parse_declaration())
      return false;
    if (!check_characters()) return false;
    bool top_element_seen = false;
    while (pos_ < n_) {
      bool ok;
      if (s_[pos_] != '<') {
        ok = parse_text();
      } else if (starts("<!--")) {
        ok = parse_comment();
      } else if (starts("<![CDATA[")) {
        ok = !open_.empty() ? parse_cdata() : fail("CDATA section outside the top element");
      } else if (starts("<!DOCTYPE")) {
        ok = fail("DOCTYPE declarations are not supported");
      } else if (starts("<!")) {
        ok = fail("unknown markup declaration");
      } else if (starts("<?")) {
        ok = parse_processing_instruction();
      } else if (starts("</")) {
        ok = parse_end_tag();
      } else if (open_.empty() && top_element_seen) {
        ok = fail("a second top element: a document has exactly one");
      } else {
        top_element_seen = true;
        ok = parse_start_tag();
      }
      if (!ok) return false;
    }
    if (!open_.empty())
      return fail("element <" + tree_.nodes[open_.back()].name + "> is not closed");
    if (!top_element_seen) return fail("the document has no top element");
    return true;
  }

  const std::string& error() const { return error_; }

 private:
  unsigned char byte(size_t at) const { return static_cast<unsigned char>(s_[at]); }
  bool starts(std::string_view word) const { return s_.compare(pos_, word.size(), word) == 0; }
  void skip_spaces() {
    while (pos_ < n_ && is_space(s_[pos_])) ++pos_;
  }

  bool fail(const std::string& what) {
    size_t line = 1, column = 1;
    for (size_t i = 0; i < pos_ && i < n_; ++i) {
      if (s_[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    error_ = "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " + what;
    return false;
  }

  // One character of the (already checked) text at `at`.
  uint32_t character_at(size_t at, size_t& length) const {
    uint32_t code = byte(at);
    length = 1;
    if (utf8_ && code >= 0x80) decode_utf8(s_, at, code, length);
    return code;
  }

  bool check_characters() {
    const size_t start = pos_;
    for (size_t i = pos_; i < n_;) {
      uint32_t code = byte(i);
      size_t length = 1;
      if (utf8_ && code >= 0x80 && !decode_utf8(s_, i, code, length)) {
        pos_ = i;
        return fail("the text is not valid UTF-8; save the settings as UTF-8");
      }
      if (!is_xml_char(code)) {
        pos_ = i;
        char what[64];
        std::snprintf(what, sizeof what, "character U+%04X is not allowed in XML",
                      static_cast<unsigned>(code));
        return fail(what);
      }
      i += length;
    }
    pos_ = start;
    return true;
  }

  bool read_name(std::string& out, const char* what) {
    const size_t length = name_length_at(pos_);
    if (length == 0) return fail(std::string("expected ") + what);
    if (length > kMaxNameLength) return fail("a name longer than 50000 bytes");
    out.assign(s_, pos_, length);
    pos_ += length;
    return true;
  }

  uint32_t add_node(std::string name) {
    const uint32_t index = static_cast<uint32_t>(tree_.nodes.size());
    tree_.nodes.push_back(Node{std::move(name), {}, {}});
    (open_.empty() ? tree_.top : tree_.nodes[open_.back()].children).push_back(index);
    return index;
  }

  // "&...;" at the scan position: an entity or character reference.
  bool read_reference(uint32_t& code) {
    size_t i = pos_ + 1;
    if (i < n_ && s_[i] == '#') {
      ++i;
      const bool hex = i < n_ && s_[i] == 'x';
      if (hex) ++i;
      const size_t first = i;
      uint32_t number = 0;
      for (; i < n_; ++i) {
        const char c = s_[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
          digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
          digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
          digit = c - 'A' + 10;
        if (digit < 0) break;
        number = number * (hex ? 16 : 10) + digit;
        if (number > 0x10FFFF) number = 0x110000;  // stays invalid without overflowing
      }
      if (i == first || i >= n_ || s_[i] != ';') return fail("malformed character reference");
      if (!is_xml_char(number))
        return fail("character reference to a character XML does not allow");
      code = number;
      pos_ = i + 1;
      return true;
    }
    static const struct {
      std::string_view name;
      char character;
    } kEntities[] = {{"amp;", '&'}, {"lt;", '<'}, {"gt;", '>'}, {"quot;", '"'}, {"apos;", '\''}};
    for (const auto& e : kEntities) {
      if (s_.compare(i, e.name.size(), e.name) == 0) {
        code = static_cast<unsigned char>(e.character);
        pos_ = i + e.name.size();
        return true;
      }
    }
    const size_t length = name_length_at(i);
    if (length > 0 && i + length < n_ && s_[i + length] == ';')
      return fail("undefined entity &" + s_.substr(i, std::min<size_t>(length, 64)) + ";");
    return fail("'&' must start an entity or character reference (write &amp; for '&')");
  }

  // Length of the name starting at `at` (0 when there is none).
  size_t name_length_at(size_t at) const {
    size_t i = at;
    if (i >= n_ || !is_name_start(byte(i))) return 0;
    while (i < n_ && is_name_char(byte(i))) ++i;
    return i - at;
  }

  bool parse_declaration() {
    pos_ += 5;  // "<?xml"
    bool first = true;
    while (true) {
      const size_t before = pos_;
      skip_spaces();
      if (starts("?>")) {
        if (first) return fail("the XML declaration lacks its version");
        pos_ += 2;
        break;
      }
      if (pos_ == before) return fail("malformed XML declaration");
      std::string name;
      if (!read_name(name, "a name in the XML declaration")) return false;
      if (first && name != "version")
        return fail("the XML declaration must start with its version");
      if (name != "version" && name != "encoding" && name != "standalone")
        return fail("unknown item '" + name + "' in the XML declaration");
      skip_spaces();
      if (pos_ >= n_ || s_[pos_] != '=') return fail("expected '=' in the XML declaration");
      ++pos_;
      skip_spaces();
      if (pos_ >= n_ || (s_[pos_] != '"' && s_[pos_] != '\''))
        return fail("expected a quoted value");
      const char quote = s_[pos_++];
      const size_t value_start = pos_;
      while (pos_ < n_ && s_[pos_] != quote) {
        const char c = s_[pos_];
        const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                             (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
        if (!allowed) return fail("unexpected character in the XML declaration");
        ++pos_;
      }
      if (pos_ >= n_) return fail("the XML declaration is not closed");
      const std::string_view value(s_.data() + value_start, pos_ - value_start);
      ++pos_;
      if (name == "encoding") {
        if (equals_ignoring_case(value, "UTF-16") || equals_ignoring_case(value, "UTF16"))
          return fail("UTF-16 text is not supported; save the settings as UTF-8");
        utf8_ = equals_ignoring_case(value, "UTF-8") || equals_ignoring_case(value, "UTF8");
      }
      first = false;
    }
    add_node("xml");  // the declaration shows as a processing instruction
    return true;
  }

  bool parse_text() {
    size_t end = s_.find('<', pos_);
    if (end == std::string::npos) end = n_;
    if (open_.empty()) {
      for (; pos_ < end; ++pos_) {
        if (!is_space(s_[pos_])) return fail("text outside the top element");
      }
      return true;
    }
    const size_t bracket = s_.find("]]>", pos_);
    if (bracket != std::string::npos && bracket < end) {
      pos_ = bracket;
      return fail("']]>' is not allowed in text");
    }
    bool blank = true;
    while (pos_ < end) {
      if (s_[pos_] == '&') {
        uint32_t code;
        if (!read_reference(code)) return false;
        if (code > 0xFF || !is_space(static_cast<char>(code))) blank = false;
      } else {
        if (!is_space(s_[pos_])) blank = false;
        ++pos_;
      }
    }
    if (!blank) add_node("#text");
    return true;
  }

  bool parse_comment() {
    const size_t dashes = s_.find("--", pos_ + 4);
    if (dashes == std::string::npos) return fail("comment is not closed");
    if (dashes + 2 >= n_ || s_[dashes + 2] != '>') {
      pos_ = dashes;
      return fail("'--' inside a comment");
    }
    add_node("#comment");
    pos_ = dashes + 3;
    return true;
  }

  bool parse_cdata() {
    const size_t end = s_.find("]]>", pos_ + 9);
    if (end == std::string::npos) return fail("CDATA section is not closed");
    add_node("#cdata-section");
    pos_ = end + 3;
    return true;
  }

  bool parse_processing_instruction() {
    pos_ += 2;
    std::string target;
    if (!read_name(target, "a processing instruction target")) return false;
    if (equals_ignoring_case(target, "xml"))
      return fail("an XML declaration is only allowed at the very start of the text");
    if (starts("?>")) {
      pos_ += 2;
    } else {
      if (pos_ >= n_ || !is_space(s_[pos_])) return fail("malformed processing instruction");
      const size_t end = s_.find("?>", pos_);
      if (end == std::string::npos) return fail("processing instruction is not closed");
      pos_ = end + 2;
    }
    add_node(std::move(target));
    return true;
  }

  bool parse_end_tag() {
    const size_t tag_start = pos_;
    pos_ += 2;
    std::string name;
    if (!read_name(name, "an element name after '</'")) return false;
    if (open_.empty() || name != tree_.nodes[open_.back()].name) {
      pos_ = tag_start;
      if (open_.empty()) return fail("end tag </" + name + "> without a start tag");
      return fail("end tag </" + name + "> does not close <" + tree_.nodes[open_.back()].name +
                  ">");
    }
    skip_spaces();
    if (pos_ >= n_ || s_[pos_] != '>') return fail("expected '>' to end </" + name + ">");
    ++pos_;
    open_.pop_back();
    return true;
  }

  bool parse_start_tag() {
    ++pos_;
    std::string name;
    if (!read_name(name, "an element name after '<' (write &lt; for '<')")) return false;
    const uint32_t node = add_node(name);
    std::unordered_set<std::string> seen;
    while (true) {
      const size_t before = pos_;
      skip_spaces();
      if (pos_ >= n_) return fail("tag <" + name + "> is not closed");
      if (starts("/>")) {
        pos_ += 2;
        return true;
      }
      if (s_[pos_] == '>') {
        ++pos_;
        open_.push_back(node);
        if (open_.size() > static_cast<size_t>(kMaxElementDepth))
          return fail("elements are nested deeper than 257 levels");
        return true;
      }
      if (pos_ == before) return fail("expected a space, '>' or '/>' in tag <" + name + ">");
      Attribute attribute;
      if (!read_attribute(name, attribute)) return false;
      if (!seen.insert(attribute.name).second)
        return fail("attribute " + attribute.name + " appears twice in <" + name + ">");
      tree_.nodes[node].attributes.push_back(std::move(attribute));
    }
  }

  bool read_attribute(const std::string& element, Attribute& out) {
    if (!read_name(out.name, ("an attribute name in <" + element + ">").c_str())) return false;
    skip_spaces();
    if (pos_ >= n_ || s_[pos_] != '=') return fail("expected '=' after attribute " + out.name);
    ++pos_;
    skip_spaces();
    if (pos_ >= n_ || (s_[pos_] != '"' && s_[pos_] != '\''))
      return fail("the value of attribute " + out.name + " must be quoted");
    const char quote = s_[pos_++];
    const size_t value_start = pos_;
    out.xml = out.name + "=\"";
    while (true) {
      if (pos_ >= n_) return fail("the value of attribute " + out.name + " is not closed");
      const char c = s_[pos_];
      if (c == quote) break;
      if (pos_ - value_start >= kMaxAttributeValueLength)
        return fail("the value of attribute " + out.name + " is longer than 10,000,000 bytes");
      if (c == '<') return fail("'<' in an attribute value (write &lt;)");
      if (c == '&') {
        uint32_t code;
        if (!read_reference(code)) return false;
        append_serialised(out.xml, code);
      } else if (c == '\r' || c == '\n' || c == '\t') {
        // Line ends and tabs in a value are normalised to spaces; CR LF is one line end.
        ++pos_;
        if (c == '\r' && pos_ < n_ && s_[pos_] == '\n') ++pos_;
        out.xml += ' ';
      } else {
        size_t length;
        append_serialised(out.xml, character_at(pos_, length));
        pos_ += length;
      }
    }
    ++pos_;
    out.xml += '"';
    return true;
  }

  const std::string& s_;
  const size_t n_;
  Tree& tree_;
  size_t pos_ = 0;
  bool utf8_ = true;
  std::vector<uint32_t> open_;
  std::string error_;
};

class PortableAttribute : public XmlAttribute {
 public:
  explicit PortableAttribute(std::string xml) : xml_(std::move(xml)) {}
  bool get_xml(std::string& out) const override {
    out = xml_;
    return true;
  }

 private:
  std::string xml_;
};

class PortableAttributes : public XmlAttributes {
 public:
  PortableAttributes(std::shared_ptr<const Tree> tree, uint32_t node)
      : tree_(std::move(tree)), node_(node) {}
  bool get(const std::string& name, std::unique_ptr<XmlAttribute>& out) const override {
    for (const Attribute& a : tree_->nodes[node_].attributes) {
      if (a.name == name) {
        out = std::make_unique<PortableAttribute>(a.xml);
        return true;
      }
    }
    out.reset();
    return false;
  }

 private:
  std::shared_ptr<const Tree> tree_;
  uint32_t node_;
};

class PortableNodeList : public XmlNodeList {
 public:
  PortableNodeList(std::shared_ptr<const Tree> tree, const std::vector<uint32_t>& list)
      : tree_(std::move(tree)), list_(list) {}
  long length() const override { return static_cast<long>(list_.size()); }
  bool item(long index, std::unique_ptr<XmlNode>& out) const override;

 private:
  std::shared_ptr<const Tree> tree_;
  const std::vector<uint32_t>& list_;  // inside *tree_
};

class PortableNode : public XmlNode {
 public:
  PortableNode(std::shared_ptr<const Tree> tree, uint32_t index)
      : tree_(std::move(tree)), index_(index) {}
  bool name(std::string& out) const override {
    out = tree_->nodes[index_].name;
    return true;
  }
  bool attributes(std::unique_ptr<XmlAttributes>& out) const override {
    if (tree_->nodes[index_].attributes.empty()) return false;
    out = std::make_unique<PortableAttributes>(tree_, index_);
    return true;
  }
  bool children(std::unique_ptr<XmlNodeList>& out) const override {
    const std::vector<uint32_t>& children = tree_->nodes[index_].children;
    if (children.empty()) return false;
    out = std::make_unique<PortableNodeList>(tree_, children);
    return true;
  }

 private:
  std::shared_ptr<const Tree> tree_;
  uint32_t index_;
};

bool PortableNodeList::item(long index, std::unique_ptr<XmlNode>& out) const {
  if (index < 0 || static_cast<size_t>(index) >= list_.size()) return false;
  out = std::make_unique<PortableNode>(tree_, list_[static_cast<size_t>(index)]);
  return true;
}

}  // namespace
}  // namespace portable_xml

PortableXmlDocument::PortableXmlDocument() = default;
PortableXmlDocument::~PortableXmlDocument() = default;

bool PortableXmlDocument::load(const std::string& path) {
  tree_.reset();
  std::ifstream in(paths::resolve(path), std::ios::binary);
  if (!in) {
    error_ = "cannot read " + path;
    return false;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return load_text(text.str());
}

bool PortableXmlDocument::load_text(const std::string& text) {
  tree_.reset();
  error_.clear();
  auto tree = std::make_shared<portable_xml::Tree>();
  portable_xml::Parser parser(text, *tree);
  if (!parser.parse()) {
    error_ = parser.error();
    return false;
  }
  tree_ = std::move(tree);
  return true;
}

bool PortableXmlDocument::first_child(std::unique_ptr<XmlNode>& out) const {
  if (!tree_ || tree_->top.empty()) return false;
  out = std::make_unique<portable_xml::PortableNode>(tree_, tree_->top.front());
  return true;
}

#ifndef _WIN32
std::unique_ptr<XmlDocument> create_platform_document() {
  return std::make_unique<PortableXmlDocument>();
}
#endif
