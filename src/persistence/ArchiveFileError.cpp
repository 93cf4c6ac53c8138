#include "persistence/ArchiveFileError.h"

#include <cerrno>

namespace persistence {
namespace {

struct FaultText {
    ArchiveFault Fault;
    const char* Text;
};

// The reader's texts are the program's own, typing slips included: users
// and their notes know them word for word.
constexpr FaultText FaultTexts[] = {
    {ArchiveFault::HeaderRead, "Ошибка при чтении заголовка"},
    {ArchiveFault::WrongFormat, "Неправильный формат файла"},
    {ArchiveFault::IdentTooLong, "Неверная длина идентификационных данных"},
    {ArchiveFault::IdentRead, "Ошибка при чтении идентификационных данных"},
    {ArchiveFault::UnknownDevice, "Неизвестный тип прибора"},
    {ArchiveFault::UnknownVersion, "Неизвестная версия прибора"},
    {ArchiveFault::CurrentTooLong, "Невернjое количество данных текущих параметров"},
    {ArchiveFault::CurrentRead, "Ошибка при чтении текущих параметров"},
    {ArchiveFault::SetupTooLong, "Невернjое количество данных настроечных параметров"},
    {ArchiveFault::SetupRead, "Ошибка при чтении настроечных параметров"},
    {ArchiveFault::ArchiveLength, "Неверная длина архивных параметров"},
    {ArchiveFault::ArchiveRead, "Ошибка при чтении архивных параметров"},
    {ArchiveFault::JournalLength, "Неверная длина журнала"},
    {ArchiveFault::JournalRead, "Ошибка при чтении журнала"},
    {ArchiveFault::OpenFailed, "Не удалось открыть файл"},
    {ArchiveFault::CreateFailed, "Не удалось создать файл"},
    {ArchiveFault::WriteFailed, "Ошибка при записи файла"},
    {ArchiveFault::TooManyRecords, "Слишком много записей для файла архива"},
};

struct ErrnoText {
    int Error;
    const char* Text;
};

constexpr ErrnoText ErrnoTexts[] = {
    {ENOSPC, "нет места на диске"},
    {EDQUOT, "превышена дисковая квота"},
    {EFBIG, "файл слишком велик"},
    {EACCES, "нет доступа"},
    {EPERM, "нет доступа"},
    {EROFS, "диск доступен только для чтения"},
    {ENOENT, "нет такого файла или папки"},
    {ENOTDIR, "в пути есть имя, которое не является папкой"},
    {EISDIR, "это папка, а не файл"},
    {EINVAL, "это не обычный файл"},
    {EIO, "ошибка ввода-вывода (устройство недоступно?)"},
    {ENXIO, "устройство недоступно"},
    {ENODEV, "устройство недоступно"},
    {ENAMETOOLONG, "слишком длинное имя файла"},
    {EMFILE, "открыто слишком много файлов"},
    {ENFILE, "открыто слишком много файлов"},
    {ENOMEM, "недостаточно памяти"},
};

} // namespace

const char* ArchiveFaultText(ArchiveFault fault) {
    for (const FaultText& t : FaultTexts)
        if (t.Fault == fault)
            return t.Text;
    return "Ошибка файла архива";
}

ArchiveFileError::ArchiveFileError(ArchiveFault fault)
    : std::runtime_error(ArchiveFaultText(fault)), fault_(fault) {}

ArchiveFileError::ArchiveFileError(ArchiveFault fault, const std::string& message)
    : std::runtime_error(message), fault_(fault) {}

std::string FileSystemErrorText(int error) {
    for (const ErrnoText& t : ErrnoTexts)
        if (t.Error == error)
            return t.Text;
    return "системная ошибка " + std::to_string(error);
}

} // namespace persistence
