// Files written whole: the content goes to a temporary file beside the
// target (".NAME.PID.tmp.EXT", hidden, same folder and so same file system)
// and is moved into place only once every write and the close succeeded. A
// reader sees the old file or the whole new one, never a part.
#pragma once

#include <string>
#include <vector>

namespace veltrane {

enum class Replace {
    Refused, // an existing file of the target's name stays, and the move fails
    Allowed,
};

class AtomicFile {
public:
    explicit AtomicFile(std::string target);
    // Removes the temporary file unless it was moved into place, whether
    // write() filled it or another writer (a video encoder) was handed its
    // name.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    const std::string& target() const { return target_; }
    // Where the content is written before it is moved.
    const std::string& temporary() const { return temporary_; }

    // Writes bytes into the temporary file, every write and the close
    // checked. Failures here and below say why in a few words ("No space
    // left on device", "it exists"), for the caller's message.
    bool write(const std::vector<unsigned char>& bytes, std::string& message);

    // Moves the temporary file into place. With Replace::Refused an existing
    // target (even one made since the run began) is kept and this fails.
    bool commit(Replace replace, std::string& message);

    // Removes the temporary file, unless it was moved into place.
    void abandon();

private:
    std::string target_;
    std::string temporary_;
    bool committed_ = false; // moved into place: the temporary name is gone
};

// The one folder check before any work: the folder of file exists and can be
// written, and file itself is not a folder. False with the reason (a few
// words, such as "the folder 'out' does not exist").
bool folderCanBeWritten(const std::string& file, std::string& reason);

} // namespace veltrane
