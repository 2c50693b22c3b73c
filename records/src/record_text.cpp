#include "record_text.h"

#include "veltrane/records/limits.h"

#include <algorithm>
#include <cctype>

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

bool inToken(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '+' || c == '-';
}

// Whether token is a whole number (decimal, or hexadecimal after 0x, as the
// parser reads them) beyond an int: the parser would keep only its low 32 bits.
bool outsizedWholeNumber(const std::string& token)
{
    std::size_t at = token[0] == '+' || token[0] == '-' ? 1 : 0;
    const bool hex = token.compare(at, 2, "0x") == 0 || token.compare(at, 2, "0X") == 0;
    at += hex ? 2 : 0;
    if (at >= token.size())
        return false;
    const auto isDigit = [hex](char c) {
        return hex ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : std::isdigit(static_cast<unsigned char>(c)) != 0;
    };
    if (!std::all_of(token.begin() + static_cast<long>(at), token.end(), isDigit))
        return false;
    const std::size_t first = token.find_first_not_of('0', at);
    if (first == std::string::npos)
        return false;
    const std::string digits = token.substr(first);
    const std::string most = hex ? "7fffffff" : "2147483647";
    if (digits.size() != most.size())
        return digits.size() > most.size();
    std::string lower = digits;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower > most;
}

// The first unquoted whole number in text that an int cannot hold; empty
// when none. Comments and quoted strings are passed over.
std::string outsizedNumberIn(const std::string& text)
{
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        if (c == '"' || c == '\'') {
            at = pastQuoted(text, at);
        } else if (c == '#') {
            at = text.find('\n', at);
        } else if (inToken(c)) {
            std::size_t end = at;
            while (end < text.size() && inToken(text[end]))
                ++end;
            const std::string token = text.substr(at, end - at);
            if (outsizedWholeNumber(token))
                return token;
            at = end;
        } else {
            ++at;
        }
    }
    return "";
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
        problem = "it is nested deeper than " + std::to_string(MaxRecordNesting) + " levels, not a calibration record";
        return false;
    }
    const std::string outsized = outsizedNumberIn(text);
    if (!outsized.empty()) {
        problem = "it holds " + outsized.substr(0, 24) + ", a whole number too large for any of its keys";
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
