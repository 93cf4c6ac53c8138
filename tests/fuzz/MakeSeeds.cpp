#include "TaskDrive.h"
#include "channels/RelayQuery.h"
#include "device/Rx58core.h"
#include "persistence/ArchiveFileSamples.h"
#include "persistence/ArchiveFileWriter.h"
#include "persistence/RX58ChanelSetup.h"
#include "persistence/ReadSettings.h"
#include "persistence/RegistryText.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

// Writes the seed corpora of the fuzz targets from the program's own
// encoders and the scripted calculator: real files, records, settings and
// replies, for the fuzzer to start its mutations from. Run once after a
// change of the formats: fuzz_make_seeds tests/fuzz/corpus
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

fs::path root;

void Write(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path folder = root / target;
    fs::create_directories(folder);
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}
void Write(const std::string& target, const std::string& name, const std::string& text) {
    Write(target, name, Bytes(text.begin(), text.end()));
}

void AppendPiece(Bytes& out, const Bytes& piece) {
    out.push_back(static_cast<std::uint8_t>(piece.size() & 0xFF));
    out.push_back(static_cast<std::uint8_t>(piece.size() >> 8));
    out.insert(out.end(), piece.begin(), piece.end());
}

Bytes ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string EditionName(const Edition& e) {
    return std::string("v") + e.Name;
}

void ArchiveFiles() {
    for (const Edition* e : archtest::BothEditions) {
        struct Shape {
            const char* name;
            std::size_t hours, days, months, events;
        };
        for (const Shape& s : {Shape{"small", 3, 2, 1, 4}, Shape{"empty", 0, 0, 0, 0}}) {
            RX58Calibration calibration;
            const RX58Valve valve =
                archtest::SampleValve(*e, s.hours, s.days, s.months, s.events, &calibration);
            const fs::path file = fuzz::ScratchFolder() / "seed.arch";
            persistence::WriteArchiveFile(file, *e,
                                          persistence::ArchiveContentOf(valve, &calibration));
            Write("arch_reader", EditionName(*e) + "-" + s.name + ".arch", ReadFile(file));
        }
    }
}

void Records() {
    for (const Edition* e : archtest::BothEditions) {
        const std::uint8_t edition = e == &EditionV2 ? 1 : 0;
        for (int kind = device::akHourly; kind <= device::akMonthlyTotals; ++kind) {
            Bytes seed{static_cast<std::uint8_t>(edition | kind << 1)};
            const Bytes record =
                kind == device::akJournal  ? fuzz::task_drive_detail::FakeDevice::Journal(21)
                : kind == device::akHourly ? fuzz::task_drive_detail::FakeDevice::Hourly(*e, 7)
                                           : fuzz::task_drive_detail::FakeDevice::Full(*e, 12);
            seed.insert(seed.end(), record.begin(), record.end());
            Write("records", EditionName(*e) + "-kind" + std::to_string(kind), seed);
        }
    }
}

void SettingsTexts() {
    const persistence::SettingsStore store(fuzz::ScratchFolder() / "seed.reg");
    RX58ChanelSetup chanel;
    chanel.Load(store);
    chanel.ComPortName = "/dev/ttyUSB0";
    chanel.ModemName = "Модем";
    chanel.Save(store);
    ReadSettings read;
    read.Load(store);
    read.Save(store);
    Write("settings_text", "stored.reg", ReadFile(store.File()));
    Write("settings_text", "hand-written.reg",
          std::string("Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_CURRENT_USER\\Software\\Veldrin\\RX58Manager\\Other]\r\n"
                      "\"Path\"=hex(2):25,00,48,00,4f,00,4d,00,45,00,25,00,00,00\r\n"
                      "\"Bits\"=hex:00,01,02,ff,\\\r\n  10,20\r\n"
                      "\"Quoted\"=\"a \\\"b\\\" \\\\ c\"\r\n"
                      "@=\"default\"\r\n"
                      "\"Gone\"=-\r\n"
                      "[-HKEY_CURRENT_USER\\Software\\Veldrin\\Old]\r\n"));
}

