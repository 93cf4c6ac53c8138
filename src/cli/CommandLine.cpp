#include "cli/CommandLine.h"

#include "editions/RegisterMaps.h"

#include <charconv>
#include <limits>

namespace cli {
namespace {

using Mask = unsigned;

constexpr Mask Bit(Command c) {
    return 1u << static_cast<unsigned>(c);
}

constexpr Mask DeviceCommands = Bit(Command::Read) | Bit(Command::Monitor) | Bit(Command::SetTime) |
                                Bit(Command::ClearArchive) | Bit(Command::ReadCalibration) |
                                Bit(Command::WriteCalibration) | Bit(Command::WriteSetup);
constexpr Mask AllCommands = ~0u;

// What follows a subcommand's options on its line.
enum class Operands { None, ArchiveFile, Assignments };

struct CommandSpec {
    const char* Name;
    Command Id;
    Operands Takes;
    const char* Synopsis; // after the name
    const char* Summary;
};

const CommandSpec Commands[] = {
    {"read", Command::Read, Operands::None,
     "-o ФАЙЛ.arch [--no-hourly] [--no-daily] [--no-monthly] [--no-journal]",
     "считать всё из прибора (все архивы, кроме исключённых ключами) и сохранить в файл "
     "архива"},
    {"monitor", Command::Monitor, Operands::None, "[--count K] [--interval СЕК]",
     "читать текущие параметры с интервалом мониторинга и печатать каждый цикл"},
    {"set-time", Command::SetTime, Operands::None, "",
     "установить часы прибора по часам компьютера"},
    {"clear-archive", Command::ClearArchive, Operands::None, "--yes",
     "сбросить счётчики и архивы прибора"},
    {"read-calibration", Command::ReadCalibration, Operands::None, "",
     "считать и напечатать калибровочные параметры"},
    {"write-calibration", Command::WriteCalibration, Operands::Assignments, "ИМЯ=ЗНАЧЕНИЕ...",
     "изменить калибровочные параметры (остальные остаются как в приборе)"},
    {"write-setup", Command::WriteSetup, Operands::None, "--from ФАЙЛ.arch",
     "записать в прибор настроечные параметры из файла архива (заводской номер и сетевой "
     "адрес прибора не меняются)"},
    {"dump", Command::Dump, Operands::ArchiveFile, "ФАЙЛ.arch [--json]",
     "показать всё содержимое файла архива (текстом или JSON)"},
    {"demo", Command::Demo, Operands::None, "[-o ПАПКА]",
     "запустить встроенный симулятор прибора, считать его, сохранить и показать архив"},
};

std::string Quoted(const std::string& word) {
    return "«" + word + "»";
}

// A whole decimal integer within [low, high].
bool ParseInteger(const std::string& text, long long low, long long high, long long& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto [stop, ec] = std::from_chars(begin, end, value);
    return begin != end && ec == std::errc() && stop == end && value >= low && value <= high;
}

std::string ApplyEdition(CommandLine& line, const std::string& value) {
    long long version = 0;
    const Edition* edition = nullptr;
    if (ParseInteger(value, 0, 9, version))
        edition = EditionForVersion(static_cast<int>(version));
    if (!edition)
        return "неверная редакция " + Quoted(value) + ": допустимы 3 и 2";
    line.edition = edition;
    return {};
}

std::string ApplyAddress(CommandLine& line, const std::string& value) {
    long long address = 0;
    if (!ParseInteger(value, 0, 254, address))
        return "неверный сетевой адрес " + Quoted(value) + ": допустимо целое число от 0 до 254";
    line.connection.Address = static_cast<int>(address);
    return {};
}

std::string ApplyCount(CommandLine& line, const std::string& value) {
    long long count = 0;
    if (!ParseInteger(value, 1, std::numeric_limits<int>::max(), count))
        return "неверное число циклов " + Quoted(value) + ": нужно целое число больше нуля";
    line.count = static_cast<int>(count);
    return {};
}

std::string ApplyInterval(CommandLine& line, const std::string& value) {
    long long seconds = 0;
    if (!ParseInteger(value, 1, 1000, seconds))
        return "неверный интервал " + Quoted(value) + ": допустимо целое число секунд от 1 до 1000";
    line.connection.Interval = static_cast<int>(seconds);
    return {};
}

std::string NonEmpty(const char* what, const std::string& value) {
    return value.empty() ? std::string(what) + " не может быть пустым" : std::string();
}

struct OptionSpec {
    const char* Name;
    const char* ValueName; // null: a flag
    Mask Commands;
    const char* Help;
    std::string (*Apply)(CommandLine&, const std::string&);
};

const OptionSpec Options[] = {
    {"--edition", "3|2", AllCommands, "редакция протокола прибора (по умолчанию 3)", ApplyEdition},
    {"--port", "ПОРТ", DeviceCommands, "последовательный порт (COM1, ttyUSB0, /dev/pts/3 ...)",
     [](CommandLine& l, const std::string& v) {
         l.connection.Port = v;
         return NonEmpty("имя порта", v);
     }},
    {"--address", "A", DeviceCommands, "сетевой адрес прибора, 0..254", ApplyAddress},
    {"--modem", "ИМЯ", DeviceCommands, "связь через модем: имя линии модема",
     [](CommandLine& l, const std::string& v) {
         l.connection.Modem = v;
         return NonEmpty("имя модема", v);
     }},
    {"--phone", "НОМЕР", DeviceCommands, "связь через модем: номер телефона",
     [](CommandLine& l, const std::string& v) {
         l.connection.Phone = v;
         return NonEmpty("номер телефона", v);
     }},
    {"--config", "ПАПКА", DeviceCommands, "папка хранилища настроек (RX58Manager.reg)",
     [](CommandLine& l, const std::string& v) {
         l.configDir = v;
         return NonEmpty("папка настроек", v);
     }},
    {"-o", "ФАЙЛ", Bit(Command::Read) | Bit(Command::Demo),
     "файл архива (read) или папка для него (demo)",
     [](CommandLine& l, const std::string& v) {
         l.output = v;
         return NonEmpty("имя файла", v);
     }},
    {"--no-hourly", nullptr, Bit(Command::Read), "не читать часовой архив",
     [](CommandLine& l, const std::string&) {
         l.read.Hourly = false;
         return std::string();
     }},
    {"--no-daily", nullptr, Bit(Command::Read), "не читать суточный архив",
     [](CommandLine& l, const std::string&) {
         l.read.Daily = false;
         return std::string();
     }},
    {"--no-monthly", nullptr, Bit(Command::Read), "не читать месячный архив",
     [](CommandLine& l, const std::string&) {
         l.read.Monthly = false;
         return std::string();
     }},
    {"--no-journal", nullptr, Bit(Command::Read), "не читать журнал",
     [](CommandLine& l, const std::string&) {
         l.read.Journal = false;
         return std::string();
     }},
    {"--count", "K", Bit(Command::Monitor), "остановиться после K циклов (иначе до Ctrl-C)",
     ApplyCount},
    {"--interval", "СЕК", Bit(Command::Monitor),
     "пауза между циклами на этот запуск (иначе из настроек)", ApplyInterval},
    {"--yes", nullptr, Bit(Command::ClearArchive), "подтверждение сброса архива",
     [](CommandLine& l, const std::string&) {
         l.yes = true;
         return std::string();
     }},
    {"--from", "ФАЙЛ.arch", Bit(Command::WriteSetup), "файл архива с настроечными параметрами",
     [](CommandLine& l, const std::string& v) {
         l.from = v;
         return NonEmpty("имя файла", v);
     }},
    {"--json", nullptr, Bit(Command::Dump), "вывести в формате JSON",
     [](CommandLine& l, const std::string&) {
         l.json = true;
         return std::string();
     }},
};

const CommandSpec* FindCommand(const std::string& name) {
    for (const CommandSpec& spec : Commands)
        if (name == spec.Name)
            return &spec;
    return nullptr;
}

const CommandSpec* SpecOf(Command command) {
    for (const CommandSpec& spec : Commands)
        if (spec.Id == command)
            return &spec;
    return nullptr;
}

const OptionSpec* FindOption(const std::string& name) {
    for (const OptionSpec& spec : Options)
        if (name == spec.Name)
            return &spec;
    return nullptr;
}

bool IsHelp(const std::string& word) {
    return word == "--help" || word == "-h";
}

std::string CalibrationNames() {
    std::string names;
    for (const editions::RegisterField& f : editions::register_maps_detail::Calibration) {
        if (!names.empty())
            names += ", ";
        names += f.Name;
    }
    return names;
}

std::string ApplyAssignment(CommandLine& line, const std::string& word) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos)
        return "ожидалось ИМЯ=ЗНАЧЕНИЕ, получено " + Quoted(word);
    const std::string name = word.substr(0, equals);
    const std::string value = word.substr(equals + 1);
    const editions::RegisterField* field = FindCalibrationField(name);
    if (!field)
        return "неизвестный калибровочный параметр " + Quoted(name) +
               "; допустимы: " + CalibrationNames();
    const bool isSigned = field->Type == editions::FieldType::I16;
    const long long low = isSigned ? std::numeric_limits<std::int16_t>::min() : 0;
    const long long high = isSigned ? std::numeric_limits<std::int16_t>::max()
                                    : std::numeric_limits<std::uint16_t>::max();
    long long number = 0;
    if (!ParseInteger(value, low, high, number))
        return "неверное значение " + Quoted(value) + " параметра " + name +
               ": допустимо целое число от " + std::to_string(low) + " до " + std::to_string(high);
    for (CalibrationAssignment& a : line.calibration)
        if (a.Field == field) {
            a.Value = static_cast<int>(number);
            return {};
        }
    line.calibration.push_back({field, static_cast<int>(number)});
    return {};
}

