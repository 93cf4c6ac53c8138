#include "rx58sim/SlaveDispatcher.h"

#include "TestClient.h"
#include "protocol/Crc16.h"
#include "rx58sim/BankDevice.h"

#include <gtest/gtest.h>
#include <set>

using sim::BankDevice;
using sim::SlaveDispatcher;
using simtest::Bytes;
using simtest::Frame;

namespace {

constexpr std::uint8_t Address = 5;

// A device with the register blocks of the version-3 edition whose
// registers hold their own low register number, so a read shows where it
// came from.
struct DispatcherFixture : ::testing::Test {
    BankDevice device;
    SlaveDispatcher slave{device, Address};

    DispatcherFixture() {
        device.Input = sim::RegisterBank(30001, 180);
        device.Holding = sim::RegisterBank(40001, 142);
        device.Writable = {{40001, 40089}, {40095, 40142}};
        for (auto* bank : {&device.Input, &device.Holding})
            for (int r = 0; r < bank->Registers(); ++r)
                bank->Bytes()[2 * r + 1] = static_cast<std::uint8_t>(r);
        device.Ident = {'R', 'X', '5', '8', 1, 2, 3, 4};
    }

    Bytes Ask(const Bytes& request) {
        const sim::SlaveOutcome outcome = slave.Handle(request.data(), request.size());
        return outcome.Answered ? outcome.Reply : Bytes{};
    }
};

Bytes ReadRequest(std::uint8_t function, std::uint16_t address, std::uint16_t count) {
    return Frame({Address, function, static_cast<std::uint8_t>(address >> 8),
                  static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(count >> 8),
                  static_cast<std::uint8_t>(count)});
}

Bytes WriteRequest(std::uint16_t address, std::uint16_t count, std::uint8_t fill,
                   int byteCount = -1) {
    Bytes frame{Address,
                0x10,
                static_cast<std::uint8_t>(address >> 8),
                static_cast<std::uint8_t>(address),
                static_cast<std::uint8_t>(count >> 8),
                static_cast<std::uint8_t>(count),
                static_cast<std::uint8_t>(byteCount >= 0 ? byteCount : 2 * count)};
    frame.insert(frame.end(), 2u * count, fill);
    return simtest::WithCrc(frame);
}

Bytes PageRequest(std::uint8_t type, std::uint16_t first, std::uint8_t wanted,
                  std::uint8_t marker = 1) {
    return Frame({Address, 0x41, type, marker, static_cast<std::uint8_t>(first),
                  static_cast<std::uint8_t>(first >> 8), wanted});
}

struct ExceptionCase {
    const char* Name;
    Bytes Request;
    std::uint8_t Code;
};

} // namespace

TEST_F(DispatcherFixture, EveryMalformedOrUnmappedRequestGetsTheDevicesException) {
    const ExceptionCase cases[] = {
        {"input past the block", ReadRequest(0x04, 180, 1), 2},
        {"input running past the block", ReadRequest(0x04, 170, 20), 2},
        {"holding past the block", ReadRequest(0x03, 142, 1), 2},
        {"read of no registers", ReadRequest(0x04, 0, 0), 3},
        {"read of 126 registers", ReadRequest(0x03, 0, 126), 3},
        {"write to an uninterpreted register", WriteRequest(89, 1, 0), 2},
        {"write running into an unwritable register", WriteRequest(88, 2, 0), 2},
        {"write past the block", WriteRequest(142, 1, 0), 2},
        {"write with a wrong byte count", WriteRequest(10, 2, 0, 3), 3},
        {"write of no registers", WriteRequest(10, 0, 0), 3},
        {"identification with data", Frame({Address, 0x11, 0x00}), 3},
        {"unknown function", Frame({Address, 0x05, 0x00, 0x01, 0xFF, 0x00}), 1},
        {"page of an unknown archive", PageRequest(4, 0, 1), 3},
        {"page without the marker", PageRequest(0, 0, 1, 0), 3},
        {"page from outside the ring", PageRequest(0, 10, 1), 3},
        {"page of no records", PageRequest(0, 0, 0), 3},
        {"page request of the wrong length", Frame({Address, 0x41, 0x00, 0x01, 0x00}), 3},
    };
    device.Rings[0] = sim::ArchiveRing(150, 10);
    for (const ExceptionCase& c : cases) {
        const Bytes reply = Ask(c.Request);
        ASSERT_EQ(reply.size(), 5u) << c.Name;
        EXPECT_EQ(reply[0], Address) << c.Name;
        EXPECT_EQ(reply[1], c.Request[1] | 0x80) << c.Name;
        EXPECT_EQ(reply[2], c.Code) << c.Name;
        EXPECT_TRUE(Crc16Matches(reply.data(), reply.size())) << c.Name;
    }
}

