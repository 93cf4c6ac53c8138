#include "protocol/Crc16.h"
#include "protocol/Modbus.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(const std::uint8_t* p, int n) { return {p, p + n}; }

TEST(Crc16, KnownValuesAndTable) {
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(Crc16(abc, 3), 0x5749);
    EXPECT_EQ(Crc16Table[1], 0xC0C1);
    EXPECT_EQ(Crc16Table[128], 0xA001);
    EXPECT_EQ(Crc16(abc, 0), 0xFFFF);

    std::uint8_t frame[5] = {'a', 'b', 'c'};
    Crc16Append(frame, 3);
    EXPECT_EQ(frame[3], 0x49);
    EXPECT_EQ(frame[4], 0x57);
    EXPECT_TRUE(Crc16Matches(frame, 5));
    frame[1] ^= 1;
    EXPECT_FALSE(Crc16Matches(frame, 5));
    EXPECT_FALSE(Crc16Matches(frame, 1));
}

TEST(Crc16, StandardModbusFrame) {
    // Read holding registers 0..1 from slave 1: the textbook 84 0A trailer.
    const std::uint8_t frame[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0xC4, 0x0B};
    EXPECT_TRUE(Crc16Matches(frame, sizeof frame));
}

struct ReadCase {
    std::uint16_t reg;
    std::uint16_t count;
    std::array<std::uint8_t, 6> head; // address, function, start, count
};

TEST(ModbusReadRegisters, FunctionAndWireAddress) {
    const ReadCase cases[] = {
        {30001, 62, {0x00, 0x04, 0x00, 0x00, 0x00, 0x3E}},
        {40095, 48, {0x00, 0x03, 0x00, 0x5E, 0x00, 0x30}},
        {40001, 1, {0x00, 0x03, 0x00, 0x00, 0x00, 0x01}},
        {39999, 2, {0x00, 0x04, 0x27, 0x0E, 0x00, 0x02}},
        {1, 3, {0x00, 0x03, 0x00, 0x00, 0x00, 0x03}},
        // 10000 wraps to address 0xFFFF in 16-bit arithmetic.
        {10000, 1, {0x00, 0x03, 0xFF, 0xFF, 0x00, 0x01}},
    };
    for (const auto& c : cases) {
        std::uint8_t frame[265];
        int length = sizeof frame;
        ASSERT_TRUE(ModbusReadRegisters(frame, length, 0, c.reg, c.count)) << c.reg;
        ASSERT_EQ(length, 8);
        EXPECT_EQ(Bytes(frame, 6), std::vector<std::uint8_t>(c.head.begin(), c.head.end()))
            << c.reg;
        EXPECT_TRUE(Crc16Matches(frame, 8));
    }
}

TEST(ModbusBuilders, SmallBufferReportsNeededLengthAndWritesNothing) {
    struct Case {
        const char* name;
        int needed;
        bool (*build)(std::uint8_t*, int&);
    };
    static const std::uint8_t data[246] = {};
    const Case cases[] = {
        {"slave id", 4, [](std::uint8_t* f, int& n) { return ModbusReportSlaveId(f, n, 1); }},
        {"read", 8, [](std::uint8_t* f, int& n) { return ModbusReadRegisters(f, n, 1, 40001, 5); }},
        {"write", 2 * 6 + 9,
         [](std::uint8_t* f, int& n) { return ModbusWriteRegisters(f, n, 1, data, 40001, 6); }},
        {"user", 5 + 4,
         [](std::uint8_t* f, int& n) { return ModbusUserFunction(f, n, 1, 0x41, data, 5); }},
    };
    for (const auto& c : cases) {
        std::uint8_t frame[300];
        std::fill(std::begin(frame), std::end(frame), 0xAA);
        int length = c.needed - 1;
        EXPECT_FALSE(c.build(frame, length)) << c.name;
        EXPECT_EQ(length, c.needed) << c.name;
        for (auto b : frame)
            ASSERT_EQ(b, 0xAA) << c.name;

        length = c.needed;
        EXPECT_TRUE(c.build(frame, length)) << c.name;
        EXPECT_EQ(length, c.needed) << c.name;
        EXPECT_TRUE(Crc16Matches(frame, static_cast<std::size_t>(length))) << c.name;
    }
}

