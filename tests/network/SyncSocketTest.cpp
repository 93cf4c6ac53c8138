#include "channels/SocketCore.h"
#include "network/LoopbackServer.h"
#include "platform/CancelToken.h"

#include <cerrno>
#include <future>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <thread>
#include <unistd.h>

using namespace nettest;

namespace {

void Echo(Peer& peer) {
    for (int round = 0; round < 1000; ++round) {
        const Bytes got = peer.ReadSome(LongWaitMs);
        if (got.empty() || !peer.Send(got))
            return;
    }
}

// A connected synchronous socket, or a failed assertion.
void ConnectTo(TSyncSocket& socket, std::uint16_t port, const std::string& host = "127.0.0.1") {
    ASSERT_TRUE(socket.Create(0, "0", SOCK_STREAM, 0)) << socket.LastError();
    ASSERT_TRUE(socket.Connect(host, port)) << socket.LastError();
}

class HostForms : public testing::TestWithParam<const char*> {};

TEST_P(HostForms, RoundTripThroughEchoServer) {
    LoopbackServer server(Echo);
    TSyncSocket socket(LongWaitMs, 200);
    ConnectTo(socket, server.Port(), GetParam());
    const Bytes request = MakeBytes({0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B});
    ASSERT_EQ(socket.Send(request.data(), static_cast<int>(request.size())), 8);
    std::uint8_t reply[64] = {};
    ASSERT_EQ(socket.Receive(reply, sizeof reply), 8);
    EXPECT_EQ(Bytes(reply, reply + 8), request);
}

INSTANTIATE_TEST_SUITE_P(DottedAndResolved, HostForms,
                         testing::Values("127.0.0.1", "127.1", "localhost"));

TEST(SyncSocketReceive, CollectsPiecesWithinChunkTimeout) {
    LoopbackServer server([](Peer& peer) {
        Bytes request;
        if (!peer.Read(1, request))
            return;
        peer.Send(TextBytes("abc"));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        peer.Send(TextBytes("defg"));
        peer.WaitForStop();
    });
    TSyncSocket socket(LongWaitMs, LongWaitMs);
    ConnectTo(socket, server.Port());
    ASSERT_EQ(socket.Send("?", 1), 1);
    char reply[7] = {};
    // Ends when the size is reached, long before the chunk time-out.
    ASSERT_EQ(socket.Receive(reply, sizeof reply), 7);
    EXPECT_EQ(std::string(reply, 7), "abcdefg");
}

// The second piece is held back until the client asks for it, so the gap
// after the first piece is certain, however slow the machine.
void TwoPiecesOnRequest(Peer& peer) {
    Bytes request;
    if (!peer.Read(1, request) || !peer.Send(TextBytes("first")))
        return;
    if (peer.Read(1, request))
        peer.Send(TextBytes("second"));
    peer.WaitForStop();
}

TEST(SyncSocketReceive, SilenceOrZeroChunkTimeoutEndsTheReplyAfterAPiece) {
    for (int chunkTimeout : {50, 0}) {
        SCOPED_TRACE(chunkTimeout);
        LoopbackServer server(TwoPiecesOnRequest);
        TSyncSocket socket(LongWaitMs, chunkTimeout);
        ConnectTo(socket, server.Port());
        char reply[64] = {};
        ASSERT_EQ(socket.Send("1", 1), 1);
        ASSERT_EQ(socket.Receive(reply, sizeof reply), 5);
        EXPECT_EQ(std::string(reply, 5), "first");
        ASSERT_EQ(socket.Send("2", 1), 1);
        ASSERT_EQ(socket.Receive(reply, sizeof reply), 6);
        EXPECT_EQ(std::string(reply, 6), "second");
    }
}

TEST(SyncSocketReceive, SilentPeerTimesOut) {
    LoopbackServer server([](Peer& peer) { peer.WaitForStop(); });
    TSyncSocket socket(200, 20);
    ConnectTo(socket, server.Port());
    char reply[16];
    EXPECT_EQ(socket.Receive(reply, sizeof reply), -1);
    EXPECT_EQ(socket.LastError(), ETIMEDOUT);
    EXPECT_EQ(socket.CloseError(), -1);
}

TEST(SyncSocketReceive, PeerCloseBeforeAndAfterData) {
    struct Case {
        Bytes sent;
        int expected;
        int error;
    };
    const Case cases[] = {{{}, -1, ENOTCONN}, {TextBytes("xy"), 2, 0}};
    for (const Case& c : cases) {
        LoopbackServer server([&](Peer& peer) { peer.Send(c.sent); });
        TSyncSocket socket(LongWaitMs, LongWaitMs);
        ConnectTo(socket, server.Port());
        char reply[16];
        EXPECT_EQ(socket.Receive(reply, sizeof reply), c.expected);
        if (c.expected < 0) {
            EXPECT_EQ(socket.LastError(), c.error);
        }
        EXPECT_EQ(socket.CloseError(), 0) << "an orderly close";
    }
}

TEST(SyncSocketSend, PeerThatNeverReadsEndsTheSendAfterTimeout) {
    LoopbackServer server([](Peer& peer) { peer.WaitForStop(); }, 4096);
    TSyncSocket socket(300, 0);
    ConnectTo(socket, server.Port());
    const int small = 4096;
    setsockopt(socket.Handle(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    // Far more than both socket buffers can hold.
    const std::vector<std::uint8_t> data(32 * 1024 * 1024, 0x55);
    EXPECT_EQ(socket.Send(data.data(), static_cast<int>(data.size())), -1);
    EXPECT_EQ(socket.LastError(), ETIMEDOUT);
}

TEST(SyncSocketConnect, RefusedConnectionFails) {
    const ClosedPort closed;
    TSyncSocket socket(LongWaitMs, 0);
    ASSERT_TRUE(socket.Create(0, "", SOCK_STREAM, 0));
    EXPECT_FALSE(socket.Connect("127.0.0.1", closed.Port()));
    EXPECT_EQ(socket.LastError(), ECONNREFUSED);
}

TEST(SyncSocketConnect, ConnectionToItselfIsRefused) {
    // TCP lets a socket connect to its own port; nobody would answer.
    TSyncSocket socket(LongWaitMs, 0);
    ASSERT_TRUE(socket.Create(0, "127.0.0.1", SOCK_STREAM, 0));
    EXPECT_FALSE(socket.Connect("127.0.0.1", socket.LocalPort()));
    EXPECT_EQ(socket.LastError(), ECONNREFUSED);
}

TEST(SyncSocketConnect, ListenerThatNeverAcceptsTimesOut) {
    // A listener whose queue is full drops further connection attempts, so
    // they never complete.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    socklen_t size = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);

    std::vector<std::unique_ptr<TSyncSocket>> clients;
    bool timedOut = false;
    for (int attempt = 0; attempt < 16 && !timedOut; ++attempt) {
        auto client = std::make_unique<TSyncSocket>(300, 0);
        ASSERT_TRUE(client->Create(0, "0", SOCK_STREAM, 0));
        if (!client->Connect("127.0.0.1", ntohs(address.sin_port))) {
            EXPECT_EQ(client->LastError(), ETIMEDOUT);
            timedOut = true;
        }
        clients.push_back(std::move(client));
    }
    EXPECT_TRUE(timedOut);
    close(listener);
}

TEST(SyncSocketCreate, RefusalsKeepTheirError) {
    TSyncSocket socket(100, 0);
    char buffer[4];
    EXPECT_FALSE(socket.Connect("127.0.0.1", 1));
    EXPECT_EQ(socket.LastError(), ENOTSOCK);
    EXPECT_EQ(socket.Send(buffer, 1), -1);
    EXPECT_EQ(socket.Receive(buffer, 1), -1);
    EXPECT_EQ(socket.LastError(), ENOTSOCK);

    EXPECT_FALSE(socket.Create(0, "300.1.1.1", SOCK_STREAM, 0));
    EXPECT_EQ(socket.LastError(), EINVAL);
    EXPECT_FALSE(socket.IsCreated());

    ASSERT_TRUE(socket.Create(0, "127.0.0.1", SOCK_STREAM, 0));
    EXPECT_NE(socket.LocalPort(), 0);
    EXPECT_FALSE(socket.Create(0, "", SOCK_STREAM, 0));
    EXPECT_EQ(socket.LastError(), EISCONN);
    EXPECT_FALSE(socket.Connect("", 1));
    EXPECT_EQ(socket.LastError(), EINVAL);

    socket.Close();
    socket.Close();
    EXPECT_FALSE(socket.IsCreated());
    EXPECT_TRUE(socket.Create(0, "", SOCK_STREAM, 0)) << "usable again after Close";
}

TEST(SyncSocketGuard, CallsDuringABlockingWaitAreRefused) {
    std::promise<void> release;
    auto released = release.get_future();
    LoopbackServer server([&](Peer& peer) {
        released.wait_for(std::chrono::milliseconds(LongWaitMs));
        peer.Send(TextBytes("done"));
        peer.WaitForStop();
    });
    TSyncSocket socket(LongWaitMs, 0);
    ConnectTo(socket, server.Port());

    int received = 0;
    std::thread waiter([&] {
        char reply[8];
        received = socket.Receive(reply, sizeof reply);
    });
    for (int i = 0; i < 1000 && !socket.InBlockingWait(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(socket.InBlockingWait());

    char buffer[4] = {};
    EXPECT_EQ(socket.Send(buffer, 1), -1);
    EXPECT_EQ(socket.LastError(), EINPROGRESS);
    EXPECT_EQ(socket.Receive(buffer, 1), -1);
    EXPECT_EQ(socket.LastError(), EINPROGRESS);
    EXPECT_FALSE(socket.Connect("127.0.0.1", server.Port()));
    EXPECT_EQ(socket.LastError(), EINPROGRESS);

    release.set_value();
    waiter.join();
    EXPECT_EQ(received, 4);
    EXPECT_FALSE(socket.InBlockingWait());
}

TEST(SyncSocketCancel, CancellingEndsEveryWaitAtOnce) {
    LoopbackServer server([](Peer& peer) { peer.WaitForStop(); }, 4096);
    platform::CancelToken cancel;
    // Waits far longer than any test may take: only the cancellation ends them.
    TSyncSocket socket(600000, 600000, &cancel);
    ConnectTo(socket, server.Port());
    std::thread canceller([&] {
        for (int i = 0; i < 1000 && !socket.InBlockingWait(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        cancel.Cancel();
    });
    char reply[8];
    EXPECT_EQ(socket.Receive(reply, sizeof reply), -1);
    EXPECT_EQ(socket.LastError(), ECANCELED);
    canceller.join();

    // Still cancelled: a send that finds no room ends at once as well.
    const int small = 4096;
    setsockopt(socket.Handle(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
    const std::vector<std::uint8_t> data(32 * 1024 * 1024, 0x55);
    EXPECT_EQ(socket.Send(data.data(), static_cast<int>(data.size())), -1);
    EXPECT_EQ(socket.LastError(), ECANCELED);
}

} // namespace
