#pragma once

#include "channels/MoxaRequest.h"
#include "network/LoopbackServer.h"

#include <functional>
#include <mutex>
#include <optional>

// A network serial adapter on loopback: a command listener that answers
// the speed and line commands, and a data listener that stands for the
// device on the serial line. Both listen where adapter port `portNumber`
// would, given DataBase() and CommandBase().

namespace nettest {

class FakeAdapter {
public:
    // Both take what arrived and give the reply; an empty reply is silence.
    using Responder = std::function<Bytes(const Bytes&)>;
    // The device may also hang up: no reply at all closes the connection.
    using DataResponder = std::function<std::optional<Bytes>(const Bytes&)>;

    static Bytes Agree(const Bytes& command) { return MakeBytes({command[0], 'O', 'K'}); }
    static Bytes Echo(const Bytes& request) { return request; }

    explicit FakeAdapter(int portNumber, Responder commandReply = Agree,
                         DataResponder dataReply = Echo)
        : portNumber_(portNumber), commandReply_(std::move(commandReply)),
          dataReply_(std::move(dataReply)), command_([this](Peer& p) { CommandSession(p); }),
          data_([this](Peer& p) { DataSession(p); }) {}

    std::uint16_t DataBase() const { return Base(data_); }
    std::uint16_t CommandBase() const { return Base(command_); }

    // Commands received so far, each whole (code, length, arguments).
    std::vector<Bytes> Commands() {
        std::lock_guard lock(mutex_);
        return commands_;
    }
    int DataConnections() const { return data_.Accepted(); }
    void Stop() {
        command_.Stop();
        data_.Stop();
    }

private:
    std::uint16_t Base(const LoopbackServer& server) const {
        return static_cast<std::uint16_t>(server.Port() - (portNumber_ - 1));
    }

    void CommandSession(Peer& peer) {
        for (int round = 0; round < 1000; ++round) {
            Bytes head, arguments;
            if (!peer.Read(2, head) || !peer.Read(head[1], arguments))
                return;
            const Bytes command = Concat(head, arguments);
            {
                std::lock_guard lock(mutex_);
                commands_.push_back(command);
            }
            const Bytes reply = commandReply_(command);
            if (reply.empty()) {
                peer.WaitForStop();
                return;
            }
            if (!peer.Send(reply))
                return;
        }
    }

    void DataSession(Peer& peer) {
        for (int round = 0; round < 1000; ++round) {
            const Bytes request = peer.ReadSome(LongWaitMs);
            if (request.empty())
                return;
            const std::optional<Bytes> reply = dataReply_(request);
            if (!reply || (!reply->empty() && !peer.Send(*reply)))
                return;
        }
    }

    int portNumber_;
    Responder commandReply_;
    DataResponder dataReply_;
    std::mutex mutex_;
    std::vector<Bytes> commands_;
    LoopbackServer command_;
    LoopbackServer data_;
};

// An open request for port `portNumber` of the adapter: 19200 bit/s, DTR
// low, RTS high, `timeout` for every wait and 30 ms gaps within a reply.
inline channels::MoxaRequest OpenRequest(const FakeAdapter& adapter, int portNumber,
                                         int timeout = LongWaitMs) {
    channels::MoxaRequest fields;
    fields.PortNumber = static_cast<std::uint8_t>(portNumber);
    fields.SetAdapterHost("127.0.0.1");
    fields.ReadTotalTimeout = static_cast<std::uint32_t>(timeout);
    fields.ReadIntervalTimeout = 30;
    fields.DataPortBase = adapter.DataBase();
    fields.CommandPortBase = adapter.CommandBase();
    fields.BaudRate = 19200;
    fields.Dtr = 0;
    fields.Rts = 1;
    return fields;
}

} // namespace nettest
