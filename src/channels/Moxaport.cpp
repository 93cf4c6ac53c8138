#include "channels/Moxaport.h"

#include "channels/SocketLibrary.h"

#include <cerrno>
#include <stdexcept>

namespace channels {

namespace {

struct ResultText {
    int code;
    const char* text;
};

constexpr ResultText resultTexts[] = {
    {mrNoPort, "Нет порта или порт не открыт"},
    {mrBadParameter, "Неправильный параметр"},
    {mrStreamError, "Ошибка потока"},
    {mrNoMemory, "Ошибка выделения памяти"},
    {mrBadPassword, "Неправильный пароль"},
    {mrResetTimeout, "Таймаут сброса истек"},
    {mrNoAdapterLink, "Нет связи с адаптером"},
    {mrConnectError, "Ошибка соединения с адаптером"},
    {mrSocketInit, "Ошибка инициализации SOCKET"},
    {mrSocketError, "Ошибка SOCKET"},
    {mrTimeout, "Истек таймаут"},
};

} // namespace

const char* MoxaResultText(int code) {
    for (const ResultText& entry : resultTexts)
        if (entry.code == code)
            return entry.text;
    return "Неизвестная ошибка";
}

int MoxaCheck(int code) {
    if (code < 0)
        throw std::runtime_error(MoxaResultText(code));
    return code;
}

} // namespace channels

using namespace channels;

namespace {

// Adapter commands: the first byte names the command and comes back in
// the reply, followed by "OK".
constexpr std::uint8_t cmdSetBaudRate = 0x17;
constexpr std::uint8_t cmdSetLines = 0x12;
constexpr int commandReplyMax = 20;

// Port number of adapter port `portNumber` above `base`; 0 when the sum
// leaves the range of TCP ports.
std::uint16_t AdapterTcpPort(std::uint16_t base, int portNumber) {
    const int port = base + portNumber - 1;
    return port >= 1 && port <= 65535 ? static_cast<std::uint16_t>(port) : 0;
}

} // namespace

// The checks every operation but Open and Close starts with.
int TMoxaPort::Ready() {
    lastSocketError_ = 0;
    if (!SocketLibraryStarted())
        return mrSocketInit;
    return IsOpen() ? mrOk : mrNoPort;
}

int TMoxaPort::SocketFailure(const TSyncSocket& socket) {
    lastSocketError_ = socket.LastError();
    switch (lastSocketError_) {
    case ETIMEDOUT:
        return mrTimeout;
    case ENOTCONN:
    case EPIPE:
    case ECONNRESET:
        return mrNoAdapterLink;
    default:
        return mrSocketError;
    }
}

int TMoxaPort::Open(const std::string& host, int portNumber, int timeout, int chunkTimeout,
                    std::uint16_t dataPortBase, std::uint16_t commandPortBase) {
    lastSocketError_ = 0;
    if (!SocketLibraryStarted())
        return mrSocketInit;
    Close();
    if (portNumber < MoxaFirstPort || portNumber > MoxaLastPort)
        return mrNoPort;
    const std::uint16_t dataPort = AdapterTcpPort(dataPortBase, portNumber);
    const std::uint16_t commandPort = AdapterTcpPort(commandPortBase, portNumber);
    if (dataPort == 0 || commandPort == 0)
        return mrBadParameter;

    auto command = std::make_unique<TSyncSocket>(timeout, 0, cancel_);
    auto data = std::make_unique<TSyncSocket>(timeout, chunkTimeout, cancel_);
    if (!command->Create(0, "0", SOCK_STREAM, 0)) {
        lastSocketError_ = command->LastError();
        return mrSocketError;
    }
    if (!data->Create(0, "0", SOCK_STREAM, 0)) {
        lastSocketError_ = data->LastError();
        return mrSocketError;
    }
    if (!data->Connect(host, dataPort)) {
        lastSocketError_ = data->LastError();
        return mrConnectError;
    }
    if (!command->Connect(host, commandPort)) {
        lastSocketError_ = command->LastError();
        return mrConnectError;
    }
    data_ = std::move(data);
    command_ = std::move(command);
    return mrOk;
}

