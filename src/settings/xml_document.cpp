#include "settings/xml_document.h"

#include "settings/xml_value.h"

bool XmlAttribute::value_text(std::string& out, const std::string& fallback) const {
  std::string xml;
  if (!get_xml(xml)) {
    out = fallback;
    return false;
  }
  out = xml_value::decode_attribute_xml(xml);
  return true;
}

int32_t XmlAttribute::value_int(int32_t fallback) const {
  std::string value;
  return value_text(value) ? xml_value::to_int(value) : fallback;
}

uint32_t XmlAttribute::value_unsigned(uint32_t fallback) const {
  std::string value;
  return value_text(value) ? xml_value::to_unsigned(value) : fallback;
}

bool XmlAttribute::value_bool() const {
  std::string value;
  return value_text(value) && xml_value::to_bool(value);
}

std::string XmlAttribute::value_string() const {
  std::string value;
  value_text(value);
  return value;
}
