#include "ChildProcess.h"
#include "TempFolder.h"
#include "persistence/ProgramKeys.h"
#include "persistence/ProgramSettings.h"
#include "persistence/RX58ChanelSetup.h"
#include "persistence/ReadSettings.h"
#include "persistence/RegistryText.h"
#include "persistence/StoredValues.h"

#include <atomic>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <sys/stat.h>
#include <thread>

using namespace persistence;

namespace {

class StoredSettings : public ::testing::Test {
protected:
    TempFolder folder;
    SettingsStore store{folder / "RX58Manager.reg"};

    void Put(const char* key, const char* name, RegistryValue value) {
        ASSERT_TRUE(store.Update([&](RegistryDocument& d) { d.Set(key, name, value); }));
    }
};

void ExpectDefaults(const RX58ChanelSetup& s) {
    EXPECT_EQ(s.CurrentChanel, 0);
    EXPECT_EQ(s.ComPortName, "COM1");
    EXPECT_EQ(s.ModemName, "");
    EXPECT_EQ(s.PhoneNumber, "");
    EXPECT_EQ(s.MonitoringInterval, 6);
    EXPECT_EQ(s.NetAddress, 0);
}

void ExpectDefaults(const ReadSettings& s) {
    EXPECT_TRUE(s.ReadHourArchive);
    EXPECT_TRUE(s.ReadDayArchive);
    EXPECT_TRUE(s.ReadMonthArchive);
    EXPECT_TRUE(s.ReadJournal);
    EXPECT_EQ(s.ReadInterval, 0);
    EXPECT_EQ(s.StartInterval, DefaultIntervalDate);
    EXPECT_EQ(s.FinishInterval, DefaultIntervalDate);
}

RX58ChanelSetup SampleChanelSetup() {
    RX58ChanelSetup s;
    s.CurrentChanel = 1;
    s.NetAddress = 17;
    s.ComPortName = "/dev/serial/by-id/usb-\"FTDI\"\\port0";
    s.ModemName = "Модем на линии «Городская»";
    s.PhoneNumber = "+7 (495) 123-45-67";
    s.MonitoringInterval = 30;
    return s;
}

TEST_F(StoredSettings, AFreshStoreGivesTheDefaultsAndAnEmptyKey) {
    RX58ChanelSetup chanel;
    chanel.NetAddress = 9;
    EXPECT_TRUE(chanel.Load(store));
    ExpectDefaults(chanel);
    const RegistryDocument d = store.Read();
    EXPECT_TRUE(d.HasKey(ChanelSetupKey));
    EXPECT_TRUE(d.ValueNames(ChanelSetupKey).empty());

    ReadSettings read;
    read.ReadCurrentData = true;
    read.ReadSetupData = true;
    EXPECT_TRUE(read.Load(store));
    ExpectDefaults(read);
    EXPECT_TRUE(read.ReadCurrentData && read.ReadSetupData) << "the unstored flags stay";
    EXPECT_TRUE(store.Read().HasKey(ReadSettingsKey));
    EXPECT_TRUE(store.Read().ValueNames(ReadSettingsKey).empty());
}

TEST_F(StoredSettings, SaveThenLoadGivesBackEveryStoredField) {
    const RX58ChanelSetup chanel = SampleChanelSetup();
    ASSERT_TRUE(chanel.Save(store));
    RX58ChanelSetup loaded;
    loaded.Load(store);
    EXPECT_EQ(loaded.CurrentChanel, chanel.CurrentChanel);
    EXPECT_EQ(loaded.NetAddress, chanel.NetAddress);
    EXPECT_EQ(loaded.ComPortName, chanel.ComPortName);
    EXPECT_EQ(loaded.ModemName, chanel.ModemName);
    EXPECT_EQ(loaded.PhoneNumber, chanel.PhoneNumber);
    EXPECT_EQ(loaded.MonitoringInterval, chanel.MonitoringInterval);

    ReadSettings read;
    read.ReadHourArchive = false;
    read.ReadDayArchive = true;
    read.ReadMonthArchive = false;
    read.ReadJournal = true;
    read.ReadInterval = 2;
    read.StartInterval = 43529.5880208333; // 5 March 2019 14:07:57
    read.FinishInterval = -1.25;           // before 1899 is still a date
    ASSERT_TRUE(read.Save(store));
    ReadSettings back;
    back.Load(store);
    EXPECT_EQ(back.ReadHourArchive, false);
    EXPECT_EQ(back.ReadDayArchive, true);
    EXPECT_EQ(back.ReadMonthArchive, false);
    EXPECT_EQ(back.ReadJournal, true);
    EXPECT_EQ(back.ReadInterval, 2);
    EXPECT_EQ(back.StartInterval, read.StartInterval) << "the date's 8 bytes are kept exactly";
    EXPECT_EQ(back.FinishInterval, read.FinishInterval);
}

TEST_F(StoredSettings, StoresTheRegistryValuesWithTheirTypesAndNames) {
    ASSERT_TRUE(SampleChanelSetup().Save(store));
    ASSERT_TRUE(ReadSettings{}.Save(store));
    const RegistryDocument d = store.Read();
    EXPECT_EQ(d.ValueNames(ChanelSetupKey),
              (std::vector<std::string>{"CurrentChanel", "ComPortName", "ModemName", "PhoneNumber",
                                        "MonitoringInterval", "NetAddress"}));
    EXPECT_EQ(d.GetDword(ChanelSetupKey, "NetAddress"), 17u);
    EXPECT_EQ(d.GetString(ChanelSetupKey, "ModemName"), "Модем на линии «Городская»");
    EXPECT_EQ(d.ValueNames(ReadSettingsKey),
              (std::vector<std::string>{"ReadHourArchive", "ReadDayArchive", "ReadMonthArchive",
                                        "ReadJournal", "ReadInterval", "StartInterval",
                                        "FinishInterval"}));
    EXPECT_EQ(d.GetDword(ReadSettingsKey, "ReadJournal"), 0u);
    EXPECT_EQ(d.GetBinary(ReadSettingsKey, "StartInterval")->size(), 8u);
    const std::string text = ReadWholeFile(store.File());
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Veldrin\\RX58Manager\\ChanelSetup]\n"
                        "\"CurrentChanel\"=dword:00000001\n"),
              std::string::npos)
        << text;
}

