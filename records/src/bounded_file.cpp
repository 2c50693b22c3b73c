#include "bounded_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace veltrane {

namespace {

// Closes the descriptor however the reading ends.
struct Descriptor {
    int fd;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

bool readAll(int fd, std::vector<unsigned char>& bytes, std::string& problem)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            problem = std::strerror(errno);
            return false;
        }
        if (got == 0)
            break; // shorter than it was a moment ago
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    if (bytes.empty()) {
        problem = "it is empty";
        return false;
    }
    return true;
}

} // namespace

namespace {

// Opens name when it is a regular file; its size in size.
bool openRegular(const std::string& name, Descriptor& file, std::uintmax_t& size, std::string& problem)
{
    // Non-blocking: a pipe in the file's place must not hold the open up.
    file.fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat status {};
    if (file.fd < 0 || ::fstat(file.fd, &status) != 0) {
        problem = std::strerror(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        problem = S_ISDIR(status.st_mode) ? "it is a folder" : "it is not a regular file";
        return false;
    }
    size = static_cast<std::uintmax_t>(status.st_size);
    if (size == 0) {
        problem = "it is empty";
        return false;
    }
    return true;
}

} // namespace

bool readBoundedFile(const std::string& name, std::uintmax_t limit, const std::string& bound,
                     std::vector<unsigned char>& bytes, std::string& problem)
{
    Descriptor file{-1};
    std::uintmax_t size = 0;
    if (!openRegular(name, file, size, problem))
        return false;
    if (size > limit) {
        problem = "it is " + std::to_string(size) + " bytes, more than " + bound;
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    return readAll(file.fd, bytes, problem);
}

bool readFilePrefix(const std::string& name, std::size_t count, std::vector<unsigned char>& bytes,
                    std::string& problem)
{
    Descriptor file{-1};
    std::uintmax_t size = 0;
    if (!openRegular(name, file, size, problem))
        return false;
    bytes.resize(static_cast<std::size_t>(std::min<std::uintmax_t>(size, count)));
    return readAll(file.fd, bytes, problem);
}

} // namespace veltrane
