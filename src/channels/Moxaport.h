#pragma once

#include "channels/SocketCore.h"

#include <cstdint>
#include <memory>
#include <string>

// Client of a network serial adapter: each serial port of the adapter is a
// data connection (the bytes on the line) and a command connection (speed
// and control lines), both TCP. Port n of the adapter listens at the data
// and command port bases plus n - 1.

namespace channels {

// Results of the adapter operations: 0 or a count is success.
enum MoxaResult : int {
    mrOk = 0,
    mrNoPort = -1,
    mrBadParameter = -2,
    mrStreamError = -3,
    mrNoMemory = -4,
    mrBadPassword = -100,
    mrResetTimeout = -101,
    mrNoAdapterLink = -102,
    mrConnectError = -200,
    mrSocketInit = -201,
    mrSocketError = -202,
    mrTimeout = -203,
};

inline constexpr int MoxaFirstPort = 1;
inline constexpr int MoxaLastPort = 16;

// The text of a negative result; "Неизвестная ошибка" for an unlisted one.
const char* MoxaResultText(int code);
// Passes a success through; a negative result becomes a std::runtime_error
// carrying its text.
int MoxaCheck(int code);

} // namespace channels

class TMoxaPort {
public:
    // Every wait of the connections also ends when `cancel` (if given) is
    // cancelled; the token must outlive the port.
    explicit TMoxaPort(const platform::CancelToken* cancel = nullptr) : cancel_(cancel) {}
    ~TMoxaPort() { Close(); }
    TMoxaPort(const TMoxaPort&) = delete;
    TMoxaPort& operator=(const TMoxaPort&) = delete;

    // Connects to adapter port `portNumber` (1..16) at `host`: `timeout`
    // bounds every wait of both connections, `chunkTimeout` the gaps
    // within a reply on the data connection. Any open connection is
    // closed first.
    int Open(const std::string& host, int portNumber, int timeout, int chunkTimeout,
             std::uint16_t dataPortBase, std::uint16_t commandPortBase);
    // Takes a data and a command connection made elsewhere (a tunnel, a
    // scripted adapter) in place of any open ones; without both the port
    // stays closed.
    void Adopt(std::unique_ptr<TSyncSocket> data, std::unique_ptr<TSyncSocket> command);
    void Close();
    bool IsOpen() const { return data_ && command_; }

    int SetBaudRate(std::uint32_t rate);
    int SetLines(bool dtr, bool rts);
    // Sends all bytes on the data connection: the count, or a code.
    int Write(const std::uint8_t* data, int length);
    // One reply from the data connection, ended by the time-outs: the
    // count (0 when nothing came in time), or a code.
    int Read(std::uint8_t* buffer, int size);
    // Drops whatever is waiting on the data connection (a late piece of an
    // earlier reply) without waiting; a code on failure, else 0.
    int Purge();

    std::uint32_t BaudRate() const { return baudRate_; }
    std::uint8_t Dtr() const { return dtr_; }
    std::uint8_t Rts() const { return rts_; }
    // The errno of the socket failure behind the last operation's failure
    // (ECANCELED when a cancellation cut it short), 0 when none.
    int LastSocketError() const { return lastSocketError_; }

private:
    int Ready();
    int SendCommand(const std::uint8_t* request, int length);
    int CommandReply(std::uint8_t code);
    int CommandFailure();
    int SocketFailure(const TSyncSocket& socket);

    const platform::CancelToken* cancel_;
    std::uint32_t baudRate_ = 19200;
    std::unique_ptr<TSyncSocket> data_;
    std::unique_ptr<TSyncSocket> command_;
    std::uint8_t dtr_ = 0;
    std::uint8_t rts_ = 0;
    int lastSocketError_ = 0;
};
