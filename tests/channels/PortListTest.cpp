#include "channels/comprt/ComPortList.h"
#include "channels/comprt/PortErrors.h"
#include "channels/comprt/PortNames.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

TEST(PortNames, DevicePathOfANameTable) {
    struct Case {
        const char* name;
        const char* path;
    };
    const Case cases[] = {
        {"COM1", "/dev/ttyS0"},
        {"com3", "/dev/ttyS2"},
        {"COM10", "/dev/ttyS9"},
        {"COM0", "/dev/COM0"},                   // no COM0: any other name is a device name
        {"COMX", "/dev/COMX"},                   // a letter after COM
        {"COM1234567890", "/dev/COM1234567890"}, // ten digits
        {"ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/serial/by-id/usb-FTDI-if00-port0", "/dev/serial/by-id/usb-FTDI-if00-port0"},
        {"/dev/pts/7", "/dev/pts/7"},
        {"./local-link", "./local-link"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(comprt::DevicePath(c.name), c.path) << c.name;
    }
    EXPECT_EQ(comprt::DevicePath("COM2", "/fixture/dev"), "/fixture/dev/ttyS1");
}

TEST(PortNames, NaturalOrder) {
    std::vector<std::string> names = {"ttyS10", "ttyUSB0", "ttyS2", "ttyACM0",
                                      "ttyS1",  "ttyS02",  "TTYs3", "ttyS"};
    std::sort(names.begin(), names.end(), comprt::NaturalLess);
    EXPECT_EQ(names, (std::vector<std::string>{"ttyACM0", "ttyS", "ttyS1", "ttyS02", "ttyS2",
                                               "TTYs3", "ttyS10", "ttyUSB0"}));
    EXPECT_FALSE(comprt::NaturalLess("ttyS2", "ttyS2"));
}

// A sysfs and /dev fixture.
class PortListFixture : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("rx58-ports-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root / "sys" / "class" / "tty");
        fs::create_directories(root / "dev" / "serial" / "by-id");
        fs::create_directories(root / "sys" / "bus" / "driver");
    }
    void TearDown() override { fs::remove_all(root); }

    // A tty entry; with a driver it is a serial device, `type` as given.
    void Tty(const std::string& name, bool driver, const char* type = nullptr) {
        const fs::path entry = root / "sys" / "class" / "tty" / name;
        fs::create_directories(entry);
        if (driver) {
            fs::create_directories(entry / "device");
            fs::create_directory_symlink(root / "sys" / "bus" / "driver",
                                         entry / "device" / "driver");
        }
        if (type) {
            std::ofstream(entry / "type") << type << "\n";
        }
    }
    void ById(const std::string& link, const std::string& tty) {
        fs::create_symlink("../../" + tty, root / "dev" / "serial" / "by-id" / link);
    }
    comprt::ComList List() const { return comprt::ComList({root / "sys", root / "dev"}); }
    std::string Dev(const std::string& name) const { return (root / "dev" / name).string(); }

    fs::path root;
};

TEST_F(PortListFixture, OffersSerialDevicesInNaturalOrderWithStableNames) {
    Tty("tty0", false); // a virtual console
    Tty("ptmx", false);
    Tty("ttyS0", true, "4"); // a 16550A
    Tty("ttyS1", true, "0"); // a legacy entry without a UART
    Tty("ttyS10", true, "4");
    Tty("ttyS2", true, "4");
    Tty("ttyUSB1", true);
    Tty("ttyUSB0", true);
    Tty("ttyACM0", true);
    ById("usb-FTDI_FT232R_A1B2-if00-port0", "ttyUSB1");

    const comprt::ComList list = List();
    const std::vector<std::string> expected = {
        Dev("ttyACM0"), "COM1",         "COM3",
        "COM11",        Dev("ttyUSB0"), Dev("serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0"),
    };
    EXPECT_EQ(list.Names(), expected);
    EXPECT_EQ(list.Count(), 6);
    std::string text;
    for (const auto& name : expected) {
        text += name + "\n";
    }
    EXPECT_EQ(list.Text(), text);
}

TEST_F(PortListFixture, NoSerialDeviceGivesCom1ToCom20) {
    Tty("tty0", false);
    Tty("ttyS0", true, "0");
    const comprt::ComList list = List();
    ASSERT_EQ(list.Count(), 20);
    for (int n = 1; n <= 20; ++n) {
        EXPECT_EQ(list.Names()[n - 1], "COM" + std::to_string(n));
    }
    EXPECT_EQ(list.Text().substr(0, 11), "COM1\nCOM2\nC");
    EXPECT_EQ(list.Text().back(), '\n');
}

TEST_F(PortListFixture, MissingRootsGiveTheFallback) {
    const comprt::ComList list({root / "nothing", root / "nothing"});
    EXPECT_EQ(list.Count(), 20);
    EXPECT_EQ(list.Names().front(), "COM1");
    EXPECT_EQ(list.Names().back(), "COM20");
}

TEST_F(PortListFixture, AtMost256Names) {
    for (int n = 0; n < 300; ++n) {
        Tty("ttyUSB" + std::to_string(n), true);
    }
    const comprt::ComList list = List();
    ASSERT_EQ(list.Count(), 256);
    EXPECT_EQ(list.Names()[255], Dev("ttyUSB255"));
}

TEST(PortErrors, OpenFailureTextsTellTheUserWhatToDo) {
    EXPECT_EQ(comprt::OpenFailureText("/dev/ttyUSB0", EBUSY),
              "COM-порт не открыт: /dev/ttyUSB0: порт занят другой программой");
    EXPECT_EQ(comprt::OpenFailureText("/dev/ttyUSB0", ENODEV),
              "COM-порт не открыт: /dev/ttyUSB0: устройство отсутствует или отключено");
    // The group that owns the device is the one to join; for a path that
    // cannot be examined, the usual one.
    EXPECT_EQ(comprt::OpenFailureText("/dev/rx58-missing", EACCES),
              "COM-порт не открыт: /dev/rx58-missing: нет прав доступа; пользователь должен "
              "входить в группу «dialout»");
    const fs::path own = fs::temp_directory_path() / "rx58-owned-device";
    std::ofstream(own) << "";
    const group* owner = ::getgrgid(::getegid());
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(comprt::OpenFailureText(own.string(), EACCES),
              "COM-порт не открыт: " + own.string() +
                  ": нет прав доступа; пользователь должен входить в группу «" + owner->gr_name +
                  "»");
    fs::remove(own);
}

} // namespace
