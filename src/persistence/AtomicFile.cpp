#include "persistence/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace persistence {
namespace {

constexpr std::size_t BufferSize = 64 * 1024;
constexpr int NameAttempts = 100;

std::filesystem::path TemporaryName(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    thread_local std::minstd_rand random{std::random_device{}()};
    std::string name = "." + target.filename().string() + ".tmp" + std::to_string(getpid()) + "_" +
                       std::to_string(counter.fetch_add(1)) + "_" + std::to_string(random());
    return target.parent_path() / name;
}

bool WriteAll(int fd, const char* data, std::size_t size, int& error) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void SyncFolder(const std::filesystem::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

AtomicFileWriter::~AtomicFileWriter() {
    Discard();
}

bool AtomicFileWriter::Fail(int error) {
    if (error_ == 0)
        error_ = error != 0 ? error : EIO;
    return false;
}

bool AtomicFileWriter::Open(const std::filesystem::path& target, mode_t mode) {
    Discard();
    error_ = 0;
    std::error_code ec;
    target_ = target;
    if (std::filesystem::is_symlink(target, ec)) {
        const auto resolved = std::filesystem::canonical(target, ec);
        if (!ec)
            target_ = resolved;
    }
    struct stat existing {};
    const bool keepMode = ::stat(target_.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
    for (int attempt = 0; attempt < NameAttempts; ++attempt) {
        temporary_ = TemporaryName(target_);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd_ >= 0)
            break;
        if (errno != EEXIST) {
            const int error = errno;
            temporary_.clear();
            return Fail(error);
        }
    }
    if (fd_ < 0) {
        temporary_.clear();
        return Fail(EEXIST);
    }
    if (keepMode)
        ::fchmod(fd_, existing.st_mode & 07777);
    buffer_.reserve(BufferSize);
    return true;
}

bool AtomicFileWriter::Flush() {
    if (error_ != 0 || fd_ < 0)
        return Fail(EBADF);
    int error = 0;
    const bool ok = WriteAll(fd_, buffer_.data(), buffer_.size(), error);
    buffer_.clear();
    return ok || Fail(error);
}

bool AtomicFileWriter::Write(const void* data, std::size_t size) {
    if (error_ != 0 || fd_ < 0)
        return Fail(EBADF);
    const char* bytes = static_cast<const char*>(data);
    if (buffer_.size() + size > BufferSize && !Flush())
        return false;
    if (size >= BufferSize) {
        int error = 0;
        return WriteAll(fd_, bytes, size, error) || Fail(error);
    }
    buffer_.insert(buffer_.end(), bytes, bytes + size);
    return true;
}

bool AtomicFileWriter::Commit() {
    if (!Flush())
        return false;
    if (::fsync(fd_) != 0)
        return Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        Fail(errno);
        Discard();
        return false;
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        Fail(errno);
        Discard();
        return false;
    }
    temporary_.clear();
    SyncFolder(target_.parent_path());
    return true;
}

void AtomicFileWriter::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
    buffer_.clear();
}

} // namespace persistence
