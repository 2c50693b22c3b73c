// Files written whole: the content goes to a temporary file beside the
// target (".NAME.PID.tmp.EXT", hidden, same folder and so same file system;
// NAME shortened when the whole would be too long a name) and is moved into
// place only once every write and the close succeeded. A reader sees the old
// file or the whole new one, never a part. A process ended by a signal
// removes the temporary files it was writing (see removeTemporariesNow).
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
    int slot_ = -1;          // where a signal handler finds the temporary name
};

// The one check of an output before any work: the folder of file exists, a
// file can be made in it under file's temporary name (tried, so a read-only
// file system or a name too long says so now), and file itself is not a
// folder. False with the reason (a few words, such as "the folder 'out' does
// not exist").
bool folderCanBeWritten(const std::string& file, std::string& reason);

// True when something of that name exists, be it a file, a folder or a
// symbolic link that leads nowhere: what a move without replacing refuses.
bool nameTaken(const std::string& file);

// Removes every temporary file of the process being written right now. Safe
// in a signal handler (it only reads a fixed table and unlinks); for handlers
// of the signals that end a process.
void removeTemporariesNow();

} // namespace veltrane
