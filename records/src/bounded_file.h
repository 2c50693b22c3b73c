// Small files read whole, with their size known before a byte is read: only
// a regular file (not a pipe, which would never end, nor a folder) and only
// up to a bound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace veltrane {

// The whole regular file name, when it has 1 to limit bytes. False with the
// problem in a few words ("it is empty", "No such file or directory", or for
// a larger file "it is 5000000 bytes, more than " and bound, which says what
// limit stands for).
bool readBoundedFile(const std::string& name, std::uintmax_t limit, const std::string& bound,
                     std::vector<unsigned char>& bytes, std::string& problem);

// The first count bytes (or fewer, for a shorter file) of the regular file
// name; false with the problem as above.
bool readFilePrefix(const std::string& name, std::size_t count, std::vector<unsigned char>& bytes,
                    std::string& problem);

} // namespace veltrane
