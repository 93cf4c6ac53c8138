#include "rx58sim/Options.h"

#include <charconv>
#include <cstdio>
#include <functional>
#include <map>

namespace sim {

namespace {

bool ToInt(const std::string& text, long long low, long long high, long long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

bool ToShare(const std::string& text, double& value) {
    try {
        std::size_t used = 0;
        value = std::stod(text, &used);
        return used == text.size() && value >= 0 && value <= 1;
    } catch (const std::exception&) {
        return false;
    }
}

bool ToCivil(const std::string& text, CivilTime& t) {
    char tail = 0;
    const int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &t.Year, &t.Month, &t.Day,
                              &t.Hour, &t.Minute, &t.Second, &tail);
    return n == 6 && t.Year >= 2000 && t.Year <= 2099 && IsValidCivil(t);
}

// One option: whether it takes a value, and what it does with it; false
// when the value is not acceptable.
struct OptionSpec {
    bool TakesValue;
    std::function<bool(const std::string&, ParsedOptions&)> Apply;
};

OptionSpec Flag(std::function<void(ParsedOptions&)> set) {
    return {false, [set](const std::string&, ParsedOptions& o) {
                set(o);
                return true;
            }};
}

OptionSpec Int(long long low, long long high, std::function<void(ParsedOptions&, long long)> set) {
    return {true, [=](const std::string& text, ParsedOptions& o) {
                long long value = 0;
                if (!ToInt(text, low, high, value))
                    return false;
                set(o, value);
                return true;
            }};
}

OptionSpec Share(double FaultConfig::*field) {
    return {true, [field](const std::string& text, ParsedOptions& o) {
                return ToShare(text, o.Config.Link.Faults.*field);
            }};
}

OptionSpec Text(std::function<bool(ParsedOptions&, const std::string&)> set) {
    return {true, [set](const std::string& text, ParsedOptions& o) { return set(o, text); }};
}

OptionSpec Ring(int type, bool capacity) {
    return Int(capacity ? 2 : 0, 65535, [=](ParsedOptions& o, long long v) {
        RingPlan& plan = o.Config.Device.Archives.Rings[static_cast<std::size_t>(type)];
        (capacity ? plan.Capacity : plan.Count) = static_cast<int>(v);
    });
}

const std::map<std::string, OptionSpec>& Options() {
    static const std::map<std::string, OptionSpec> options{
        {"--edition", Int(2, 3,
                          [](ParsedOptions& o, long long v) {
                              o.Config.Device.DeviceEdition =
                                  EditionForVersion(static_cast<int>(v));
                          })},
        {"--address", Int(0, 255,
                          [](ParsedOptions& o, long long v) {
                              o.Config.Link.Address = static_cast<std::uint8_t>(v);
                          })},
        {"--pty", Flag([](ParsedOptions& o) { o.Config.Link.Transport = TransportKind::Pty; })},
        {"--link", Text([](ParsedOptions& o, const std::string& v) {
             o.Config.Link.LinkPath = v;
             return !v.empty();
         })},
        {"--serial", Text([](ParsedOptions& o, const std::string& v) {
             o.Config.Link.Transport = TransportKind::Serial;
             o.Config.Link.SerialPath = v;
             return !v.empty();
         })},
        {"--tcp", Int(0, 65535,
                      [](ParsedOptions& o, long long v) {
                          o.Config.Link.Transport = TransportKind::Tcp;
                          o.Config.Link.TcpPort = static_cast<int>(v);
                      })},
        {"--baud",
         Int(50, 4000000,
             [](ParsedOptions& o, long long v) { o.Config.Link.Baud = static_cast<int>(v); })},
        {"--locked", Flag([](ParsedOptions& o) { o.Config.Device.Locked = true; })},
        {"--hours", Ring(0, false)},
        {"--days", Ring(1, false)},
        {"--months", Ring(2, false)},
        {"--journal", Ring(3, false)},
        {"--hours-capacity", Ring(0, true)},
        {"--days-capacity", Ring(1, true)},
        {"--months-capacity", Ring(2, true)},
        {"--journal-capacity", Ring(3, true)},
        {"--wrapped", Flag([](ParsedOptions& o) { o.Config.Device.Archives.Wrapped = true; })},
        {"--erased", Int(0, 65535,
                         [](ParsedOptions& o, long long v) {
                             o.Config.Device.Archives.Erased = static_cast<int>(v);
                         })},
        {"--blank", Int(0, 65535,
                        [](ParsedOptions& o, long long v) {
                            o.Config.Device.Archives.Blank = static_cast<int>(v);
                        })},
        {"--damaged", Int(0, 65535,
                          [](ParsedOptions& o, long long v) {
                              o.Config.Device.Archives.Damaged = static_cast<int>(v);
                          })},
        {"--reset-delay", Int(0, 86400,
                              [](ParsedOptions& o, long long v) {
                                  o.Config.Device.ResetDelayMs = static_cast<int>(v * 1000);
                              })},
        {"--clock", Text([](ParsedOptions& o, const std::string& v) {
             CivilTime t;
             if (!ToCivil(v, t))
                 return false;
             o.Config.Device.StartClock = t;
             return true;
         })},
        {"--frozen", Flag([](ParsedOptions& o) { o.Config.Device.FrozenClock = true; })},
        {"--serial-number", Int(0, 65535,
                                [](ParsedOptions& o, long long v) {
                                    o.Config.Device.SerialNumber = static_cast<std::uint16_t>(v);
                                })},
        {"--seed", Int(0, 4294967295LL,
                       [](ParsedOptions& o, long long v) {
                           o.Config.Link.Faults.Seed = static_cast<std::uint32_t>(v);
                       })},
        {"--drop", Share(&FaultConfig::DropShare)},
        {"--corrupt", Share(&FaultConfig::CorruptShare)},
        {"--split", Share(&FaultConfig::SplitShare)},
        {"--split-gap", Int(0, 60000,
                            [](ParsedOptions& o, long long v) {
                                o.Config.Link.Faults.SplitGapMs = static_cast<int>(v);
                            })},
        {"--exception", Int(0, 255,
                            [](ParsedOptions& o, long long v) {
                                o.Config.Link.Faults.ExceptionCode = static_cast<int>(v);
                            })},
        {"--silent", Flag([](ParsedOptions& o) { o.Config.Link.Faults.Silent = true; })},
        {"--signature", Text([](ParsedOptions& o, const std::string& v) {
             if (v.size() != 4)
                 return false;
             o.Config.Link.Faults.Signature = std::array<char, 4>{v[0], v[1], v[2], v[3]};
             return true;
         })},
        {"--ident-version", Int(0, 255,
                                [](ParsedOptions& o, long long v) {
                                    o.Config.Link.Faults.IdentVersion = static_cast<int>(v);
                                })},
        {"--byte-count-lie", Int(-255, 255,
                                 [](ParsedOptions& o, long long v) {
                                     o.Config.Link.Faults.ByteCountLie = static_cast<int>(v);
                                 })},
        {"--page-count-lie", Int(-255, 255,
                                 [](ParsedOptions& o, long long v) {
                                     o.Config.Link.Faults.PageCountLie = static_cast<int>(v);
                                 })},
        {"--empty-pages", Flag([](ParsedOptions& o) { o.Config.Link.Faults.EmptyPages = true; })},
        {"--reply-bytes", Int(0, 1000000,
                              [](ParsedOptions& o, long long v) {
                                  o.Config.Link.Faults.ReplyBytes = static_cast<int>(v);
                              })},
        {"--noise", Int(0, 1000000,
                        [](ParsedOptions& o, long long v) {
                            o.Config.Link.Faults.NoiseBytes = static_cast<int>(v);
                        })},
        {"--modem", Flag([](ParsedOptions& o) { o.Config.Link.Modem = true; })},
        {"--answer-delay", Int(0, 600000,
                               [](ParsedOptions& o, long long v) {
                                   o.Config.Link.ModemSettings.AnswerDelayMs = static_cast<int>(v);
                               })},
        {"--guard-time", Int(20, 10000,
                             [](ParsedOptions& o, long long v) {
                                 o.Config.Link.ModemSettings.GuardTimeMs = static_cast<int>(v);
                             })},
        {"--connect-rate", Int(300, 4000000,
                               [](ParsedOptions& o, long long v) {
                                   o.Config.Link.ModemSettings.ConnectRate = static_cast<int>(v);
                               })},
        {"--dial-result", Text([](ParsedOptions& o, const std::string& v) {
             o.Config.Link.ModemSettings.ForcedResult = ParseDialResult(v);
             return o.Config.Link.ModemSettings.ForcedResult.has_value();
         })},
        {"--carrier-loss-after", Int(1, 86400000,
                                     [](ParsedOptions& o, long long v) {
                                         o.Config.Link.CarrierLossAfterMs = static_cast<int>(v);
                                     })},
        {"-v", Flag([](ParsedOptions& o) { o.Verbose = true; })},
        {"--verbose", Flag([](ParsedOptions& o) { o.Verbose = true; })},
        {"-h", Flag([](ParsedOptions& o) { o.Help = true; })},
        {"--help", Flag([](ParsedOptions& o) { o.Help = true; })},
    };
    return options;
}

} // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            inlineValue = true;
        }
        const auto found = Options().find(name);
        if (found == Options().end()) {
            parsed.Error = "неизвестный параметр " + name;
            return parsed;
        }
        const OptionSpec& spec = found->second;
        if (spec.TakesValue && !inlineValue) {
            if (i + 1 >= args.size()) {
                parsed.Error = "параметру " + name + " нужно значение";
                return parsed;
            }
            value = args[++i];
        } else if (!spec.TakesValue && inlineValue) {
            parsed.Error = "параметр " + name + " не принимает значения";
            return parsed;
        }
        if (!spec.Apply(value, parsed)) {
            parsed.Error = "недопустимое значение параметра " + name + ": " + value;
            return parsed;
        }
    }
    if (parsed.Config.Link.Transport != TransportKind::Pty && !parsed.Config.Link.LinkPath.empty())
        parsed.Error = "параметр --link действует только для псевдотерминала";
    return parsed;
}

