#include "channels/comprt/ComPortList.h"

#include "channels/comprt/AutoBuffer.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <system_error>

namespace comprt {

namespace fs = std::filesystem;

namespace {

// The first line of a small sysfs attribute, or "" when it cannot be read.
std::string ReadAttribute(const fs::path& file) {
    std::FILE* stream = std::fopen(file.c_str(), "rb");
    if (!stream) {
        return {};
    }
    AutoBuffer buffer(64);
    const std::size_t got = std::fread(buffer.Data(), 1, buffer.Size(), stream);
    std::fclose(stream);
    std::string text(reinterpret_cast<const char*>(buffer.Data()), got);
    return text.substr(0, text.find_first_of("\r\n"));
}

// Kernel names of the serial devices present.
std::vector<std::string> SerialDevices(const fs::path& sys) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(sys / "class" / "tty", error)) {
        const std::string name = entry.path().filename().string();
        if (!fs::exists(entry.path() / "device" / "driver", error)) {
            continue; // virtual consoles, pseudo-terminals
        }
        if (name.rfind("ttyS", 0) == 0 && ReadAttribute(entry.path() / "type") == "0") {
            continue; // a legacy port entry without a UART behind it
        }
        names.push_back(name);
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    if (names.size() > static_cast<std::size_t>(ComList::MaxNames)) {
        names.resize(ComList::MaxNames);
    }
    return names;
}

// Kernel name -> the first (in natural order) stable by-id link to it.
std::map<std::string, std::string> StableNames(const fs::path& dev) {
    std::vector<fs::path> links;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dev / "serial" / "by-id", error)) {
        if (entry.is_symlink(error)) {
            links.push_back(entry.path());
        }
    }
    std::sort(links.begin(), links.end(), [](const fs::path& a, const fs::path& b) {
        return NaturalLess(a.filename().string(), b.filename().string());
    });
    std::map<std::string, std::string> stable;
    for (const auto& link : links) {
        const fs::path target = fs::read_symlink(link, error);
        if (!error) {
            stable.emplace(target.filename().string(), link.string());
        }
    }
    return stable;
}

std::string OfferedName(const std::string& kernelName, const fs::path& dev,
                        const std::map<std::string, std::string>& stable) {
    if (const auto found = stable.find(kernelName); found != stable.end()) {
        return found->second;
    }
    if (kernelName.rfind("ttyS", 0) == 0 && kernelName.size() > 4 &&
        kernelName.find_first_not_of("0123456789", 4) == std::string::npos &&
        kernelName.size() <= 4 + 9) {
        return "COM" + std::to_string(std::stoul(kernelName.substr(4)) + 1);
    }
    return (dev / kernelName).string();
}

} // namespace

std::vector<std::string> FoundPortNames(const PortRoots& roots) {
    const std::map<std::string, std::string> stable = StableNames(roots.Dev);
    std::vector<std::string> names;
    for (const std::string& name : SerialDevices(roots.Sys)) {
        names.push_back(OfferedName(name, roots.Dev, stable));
    }
    return names;
}

ComList::ComList(const PortRoots& roots) : Items(FoundPortNames(roots)) {
    if (Items.empty()) {
        for (int n = 1; n <= FallbackCount; ++n) {
            Items.push_back("COM" + std::to_string(n));
        }
    }
    for (const std::string& name : Items) {
        Joined += name;
        Joined += '\n';
    }
}

} // namespace comprt

const comprt::ComList& ComPortList() {
    static const comprt::ComList list;
    return list;
}