// What a complete line still needs once every word has been taken.
std::string CheckComplete(const CommandLine& line) {
    const ConnectionOverride& c = line.connection;
    if (c.Port && (c.Modem || c.Phone))
        return "--port и --modem/--phone нельзя задавать вместе";
    switch (line.command) {
    case Command::None:
        return "не задана команда";
    case Command::Read:
        if (line.output.empty())
            return "команде read нужен файл: -o ФАЙЛ.arch";
        break;
    case Command::ClearArchive:
        if (!line.yes)
            return "сброс архива стирает счётчики и архивы прибора: подтвердите его ключом --yes";
        break;
    case Command::WriteCalibration:
        if (line.calibration.empty())
            return "команде write-calibration нужен хотя бы один параметр ИМЯ=ЗНАЧЕНИЕ";
        break;
    case Command::WriteSetup:
        if (line.from.empty())
            return "команде write-setup нужен файл: --from ФАЙЛ.arch";
        break;
    case Command::Dump:
        if (line.file.empty())
            return "команде dump нужен файл архива";
        break;
    default:
        break;
    }
    return {};
}

} // namespace

void ConnectionOverride::ApplyTo(RX58ChanelSetup& setup) const {
    if (Port) {
        setup.CurrentChanel = 0;
        setup.ComPortName = *Port;
    }
    if (Modem || Phone)
        setup.CurrentChanel = 1;
    if (Modem)
        setup.ModemName = *Modem;
    if (Phone)
        setup.PhoneNumber = *Phone;
    if (Address)
        setup.NetAddress = *Address;
    if (Interval)
        setup.MonitoringInterval = *Interval;
}

