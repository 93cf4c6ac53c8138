#pragma once

// Texts of the channel layer. The queue's own two stay as they always were.
namespace channels::text {

inline constexpr const char* QueueOverflow = "Queue overflow";
inline constexpr const char* QueueNotEmpty = "Queue is not empty";

inline constexpr const char* PortNotOpen = "COM-порт не открыт";
inline constexpr const char* DeviceSilent = "Прибор не отвечает";
inline constexpr const char* BadPortHandle = "Неверный дескриптор порта";

// A serial device that disappeared (USB adapter pulled, line hung up).
inline constexpr const char* PortLost = "Связь с COM-портом потеряна: устройство отключено";
// A wait on the worker ended because the channel is being closed.
inline constexpr const char* Cancelled = "Операция прервана";
// A request kind that no port object of the channel performs (%d: the kind).
inline constexpr const char* KindNotSupported = "Запрос %d не поддерживается этим каналом";
// The queue no longer takes requests: the channel is being destroyed.
inline constexpr const char* ChanelClosing = "Канал закрывается";
// A failure that carried no text of its own.
inline constexpr const char* UnknownFailure = "Неизвестная ошибка";

} // namespace channels::text
