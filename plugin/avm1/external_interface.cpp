#include "avm1/external_interface.h"

#include <cmath>
#include <cstdlib>

namespace avm1 {

std::string xml_escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string xml_unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    size_t semi = text.find(';', i);
    if (semi == std::string::npos || semi - i > 10) {
      out += text[i];
      continue;
    }
    std::string entity = text.substr(i + 1, semi - i - 1);
    if (entity == "amp")
      out += '&';
    else if (entity == "lt")
      out += '<';
    else if (entity == "gt")
      out += '>';
    else if (entity == "quot")
      out += '"';
    else if (entity == "apos")
      out += '\'';
    else if (entity.size() > 1 && entity[0] == '#') {
      long code = entity[1] == 'x' || entity[1] == 'X'
                      ? std::strtol(entity.c_str() + 2, nullptr, 16)
                      : std::strtol(entity.c_str() + 1, nullptr, 10);
      if (code <= 0 || code > 0x10FFFF) {
        out += text.substr(i, semi - i + 1);
      } else {
        append_utf8(out, static_cast<uint32_t>(code));
      }
    } else {
      out += text.substr(i, semi - i + 1);
    }
    i = semi;
  }
  return out;
}

namespace {

void quote_into(std::string& out, const std::string& text) {
  out += '"';
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        out += c;
    }
  }
  out += '"';
}

// A tiny reader for the value XML.
struct XmlReader {
  const std::string& s;
  size_t at = 0;
  size_t depth = 0;

  void skip_space() {
    while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\n' || s[at] == '\r')) ++at;
  }
  bool starts(const char* text) {
    return s.compare(at, std::char_traits<char>::length(text), text) == 0;
  }
  bool take(const char* text) {
    if (!starts(text)) return false;
    at += std::char_traits<char>::length(text);
    return true;
  }
  // Text up to the next '<'.
  std::string text() {
    size_t end = s.find('<', at);
    if (end == std::string::npos) end = s.size();
    std::string t = s.substr(at, end - at);
    at = end;
    return xml_unescape(t);
  }
  // An attribute value in either quote.
  bool attribute(const char* name, std::string& out) {
    skip_space();
    if (!take(name)) return false;
    skip_space();
    if (!take("=")) return false;
    skip_space();
    if (at >= s.size() || (s[at] != '"' && s[at] != '\'')) return false;
    char q = s[at++];
    size_t end = s.find(q, at);
    if (end == std::string::npos) return false;
    out = xml_unescape(s.substr(at, end - at));
    at = end + 1;
    return true;
  }

  bool value(Runtime& rt, Value& out) {
    if (++depth > 200) return false;
    struct Leave {
      size_t& d;
      ~Leave() { --d; }
    } leave{depth};
    skip_space();
    if (take("<null/>")) {
      out = Value::null();
      return true;
    }
    if (take("<undefined/>")) {
      out = Value();
      return true;
    }
    if (take("<true/>")) {
      out = Value::boolean(true);
      return true;
    }
    if (take("<false/>")) {
      out = Value::boolean(false);
      return true;
    }
    if (take("<string/>")) {
      out = Value("");
      return true;
    }
    if (take("<number>")) {
      std::string t = text();
      if (!take("</number>")) return false;
      char* end = nullptr;
      double n = std::strtod(t.c_str(), &end);
      out = Value::number(end && end != t.c_str() ? n : std::nan(""));
      return true;
    }
    if (take("<string>")) {
      std::string t = text();
      if (!take("</string>")) return false;
      out = Value(t);
      return true;
    }
    if (take("<date>")) {
      std::string t = text();
      if (!take("</date>")) return false;
      Value ctor = Value::object(rt.known().date_constructor);
      Value ms = Value::number(std::strtod(t.c_str(), nullptr));
      out = rt.construct(ctor, &ms, 1);
      return true;
    }
    bool array = false;
    if (take("<array>"))
      array = true;
    else if (!take("<object>"))
      return false;
    Object* o = array ? static_cast<Object*>(rt.make_array()) : rt.make_object();
    for (;;) {
      skip_space();
      if (take(array ? "</array>" : "</object>")) break;
      if (!take("<property")) return false;
      std::string id;
      if (!attribute("id", id)) return false;
      skip_space();
      if (!take(">")) return false;
      Value v;
      if (!value(rt, v)) return false;
      skip_space();
      if (!take("</property>")) return false;
      rt.set_property(o, String(id), v);
    }
    out = Value::object(o);
    return true;
  }
};

}  // namespace

std::string external_call_script(Runtime& rt, const String& name, const std::vector<Value>& args) {
  std::string out = "try { __flash__toXML(" + name.str() + "(";
  for (size_t i = 0; i < args.size(); ++i) {
    if (i) out += ",";
    quote_into(out, rt.trace_text(args[i]));
  }
  out += ")) ; } catch (e) { \"<undefined/>\"; }";
  return out;
}

bool parse_external_value(Runtime& rt, const std::string& xml, Value& out) {
  XmlReader r{xml};
  if (!r.value(rt, out)) return false;
  r.skip_space();
  return true;
}

namespace {

// Objects nested deeper than this are sent empty (a cycle ends there too).
constexpr int kMaxValueDepth = 32;

void value_xml_into(Runtime& rt, const Value& v, int depth, std::string& out) {
  switch (v.type()) {
    case Type::undefined:
      out += "<undefined/>";
      return;
    case Type::null:
      out += "<null/>";
      return;
    case Type::boolean:
      out += v.as_boolean() ? "<true/>" : "<false/>";
      return;
    case Type::number:
      out += "<number>" + number_to_string(v.as_number()) + "</number>";
      return;
    case Type::string:
      out += "<string>" + xml_escape(v.string_text()) + "</string>";
      return;
    case Type::object:
      break;
  }
  Object* o = v.as_object();
  if (o->is_function() || o->is_clip()) {
    out += "<null/>";
    return;
  }
  if (o->object_class() == ObjectClass::date) {
    out += "<date>" + number_to_string(rt.to_number(v)) + "</date>";
    return;
  }
  bool array = o->object_class() == ObjectClass::array;
  out += array ? "<array>" : "<object>";
  if (depth < kMaxValueDepth) {
    std::vector<String> names = rt.enumerate(o);
    // Enumeration lists the newest property first; the text keeps the
    // order they were made in.
    for (size_t i = names.size(); i-- > 0;) {
      out += "<property id=\"" + xml_escape(names[i].str()) + "\">";
      value_xml_into(rt, rt.get_property(o, names[i]), depth + 1, out);
      out += "</property>";
    }
  }
  out += array ? "</array>" : "</object>";
}

}  // namespace

std::string external_value_xml(Runtime& rt, const Value& v) {
  std::string out;
  value_xml_into(rt, v, 0, out);
  return out;
}

bool parse_invoke(Runtime& rt, const std::string& xml, String& name, std::vector<Value>& args) {
  XmlReader r{xml};
  r.skip_space();
  if (!r.take("<invoke")) return false;
  std::string n;
  if (!r.attribute("name", n)) return false;
  name = String(n);
  size_t close = xml.find('>', r.at);
  if (close == std::string::npos) return false;
  r.at = close + 1;
  args.clear();
  r.skip_space();
  if (r.take("<arguments/>")) return true;
  if (!r.take("<arguments>")) return true;
  for (;;) {
    r.skip_space();
    if (r.take("</arguments>") || r.at >= xml.size()) break;
    Value v;
    if (!r.value(rt, v)) return false;
    args.push_back(v);
  }
  return true;
}

}  // namespace avm1
