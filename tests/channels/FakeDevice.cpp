#include "FakeDevice.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace channels::testing {

namespace {

using namespace std::chrono_literals;

// A request frame ends after this much silence.
constexpr int FrameGapMs = 10;

void Check(bool ok, const char* what) {
    if (!ok) {
        throw std::runtime_error(std::string(what) + " failed: " + std::to_string(errno));
    }
}

} // namespace

FakeDevice::FakeDevice()
    : FakeDevice([](const Bytes& request) {
          return std::vector<ReplyPiece>{{0ms, request}};
      }) {}

FakeDevice::FakeDevice(Responder responder) : Respond(std::move(responder)) {
    Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    Check(Master >= 0, "posix_openpt");
    Check(::grantpt(Master) == 0 && ::unlockpt(Master) == 0, "unlockpt");
    char name[PATH_MAX];
    Check(::ptsname_r(Master, name, sizeof name) == 0, "ptsname_r");
    Slave = name;
    HeldSlave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    Check(HeldSlave >= 0, "open slave");
    termios line{};
    Check(::tcgetattr(HeldSlave, &line) == 0, "tcgetattr");
    ::cfmakeraw(&line); // no echo, whoever opens the port next
    Check(::tcsetattr(HeldSlave, TCSANOW, &line) == 0, "tcsetattr");
    StopFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    Check(StopFd >= 0, "eventfd");
    Server = std::thread([this] { Serve(); });
}

FakeDevice::~FakeDevice() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(StopFd, &one, sizeof one);
    Server.join();
    CloseMaster();
    ::close(HeldSlave);
    ::close(StopFd);
}

std::vector<Bytes> FakeDevice::Requests() const {
    std::lock_guard lock(Mutex);
    return Seen;
}

bool FakeDevice::WaitForRequests(std::size_t count) const {
    std::unique_lock lock(Mutex);
    return Changed.wait_for(lock, 10s, [&] { return Seen.size() >= count; });
}

bool FakeDevice::WaitForRepliesWritten() const {
    std::unique_lock lock(Mutex);
    return Changed.wait_for(lock, 10s, [&] { return PiecesPending == 0; });
}

void FakeDevice::Vanish(bool onNextRequest) {
    std::unique_lock lock(Mutex);
    if (onNextRequest) {
        VanishOnRequest = true;
        return;
    }
    Gone = true; // the server closes the master on its next pass
    Changed.wait_for(lock, 10s, [&] { return MasterClosed; });
}

bool FakeDevice::WaitUntilGone() const {
    std::unique_lock lock(Mutex);
    return Changed.wait_for(lock, 10s, [&] { return MasterClosed; });
}

int FakeDevice::SlaveDescriptorCount() const {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(entry.path(), error) == Slave) {
            ++count;
        }
    }
    return count;
}

void FakeDevice::CloseMaster() {
    if (Master >= 0) {
        ::close(Master);
        Master = -1;
        MasterClosed = true;
        Changed.notify_all();
    }
}

void FakeDevice::Serve() {
    Bytes frame;
    for (;;) {
        {
            std::lock_guard lock(Mutex);
            if (Gone) {
                CloseMaster();
            }
        }
        pollfd items[2] = {{StopFd, POLLIN, 0}, {Master, POLLIN, 0}};
        const int ready = ::poll(items, Master >= 0 ? 2 : 1,
                                 frame.empty() ? (Master >= 0 ? 20 : -1) : FrameGapMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (items[0].revents & POLLIN) {
            return;
        }
        if (Master < 0) {
            continue;
        }
        if (ready == 0 && !frame.empty()) {
            std::vector<ReplyPiece> pieces;
            bool vanish = false;
            {
                std::lock_guard lock(Mutex);
                Seen.push_back(frame);
                vanish = VanishOnRequest;
                Changed.notify_all();
            }
            if (vanish) {
                std::lock_guard lock(Mutex);
                Gone = true;
                frame.clear();
                continue;
            }
            pieces = Respond(frame);
            frame.clear();
            {
                std::lock_guard lock(Mutex);
                PiecesPending = pieces.size();
            }
            for (const ReplyPiece& piece : pieces) {
                pollfd stop{StopFd, POLLIN, 0};
                if (::poll(&stop, 1, static_cast<int>(piece.Delay.count())) > 0) {
                    return;
                }
                [[maybe_unused]] const ssize_t written =
                    ::write(Master, piece.Data.data(), piece.Data.size());
                std::lock_guard lock(Mutex);
                --PiecesPending;
                Changed.notify_all();
            }
            continue;
        }
        if (items[1].revents & POLLIN) {
            std::uint8_t buffer[1024];
            const ssize_t got = ::read(Master, buffer, sizeof buffer);
            if (got > 0) {
                frame.insert(frame.end(), buffer, buffer + got);
            }
        }
    }
}

} // namespace channels::testing
