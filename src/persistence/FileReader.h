#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace persistence {

// Sequential reads from a regular file through one buffer, so that reading
// a file of many small records costs neither a system call nor an
// allocation per record.
class FileReader {
public:
    FileReader() = default;
    ~FileReader();
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    // False when the file cannot be opened or is not a regular file; Error() tells why.
    bool Open(const std::filesystem::path& file);
    // Reads up to `size` bytes; fewer only at the end of the file or on a
    // read error (then Error() is set).
    std::size_t Read(void* data, std::size_t size);
    // Bytes between the read position and the end of the file as it was opened.
    std::uint64_t Remaining() const;

    int Error() const { return error_; }

private:
    bool Fill();

    int fd_ = -1;
    int error_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t consumed_ = 0;
    std::vector<std::uint8_t> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

// Reads at most `limit` bytes of a regular file. False when it cannot be
// opened, is not a regular file or a read fails; `error` gets errno.
bool ReadFilePrefix(const std::filesystem::path& file, std::size_t limit, std::string& content,
                    int& error);

} // namespace persistence
