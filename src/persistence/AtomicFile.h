#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

namespace persistence {

// Writes a file so that the target is either left as it was or replaced
// whole: the data goes to a temporary file beside the target, which is
// flushed to disk and renamed over the target only by Commit. A failure at
// any point (disk full, device gone, a crash) never touches the old file.
// Not thread-safe; one writer per object.
class AtomicFileWriter {
public:
    AtomicFileWriter() = default;
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Creates the temporary file. A new file gets `mode` less the umask; an
    // existing target keeps its permission bits. A target that is a symbolic
    // link is written through to the file it names.
    bool Open(const std::filesystem::path& target, mode_t mode = 0666);
    // Buffered; false once any write has failed.
    bool Write(const void* data, std::size_t size);
    // Flushes, syncs and renames over the target, then syncs the folder.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Discard();

    // errno of the first failure, 0 if none.
    int Error() const { return error_; }
    const std::filesystem::path& Target() const { return target_; }

private:
    bool Fail(int error);
    bool Flush();

    std::filesystem::path target_;
    std::filesystem::path temporary_;
    int fd_ = -1;
    int error_ = 0;
    std::vector<char> buffer_;
};

} // namespace persistence
