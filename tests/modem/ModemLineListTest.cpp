#include "channels/ModemLineList.h"

#include "persistence/StoredValues.h"

#include <gtest/gtest.h>
#include <string>

namespace channels {
namespace {

using namespace std::chrono_literals;

// Built by appending: GCC 12 at -O2 sees a false array-bounds overrun in the
// concatenation of temporaries once the test framework's precompiled header
// is in front of this file.
std::string Key(const std::string& name) {
    std::string key = ModemsKey;
    key += '\\';
    key += name;
    return key;
}

struct ModemLineList : ::testing::Test {
    persistence::RegistryDocument document;

    void AddLine(const std::string& name, const char* device, const char* init = nullptr) {
        if (device) {
            document.Set(Key(name), ModemDeviceValue, persistence::TextValue(device));
        } else {
            document.CreateKey(Key(name));
        }
        if (init) {
            document.Set(Key(name), ModemInitValue, persistence::TextValue(init));
        }
    }
};

TEST_F(ModemLineList, PortsComeFirstThenTheUsersLinesInStoredOrder) {
    AddLine("Офис", "/dev/ttyACM0", "AT&F");
    AddLine("Склад", "/dev/ttyUSB3");
    const auto lines =
        ModemLines({{"COM1", "/dev/ttyS0"}, {"/dev/ttyUSB0", "/dev/ttyUSB0"}}, document);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], (ModemLineConfig{"COM1", "/dev/ttyS0", "", 1000ms}));
    EXPECT_EQ(lines[1].Name, "/dev/ttyUSB0");
    EXPECT_EQ(lines[2], (ModemLineConfig{"Офис", "/dev/ttyACM0", "AT&F", 1000ms}));
    EXPECT_EQ(lines[3], (ModemLineConfig{"Склад", "/dev/ttyUSB3", "", 1000ms}));
}

TEST_F(ModemLineList, AUsersLineNamedAfterAPortGivesThatPortItsSettings) {
    AddLine("COM2", "/dev/ttyS1", "ATX3");
    const auto lines = ModemLines({{"COM1", "/dev/ttyS0"}, {"COM2", "/dev/ttyS1"}}, document);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], (ModemLineConfig{"COM2", "/dev/ttyS1", "ATX3", 1000ms}));
}

TEST_F(ModemLineList, LinesWithoutADeviceOrOfTheWrongTypeAreLeftOut) {
    AddLine("Пустой", nullptr);
    AddLine("Без пути", "");
    document.Set(Key("Число"), ModemDeviceValue, persistence::IntegerValue(5));
    AddLine("Годный", "/dev/ttyACM1");
    const auto lines = ModemLines({}, document);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].Name, "Годный");
}

TEST_F(ModemLineList, TheGuardTimeIsTakenWithinSaneBounds) {
    const struct {
        int Stored;
        std::chrono::milliseconds Used;
    } cases[] = {{250, 250ms}, {0, 20ms}, {-5, 20ms}, {600000, 5000ms}};
    for (const auto& c : cases) {
        persistence::RegistryDocument doc;
        doc.Set(Key("M"), ModemDeviceValue, persistence::TextValue("/dev/ttyACM0"));
        doc.Set(Key("M"), ModemGuardTimeValue, persistence::IntegerValue(c.Stored));
        const auto lines = ModemLines({}, doc);
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].GuardTime, c.Used) << c.Stored;
    }
}

TEST_F(ModemLineList, NoMoreThan255Lines) {
    std::vector<SerialPortEntry> ports;
    for (int i = 0; i < 300; ++i) {
        ports.push_back({"port" + std::to_string(i), "/dev/ttyX" + std::to_string(i)});
    }
    const auto lines = ModemLines(ports, document);
    ASSERT_EQ(lines.size(), MaxModemLines);
    EXPECT_EQ(lines.back().Name, "port254");
}

} // namespace
} // namespace channels
