#include "veltrane/process/standard_streams.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#endif

namespace veltrane {

void openStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int opened = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != fd) {
            dup2(opened, fd);
            close(opened);
        }
    }
}

void ignoreBrokenPipes()
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

std::FILE* prepareStandardStreams()
{
    openStandardStreams();
    ignoreBrokenPipes();
    return divertLibraryMessages();
}

std::FILE* divertLibraryMessages()
{
    const char* keep = std::getenv("VELTRANE_LIBRARY_MESSAGES");
    if (keep != nullptr && std::strcmp(keep, "1") == 0)
        return stderr;
    std::fflush(stderr);
    const int own = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
    std::FILE* messages = own >= 0 ? fdopen(own, "w") : nullptr;
    if (messages == nullptr || nowhere < 0 || dup2(nowhere, STDERR_FILENO) < 0) {
        if (messages != nullptr)
            std::fclose(messages);
        else if (own >= 0)
            close(own);
        if (nowhere >= 0)
            close(nowhere);
        return stderr; // nothing diverted: the libraries' lines stay, and so do the program's
    }
    close(nowhere);
    std::setvbuf(messages, nullptr, _IOLBF, 0);
#if defined(__SANITIZE_ADDRESS__)
    __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<std::intptr_t>(own)));
#endif
    return messages;
}

} // namespace veltrane
