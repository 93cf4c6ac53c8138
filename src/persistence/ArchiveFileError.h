#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

// What can go wrong with an archive file, each with the text the user sees.
// The reader's faults come in the order of its checks.
namespace persistence {

enum class ArchiveFault {
    HeaderRead,   // "Ошибка при чтении заголовка"
    WrongFormat,  // "Неправильный формат файла"
    IdentTooLong, // identification block beyond the reader's buffer
    IdentRead, // "Ошибка при чтении идентификационных данных"
    UnknownDevice,  // "Неизвестный тип прибора"
    UnknownVersion, // "Неизвестная версия прибора"
    CurrentTooLong, // "Невернjое количество данных текущих параметров"
    CurrentRead, // "Ошибка при чтении текущих параметров"
    SetupTooLong, // "Невернjое количество данных настроечных параметров"
    SetupRead,     // "Ошибка при чтении настроечных параметров"
    ArchiveLength, // "Неверная длина архивных параметров"
    ArchiveRead,   // "Ошибка при чтении архивных параметров"
    JournalLength, // "Неверная длина журнала"
    JournalRead,   // "Ошибка при чтении журнала"
    OpenFailed,    // the file cannot be opened for reading
    CreateFailed,  // the file cannot be created
    WriteFailed,   // writing or completing the file failed
    TooManyRecords, // a list longer than a 16-bit count
};

// The fixed text of a fault.
const char* ArchiveFaultText(ArchiveFault fault);

class ArchiveFileError : public std::runtime_error {
public:
    // The fault's own text.
    explicit ArchiveFileError(ArchiveFault fault);
    ArchiveFileError(ArchiveFault fault, const std::string& message);

    ArchiveFault Fault() const { return fault_; }

private:
    ArchiveFault fault_;
};

// Russian text for a system error number, for the file messages.
std::string FileSystemErrorText(int error);

} // namespace persistence
