#pragma once

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

// Mounts a file system of `bytes` over the folder `at`, in a mount
// namespace of the calling process's own, so that nobody else sees it and
// it is gone when the process ends: call it in a child process (see
// ChildProcess.h). Root gets the namespace directly; anyone else through a
// user namespace where they are root, when the system allows those.
// Returns an empty text, or why it could not be made.
inline std::string MountSmallFileSystem(const std::filesystem::path& at, std::size_t bytes) {
    const auto writeFile = [](const char* file, const std::string& text) {
        const int fd = ::open(file, O_WRONLY | O_CLOEXEC);
        if (fd < 0)
            return false;
        const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
        return ok;
    };
    if (::geteuid() == 0) {
        if (::unshare(CLONE_NEWNS) != 0)
            return std::string("no mount namespace: ") + std::strerror(errno);
    } else {
        const std::string uid = std::to_string(::geteuid());
        const std::string gid = std::to_string(::getegid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return std::string("no user namespace: ") + std::strerror(errno);
        if (!writeFile("/proc/self/setgroups", "deny") ||
            !writeFile("/proc/self/uid_map", uid + " " + uid + " 1\n") ||
            !writeFile("/proc/self/gid_map", gid + " " + gid + " 1\n"))
            return "cannot map the user into the user namespace";
    }
    // Nothing mounted here may reach the rest of the system.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return std::string("cannot make the mounts private: ") + std::strerror(errno);
    const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
    if (::mount("tmpfs", at.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
        return std::string("cannot mount a small file system: ") + std::strerror(errno);
    return {};
}
