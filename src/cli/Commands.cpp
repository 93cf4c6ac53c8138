#include "cli/Commands.h"

#include "cli/TextDump.h"
#include "device/Rx58datatypes.h"
#include "persistence/ArchiveFileError.h"
#include "persistence/ArchiveFileReader.h"
#include "persistence/ArchiveFileWriter.h"
#include "tasks/RX58MonitoringTask.h"
#include "tasks/RX58ReadAllParamsTask.h"
#include "tasks/ServiceTasks.h"

#include <cstring>
#include <system_error>
#include <vector>

namespace cli {
namespace {

persistence::SettingsStore StoreOf(const CommandLine& line) {
    if (line.configDir)
        return persistence::SettingsStore(*line.configDir / persistence::StoreFileName);
    return persistence::SettingsStore::ForCurrentUser();
}

// A one-task command: runs the task and, when it ends done, prints its
// final status text.
template <class Task, class... Args>
int RunServiceTask(const CommandLine& line, CliIo& io, Args&&... args) {
    DeviceSession session(*line.edition, StoreOf(line), line.connection, io);
    Task task(session.Context(), std::forward<Args>(args)..., true);
    const TaskEnd end = session.Run(task);
    if (end == TaskEnd::Done)
        io.out << task.GetStatusText() << '\n';
    return ReportTaskEnd(end, task, io);
}

void SetCalibrationValue(RX58Calibration& calibration, const CalibrationAssignment& a) {
    auto* field = reinterpret_cast<std::uint8_t*>(&calibration) + a.Field->RecordOffset;
    if (a.Field->Type == editions::FieldType::I16) {
        const auto value = static_cast<std::int16_t>(a.Value);
        std::memcpy(field, &value, sizeof value);
    } else {
        const auto value = static_cast<std::uint16_t>(a.Value);
        std::memcpy(field, &value, sizeof value);
    }
}

} // namespace

int ReadDevice(DeviceSession& session, const ReadSelection& selection, DeviceReading& reading,
               CliIo& io) {
    session.Context().adjustReadSettings = [selection](ReadSettings& s) { selection.ApplyTo(s); };
    RX58ReadAllParamsTask task(session.Context(), &reading.Data, true);
    const TaskEnd end = session.Run(task);
    if (end == TaskEnd::Done)
        task.GetCalibration(reading.Calibration);
    return ReportTaskEnd(end, task, io);
}

int SaveReading(const std::filesystem::path& file, const Edition& edition,
                const DeviceReading& reading, CliIo& io) {
    try {
        persistence::WriteArchiveFile(
            file, edition, persistence::ArchiveContentOf(reading.Data, &reading.Calibration));
    } catch (const std::exception& e) {
        io.err << ProgramName << ": " << e.what() << '\n';
        return ExitFailed;
    }
    return ExitDone;
}

namespace {

// Keeps the calibration values the reader hands over.
class CalibrationCatcher : public persistence::ArchiveFileListener {
public:
    explicit CalibrationCatcher(RX58Calibration& calibration) : Calibration(calibration) {}
    void CalibrationRead(const RX58Calibration& calibration) override { Calibration = calibration; }

private:
    RX58Calibration& Calibration;
};

} // namespace

int LoadArchive(const std::filesystem::path& file, const Edition& edition, DeviceReading& reading,
                CliIo& io) {
    CalibrationCatcher catcher(reading.Calibration);
    try {
        persistence::ReadArchiveFile(file, edition, reading.Data, &catcher);
    } catch (const std::exception& e) {
        io.err << ProgramName << ": " << e.what() << '\n';
        return ExitFailed;
    }
    return ExitDone;
}

int RunRead(const CommandLine& line, CliIo& io) {
    // A reading can take minutes: a file that cannot be made is told now.
    std::error_code ec;
    const std::filesystem::path folder =
        line.output.parent_path().empty() ? std::filesystem::path(".") : line.output.parent_path();
    if (!std::filesystem::is_directory(folder, ec)) {
        io.err << ProgramName << ": нет папки «" << folder.string() << "» для файла архива\n";
        return ExitFailed;
    }
    DeviceReading reading;
    {
        DeviceSession session(*line.edition, StoreOf(line), line.connection, io);
        if (const int status = ReadDevice(session, line.read, reading, io); status != ExitDone)
            return status;
    }
    if (const int status = SaveReading(line.output, *line.edition, reading, io); status != ExitDone)
        return status;
    io.out << "Файл архива сохранён: " << line.output.string() << '\n';
    return ExitDone;
}

int RunMonitor(const CommandLine& line, CliIo& io) {
    DeviceSession session(*line.edition, StoreOf(line), line.connection, io);
    RX58Valve data;
    RX58MonitoringTask task(session.Context(), &data, true);
    int cycles = 0;
    int lastStep = -1;
    const TaskEnd end = session.Run(task, [&](RX58Task&) {
        const int step = task.GetStep();
        const bool complete = step == task.PauseStep() && lastStep != step;
        lastStep = step;
        if (!complete)
            return true;
        ++cycles;
        session.BreakProgressLine();
        const Json current = RecordJson(line.edition->CurrentMap, &data.CurrentParams);
        io.out << "Цикл " << cycles << '\n';
        WriteFields(io.out, current);
        io.out << std::flush;
        return line.count == 0 || cycles < line.count;
    });
    return ReportTaskEnd(end, task, io);
}

int RunSetTime(const CommandLine& line, CliIo& io) {
    return RunServiceTask<RX58WriteCurrentTimeTask>(line, io);
}

int RunClearArchive(const CommandLine& line, CliIo& io) {
    return RunServiceTask<RX58ClearArchiveTask>(line, io);
}

int RunReadCalibration(const CommandLine& line, CliIo& io) {
    DeviceSession session(*line.edition, StoreOf(line), line.connection, io);
    RX58Calibration calibration{};
    RX58ReadCalibrationParamsTask task(session.Context(), &calibration, true);
    const TaskEnd end = session.Run(task);
    if (end == TaskEnd::Done)
        WriteFields(io.out, CalibrationJson(calibration), "");
    return ReportTaskEnd(end, task, io);
}

int RunWriteCalibration(const CommandLine& line, CliIo& io) {
    DeviceSession session(*line.edition, StoreOf(line), line.connection, io);
    // The write sends all twelve values: the ones not named keep what the
    // device holds.
    RX58Calibration calibration{};
    {
        RX58ReadCalibrationParamsTask read(session.Context(), &calibration, true);
        if (const TaskEnd end = session.Run(read); end != TaskEnd::Done)
            return ReportTaskEnd(end, read, io);
    }
    for (const CalibrationAssignment& a : line.calibration)
        SetCalibrationValue(calibration, a);
    RX58WriteCalibrationParamsTask write(session.Context(), calibration, true);
    const TaskEnd end = session.Run(write);
    if (end == TaskEnd::Done) {
        io.out << write.GetStatusText() << '\n';
        WriteFields(io.out, CalibrationJson(calibration), "");
    }
    return ReportTaskEnd(end, write, io);
}

int RunWriteSetup(const CommandLine& line, CliIo& io) {
    const Edition& edition = *line.edition;
    DeviceReading file;
    if (const int status = LoadArchive(line.from, edition, file, io); status != ExitDone)
        return status;

    DeviceSession session(edition, StoreOf(line), line.connection, io);
    // A configuration cloned from another device must not take that
    // device's identity along: the serial number and the network address
    // (which the write would change, so that the device no longer answers
    // where it is looked for) stay what the device holds.
    DeviceReading device;
    const ReadSelection parametersOnly{false, false, false, false};
    if (const int status = ReadDevice(session, parametersOnly, device, io); status != ExitDone)
        return status;
    RX58SetupParams setup = file.Data.SetupParams;
    setup.SerialNum = device.Data.SetupParams.SerialNum;
    setup.NetAddress = device.Data.SetupParams.NetAddress;

    // As the setup view does: the values encoded into a fresh image; the
    // registers no field names go as 0.
    std::vector<std::uint8_t> image(static_cast<std::size_t>(edition.Setup.BufferBytes));
    EncodeSetupParams(edition, setup, image.data());
    SwapSetupImage(edition, image.data());
    RX58WriteAllParamsTask task(session.Context(), image.data(), true);
    const TaskEnd end = session.Run(task);
    if (end == TaskEnd::Done) {
        io.out << task.GetStatusText() << '\n';
        io.out << "Заводской номер " << setup.SerialNum << " и сетевой адрес "
               << static_cast<int>(setup.NetAddress) << " оставлены как в приборе\n";
    }
    return ReportTaskEnd(end, task, io);
}

int RunDump(const CommandLine& line, CliIo& io) {
    DeviceReading file;
    if (const int status = LoadArchive(line.file, *line.edition, file, io); status != ExitDone)
        return status;
    const Json json = DataSetJson(*line.edition, file.Data, file.Calibration);
    if (line.json)
        io.out << DumpJson(json) << '\n';
    else
        WriteTextDump(io.out, *line.edition, json);
    return ExitDone;
}

} // namespace cli