TEST_F(DispatcherFixture, ReadsReturnTheImageBytesInDeviceOrder) {
    const Bytes reply = Ask(ReadRequest(0x04, 62, 118));
    ASSERT_EQ(reply.size(), 3u + 236 + 2);
    EXPECT_EQ(reply[2], 236);
    EXPECT_TRUE(std::equal(reply.begin() + 3, reply.end() - 2, device.Input.Bytes().begin() + 124));
    const Bytes holding = Ask(ReadRequest(0x03, 94, 48));
    ASSERT_EQ(holding.size(), 3u + 96 + 2);
    EXPECT_EQ(holding[4], 94);
}

TEST_F(DispatcherFixture, IdentificationCarriesTheSignatureAndFourBytes) {
    const Bytes reply = Ask(Frame({Address, 0x11}));
    EXPECT_EQ(reply, Frame({Address, 0x11, 8, 'R', 'X', '5', '8', 1, 2, 3, 4}));
}

TEST_F(DispatcherFixture, WritesChangeTheHoldingRegistersAndEchoTheRange) {
    const Bytes reply = Ask(WriteRequest(7, 70, 0xAB));
    EXPECT_EQ(reply, Frame({Address, 0x10, 0x00, 0x07, 0x00, 70}));
    EXPECT_EQ(device.Holding.Bytes()[14], 0xAB);
    EXPECT_EQ(device.Holding.Bytes()[153], 0xAB);
    EXPECT_EQ(device.Holding.Bytes()[155], 77) << "the register after the write is untouched";
}

TEST_F(DispatcherFixture, ALockedDeviceRefusesWritesButStillAnswersReads) {
    device.Locked = true;
    EXPECT_EQ(Ask(WriteRequest(6, 1, 1)), Frame({Address, 0x90, 7}));
    EXPECT_EQ(device.Holding.Bytes()[13], 6);
    EXPECT_EQ(Ask(ReadRequest(0x03, 6, 1)).size(), 7u);
}

TEST_F(DispatcherFixture, FramesThatAreNotForThisSlaveAreIgnored) {
    Bytes damaged = ReadRequest(0x04, 0, 1);
    damaged[5] ^= 1;
    Bytes otherAddress = ReadRequest(0x04, 0, 1);
    otherAddress[0] = Address + 1;
    otherAddress = simtest::WithCrc(Bytes(otherAddress.begin(), otherAddress.end() - 2));
    for (const Bytes& frame : {damaged, otherAddress, Bytes{Address, 0x11, 0x00}})
        EXPECT_FALSE(slave.Handle(frame.data(), frame.size()).Answered);
}

namespace {

// A device whose write hook refuses a value, as the clock refuses a bad date.
struct PickyDevice : BankDevice {
    std::uint8_t ApplyWrite(std::uint16_t, std::uint16_t, const std::uint8_t*) override {
        return Holding.Bytes()[1] == 0xEE ? sim::ecIllegalValue : sim::ecNone;
    }
};

} // namespace

