#include "channels/TtapiCallState.h"

namespace channels {

namespace {

struct StateText {
    CallState State;
    const char* Text;
};

constexpr StateText StateTexts[] = {
    {CallState::Idle, "Линия в состоянии ожидания"},
    {CallState::Offering, "Прием вызова"},
    {CallState::Accepted, "Вызов принят"},
    {CallState::Dialtone, "Линия готова"},
    {CallState::Dialing, "Набор номера"},
    {CallState::Ringback, "Обратный звонок"},
    {CallState::Busy, "Линия занята"},
    {CallState::SpecialInfo, "Обмен служебной информацией"},
    {CallState::Connected, "Соединение установлено"},
    {CallState::Proceeding, "Ожидание ответа"},
    {CallState::OnHold, "Пауза"},
    {CallState::Disconnected, "Соединение разорвано"},
    {CallState::Unknown, "Состояние линии не определено"},
};

} // namespace

const char* CallStateText(CallState state) {
    for (const StateText& entry : StateTexts) {
        if (entry.State == state) {
            return entry.Text;
        }
    }
    return "";
}

} // namespace channels