const char* UsageText() {
    return R"(Использование: rx58sim [параметры]
Имитатор тепловычислителя RX58: ведомое устройство Modbus RTU.

Линия:
  --pty                    новый псевдотерминал (по умолчанию); путь выводится
  --link ПУТЬ              символьная ссылка на псевдотерминал, постоянная
  --serial УСТРОЙСТВО      существующий последовательный порт
  --tcp ПОРТ               TCP на 127.0.0.1 (0 - выбрать свободный порт)
  --baud N                 темп ответов N бит/с (8N1); скорость для --serial
  --address N              адрес Modbus 0..255 (0)
  -v, --verbose            строка о каждом обмене в stderr

Прибор:
  --edition 3|2            версия протокола (3)
  --locked                 запись запрещена (исключение 7)
  --clock "ГГГГ-ММ-ДД чч:мм:сс"  начальное время часов (местное время)
  --frozen                 часы стоят, значения не меняются
  --serial-number N        заводской номер (1234)
  --reset-delay С          задержка сброса архива, с (30)
  --hours N  --days N  --months N  --journal N    число записей
  --hours-capacity N ...   размер кольца (1536, 384, 48, 1024)
  --wrapped                кольца прошли круг (First > Next)
  --erased N --blank N --damaged N   стертые, пустые и испорченные записи

Сбои (воспроизводимы с --seed N):
  --drop P  --corrupt P  --split P   доля потерянных, с неверной CRC,
                           разделенных ответов (0..1)
  --split-gap МС           пауза внутри разделенного ответа (60)
  --exception КОД          на всё отвечать исключением
  --silent                 не отвечать
  --signature XXXX         чужая сигнатура идентификации
  --ident-version N        чужая версия в идентификации
  --byte-count-lie N       ложное число байт в ответах на чтение
  --page-count-lie N       ложное число записей в страницах архива
  --empty-pages            страницы архива без записей
  --reply-bytes N          ответы, дополненные шумом до N байт
  --noise N                на каждый запрос N байт шума вместо ответа

Модем:
  --modem                  AT-команды перед прибором
  --answer-delay МС        задержка ответа на вызов (1000)
  --guard-time МС          защитное время "+++" (1000)
  --dial-result R          connect|busy|no-answer|no-carrier|no-dialtone
                           (иначе по номеру: 3, 6, 7, 8 - коды отказов)
  --connect-rate N         скорость в "CONNECT N" (19200)
  --carrier-loss-after МС  потеря несущей через МС после соединения
)";
}

} // namespace sim