TEST(BankDevice, ARefusedWriteLeavesTheRegistersAsTheyWere) {
    PickyDevice device;
    device.Holding = sim::RegisterBank(40001, 10);
    device.Writable = {{40001, 40010}};
    const std::uint8_t bad[4] = {0, 0xEE, 1, 2};
    EXPECT_EQ(device.WriteRegisters(0, 2, bad), sim::ecIllegalValue);
    EXPECT_EQ(device.Holding.Bytes(), std::vector<std::uint8_t>(20, 0));
    const std::uint8_t good[4] = {0, 0x01, 1, 2};
    EXPECT_EQ(device.WriteRegisters(0, 2, good), sim::ecNone);
    EXPECT_EQ(device.Holding.Bytes()[3], 2);
}

namespace {

struct WalkCase {
    int RecordSize;
    int Capacity;
    int Count;
    std::uint16_t Next;
};

} // namespace

// Reads a ring the way the read task does: from the newest record, asking
// for what remains and following the next index of every page.
TEST_F(DispatcherFixture, WalkingPagesOverAWrappedRingReturnsEveryRecordOnceNewestFirst) {
    const WalkCase cases[] = {
        {150, 100, 80, 10}, {252, 40, 39, 0},     {16, 700, 600, 17},
        {150, 10, 9, 1},    {110, 300, 260, 259},
    };
    for (const WalkCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "record " << c.RecordSize << ", ring " << c.Capacity);
        sim::ArchiveRing ring(c.RecordSize, c.Capacity);
        ring.Place(c.Count, c.Next);
        ASSERT_EQ(ring.Count(), c.Count);
        for (int slot = 0; slot < c.Capacity; ++slot) {
            ring.Slot(slot)[0] = static_cast<std::uint8_t>(slot);
            ring.Slot(slot)[1] = static_cast<std::uint8_t>(slot >> 8);
        }
        device.Rings[2] = ring;

        std::uint16_t start = ring.Next() != 0 ? ring.Next() - 1 : ring.Last();
        int remaining = ring.Count();
        std::vector<int> slots;
        for (int pages = 0; remaining > 0 && pages < 1000; ++pages) {
            const Bytes reply =
                Ask(PageRequest(2, start, static_cast<std::uint8_t>(std::min(remaining, 255))));
            ASSERT_GE(reply.size(), 9u);
            ASSERT_LE(reply.size(), 512u);
            ASSERT_TRUE(Crc16Matches(reply.data(), reply.size()));
            const int n = reply[6];
            ASSERT_GT(n, 0);
            ASSERT_LE(n, remaining);
            ASSERT_EQ(reply.size(), 9u + static_cast<std::size_t>(n) * c.RecordSize);
            for (int i = 0; i < n; ++i)
                slots.push_back(reply[7 + i * c.RecordSize] | reply[8 + i * c.RecordSize] << 8);
            remaining -= n;
            start = static_cast<std::uint16_t>(reply[4] | reply[5] << 8);
        }
        ASSERT_EQ(static_cast<int>(slots.size()), c.Count);
        EXPECT_EQ(std::set<int>(slots.begin(), slots.end()).size(), slots.size())
            << "no record twice";
        for (int i = 0; i < c.Count; ++i)
            EXPECT_EQ(slots[static_cast<std::size_t>(i)], ring.SlotOfNewest(i));
    }
}

TEST(ArchiveRing, DescriptorsFollowTheRingRule) {
    sim::ArchiveRing ring(16, 100);
    ring.Place(80, 10);
    EXPECT_EQ(ring.First(), 30);
    EXPECT_EQ(ring.Last(), 99);
    ring.Place(95, 0);
    EXPECT_EQ(ring.First(), 5);
    EXPECT_EQ(ring.Count(), 95);
    EXPECT_EQ(ring.SlotOfNewest(0), 99);
    ring.Place(500, 3);
    EXPECT_EQ(ring.Count(), 99) << "one slot always stays free";
    ring.Clear();
    EXPECT_EQ(ring.Count(), 0);
    EXPECT_EQ(ring.Slot(42)[3], 0xFF);
}
