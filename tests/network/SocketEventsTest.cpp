#include "channels/SocketCore.h"
#include "network/LoopbackServer.h"
#include "platform/EventLoop.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <future>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <unistd.h>

using namespace nettest;
using namespace std::chrono_literals;

namespace {

constexpr auto Patience = std::chrono::milliseconds(LongWaitMs);

// The user-interface thread of these tests: the test's own, pumping a loop.
struct Ui {
    platform::EventLoop loop;
    bool RunUntil(const std::function<bool()>& done) { return loop.RunUntil(done, Patience); }
    void RunFor(std::chrono::milliseconds duration) { loop.RunFor(duration); }
};

// Counts what is posted to it before handing it on.
struct CountingQueue final : platform::UiQueue {
    explicit CountingQueue(platform::UiQueue& next) : Next(next) {}
    void Post(Task task) override {
        ++Posted;
        Next.Post(std::move(task));
    }
    TimerId StartTimer(std::chrono::milliseconds interval, Task onTick) override {
        return Next.StartTimer(interval, std::move(onTick));
    }
    void StopTimer(TimerId id) override { Next.StopTimer(id); }
    platform::UiQueue& Next;
    std::atomic<int> Posted{0};
};

// Records the events of a socket as short names, with their error codes.
struct EventLog {
    std::vector<std::string> names;
    std::vector<int> errors;

    void Watch(TAsyncSocket& socket) {
        socket.OnAccept = Recorder("accept");
        socket.OnClose = Recorder("close");
        socket.OnConnect = Recorder("connect");
        socket.OnOutOfBand = Recorder("oob");
        socket.OnRead = Recorder("read");
        socket.OnWrite = Recorder("write");
    }
    TAsyncSocket::EventHandler Recorder(const char* name) {
        return [this, name](TAsyncSocket&, int error) {
            names.push_back(name);
            errors.push_back(error);
        };
    }
    bool Has(const std::string& name) const {
        return std::find(names.begin(), names.end(), name) != names.end();
    }
    int Count(const std::string& name) const {
        return static_cast<int>(std::count(names.begin(), names.end(), name));
    }
};

TEST(SocketEvents, ConnectWriteReadAndCloseArriveOnTheUiThread) {
    std::promise<void> readDone;
    auto readDoneFuture = readDone.get_future();
    LoopbackServer server([&](Peer& peer) {
        peer.Send(TextBytes("hello"));
        readDoneFuture.wait_for(std::chrono::milliseconds(LongWaitMs));
        // Leaving the session closes the connection.
    });
    Ui ui;
    TAsyncSocket socket(&ui.loop);
    EventLog log;
    log.Watch(socket);
    const auto uiThread = std::this_thread::get_id();
    std::thread::id readThread;
    std::string text;
    socket.OnRead = [&](TAsyncSocket& s, int) {
        log.names.push_back("read");
        readThread = std::this_thread::get_id();
        char buffer[16];
        const int got = s.Receive(buffer, sizeof buffer);
        if (got > 0)
            text.append(buffer, got);
    };

    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(ui.RunUntil([&] { return text == "hello"; }));
    EXPECT_EQ(readThread, uiThread);
    readDone.set_value();
    ASSERT_TRUE(ui.RunUntil([&] { return log.Has("close"); }));

    ASSERT_GE(log.names.size(), 4u);
    EXPECT_EQ(log.names.front(), "connect");
    EXPECT_EQ(log.errors.front(), 0);
    EXPECT_EQ(log.names.back(), "close");
    EXPECT_EQ(log.errors.back(), 0);
    EXPECT_EQ(log.Count("write"), 1);
    EXPECT_EQ(log.Count("close"), 1);
}

TEST(SocketEvents, RefusedConnectionReportsItsError) {
    Ui ui;
    TAsyncSocket socket(&ui.loop);
    EventLog log;
    log.Watch(socket);
    const ClosedPort closed;
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.Connect("127.0.0.1", closed.Port())) << "the attempt starts";
    ASSERT_TRUE(ui.RunUntil([&] { return log.Has("connect"); }));
    EXPECT_EQ(log.errors.front(), ECONNREFUSED);
    ui.RunFor(100ms);
    EXPECT_EQ(log.names, std::vector<std::string>{"connect"});
}

TEST(SocketEvents, ConnectionToItselfIsRefused) {
    Ui ui;
    TAsyncSocket socket(&ui.loop);
    EventLog log;
    log.Watch(socket);
    ASSERT_TRUE(socket.Create(0, "127.0.0.1"));
    ASSERT_TRUE(socket.Connect("127.0.0.1", socket.LocalPort()));
    ASSERT_TRUE(ui.RunUntil([&] { return log.Has("connect"); }));
    EXPECT_EQ(log.errors.front(), ECONNREFUSED);
}

