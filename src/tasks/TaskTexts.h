#pragma once

// Status texts of the device tasks, as the user sees them.

namespace tasks::texts {

inline constexpr const char* ChanelCreateError = "Ошибка при создании канала";
inline constexpr const char* Connected = "Соединение установлено";
inline constexpr const char* Connecting = "Устанавливается соединение";
inline constexpr const char* NotConnected = "Соединение не установлено";
inline constexpr const char* ConnectionLost = "Соединение разорвано";
inline constexpr const char* RetriesExhausted = "Истекли попытки повтора";
inline constexpr const char* NoReply = "Нет ответа от прибора";
inline constexpr const char* CrcError = "Ошибка CRC в ответе от прибора";
inline constexpr const char* UnknownDevice = "Неизвестный тип прибора";
inline constexpr const char* UnknownVersion = "Неизвестная версия прибора";
inline constexpr const char* BadDataCount = "Неверное количество данных в ответе от прибора";

inline constexpr const char* ReadingVersion = "Чтение версии прибора";
inline constexpr const char* ReadingCurrent = "Чтение текущих параметров";
inline constexpr const char* ReadingSetup = "Чтение настроечных параметров";
inline constexpr const char* ReadingMonthly = "Чтение месячного архива";
inline constexpr const char* ReadingDaily = "Чтение суточного архива";
inline constexpr const char* ReadingHourly = "Чтение часового архива";
inline constexpr const char* ReadingJournal = "Чтение журнала";
inline constexpr const char* ReadAllDone = "Чтение параметров выполнено";
inline constexpr const char* Waiting = "Ожидание ...";

inline constexpr const char* WritingSetup = "Запись настроечных параметров";
inline constexpr const char* WriteSetupDone = "Запись параметров выполнена";
inline constexpr const char* SettingTime = "Установка текущего времени";
inline constexpr const char* SetTimeDone = "Установка текущего времени выполнена";
inline constexpr const char* ClearingArchive = "Сброс архива";
inline constexpr const char* ClearArchiveDone = "Сброс архива будет выполнен через 30 секунд";
inline constexpr const char* ReadingCalibration = "Чтение калибровочных параметров";
inline constexpr const char* ReadCalibrationDone = "Чтение калибровочных параметров выполнено";
inline constexpr const char* WritingCalibration = "Запись калибровочных параметров";
inline constexpr const char* WriteCalibrationDone = "Запись калибровочных параметров выполнена";

} // namespace tasks::texts