void TMoxaPort::Adopt(std::unique_ptr<TSyncSocket> data, std::unique_ptr<TSyncSocket> command) {
    lastSocketError_ = 0;
    Close();
    if (data && command) {
        data_ = std::move(data);
        command_ = std::move(command);
    }
}

void TMoxaPort::Close() {
    data_.reset();
    command_.reset();
}

// A command failure: a silent adapter is a time-out; anything else means
// the port cannot be used.
int TMoxaPort::CommandFailure() {
    lastSocketError_ = command_->LastError();
    return lastSocketError_ == ETIMEDOUT ? mrTimeout : mrNoPort;
}

int TMoxaPort::SendCommand(const std::uint8_t* request, int length) {
    return command_->Send(request, length) == length ? mrOk : CommandFailure();
}

// The reply must start with the command's code and "OK"; a short or a
// different reply means the port cannot be used.
int TMoxaPort::CommandReply(std::uint8_t code) {
    std::uint8_t reply[commandReplyMax];
    const int got = command_->Receive(reply, commandReplyMax);
    if (got < 0)
        return CommandFailure();
    if (got < 3 || reply[0] != code || reply[1] != 'O' || reply[2] != 'K')
        return mrNoPort;
    return mrOk;
}

int TMoxaPort::SetBaudRate(std::uint32_t rate) {
    if (const int ready = Ready(); ready != mrOk)
        return ready;
    const std::uint8_t request[] = {cmdSetBaudRate,
                                    0x04,
                                    static_cast<std::uint8_t>(rate),
                                    static_cast<std::uint8_t>(rate >> 8),
                                    static_cast<std::uint8_t>(rate >> 16),
                                    static_cast<std::uint8_t>(rate >> 24)};
    if (const int sent = SendCommand(request, sizeof request); sent != mrOk)
        return sent;
    baudRate_ = rate; // the adapter has been told, whatever it answers
    return CommandReply(cmdSetBaudRate);
}

int TMoxaPort::SetLines(bool dtr, bool rts) {
    if (const int ready = Ready(); ready != mrOk)
        return ready;
    const std::uint8_t request[] = {cmdSetLines, 0x02, static_cast<std::uint8_t>(dtr ? 1 : 0),
                                    static_cast<std::uint8_t>(rts ? 1 : 0)};
    if (const int sent = SendCommand(request, sizeof request); sent != mrOk)
        return sent;
    if (const int reply = CommandReply(cmdSetLines); reply != mrOk)
        return reply;
    dtr_ = request[2];
    rts_ = request[3];
    return mrOk;
}

int TMoxaPort::Write(const std::uint8_t* data, int length) {
    if (const int ready = Ready(); ready != mrOk)
        return ready;
    if (length < 0 || (data == nullptr && length > 0))
        return mrBadParameter;
    const int sent = data_->Send(data, length);
    return sent >= 0 ? sent : SocketFailure(*data_);
}

int TMoxaPort::Read(std::uint8_t* buffer, int size) {
    if (const int ready = Ready(); ready != mrOk)
        return ready;
    if (size < 0 || (buffer == nullptr && size > 0))
        return mrBadParameter;
    const int got = data_->Receive(buffer, size);
    if (got >= 0)
        return got;
    if (data_->LastError() == ETIMEDOUT)
        return 0; // the device said nothing in time
    return SocketFailure(*data_);
}

int TMoxaPort::Purge() {
    if (const int ready = Ready(); ready != mrOk)
        return ready;
    std::uint8_t discard[512];
    // Bounded: a peer flooding the line cannot keep the worker here.
    for (int round = 0; round < 64; ++round) {
        // One attempt without waiting, not the waiting receive of the reply.
        const int got = data_->ReceiveNow(discard, sizeof discard);
        if (got > 0)
            continue;
        if (got == 0) {
            lastSocketError_ = ENOTCONN;
            return mrNoAdapterLink;
        }
        const int error = data_->LastError();
        if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR)
            return mrOk;
        lastSocketError_ = error;
        return mrSocketError;
    }
    return mrOk;
}
