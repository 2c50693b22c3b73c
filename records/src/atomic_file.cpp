#include "veltrane/records/atomic_file.h"

#include "veltrane/records/value_text.h"

#include "live_temporaries.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <climits>

#include <fcntl.h>
#include <unistd.h>

namespace veltrane {

namespace fs = std::filesystem;

namespace {

// Sixteen hexadecimal digits of the 64-bit FNV-1a hash of text.
std::string hashText(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    return digits;
}

// ".NAME.PID.tmp.EXT" beside file, NAME cut short so that the whole stays a
// name the file system takes whenever file's own name is one. A NAME cut
// short ends in "~" and a hash of the whole name, so that names which differ
// only after the cut (frames of one long pattern) keep apart.
std::string temporaryBeside(const std::string& file)
{
    const fs::path target(file);
    const std::string suffix = "." + std::to_string(getpid()) + ".tmp" + target.extension().string();
    std::string stem = target.stem().string();
    const std::size_t room = NAME_MAX > suffix.size() + 1 ? NAME_MAX - suffix.size() - 1 : 0;
    if (stem.size() > room) {
        const std::string mark = "~" + hashText(target.filename().string());
        stem.resize(room > mark.size() ? room - mark.size() : 0);
        stem += mark.substr(0, room - stem.size());
    }
    return (target.parent_path() / ("." + stem + suffix)).string();
}

std::string folderOf(const std::string& file)
{
    return fs::path(file).has_parent_path() ? fs::path(file).parent_path().string() : ".";
}

bool writeAll(int descriptor, const unsigned char* bytes, std::size_t count)
{
    while (count > 0) {
        const ssize_t written = ::write(descriptor, bytes, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}

// rename, or with Replace::Refused one that fails on an existing target
// however recently it appeared; a file system without that takes a hard
// link, which fails the same way.
bool moveIntoPlace(const std::string& from, const std::string& to, Replace replace)
{
    if (replace == Replace::Allowed)
        return ::rename(from.c_str(), to.c_str()) == 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(from.c_str(), to.c_str()) != 0)
        return false;
    ::unlink(from.c_str());
    return true;
}

} // namespace

AtomicFile::AtomicFile(std::string target)
    : target_(std::move(target)), temporary_(temporaryBeside(target_)), slot_(rememberTemporary(temporary_))
{
}

AtomicFile::~AtomicFile()
{
    abandon();
}

bool AtomicFile::write(const std::vector<unsigned char>& bytes, std::string& message)
{
    const int descriptor = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        message = std::strerror(errno);
        return false;
    }
    const bool written = writeAll(descriptor, bytes.data(), bytes.size());
    const int error = written ? 0 : errno;
    const bool closed = ::close(descriptor) == 0;
    if (!written || !closed) {
        message = std::strerror(written ? errno : error);
        return false;
    }
    return true;
}

bool AtomicFile::commit(Replace replace, std::string& message)
{
    if (!moveIntoPlace(temporary_, target_, replace)) {
        message = errno == EEXIST ? "it exists" : std::strerror(errno);
        return false;
    }
    committed_ = true;
    forgetTemporary(slot_);
    slot_ = -1;
    return true;
}

void AtomicFile::abandon()
{
    if (!committed_)
        std::remove(temporary_.c_str()); // whoever wrote it: this object, or a writer handed its name
    forgetTemporary(slot_);
    slot_ = -1;
}

bool folderCanBeWritten(const std::string& file, std::string& reason)
{
    const std::string folder = folderOf(file);
    std::error_code error;
    if (!fs::is_directory(folder, error)) {
        reason = "the folder '" + printable(folder) + "' does not exist";
        return false;
    }
    if (fs::is_directory(file, error)) {
        reason = "it is a folder";
        return false;
    }
    if (fs::path(file).filename().string().size() > NAME_MAX) {
        reason = "its name is longer than " + std::to_string(NAME_MAX) + " bytes";
        return false;
    }
    // The probe is a temporary file like any other: a signal now removes it too.
    const std::string probe = temporaryBeside(file);
    const int slot = rememberTemporary(probe);
    const int descriptor = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    const int openError = errno;
    if (descriptor >= 0) {
        ::close(descriptor);
        ::unlink(probe.c_str());
    }
    forgetTemporary(slot);
    if (descriptor < 0 && openError != EEXIST) {
        reason = "no file can be made in the folder '" + printable(folder) + "': " + std::strerror(openError);
        return false;
    }
    return true;
}

bool nameTaken(const std::string& file)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(file, error));
}

} // namespace veltrane
