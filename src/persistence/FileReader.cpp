#include "persistence/FileReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace persistence {
namespace {

constexpr std::size_t BufferSize = 64 * 1024;

} // namespace

FileReader::~FileReader() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool FileReader::Open(const std::filesystem::path& file) {
    if (fd_ >= 0)
        ::close(fd_);
    error_ = 0;
    consumed_ = 0;
    begin_ = end_ = 0;
    fd_ = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        error_ = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
    buffer_.resize(BufferSize);
    return true;
}

bool FileReader::Fill() {
    begin_ = end_ = 0;
    while (fd_ >= 0 && error_ == 0) {
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            error_ = errno;
            return false;
        }
        end_ = static_cast<std::size_t>(n);
        return n > 0;
    }
    return false;
}

std::size_t FileReader::Read(void* data, std::size_t size) {
    auto* out = static_cast<std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        if (begin_ == end_ && !Fill())
            break;
        const std::size_t n = std::min(size - done, end_ - begin_);
        std::memcpy(out + done, buffer_.data() + begin_, n);
        begin_ += n;
        done += n;
    }
    consumed_ += done;
    return done;
}

std::uint64_t FileReader::Remaining() const {
    return size_ > consumed_ ? size_ - consumed_ : 0;
}

bool ReadFilePrefix(const std::filesystem::path& file, std::size_t limit, std::string& content,
                    int& error) {
    content.clear();
    FileReader reader;
    if (!reader.Open(file)) {
        error = reader.Error();
        return false;
    }
    content.resize(static_cast<std::size_t>(std::min<std::uint64_t>(limit, reader.Remaining())));
    content.resize(reader.Read(content.data(), content.size()));
    if (reader.Error() != 0) {
        error = reader.Error();
        content.clear();
        return false;
    }
    return true;
}

} // namespace persistence
