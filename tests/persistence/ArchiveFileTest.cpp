#include "ArchiveFileSamples.h"
#include "ChildProcess.h"
#include "FileSizeLimit.h"
#include "SmallFileSystem.h"
#include "TempFolder.h"
#include "persistence/ArchiveFileError.h"
#include "persistence/ArchiveFileHeader.h"
#include "persistence/ArchiveFileName.h"
#include "persistence/ArchiveFileReader.h"
#include "persistence/ArchiveFileWriter.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace persistence;
using archtest::BothEditions;
using archtest::SampleValve;

namespace {

using Bytes = std::string;

// Notes which blocks were reported, in order, and keeps the calibration.
class RecordingListener : public ArchiveFileListener {
public:
    std::vector<std::string> Events;
    RX58Calibration Calibration{};
    std::size_t MonthCountSeen = 0;

    void CurrentParamsRead(const RX58CurrentParams&) override { Events.push_back("current"); }
    void SetupParamsRead(const RX58SetupParams&) override { Events.push_back("setup"); }
    void CalibrationRead(const RX58Calibration& c) override {
        Calibration = c;
        Events.push_back("calibration");
    }
    void HourArchiveRead(const RX58Archive&) override { Events.push_back("hour"); }
    void DayArchiveRead(const RX58FullArchive&) override { Events.push_back("day"); }
    void MonthArchiveRead(const RX58FullArchive& m) override {
        MonthCountSeen = m.size();
        Events.push_back("month");
    }
    void JournalRead(const RX58Journal&) override { Events.push_back("journal"); }
};

// The message of the error a read throws, or "" when it succeeds.
std::string ReadMessage(const std::filesystem::path& file, const Edition& e, RX58Valve& data,
                        ArchiveFileListener* listener = nullptr) {
    try {
        ReadArchiveFile(file, e, data, listener);
    } catch (const ArchiveFileError& error) {
        return error.what();
    }
    return "";
}

std::string WriteMessage(const std::filesystem::path& file, const Edition& e,
                         const ArchiveFileContent& content) {
    try {
        WriteArchiveFile(file, e, content);
    } catch (const ArchiveFileError& error) {
        return error.what();
    }
    return "";
}

void SetU16(Bytes& bytes, std::size_t offset, std::uint16_t value) {
    bytes[offset] = static_cast<char>(value & 0xFF);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

// Offsets of the blocks of a file written by `e` with the given counts.
struct Layout {
    std::size_t Ident, Current, Setup, Hour, Day, Month, Journal, End;
    Layout(const Edition& e, std::size_t hours, std::size_t days, std::size_t months,
           std::size_t events) {
        Ident = ArchiveHeaderBytes;
        Current = Ident + ArchiveIdentBytes;
        Setup = Current + static_cast<std::size_t>(e.Current.BufferBytes);
        Hour = Setup + static_cast<std::size_t>(e.Setup.BufferBytes);
        Day = Hour + hours * static_cast<std::size_t>(e.HourlyRecordBytes());
        Month = Day + days * static_cast<std::size_t>(e.FullRecordBytes());
        Journal = Month + months * static_cast<std::size_t>(e.FullRecordBytes());
        End = Journal + events * 16;
    }
};

// A sample data set written by `e`, with the file's bytes and block offsets.
struct WrittenSample {
    RX58Valve Data;
    Bytes File;
    Layout At;

    WrittenSample(const TempFolder& folder, const Edition& e, std::size_t hours, std::size_t days,
                  std::size_t months, std::size_t events)
        : Data(SampleValve(e, hours, days, months, events)), At(e, hours, days, months, events) {
        WriteArchiveFile(folder / "sample.arch", e, ArchiveContentOf(Data));
        File = ReadWholeFile(folder / "sample.arch");
    }
};

TEST(ArchiveFile, WriteThenReadRestoresEverythingInBothEditions) {
    for (const Edition* e : BothEditions) {
        TempFolder folder;
        RX58Calibration calibration;
        const RX58Valve written = SampleValve(*e, 5, 4, 3, 7, &calibration);
        ASSERT_FALSE(written.CurrentParams == RX58CurrentParams{}) << "a sample worth comparing";
        ASSERT_FALSE(written.SetupParams == RX58SetupParams{});
        ASSERT_FALSE(calibration == RX58Calibration{});
        WriteArchiveFile(folder / "a.arch", *e, ArchiveContentOf(written, &calibration));

        RX58Valve read;
        read.Tail = written.Tail;
        RecordingListener listener;
        ASSERT_EQ(ReadMessage(folder / "a.arch", *e, read, &listener), "") << e->Name;
        EXPECT_EQ(read.Ident, written.Ident);
        EXPECT_TRUE(read.CurrentParams == written.CurrentParams) << e->Name;
        EXPECT_TRUE(read.SetupParams == written.SetupParams) << e->Name;
        EXPECT_TRUE(listener.Calibration == calibration) << e->Name;
        EXPECT_EQ(read.HourArchive, written.HourArchive);
        EXPECT_EQ(read.DayArchive, written.DayArchive);
        EXPECT_EQ(read.MonthArchive, written.MonthArchive);
        EXPECT_EQ(read.Journal, written.Journal);
        EXPECT_EQ(listener.Events, (std::vector<std::string>{"current", "setup", "calibration",
                                                             "hour", "day", "month", "journal"}));
    }
}

TEST(ArchiveFile, FileHasTheFixedHeaderAndBlocksInOrder) {
    struct Expected {
        const Edition* E;
        std::uint16_t Lengths[7]; // ident, current, setup, hour, day, month, journal
    } cases[] = {{&EditionV3, {8, 360, 284, 150, 252, 252, 16}},
                 {&EditionV2, {8, 300, 254, 110, 212, 212, 16}}};
    for (const Expected& c : cases) {
        TempFolder folder;
        const RX58Valve v = SampleValve(*c.E, 2, 3, 1, 4);
        WriteArchiveFile(folder / "a.arch", *c.E, ArchiveContentOf(v));
        const Bytes file = ReadWholeFile(folder / "a.arch");
        const Layout at(*c.E, 2, 3, 1, 4);
        ASSERT_EQ(file.size(), at.End) << "the file ends after the last journal record";

        const ArchiveFileHeader h =
            DecodeArchiveHeader(reinterpret_cast<const std::uint8_t*>(file.data()));
        EXPECT_EQ(file.substr(0, 5), Bytes("RX58\0", 5));
        const std::uint16_t lengths[] = {
            h.IdentLength,     h.CurrentLength,     h.SetupLength,        h.HourRecordLength,
            h.DayRecordLength, h.MonthRecordLength, h.JournalRecordLength};
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(lengths[i], c.Lengths[i]) << c.E->Name << " length " << i;
        EXPECT_EQ(Bytes(file, 5, 2), Bytes("\x08\x00", 2)) << "little-endian 16-bit fields";
        EXPECT_EQ(h.HourCount, 2);
        EXPECT_EQ(h.DayCount, 3);
        EXPECT_EQ(h.MonthCount, 1);
        EXPECT_EQ(h.JournalCount, 4);

        EXPECT_EQ(file.substr(at.Ident, 8),
                  Bytes("RX58\x01\x07", 6) + static_cast<char>(c.E->ProtocolVersion) + "\x2A");
        // The current block is the image in device order: swapped back it
        // decodes to the record.
        std::vector<std::uint8_t> image(file.begin() + static_cast<long>(at.Current),
                                        file.begin() + static_cast<long>(at.Setup));
        image.resize(512);
        SwapCurrentImage(*c.E, image.data());
        RX58CurrentParams decoded{};
        DecodeCurrentParams(*c.E, image.data(), decoded);
        EXPECT_TRUE(decoded == v.CurrentParams);
        EXPECT_EQ(file.substr(at.Hour, 3),
                  Bytes(reinterpret_cast<const char*>(v.HourArchive[0].data()), 3));
        EXPECT_EQ(file.substr(at.Journal + 16, 16),
                  Bytes(reinterpret_cast<const char*>(v.Journal[1].data()), 16));
    }
}

TEST(ArchiveFile, WithoutACalibrationViewTheCalibrationValuesAreZero) {
    TempFolder folder;
    const RX58Valve v = SampleValve(EditionV3, 0, 0, 0, 0);
    WriteArchiveFile(folder / "a.arch", EditionV3, ArchiveContentOf(v, nullptr));
    RX58Valve read;
    RecordingListener listener;
    listener.Calibration.R100 = 99;
    ASSERT_EQ(ReadMessage(folder / "a.arch", EditionV3, read, &listener), "");
    EXPECT_TRUE(listener.Calibration == RX58Calibration{});
    EXPECT_TRUE(read.SetupParams == v.SetupParams) << "the setup values do not depend on it";
}

// A file of each edition, damaged in one way, and what reading it in the
// same edition must say and leave behind.
struct DamageCase {
    const char* Name;
    std::function<void(Bytes&, const Layout&)> Damage;
    const char* Message;
    // Which parts of the data set the read has replaced by the file's.
    bool IdentTaken, ParamsTaken;
    std::size_t Hours, Days, Months, Events;
};

const DamageCase DamageCases[] = {
    {"empty file", [](Bytes& f, const Layout&) { f.clear(); }, "Ошибка при чтении заголовка", false,
     false, 9, 9, 9, 9},
    {"header cut", [](Bytes& f, const Layout&) { f.resize(26); }, "Ошибка при чтении заголовка",
     false, false, 9, 9, 9, 9},
    {"wrong magic", [](Bytes& f, const Layout&) { f[3] = '7'; }, "Неправильный формат файла", false,
     false, 9, 9, 9, 9},
    {"identification beyond the buffer", [](Bytes& f, const Layout&) { SetU16(f, 5, 513); },
     "Неверная длина идентификационных данных", false, false, 9, 9, 9, 9},
    {"identification cut", [](Bytes& f, const Layout& at) { f.resize(at.Ident + 5); },
     "Ошибка при чтении идентификационных данных", false, false, 9, 9, 9, 9},
    {"identification of another device", [](Bytes& f, const Layout& at) { f[at.Ident] = 'X'; },
     "Неизвестный тип прибора", false, false, 9, 9, 9, 9},
    {"identification too short to hold the magic", [](Bytes& f, const Layout&) { SetU16(f, 5, 2); },
     "Неизвестный тип прибора", false, false, 9, 9, 9, 9},
    {"other protocol version", [](Bytes& f, const Layout& at) { f[at.Ident + 6] = 9; },
     "Неизвестная версия прибора", true, false, 9, 9, 9, 9},
    {"current length 513", [](Bytes& f, const Layout&) { SetU16(f, 7, 513); },
     "Невернjое количество данных текущих параметров", true, false, 9, 9, 9, 9},
    {"current block cut", [](Bytes& f, const Layout& at) { f.resize(at.Current + 100); },
     "Ошибка при чтении текущих параметров", true, false, 9, 9, 9, 9},
    {"setup length 513", [](Bytes& f, const Layout&) { SetU16(f, 9, 513); },
     "Невернjое количество данных настроечных параметров", true, false, 9, 9, 9, 9},
    {"setup block cut", [](Bytes& f, const Layout& at) { f.resize(at.Setup + 1); },
     "Ошибка при чтении настроечных параметров", true, false, 9, 9, 9, 9},
    {"hourly record length", [](Bytes& f, const Layout&) { SetU16(f, 11, 151); },
     "Неверная длина архивных параметров", true, true, 0, 0, 0, 9},
    {"hourly records cut", [](Bytes& f, const Layout& at) { f.resize(at.Day - 1); },
     "Ошибка при чтении архивных параметров", true, true, 4, 0, 0, 9},
    {"daily records cut", [](Bytes& f, const Layout& at) { f.resize(at.Month - 10); },
     "Ошибка при чтении архивных параметров", true, true, 5, 3, 0, 9},
    {"monthly records cut", [](Bytes& f, const Layout& at) { f.resize(at.Journal - 300); },
     "Ошибка при чтении архивных параметров", true, true, 5, 4, 1, 9},
    {"journal record length", [](Bytes& f, const Layout&) { SetU16(f, 23, 17); },
     "Неверная длина журнала", true, true, 5, 4, 3, 0},
    {"journal cut", [](Bytes& f, const Layout& at) { f.resize(at.End - 1); },
     "Ошибка при чтении журнала", true, true, 5, 4, 3, 6},
    {"a count beyond the file", [](Bytes& f, const Layout&) { SetU16(f, 25, 65535); },
     "Ошибка при чтении журнала", true, true, 5, 4, 3, 7},
};

TEST(ArchiveFile, EveryReaderMessageOnACraftedFile) {
    for (const Edition* e : BothEditions) {
        TempFolder folder;
        const WrittenSample sample(folder, *e, 5, 4, 3, 7);
        const RX58Valve& file = sample.Data;
        const Layout& at = sample.At;
        // What the views showed before: another device's data set.
        RX58Valve before = SampleValve(*e, 9, 9, 9, 9, nullptr, 7);
        before.Ident = {0x05, 0x06, e->ProtocolVersion, 0x08};

        for (const DamageCase& c : DamageCases) {
            Bytes damaged = sample.File;
            c.Damage(damaged, at);
            WriteWholeFile(folder / "bad.arch", damaged);
            RX58Valve data = before;
            RecordingListener listener;
            const std::string where = std::string(e->Name) + ": " + c.Name;
            EXPECT_EQ(ReadMessage(folder / "bad.arch", *e, data, &listener), c.Message) << where;
            std::array<std::uint8_t, 4> fileIdent{};
            if (c.IdentTaken)
                std::copy_n(damaged.begin() + static_cast<long>(at.Ident + 4), 4,
                            fileIdent.begin());
            EXPECT_EQ(data.Ident, c.IdentTaken ? fileIdent : before.Ident) << where;
            EXPECT_TRUE(data.SetupParams == (c.ParamsTaken ? file.SetupParams : before.SetupParams))
                << where;
            EXPECT_EQ(data.HourArchive.size(), c.Hours) << where;
            EXPECT_EQ(data.DayArchive.size(), c.Days) << where;
            EXPECT_EQ(data.MonthArchive.size(), c.Months) << where;
            EXPECT_EQ(data.Journal.size(), c.Events) << where;
            for (std::size_t i = 0; i < data.HourArchive.size() && c.Hours != 9; ++i)
                EXPECT_EQ(data.HourArchive[i], file.HourArchive[i]) << where;
            for (std::size_t i = 0; i < data.MonthArchive.size() && c.Months != 9; ++i)
                EXPECT_EQ(data.MonthArchive[i], file.MonthArchive[i]) << where;
        }
    }
}

TEST(ArchiveFile, TruncationInsideTheMonthlyRecordsKeepsTheEarlierListsShown) {
    TempFolder folder;
    const WrittenSample sample(folder, EditionV3, 5, 4, 3, 7);
    const RX58Valve& file = sample.Data;
    Bytes bytes = sample.File;
    bytes.resize(sample.At.Month + 252 * 2 + 100);
    WriteWholeFile(folder / "a.arch", bytes);

    RX58Valve data = SampleValve(EditionV3, 1, 1, 1, 1);
    RecordingListener listener;
    EXPECT_EQ(ReadMessage(folder / "a.arch", EditionV3, data, &listener),
              "Ошибка при чтении архивных параметров");
    EXPECT_EQ(listener.Events,
              (std::vector<std::string>{"current", "setup", "calibration", "hour", "day"}))
        << "the monthly views keep their earlier rows";
    EXPECT_EQ(data.HourArchive, file.HourArchive);
    EXPECT_EQ(data.DayArchive, file.DayArchive);
    ASSERT_EQ(data.MonthArchive.size(), 2u) << "the records before the cut";
    EXPECT_EQ(data.MonthArchive[1], file.MonthArchive[1]);
}

TEST(ArchiveFile, AFileOfTheOtherEditionStopsAfterItsIdentificationIsTaken) {
    for (const Edition* writer : BothEditions) {
        const Edition& reader = writer == &EditionV3 ? EditionV2 : EditionV3;
        TempFolder folder;
        const RX58Valve file = SampleValve(*writer, 2, 2, 2, 2);
        WriteArchiveFile(folder / "a.arch", *writer, ArchiveContentOf(file));
        RX58Valve data = SampleValve(reader, 1, 1, 1, 1);
        const RX58Valve before = data;
        EXPECT_EQ(ReadMessage(folder / "a.arch", reader, data), "Неизвестная версия прибора");
        EXPECT_EQ(data.Ident, file.Ident);
        EXPECT_TRUE(data.CurrentParams == before.CurrentParams);
        EXPECT_EQ(data.HourArchive, before.HourArchive);
    }
}

// The parameter blocks may be up to 512 bytes whatever the image length; only
// the image is interpreted, and the blocks after it are found all the same.
TEST(ArchiveFile, ParameterBlocksOfOtherLengthsUpTo512AreRead) {
    for (const Edition* e : BothEditions) {
        TempFolder folder;
        const WrittenSample sample(folder, *e, 2, 1, 1, 1);
        const RX58Valve& file = sample.Data;
        const Layout& at = sample.At;
        const Bytes& good = sample.File;

        Bytes longer = good;
        const std::size_t extraCurrent = 512 - static_cast<std::size_t>(e->Current.BufferBytes);
        longer.insert(at.Setup, extraCurrent, '\x5A');
        SetU16(longer, 7, 512);
        longer.insert(at.Hour + extraCurrent, 3, '\x5A');
        SetU16(longer, 9, static_cast<std::uint16_t>(e->Setup.BufferBytes + 3));
        longer.insert(at.Ident + 8, 4, '\x5A');
        SetU16(longer, 5, 12);
        longer += "bytes after the journal are ignored";
        WriteWholeFile(folder / "a.arch", longer);
        RX58Valve data;
        ASSERT_EQ(ReadMessage(folder / "a.arch", *e, data), "") << e->Name;
        EXPECT_EQ(data.Ident, file.Ident);
        EXPECT_TRUE(data.CurrentParams == file.CurrentParams);
        EXPECT_TRUE(data.SetupParams == file.SetupParams);
        EXPECT_EQ(data.HourArchive, file.HourArchive);
        EXPECT_EQ(data.Journal, file.Journal);

        // A block shorter than its image reads with the rest of the image zero.
        Bytes shorter = good;
        shorter.erase(at.Current + 10, static_cast<std::size_t>(e->Current.BufferBytes) - 10);
        SetU16(shorter, 7, 10);
        WriteWholeFile(folder / "a.arch", shorter);
        RX58Valve partial;
        ASSERT_EQ(ReadMessage(folder / "a.arch", *e, partial), "") << e->Name;
        EXPECT_TRUE(partial.SetupParams == file.SetupParams);
        EXPECT_EQ(partial.Journal, file.Journal);
    }
}

TEST(ArchiveFile, EmptyListsAreValidButTheirLengthsAreStillChecked) {
    TempFolder folder;
    const Bytes good = WrittenSample(folder, EditionV3, 0, 0, 0, 0).File;
    WriteWholeFile(folder / "a.arch", good);
    RX58Valve data = SampleValve(EditionV3, 3, 3, 3, 3);
    ASSERT_EQ(ReadMessage(folder / "a.arch", EditionV3, data), "");
    EXPECT_TRUE(data.HourArchive.empty() && data.DayArchive.empty() && data.MonthArchive.empty() &&
                data.Journal.empty());

    struct {
        std::size_t Offset;
        std::uint16_t Value;
        const char* Message;
    } cases[] = {{11, 149, "Неверная длина архивных параметров"},
                 {23, 15, "Неверная длина журнала"},
                 {15, 999, ""}, // the daily and monthly lengths are not checked
                 {19, 0, ""}};
    for (const auto& c : cases) {
        Bytes bytes = good;
        SetU16(bytes, c.Offset, c.Value);
        WriteWholeFile(folder / "a.arch", bytes);
        EXPECT_EQ(ReadMessage(folder / "a.arch", EditionV3, data), c.Message) << c.Offset;
    }
}

TEST(ArchiveFile, AMissingFileCannotBeOpened) {
    TempFolder folder;
    RX58Valve data;
    EXPECT_EQ(ReadMessage(folder / "none.arch", EditionV3, data),
              "Не удалось открыть файл «" + (folder / "none.arch").string() +
                  "»: нет такого файла или папки");
    EXPECT_EQ(ReadMessage(folder.Path(), EditionV3, data).rfind("Не удалось открыть файл", 0), 0u);
}

TEST(ArchiveFile, ListsBeyondA16BitCountAreRefusedAndNothingIsWritten) {
    const Edition& e = EditionV3;
    const RX58Valve v = SampleValve(e, 1, 1, 1, 1);
    TempFolder folder;
    WriteWholeFile(folder / "a.arch", "old");
    const std::vector<ArchiveStruct> hours(65536, ArchiveStruct(150));
    const std::vector<FullArchiveStruct> fulls(65536, FullArchiveStruct(252));
    const std::vector<JournalStruct> events(65536, JournalStruct(16));
    struct {
        ArchiveFileContent Content;
        const char* Names;
    } cases[] = {
        {{v.Ident, v.CurrentParams, v.SetupParams, nullptr, hours, v.DayArchive, v.MonthArchive,
          v.Journal},
         "в часовом архиве 65536 записей"},
        {{v.Ident, v.CurrentParams, v.SetupParams, nullptr, v.HourArchive, fulls, v.MonthArchive,
          v.Journal},
         "в суточном архиве 65536 записей"},
        {{v.Ident, v.CurrentParams, v.SetupParams, nullptr, v.HourArchive, v.DayArchive, fulls,
          v.Journal},
         "в месячном архиве 65536 записей"},
        {{v.Ident, v.CurrentParams, v.SetupParams, nullptr, v.HourArchive, v.DayArchive,
          v.MonthArchive, events},
         "в журнале 65536 записей"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WriteMessage(folder / "a.arch", e, c.Content),
                  std::string("Слишком много записей для файла архива: ") + c.Names +
                      ", в файл помещается не более 65535. Файл не записан.");
        EXPECT_EQ(ReadWholeFile(folder / "a.arch"), "old");
    }
}

TEST(ArchiveFile, ASaveThatFailsMidwayLeavesTheOldFileIntact) {
    TempFolder folder;
    const auto target = folder / "a.arch";
    const RX58Valve small = SampleValve(EditionV3, 10, 2, 1, 5);
    WriteArchiveFile(target, EditionV3, ArchiveContentOf(small));
    const Bytes old = ReadWholeFile(target);

    const RX58Valve large = SampleValve(EditionV3, 3000, 100, 10, 500);
    std::string message;
    {
        FileSizeLimit limit(200000);
        message = WriteMessage(target, EditionV3, ArchiveContentOf(large));
    }
    EXPECT_EQ(message, "Ошибка при записи файла «" + target.string() +
                           "»: файл слишком велик. Прежний файл остался без изменений.");
    EXPECT_EQ(ReadWholeFile(target), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file is left";
    RX58Valve data;
    EXPECT_EQ(ReadMessage(target, EditionV3, data), "");
    EXPECT_EQ(data.HourArchive, small.HourArchive);
}

// The disk fills up during a save (a 64 KiB file system, made for the test
// in a child process of its own): the old file stays as it was, no
// temporary file is left, and the message says why.
TEST(ArchiveFile, ASaveOntoAFullDiskLeavesTheOldFileIntact) {
    TempFolder folder;
    const auto disk = folder / "disk";
    std::filesystem::create_directory(disk);
    const std::string report = RunInChild(
        [&]() -> std::string {
            if (const std::string why = MountSmallFileSystem(disk, 64 * 1024); !why.empty())
                return "skip: " + why;
            const auto target = disk / "a.arch";
            const RX58Valve small = SampleValve(EditionV3, 10, 2, 1, 5);
            if (const std::string m = WriteMessage(target, EditionV3, ArchiveContentOf(small));
                !m.empty())
                return "the small save failed: " + m;
            const Bytes old = ReadWholeFile(target);
            const RX58Valve large = SampleValve(EditionV3, 3000, 100, 10, 500);
            const std::string message = WriteMessage(target, EditionV3, ArchiveContentOf(large));
            const std::string expected = "Ошибка при записи файла «" + target.string() +
                                         "»: нет места на диске. Прежний файл остался без "
                                         "изменений.";
            if (message != expected)
                return "message: " + message;
            if (ReadWholeFile(target) != old)
                return "the old file changed";
            if (std::distance(std::filesystem::directory_iterator(disk),
                              std::filesystem::directory_iterator()) != 1)
                return "a temporary file was left";
            return {};
        },
        false);
    if (report.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << report.substr(6);
    EXPECT_EQ(report, "");
}

TEST(ArchiveFile, AFileThatCannotBeCreatedSaysSo) {
    TempFolder folder;
    const RX58Valve v = SampleValve(EditionV3, 0, 0, 0, 0);
    const auto target = folder / "missing" / "a.arch";
    EXPECT_EQ(WriteMessage(target, EditionV3, ArchiveContentOf(v)),
              "Не удалось создать файл «" + target.string() + "»: нет такого файла или папки");
}

TEST(ArchiveFile, LargestListsRoundTrip) {
    for (const Edition* e : BothEditions) {
        TempFolder folder;
        const RX58Valve v = SampleValve(*e, 65535, 400, 40, 65535);
        WriteArchiveFile(folder / "big.arch", *e, ArchiveContentOf(v));
        RX58Valve data;
        ASSERT_EQ(ReadMessage(folder / "big.arch", *e, data), "");
        EXPECT_EQ(data.HourArchive, v.HourArchive);
        EXPECT_EQ(data.Journal, v.Journal);
        EXPECT_EQ(data.DayArchive, v.DayArchive);
    }
}

TEST(ArchiveFileName, DefaultNameCarriesSerialAndLocalTime) {
    std::tm t{};
    t.tm_year = 2019 - 1900;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 14;
    t.tm_min = 7;
    t.tm_sec = 9;
    EXPECT_EQ(DefaultArchiveFileName("1234", t), "0000_YTK36_1234_190305_140709.arch");
    t.tm_year = 2000 - 1900;
    t.tm_hour = 0;
    EXPECT_EQ(DefaultArchiveFileName("", t), "0000_YTK36__000305_000709.arch");
    EXPECT_EQ(DefaultArchiveFileName("12/34", t), "0000_YTK36_12_34_000305_000709.arch")
        << "the name stays one name";
    EXPECT_EQ(DefaultArchiveFileName("1").rfind("0000_YTK36_1_", 0), 0u);
}

} // namespace
