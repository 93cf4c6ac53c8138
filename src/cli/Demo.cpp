#include "cli/Commands.h"
#include "cli/TextDump.h"
#include "persistence/ArchiveFileName.h"
#include "rx58sim/Simulator.h"

#include <cstdlib>
#include <system_error>

// The whole program without hardware: the simulated calculator on a
// pseudo-terminal in this process, a settings store of the run's own, a
// full read, the archive file, and what that file holds.

namespace cli {
namespace {

// A few days of hours, a season of days, a year of months: a full read
// takes some seconds, every list has rows.
sim::FillPlan DemoArchives() {
    sim::FillPlan plan;
    plan.Rings = {{{240, 96}, {62, 40}, {24, 14}, {256, 60}}};
    return plan;
}

// A fresh folder "<temp>/<prefix>XXXXXX"; empty on failure.
std::filesystem::path MakeTempFolder(const char* prefix) {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec)
        base = "/tmp";
    std::string pattern = (base / (std::string(prefix) + "XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        return {};
    return pattern;
}

// Removes the folder with its contents when the demo ends.
struct FolderRemover {
    std::filesystem::path Folder;
    ~FolderRemover() {
        std::error_code ec;
        if (!Folder.empty())
            std::filesystem::remove_all(Folder, ec);
    }
};

} // namespace

int RunDemo(const CommandLine& line, CliIo& io) {
    const Edition& edition = *line.edition;

    std::filesystem::path folder = line.output;
    if (folder.empty()) {
        folder = MakeTempFolder("rx58-demo-");
        if (folder.empty()) {
            io.err << ProgramName << ": не удалось создать временную папку\n";
            return ExitFailed;
        }
    } else {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (ec || !std::filesystem::is_directory(folder)) {
            io.err << ProgramName << ": не удалось создать папку " << folder.string() << '\n';
            return ExitFailed;
        }
    }

    // The demo's settings are its own: nothing of the user's store is read
    // or changed.
    FolderRemover settings{MakeTempFolder("rx58-demo-settings-")};
    if (settings.Folder.empty()) {
        io.err << ProgramName << ": не удалось создать временную папку\n";
        return ExitFailed;
    }

    sim::SimulatorConfig config;
    config.Device.DeviceEdition = &edition;
    config.Device.Archives = DemoArchives();
    sim::Simulator simulator(config);
    try {
        simulator.Start();
    } catch (const std::exception& e) {
        io.err << ProgramName << ": симулятор не запущен: " << e.what() << '\n';
        return ExitFailed;
    }
    io.out << "Симулятор прибора (редакция " << edition.Name << ") на " << simulator.Endpoint()
           << '\n'
           << std::flush;

    ConnectionOverride connection;
    connection.Port = simulator.Endpoint();
    DeviceReading reading;
    {
        DeviceSession session(
            edition, persistence::SettingsStore(settings.Folder / persistence::StoreFileName),
            connection, io);
        if (const int status = ReadDevice(session, ReadSelection{}, reading, io);
            status != ExitDone)
            return status;
    }
    simulator.Stop();

    const std::filesystem::path file =
        folder /
        persistence::DefaultArchiveFileName(std::to_string(reading.Data.SetupParams.SerialNum));
    if (const int status = SaveReading(file, edition, reading, io); status != ExitDone)
        return status;
    io.out << "Файл архива: " << file.string() << "\n\n";

    // What the file holds, read back as `dump` reads it.
    DeviceReading saved;
    if (const int status = LoadArchive(file, edition, saved, io); status != ExitDone)
        return status;
    WriteSummary(io.out, edition, DataSetJson(edition, saved.Data, saved.Calibration));
    io.out << "\nВсё содержимое: " << io.program << " --edition " << edition.Name << " dump "
           << file.string() << " [--json]\n";
    return ExitDone;
}

} // namespace cli
