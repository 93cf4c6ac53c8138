#pragma once

// Texts of the modem line, the dialer and the modem channel.
namespace channels::text {

inline constexpr const char* TapiNotReady = "Библиотека TAPI не инициализирована";
inline constexpr const char* NoModem = "Не выбран модем";
inline constexpr const char* NoPhoneNumber = "Нет номера телефона";
inline constexpr const char* LineOpenFailed = "Ошибка открытия линии";
inline constexpr const char* CallCancelled = "Отмена звонка";
inline constexpr const char* CallEnded = "Вызов завершен";
inline constexpr const char* TapiCallFailed = "Ошибка вызова TAPI функции";
inline constexpr const char* OutOfMemory = "Ошибка при выделении памяти";

// A dialable string has room for 80 characters (%d: how many it would take).
inline constexpr const char* NumberTooLong =
    "Слишком длинный номер телефона: %d символов для набора, допустимо не больше 80";
// A character a modem cannot dial (%s: the character).
inline constexpr const char* NumberBadCharacter = "Недопустимый символ в номере телефона: «%s»";

// Why a call did not come about, told before the call ends.
inline constexpr const char* ModemSilent = "Модем не отвечает на команды";
// %s: the command the modem refused.
inline constexpr const char* ModemRefused = "Модем не принял команду «%s»";
inline constexpr const char* NoAnswer = "Абонент не отвечает";
inline constexpr const char* NoCarrier = "Нет несущей: модем абонента не ответил";
inline constexpr const char* NoDialtone = "Нет гудка в линии";
inline constexpr const char* NumberBarred = "Модем временно запретил набор этого номера";
inline constexpr const char* ModemLineLost = "Связь с модемом потеряна";
// The line is still ending the previous call; this one waits for it.
inline constexpr const char* LineBusyWaiting = "Линия завершает предыдущий вызов, ожидание";
// The device of a line could not be opened (%s: the device, %s: the reason).
inline constexpr const char* LineDeviceFailed = "Модем %s не открыт: %s";

} // namespace channels::text