TEST(SocketEvents, ReadIsAnnouncedAgainOnlyAfterAReceive) {
    LoopbackServer server([](Peer& peer) {
        peer.Send(TextBytes("one"));
        Bytes ack;
        if (peer.Read(1, ack))
            peer.Send(TextBytes("two"));
        peer.WaitForStop();
    });
    Ui ui;
    TAsyncSocket socket(&ui.loop);
    EventLog log;
    log.Watch(socket);
    ASSERT_TRUE(socket.Create());
    ASSERT_TRUE(socket.Connect("127.0.0.1", server.Port()));
    ASSERT_TRUE(ui.RunUntil([&] { return log.Has("read"); }));
    ASSERT_TRUE(ui.RunUntil([&] { return log.Has("write"); }));
    ui.RunFor(100ms);
    EXPECT_EQ(log.Count("read"), 1) << "nothing received yet: no second announcement";

    char buffer[8];
    // A partial receive leaves data behind, which is announced again.
    EXPECT_EQ(socket.Receive(buffer, 1), 1);
    ASSERT_TRUE(ui.RunUntil([&] { return log.Count("read") == 2; }));
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer), 2);
    ASSERT_EQ(socket.Send("!", 1), 1);
    ASSERT_TRUE(ui.RunUntil([&] { return log.Count("read") == 3; }));
    EXPECT_EQ(socket.Receive(buffer, sizeof buffer), 3);
    EXPECT_EQ(std::string(buffer, 3), "two");
}

TEST(SocketEvents, ListenerAcceptsAndTheAcceptedSocketRaisesItsOwnEvents) {
    Ui ui;
    TAsyncSocket listener(&ui.loop);
    TAsyncSocket accepted(&ui.loop);
    EventLog listenerLog, acceptedLog;
    listenerLog.Watch(listener);
    acceptedLog.Watch(accepted);
    listener.OnAccept = [&](TAsyncSocket& s, int) {
        listenerLog.names.push_back("accept");
        EXPECT_TRUE(s.Accept(accepted));
    };
    ASSERT_TRUE(listener.Create(0, "127.0.0.1"));
    ASSERT_TRUE(listener.Listen());

    const int client = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(listener.LocalPort());
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(send(client, "ping", 4, 0), 4);

    ASSERT_TRUE(ui.RunUntil([&] { return acceptedLog.Has("read"); }));
    EXPECT_EQ(listenerLog.Count("accept"), 1);
    EXPECT_EQ(acceptedLog.names.front(), "write");
    char buffer[8];
    EXPECT_EQ(accepted.Receive(buffer, sizeof buffer), 4);
    EXPECT_EQ(accepted.Send("pong", 4), 4);
    EXPECT_EQ(recv(client, buffer, sizeof buffer, 0), 4);

    close(client);
    ASSERT_TRUE(ui.RunUntil([&] { return acceptedLog.Has("close"); }));
    EXPECT_FALSE(listener.Accept(accepted)) << "the target already holds a socket";
    EXPECT_EQ(listener.LastError(), EISCONN);
}

TEST(SocketEvents, EventsOfAClosedSocketAreDropped) {
    LoopbackServer server([](Peer& peer) {
        peer.Send(TextBytes("late"));
        peer.WaitForStop();
    });
    Ui ui;
    CountingQueue counting(ui.loop);
    int calls = 0;
    {
        TAsyncSocket socket(&counting);
        socket.OnConnect = socket.OnWrite = socket.OnRead = [&](TAsyncSocket&, int) { ++calls; };
        ASSERT_TRUE(socket.Create());
        ASSERT_TRUE(socket.Connect("127.0.0.1", server.Port()));
        for (int i = 0; i < 1000 && counting.Posted < 3; ++i)
            std::this_thread::sleep_for(10ms);
        ASSERT_GE(counting.Posted, 3) << "connect, write and read are waiting";
    }
    ui.RunFor(50ms);
    EXPECT_EQ(calls, 0);
}

TEST(SocketEvents, DatagramSocketAnnouncesItsDatagrams) {
    Ui ui;
    TAsyncSocket receiver(&ui.loop);
    EventLog log;
    log.Watch(receiver);
    ASSERT_TRUE(receiver.Create(0, "127.0.0.1", SOCK_DGRAM, 0));
    TAsyncSocket sender;
    ASSERT_TRUE(sender.Create(0, "127.0.0.1", SOCK_DGRAM, 0));
    ASSERT_TRUE(sender.Connect("127.0.0.1", receiver.LocalPort()));
    ASSERT_EQ(sender.Send("dgram", 5), 5);
    ASSERT_TRUE(ui.RunUntil([&] { return log.Has("read"); }));
    char buffer[16];
    EXPECT_EQ(receiver.Receive(buffer, sizeof buffer), 5);
    EXPECT_EQ(receiver.Receive(buffer, sizeof buffer), -1);
    EXPECT_EQ(receiver.LastError(), EAGAIN);
}

} // namespace
