// The ExternalInterface text forms: the script text a call sends to the
// container (every argument quoted, as the host cuts it), the XML value
// encoding of answers and of values sent back, and invoke requests.
#pragma once

#include <string>
#include <vector>

#include "avm1/runtime.h"

namespace avm1 {

// try { __flash__toXML(NAME("a","b")) ; } catch (e) { "<undefined/>"; }
std::string external_call_script(Runtime& rt, const String& name, const std::vector<Value>& args);
// An XML value (<null/>, <true/>, <number>, <string>, <array>, <object>,
// <date>, <undefined/>) as a value; false when the text is not one.
bool parse_external_value(Runtime& rt, const std::string& xml, Value& out);
// A value in the XML encoding.
std::string external_value_xml(Runtime& rt, const Value& v);
// <invoke name="..." returntype="..."><arguments>...</arguments></invoke>.
bool parse_invoke(Runtime& rt, const std::string& xml, String& name, std::vector<Value>& args);

// XML character references and the five named entities.
std::string xml_escape(const std::string& text);
std::string xml_unescape(const std::string& text);

}  // namespace avm1
