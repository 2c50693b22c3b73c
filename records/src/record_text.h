// A record's text before the parser sees it: the parser recurses once for
// every level of nesting and holds the whole document, so what is too large
// or too deeply nested is refused here, and YAML written without its
// "%YAML:1.0" line (as people write it by hand) gets it.
#pragma once

#include <string>

namespace veltrane {

// False with the problem (a few words) for text nested deeper than
// MaxRecordNesting, or holding a whole number beyond an int (which the
// parser would cut to its low 32 bits). (Its size is bounded when it is read.)
bool recordTextAcceptable(const std::string& text, std::string& problem);

// The nesting of text: the deepest sum, over every place in it, of the open
// brackets and braces, open XML elements, the line's indentation and its
// leading "- " markers. At least the parser's depth for YAML, JSON and XML.
int recordNesting(const std::string& text);

// text as the parser reads it: YAML without a directive gets "%YAML:1.0".
std::string parsableRecordText(const std::string& text);

} // namespace veltrane