TEST_F(StoredSettings, AnExpandableComPortNameLoadsAsTheDefault) {
    Put(ChanelSetupKey, "ComPortName", RegistryValue::MakeExpandString("/dev/ttyS3"));
    Put(ChanelSetupKey, "PhoneNumber", TextValue("112"));
    RX58ChanelSetup s;
    s.Load(store);
    EXPECT_EQ(s.ComPortName, "COM1");
    EXPECT_EQ(s.PhoneNumber, "112") << "one value's default does not stop the others";
}

TEST_F(StoredSettings, AnyNonzeroFlagLoadsTrueAndIsStoredBackAsOne) {
    Put(ReadSettingsKey, "ReadJournal", RegistryValue::MakeDword(7));
    ReadSettings s;
    s.Load(store);
    EXPECT_TRUE(s.ReadJournal);
    ASSERT_TRUE(s.Save(store));
    EXPECT_EQ(store.Read().GetDword(ReadSettingsKey, "ReadJournal"), 1u);
}

TEST_F(StoredSettings, AReadIntervalWrittenByHandLoadsAsWritten) {
    WriteWholeFile(store.File(),
                   "Windows Registry Editor Version 5.00\n\n"
                   "[HKEY_CURRENT_USER\\Software\\Veldrin\\RX58Manager\\ReadSettings]\n"
                   "\"ReadInterval\"=dword:00000005\n");
    ReadSettings s;
    s.Load(store);
    EXPECT_EQ(s.ReadInterval, 5);
}

