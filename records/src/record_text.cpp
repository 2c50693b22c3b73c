#include "record_text.h"

#include "veltrane/records/limits.h"

#include <algorithm>

namespace veltrane {

namespace {

// The indentation and leading sequence markers ("- ") of the line at at.
int lineStartDepth(const std::string& text, std::size_t at)
{
    int depth = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '-')) {
        if (text[at] == '-' && at + 1 < text.size() && text[at + 1] != ' ' && text[at + 1] != '\n')
            break; // a value such as -3, or "---"
        ++depth;
        ++at;
    }
    return depth;
}

// Where the quoted string that opens at at ends (just past its closing quote,
// or at the line's end).
std::size_t pastQuoted(const std::string& text, std::size_t at)
{
    const char quote = text[at];
    for (++at; at < text.size() && text[at] != '\n'; ++at) {
        if (text[at] == '\\' && quote == '"')
            ++at;
        else if (text[at] == quote)
            return at + 1;
    }
    return at;
}

// The change in XML depth of the tag that opens at at; at moves past it.
int xmlTag(const std::string& text, std::size_t& at)
{
    const std::size_t close = text.find('>', at);
    const std::size_t end = close == std::string::npos ? text.size() : close + 1;
    int change = 0;
    if (at + 1 < text.size() && text[at + 1] == '/')
        change = -1;
    else if (at + 1 < text.size() && (text[at + 1] == '?' || text[at + 1] == '!'))
        change = 0; // a declaration or comment
    else if (close != std::string::npos && close > at && text[close - 1] == '/')
        change = 0; // <empty/>
    else
        change = 1;
    at = end;
    return change;
}

} // namespace

int recordNesting(const std::string& text)
{
    int brackets = 0;
    int elements = 0;
    int line = lineStartDepth(text, 0);
    int deepest = line;
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '"' || c == '\'') {
            at = pastQuoted(text, at);
            continue;
        }
        if (c == '<') {
            elements = std::max(0, elements + xmlTag(text, at));
        } else {
            if (c == '[' || c == '{')
                ++brackets;
            else if ((c == ']' || c == '}') && brackets > 0)
                --brackets;
            else if (c == '\n')
                line = lineStartDepth(text, at + 1);
            ++at;
        }
        deepest = std::max(deepest, brackets + elements + line);
    }
    return deepest;
}

bool recordTextAcceptable(const std::string& text, std::string& problem)
{
    if (recordNesting(text) > MaxRecordNesting) {
        problem = "nested deeper than " + std::to_string(MaxRecordNesting) + " levels, not a calibration record";
        return false;
    }
    return true;
}

std::string parsableRecordText(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && (text[first] == '%' || text[first] == '{' || text[first] == '<'))
        return text;
    return "%YAML:1.0\n" + text;
}

} // namespace veltrane
