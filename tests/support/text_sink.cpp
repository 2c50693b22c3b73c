#include "support/text_sink.h"

#include <cstdlib>
#include <stdexcept>

namespace veltrane {

TextSink::TextSink() : file_(open_memstream(&buffer_, &size_))
{
    if (file_ == nullptr)
        throw std::runtime_error("no memory stream");
}

TextSink::~TextSink()
{
    std::fclose(file_);
    std::free(buffer_);
}

std::string TextSink::text()
{
    std::fflush(file_);
    return std::string(buffer_, size_);
}

} // namespace veltrane