void ModemLines() {
    const char* lines[] = {
        "OK\r\n",
        "ATD5551234\r\r\nCONNECT 19200/ARQ\r\n",
        "\r\nBUSY\r\n",
        "RING\r\n\r\nRINGING\r\nNO ANSWER\r\n",
        "NO CARRIER\r\n",
        "NO DIALTONE\r\nERROR\r\n",
        "DELAYED\r\nBLACKLISTED\r\n",
        "0\r1\r3\r4\r6\r7\r8\r",
        "+CME ERROR: 3\r\n  connect  \n",
    };
    int i = 0;
    for (const char* line : lines)
        Write("at_result", "lines" + std::to_string(i++), std::string(line));
}

Bytes Greeting() {
    Bytes g{0x00, 'G', 'P', 'R', 'S', 'S', 'R', 'V', 0xDE, 0xAD, 0xBE, 0xEF};
    return g;
}
Bytes CountReply(std::uint8_t code, std::uint32_t count) {
    return {code,
            0x77,
            static_cast<std::uint8_t>(count),
            static_cast<std::uint8_t>(count >> 8),
            static_cast<std::uint8_t>(count >> 16),
            static_cast<std::uint8_t>(count >> 24)};
}

void RelayReplies() {
    for (std::uint32_t count : {0u, 1u, 3u, 70u}) {
        Bytes seed;
        AppendPiece(seed, Greeting());
        AppendPiece(seed, CountReply(0x01, count));
        if (count > 0) {
            AppendPiece(seed, CountReply(0x02, count));
            Bytes entries;
            for (std::uint32_t e = 0; e < count; ++e)
                for (int i = 0; i < channels::RelayEntrySize; ++i)
                    entries.push_back(static_cast<std::uint8_t>(e * 31 + i));
            // Two pieces, as the entries come in more than one receive.
            const std::size_t half = entries.size() / 2;
            AppendPiece(
                seed, Bytes(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(half)));
            AppendPiece(seed,
                        Bytes(entries.begin() + static_cast<std::ptrdiff_t>(half), entries.end()));
        }
        Write("relay_directory", "entries" + std::to_string(count), seed);
    }
}

void AdapterReplies() {
    Bytes seed{2};
    AppendPiece(seed, {0x17, 'O', 'K'});
    AppendPiece(seed, {0x12, 'O', 'K'});
    AppendPiece(seed, tasks::testing::IdentReply(3));
    AppendPiece(seed, tasks::testing::IdentReply(2));
    AppendPiece(seed, {});
    AppendPiece(seed, tasks::testing::ExceptionReply(0x11, 2));
    Write("adapter_replies", "open-and-transfers", seed);
    Bytes refused{1};
    AppendPiece(refused, {0x17, 'N', 'O'});
    Write("adapter_replies", "refused-speed", refused);
}

void TaskReplies() {
    const char* names[] = {"readall",       "monitoring",       "write-setup",      "write-time",
                           "clear-archive", "read-calibration", "write-calibration"};
    for (const Edition* e : archtest::BothEditions) {
        for (int task = 0; task < fuzz::TaskChoices; ++task) {
            // Walk the steps until the choice wraps round to the first one again.
            int firstStep = -1;
            for (int choice = 0; choice < 64; ++choice) {
                std::vector<Bytes> truth;
                fuzz::TaskRun run;
                run.EditionUsed = e;
                run.Task = task;
                run.StepChoice = choice;
                run.TrueReplies = &truth;
                fuzz::RunTask(run);
                if (run.Step == firstStep)
                    break;
                if (firstStep < 0)
                    firstStep = run.Step;
                if (truth.empty())
                    continue; // a step that sends nothing (a pause, the close)
                Bytes seed{static_cast<std::uint8_t>(e == &EditionV2 ? 1 : 0),
                           static_cast<std::uint8_t>(task), static_cast<std::uint8_t>(choice)};
                AppendPiece(seed, truth.front());
                Write("task_replies",
                      EditionName(*e) + "-" + names[task] + "-step" + std::to_string(run.Step),
                      seed);
            }
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    root = argv[1];
    ArchiveFiles();
    Records();
    SettingsTexts();
    ModemLines();
    RelayReplies();
    AdapterReplies();
    TaskReplies();
    return 0;
}