// Each stored value given a wrong type or an untrustworthy content loads as
// its own default while the rest of the record loads.
TEST_F(StoredSettings, WrongTypesAndUnsoundValuesLoadAsDefaults) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* Key;
        const char* Name;
        RegistryValue Value;
    } cases[] = {
        {ChanelSetupKey, "CurrentChanel", TextValue("1")},
        {ChanelSetupKey, "ModemName", RegistryValue::MakeBinary({0x41, 0})},
        {ChanelSetupKey, "PhoneNumber", RegistryValue::MakeDword(5)},
        {ChanelSetupKey, "MonitoringInterval", DateValue(1.0)},
        {ChanelSetupKey, "NetAddress", RegistryValue::MakeDword(255)},
        {ReadSettingsKey, "ReadHourArchive", TextValue("0")},
        {ReadSettingsKey, "ReadInterval", RegistryValue::MakeRaw(0xb, {2, 0, 0, 0, 0, 0, 0, 0})},
        {ReadSettingsKey, "StartInterval", RegistryValue::MakeBinary({0, 0, 0, 0, 0, 0, 0})},
        {ReadSettingsKey, "FinishInterval", DateValue(nan)},
    };
    for (const Case& c : cases)
        Put(c.Key, c.Name, c.Value);
    Put(ChanelSetupKey, "ComPortName", TextValue("/dev/ttyUSB0"));
    Put(ReadSettingsKey, "ReadDayArchive", FlagValue(false));

    RX58ChanelSetup chanel;
    chanel.Load(store);
    EXPECT_EQ(chanel.CurrentChanel, 0);
    EXPECT_EQ(chanel.ModemName, "");
    EXPECT_EQ(chanel.PhoneNumber, "");
    EXPECT_EQ(chanel.MonitoringInterval, 6);
    EXPECT_EQ(chanel.NetAddress, 0) << "an address beyond 254 is not trusted";
    EXPECT_EQ(chanel.ComPortName, "/dev/ttyUSB0");

    ReadSettings read;
    read.Load(store);
    EXPECT_TRUE(read.ReadHourArchive);
    EXPECT_EQ(read.ReadInterval, 0);
    EXPECT_EQ(read.StartInterval, DefaultIntervalDate);
    EXPECT_EQ(read.FinishInterval, DefaultIntervalDate);
    EXPECT_FALSE(read.ReadDayArchive);
}

TEST_F(StoredSettings, ATruncatedStoreLoadsWhatSurvivedAndIsRepairedByTheNextSave) {
    const RX58ChanelSetup saved = SampleChanelSetup();
    ASSERT_TRUE(saved.Save(store));
    const std::string full = ReadWholeFile(store.File());
    // The last value, NetAddress, cut inside its digits.
    const std::size_t insideLast = full.find("\"NetAddress\"=dword:") + 20;
    ASSERT_LT(insideLast, full.size());
    for (std::size_t cut : {std::size_t{0}, std::size_t{70}, full.size() / 2, insideLast}) {
        WriteWholeFile(store.File(), full.substr(0, cut));
        RX58ChanelSetup loaded;
        loaded.Load(store);
        EXPECT_TRUE(loaded.PhoneNumber == saved.PhoneNumber || loaded.PhoneNumber.empty());
        EXPECT_TRUE(loaded.ModemName == saved.ModemName || loaded.ModemName.empty());
        EXPECT_TRUE(loaded.MonitoringInterval == saved.MonitoringInterval ||
                    loaded.MonitoringInterval == 6);
        if (cut == insideLast) {
            EXPECT_EQ(loaded.NetAddress, 0) << "the half-written value reads as missing";
            EXPECT_EQ(loaded.MonitoringInterval, saved.MonitoringInterval);
            EXPECT_EQ(loaded.PhoneNumber, saved.PhoneNumber);
        }
        ASSERT_TRUE(saved.Save(store));
        EXPECT_EQ(ReadWholeFile(store.File()), full) << "cut at " << cut;
    }
}