// A script gets the same reading wherever it runs: the command line alone
// says which archives are read, not the options the window last stored.
void ReadSelection::ApplyTo(ReadSettings& settings) const {
    settings.ReadHourArchive = Hourly;
    settings.ReadDayArchive = Daily;
    settings.ReadMonthArchive = Monthly;
    settings.ReadJournal = Journal;
}

const editions::RegisterField* FindCalibrationField(const std::string& name) {
    for (const editions::RegisterField& f : editions::register_maps_detail::Calibration)
        if (name == f.Name)
            return &f;
    return nullptr;
}

ParseResult ParseCommandLine(std::span<const std::string> args) {
    ParseResult result;
    CommandLine& line = result.line;
    const CommandSpec* command = nullptr;
    bool operandsOnly = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (!operandsOnly && IsHelp(word)) {
            line.help = true;
            result.error.clear();
            return result;
        }
        if (!result.error.empty())
            continue; // keep looking for --help, which wins over an error
        if (!operandsOnly && word == "--" && command) {
            operandsOnly = true;
            continue;
        }
        if (operandsOnly || word.empty() || word[0] != '-' || word == "-") {
            if (!command) {
                command = FindCommand(word);
                if (!command)
                    result.error = "неизвестная команда " + Quoted(word);
                else
                    line.command = command->Id;
            } else if (command->Takes == Operands::ArchiveFile && line.file.empty()) {
                line.file = word;
            } else if (command->Takes == Operands::Assignments) {
                result.error = ApplyAssignment(line, word);
            } else {
                result.error = "лишний аргумент " + Quoted(word);
            }
            continue;
        }

        // An option, "--name value" or "--name=value".
        std::string name = word;
        std::optional<std::string> value;
        if (const std::size_t equals = word.find('='); equals != std::string::npos) {
            name = word.substr(0, equals);
            value = word.substr(equals + 1);
        }
        const OptionSpec* option = FindOption(name);
        if (!option) {
            result.error = "неизвестный ключ " + Quoted(name);
            continue;
        }
        const Mask where = command ? Bit(command->Id) : Bit(Command::None);
        if (option->Commands != AllCommands && (option->Commands & where) == 0) {
            result.error = command ? "ключ " + Quoted(name) + " не относится к команде " +
                                         Quoted(command->Name)
                                   : "ключ " + Quoted(name) + " ставится после команды";
            continue;
        }
        if (!option->ValueName) {
            if (value)
                result.error = "ключ " + Quoted(name) + " не принимает значения";
            else
                result.error = option->Apply(line, {});
            continue;
        }
        if (!value) {
            // A following option is not taken as the value (a negative number is).
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0 || IsHelp(args[i + 1])) {
                result.error = "ключу " + Quoted(name) + " нужно значение " + option->ValueName;
                continue;
            }
            value = args[++i];
        }
        result.error = option->Apply(line, *value);
    }
    if (result.error.empty())
        result.error = CheckComplete(line);
    return result;
}

