#include "channels/comprt/PortErrors.h"

#include "channels/ChanelTexts.h"
#include "platform/OsError.h"

#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <vector>

namespace comprt {

namespace {

// Name of the group that owns the device (the one a user must be in to use
// it), "dialout" when it cannot be told.
std::string OwningGroup(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        std::vector<char> buffer(4096);
        group entry{};
        group* found = nullptr;
        if (::getgrgid_r(info.st_gid, &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
            found->gr_name) {
            return found->gr_name;
        }
    }
    return "dialout";
}

std::string Reason(const std::string& path, int error) {
    switch (error) {
    case ENOENT:
        return "такого порта нет";
    case EACCES:
    case EPERM:
        return "нет прав доступа; пользователь должен входить в группу «" + OwningGroup(path) + "»";
    case EBUSY:
        return "порт занят другой программой";
    case ENXIO:
    case ENODEV:
        return "устройство отсутствует или отключено";
    case ENOTTY:
        return "это не последовательный порт";
    default:
        return platform::ErrnoText(error);
    }
}

} // namespace

std::string OpenFailureText(const std::string& path, int error) {
    return OpenFailureText(path, Reason(path, error));
}

std::string OpenFailureText(const std::string& path, const std::string& reason) {
    return std::string(channels::text::PortNotOpen) + ": " + path + ": " + reason;
}

} // namespace comprt
