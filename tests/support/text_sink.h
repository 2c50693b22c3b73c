// A stream in memory for code that writes to a std::FILE*: what was written
// is read back as text.
#pragma once

#include <cstdio>
#include <string>

namespace veltrane {

class TextSink {
public:
    TextSink();
    ~TextSink();
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;

    std::FILE* file() const { return file_; }
    // Everything written so far.
    std::string text();

private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_ = nullptr;
};

} // namespace veltrane