TEST_F(StoredSettings, GarbageInTheStoreGivesDefaultsAndIsReplacedByTheNextSave) {
    std::mt19937 random(7);
    std::string garbage(4096, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    WriteWholeFile(store.File(), garbage);
    RX58ChanelSetup chanel;
    EXPECT_TRUE(chanel.Load(store));
    ExpectDefaults(chanel);
    ReadSettings read;
    EXPECT_TRUE(read.Load(store));
    ExpectDefaults(read);

    ASSERT_TRUE(SampleChanelSetup().Save(store));
    RX58ChanelSetup back;
    back.Load(store);
    EXPECT_EQ(back.ModemName, SampleChanelSetup().ModemName);
    EXPECT_EQ(ReadWholeFile(store.File()), FormatRegistryText(store.Read()));
}

TEST_F(StoredSettings, AReadOnlyFolderGivesDefaultsSilently) {
    const auto config = folder / "config";
    std::filesystem::create_directory(config);
    ::chmod(folder.Path().c_str(), 0755);
    ::chmod(config.c_str(), 0555);
    const SettingsStore readOnly(config / "RX58Manager.reg");
    EXPECT_EQ(RunInChild(
                  [&]() -> std::string {
                      RX58ChanelSetup chanel;
                      ReadSettings read;
                      if (!chanel.Load(readOnly) || !read.Load(readOnly))
                          return "a load failed";
                      if (chanel.ComPortName != "COM1" || chanel.MonitoringInterval != 6 ||
                          !read.ReadJournal || read.StartInterval != DefaultIntervalDate)
                          return "no defaults";
                      if (ReadProgramInteger(EnableCalibrationValue, 0, readOnly) != 0)
                          return "EnableCalibration not 0";
                      if (SampleChanelSetup().Save(readOnly) || read.Save(readOnly) ||
                          WriteProgramInteger(EnableCalibrationValue, 1, readOnly))
                          return "a store into a read-only folder claimed success";
                      return std::string();
                  },
                  true),
              "");
    EXPECT_FALSE(std::filesystem::exists(readOnly.File()));
}

TEST_F(StoredSettings, EnableCalibrationIsAnIntegerWithADefault) {
    EXPECT_EQ(ReadProgramInteger(EnableCalibrationValue, 0, store), 0);
    EXPECT_TRUE(store.Read().HasKey(ProgramKey)) << "reading opens the key, creating it";
    EXPECT_EQ(ReadProgramInteger(EnableCalibrationValue, 3, store), 3);
    ASSERT_TRUE(WriteProgramInteger(EnableCalibrationValue, 1, store));
    EXPECT_EQ(ReadProgramInteger(EnableCalibrationValue, 0, store), 1);
    Put(ProgramKey, EnableCalibrationValue, TextValue("1"));
    EXPECT_EQ(ReadProgramInteger(EnableCalibrationValue, 0, store), 0) << "a text is no integer";
}

// A dialog storing while a task loads: every load sees one whole record,
// never fields of two different stores.
TEST_F(StoredSettings, LoadsDuringSavesNeverSeeATornRecord) {
    constexpr int Saves = 60;
    std::atomic<bool> saving{true};
    std::atomic<int> torn{0}, loads{0};
    std::thread loader([&] {
        for (int i = 0; i < 100000 && saving.load(); ++i) {
            RX58ChanelSetup s;
            s.Load(store);
            if (s.PhoneNumber.empty())
                continue;
            const int n = std::stoi(s.PhoneNumber);
            if (s.MonitoringInterval != n || s.ModemName != "Линия " + std::to_string(n) ||
                s.NetAddress != n % 255)
                ++torn;
            ++loads;
        }
    });
    std::thread other([&] {
        for (int i = 0; i < Saves; ++i) {
            ReadSettings r;
            r.ReadInterval = i;
            r.Save(store);
        }
    });
    for (int i = 1; i <= Saves; ++i) {
        RX58ChanelSetup s;
        s.PhoneNumber = std::to_string(i);
        s.MonitoringInterval = i;
        s.ModemName = "Линия " + std::to_string(i);
        s.NetAddress = i % 255;
        ASSERT_TRUE(s.Save(store));
    }
    other.join();
    saving = false;
    loader.join();
    EXPECT_EQ(torn.load(), 0);
    RX58ChanelSetup last;
    last.Load(store);
    EXPECT_EQ(last.MonitoringInterval, Saves);
    ReadSettings lastRead;
    lastRead.Load(store);
    EXPECT_EQ(lastRead.ReadInterval, Saves - 1) << "the other record's saves were not lost";
}

TEST(StoredSettingsDefaultStore, RecordsUseTheFolderNamedByTheEnvironment) {
    TempFolder folder;
    ASSERT_EQ(::setenv(ConfigDirVariable, folder.Path().c_str(), 1), 0);
    RX58ChanelSetup s = SampleChanelSetup();
    ASSERT_TRUE(s.Save());
    RX58ChanelSetup back;
    back.Load();
    ::unsetenv(ConfigDirVariable);
    EXPECT_EQ(back.PhoneNumber, s.PhoneNumber);
    EXPECT_TRUE(std::filesystem::exists(folder / "RX58Manager.reg"));
}

} // namespace