const char* CommandName(Command command) {
    const CommandSpec* spec = SpecOf(command);
    return spec ? spec->Name : "";
}

bool IsDeviceCommand(Command command) {
    return (DeviceCommands & Bit(command)) != 0;
}

std::string HelpText(Command command) {
    std::string text;
    auto optionLines = [&](Mask where, bool withGlobal) {
        for (const OptionSpec& o : Options) {
            const bool global = o.Commands == AllCommands;
            if (global ? !withGlobal : (o.Commands & where) == 0)
                continue;
            std::string head = std::string("  ") + o.Name;
            if (o.ValueName)
                head += std::string(" ") + o.ValueName;
            text += head;
            // Pads by characters, not bytes: the value names are Cyrillic.
            std::size_t width = 0;
            for (unsigned char c : head)
                width += (c & 0xC0) != 0x80;
            text += std::string(width < 24 ? 24 - width : 1, ' ');
            text += o.Help;
            text += '\n';
        }
        text += "  --help                эта справка\n";
    };

    const CommandSpec* spec = SpecOf(command);
    if (!spec) {
        text += std::string("Использование: ") + ProgramName +
                " [--edition 3|2] КОМАНДА [КЛЮЧИ...]\n\n"
                "Служебная программа теплосчётчика YTK36.1.7 без графического окна.\n\n"
                "Команды:\n";
        for (const CommandSpec& c : Commands) {
            std::string head = std::string("  ") + c.Name;
            text +=
                head + std::string(head.size() < 20 ? 20 - head.size() : 1, ' ') + c.Summary + '\n';
        }
        text += "\nОбщие ключи:\n";
        optionLines(0, true);
        text += std::string("\nКлючи связи (для команд, работающих с прибором) заменяют "
                            "сохранённые настройки\nсоединения только на этот запуск:\n");
        for (const char* name : {"--port", "--address", "--modem", "--phone", "--config"}) {
            const OptionSpec* o = FindOption(name);
            text += std::string("  ") + o->Name + " " + o->ValueName + " — " + o->Help + '\n';
        }
        text += std::string("\nСправка по команде: ") + ProgramName +
                " КОМАНДА --help\n"
                "Коды завершения: 0 выполнено, 1 ошибка прибора или файла, 2 неверная "
                "командная строка,\n130 прервано (Ctrl-C).\n";
        return text;
    }
    text += std::string("Использование: ") + ProgramName + " [--edition 3|2] " + spec->Name;
    if (IsDeviceCommand(command))
        text += " [КЛЮЧИ СВЯЗИ]";
    if (*spec->Synopsis)
        text += std::string(" ") + spec->Synopsis;
    text += "\n\n" + std::string(spec->Summary) + ".\n";
    if (command == Command::WriteCalibration)
        text += "Имена: " + CalibrationNames() + ".\n";
    text += "\nКлючи:\n";
    optionLines(Bit(command), true);
    return text;
}

} // namespace cli
