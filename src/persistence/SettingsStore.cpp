#include "persistence/SettingsStore.h"

#include "persistence/AtomicFile.h"
#include "persistence/FileReader.h"
#include "persistence/RegistryText.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/file.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace persistence {
namespace {

// A settings file is a few kilobytes; anything beyond this is damage.
constexpr std::size_t MaxStoreBytes = 4 * 1024 * 1024;
// A writer holds the lock for milliseconds; waiting longer means a stuck
// process, and a store is better given up than a window hung.
constexpr auto LockWait = std::chrono::seconds(5);
constexpr auto LockRetry = std::chrono::milliseconds(5);

std::filesystem::path HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return ".";
}

// An exclusive flock on the lock file, held while the object lives. flock
// belongs to the open file, so threads of one process exclude each other
// as well as processes do.
class StoreLock {
public:
    explicit StoreLock(const std::filesystem::path& lockFile) {
        fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0)
            return;
        const auto deadline = std::chrono::steady_clock::now() + LockWait;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) ||
                std::chrono::steady_clock::now() >= deadline) {
                ::close(fd_);
                fd_ = -1;
                return;
            }
            std::this_thread::sleep_for(LockRetry);
        }
    }
    ~StoreLock() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

std::string ReadStoreText(const std::filesystem::path& file) {
    std::string text;
    int error = 0;
    if (!ReadFilePrefix(file, MaxStoreBytes, text, error))
        text.clear();
    return text;
}

} // namespace

SettingsStore::SettingsStore(std::filesystem::path file) : file_(std::move(file)) {}

SettingsStore SettingsStore::ForCurrentUser() {
    if (const char* dir = std::getenv(ConfigDirVariable); dir && *dir)
        return SettingsStore(std::filesystem::path(dir) / StoreFileName);
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        config = xdg;
    else
        config = HomeFolder() / ".config";
    return SettingsStore(config / "Veldrin" / StoreFileName);
}

std::filesystem::path SettingsStore::LockFile() const {
    std::filesystem::path lock = file_;
    lock += ".lock";
    return lock;
}

RegistryDocument SettingsStore::Read() const {
    return ParseRegistryText(ReadStoreText(file_));
}

bool SettingsStore::Update(const std::function<void(RegistryDocument&)>& change) const {
    std::error_code ec;
    if (file_.has_parent_path())
        std::filesystem::create_directories(file_.parent_path(), ec);
    StoreLock lock(LockFile());
    if (!lock.Held())
        return false;
    const std::string before = ReadStoreText(file_);
    RegistryDocument document = ParseRegistryText(before);
    change(document);
    const std::string after = FormatRegistryText(document);
    if (after == before)
        return true;
    AtomicFileWriter writer;
    return writer.Open(file_, 0600) && writer.Write(after.data(), after.size()) && writer.Commit();
}

} // namespace persistence
