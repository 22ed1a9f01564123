// Text for XML and JSON documents, which must be UTF-8: the titles and names of a result file may be in
// a legacy code page.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace seep {

// Length of the valid UTF-8 sequence at the start of `text` (1 for ASCII), or 0 when none starts there.
// U+FFFE and U+FFFF, which XML does not allow, count as invalid.
std::size_t Utf8SequenceLength(std::string_view text);

// Appends text for an XML element or attribute: &, <, >, " and ' escaped, every byte sequence that is not
// valid UTF-8 and every control character replaced by U+FFFD.
void AppendXmlText(std::string& out, std::string_view text);

// Appends a JSON string with its quotes: quotes and backslashes escaped, control characters and DEL as
// \u00XX; a byte that does not start valid UTF-8 (a name in a legacy code page) becomes the character
// of the same number.
void AppendJsonString(std::string& out, std::string_view text);

}  // namespace seep
