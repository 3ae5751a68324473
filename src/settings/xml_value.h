// Attribute values of settings texts: our own entity rules for reading and
// writing, and the number and flag readings of a decoded value. Plain byte
// text, no XML library involved.
#pragma once

#include <cstdint>
#include <string>

namespace xml_value {

// Decodes the entity and character references our writer produces and the
// ones DOMs write back: &quot; &apos; &amp; &lt; &gt;, &#xHEX; and &#DECIMAL;.
// A character reference gives one byte (the number truncated to 8 bits).
// Anything else, an incomplete or malformed reference included, is copied as
// it stands; the scan never runs past the end of the text.
std::string unescape_value(const std::string& text);

// Escapes a byte text for a double-quoted attribute value: line feed,
// carriage return and tab as &#x0a; &#x0d; &#x09;, the five markup characters
// as entities, every byte from 0x80 up as its own &#xhh; reference, and the
// other control bytes (which XML does not allow at all) as the private-use
// character &#xf0hh;. Reading keeps the low 8 bits of a reference, so every
// byte comes back.
std::string escape_attribute(const std::string& bytes);

// The value part of an attribute as a DOM serialises it (name="value"):
// the second run of bytes between double quotes, empty when there is none;
// a text without any such run is returned whole. Not yet decoded.
std::string serialised_value_part(const std::string& attribute_xml);

// The whole reading of a serialised attribute: the value part, decoded, cut
// at the first NUL byte (values are C texts to the rest of the program).
std::string decode_attribute_xml(const std::string& attribute_xml);

// atol: optional blanks and sign, decimal digits; 0 when there are none.
// Saturates at the 32-bit limits.
int32_t to_int(const std::string& value);

// strtoul with base 0 on a 32-bit unsigned long: "0x" hexadecimal, leading
// zero octal, otherwise decimal; a minus sign negates modulo 2^32; saturates
// at 0xFFFFFFFF.
uint32_t to_unsigned(const std::string& value);

// True exactly for "true" in any letter case.
bool to_bool(const std::string& value);

}  // namespace xml_value