TEST(ModbusWriteRegisters, LargestFrameAndRefusal) {
    std::vector<std::uint8_t> data(2 * 124);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i);
    std::uint8_t frame[300] = {};

    int length = sizeof frame;
    ASSERT_TRUE(ModbusWriteRegisters(frame, length, 7, data.data(), 40007, 123));
    EXPECT_EQ(length, 255);
    const std::uint8_t head[] = {7, 0x10, 0x00, 0x06, 0x00, 123, 246};
    EXPECT_EQ(Bytes(frame, 7), Bytes(head, 7));
    EXPECT_EQ(Bytes(frame + 7, 246), std::vector<std::uint8_t>(data.begin(), data.begin() + 246));
    EXPECT_TRUE(Crc16Matches(frame, 255));

    std::fill(std::begin(frame), std::end(frame), 0);
    length = sizeof frame;
    EXPECT_FALSE(ModbusWriteRegisters(frame, length, 7, data.data(), 40007, 124));
    EXPECT_EQ(length, 257);
    EXPECT_EQ(frame[0], 0) << "a refused write leaves the buffer alone";
}

TEST(ModbusWriteRegisters, ClockFrame) {
    const std::uint8_t clock[] = {0, 24, 0, 3, 0, 3, 0, 14, 0, 5, 0, 9};
    std::uint8_t frame[265];
    int length = sizeof frame;
    ASSERT_TRUE(ModbusWriteRegisters(frame, length, 0, clock, 40001, 6));
    EXPECT_EQ(length, 21);
    const std::uint8_t head[] = {0, 0x10, 0, 0, 0, 6, 12};
    EXPECT_EQ(Bytes(frame, 7), Bytes(head, 7));
    EXPECT_EQ(Bytes(frame + 7, 12), Bytes(clock, 12));
}

TEST(ModbusReportSlaveId, Frame) {
    std::uint8_t frame[4];
    int length = 4;
    ASSERT_TRUE(ModbusReportSlaveId(frame, length, 0x11));
    EXPECT_EQ(frame[0], 0x11);
    EXPECT_EQ(frame[1], 0x11);
    EXPECT_TRUE(Crc16Matches(frame, 4));
}

TEST(ArchivePagePayload, CapsCountAndOrdersIndexLowFirst) {
    struct Case {
        std::uint8_t type;
        std::uint16_t first;
        std::uint32_t wanted;
        std::array<std::uint8_t, 5> payload;
    };
    const Case cases[] = {
        {atHourly, 0x1234, 300, {0, 1, 0x34, 0x12, 255}},
        {atDaily, 7, 255, {1, 1, 7, 0, 255}},
        {atMonthly, 0xFFFF, 254, {2, 1, 0xFF, 0xFF, 254}},
        {atJournal, 0, 1, {3, 1, 0, 0, 1}},
        {atJournal, 0, 0, {3, 1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        std::uint8_t payload[ArchivePagePayloadLength];
        ArchivePagePayload(payload, c.type, c.first, c.wanted);
        EXPECT_EQ(Bytes(payload, 5), std::vector<std::uint8_t>(c.payload.begin(), c.payload.end()));

        std::uint8_t frame[265];
        int length = sizeof frame;
        ASSERT_TRUE(ModbusUserFunction(frame, length, 3, mfReadArchivePage, payload, 5));
        EXPECT_EQ(length, 9);
        EXPECT_EQ(frame[0], 3);
        EXPECT_EQ(frame[1], 0x41);
        EXPECT_EQ(Bytes(frame + 2, 5), Bytes(payload, 5));
        EXPECT_TRUE(Crc16Matches(frame, 9));
    }
}

TEST(ModbusErrorText, EveryCode) {
    const std::pair<int, std::string> cases[] = {
        {0, "Общая ошибка(без конкретизации причины)"},
        {1, "Недопустимый(неподдерживаемый) номер функции"},
        {2, "Недопустимый(неверный) номер регистра"},
        {3, "Недопустимое значение в поле данных"},
        {4, "Внутренняя ошибка прибора"},
        {5, "Неизвестная ошибка"},
        {6, "Устройство занято"},
        {7, "Доступ к регистру закрыт"},
        {8, "Неизвестная ошибка"},
        {255, "Неизвестная ошибка"},
        {-1, "Неизвестная ошибка"},
    };
    for (const auto& [code, text] : cases)
        EXPECT_EQ(ModbusErrorText(code), text) << code;
}

} // namespace
