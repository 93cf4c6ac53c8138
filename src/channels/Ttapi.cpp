#include "channels/Ttapi.h"

#include "channels/AtDialString.h"
#include "channels/AtTerminal.h"
#include "channels/TtapiTexts.h"

#include <algorithm>
#include <exception>

TTapi::TTapi(platform::UiQueue& ui, std::vector<channels::ModemLineConfig> lines)
    : Queue(ui), Lines(std::move(lines)),
      Finished(ui, [this](const platform::Message&) { Reap(); }) {
    if (Lines.size() > channels::MaxModemLines) {
        Lines.resize(channels::MaxModemLines);
    }
    for (std::size_t i = 0; i < Lines.size(); ++i) {
        Devices.push_back({Lines[i].Name, static_cast<std::uint8_t>(i)});
    }
}

TTapi::TTapi(platform::UiQueue& ui, const std::vector<channels::SerialPortEntry>& ports,
             const persistence::SettingsStore& store)
    : TTapi(ui, channels::ModemLines(ports, store.Read())) {}

TTapi::~TTapi() {
    Finished.Close();
    for (TTapiConnection* connection : std::set<TTapiConnection*>(Connections)) {
        connection->HangUp();
        connection->Owner = nullptr;
    }
    Connections.clear();
    for (const auto& session : Sessions) {
        session->Hurry();
    }
    for (const auto& session : Sessions) {
        session->Join();
    }
}

std::string TTapi::GetDeviceName(int index) const {
    return index >= 0 && index < GetDeviceCount() ? Devices[index].Name : std::string();
}

int TTapi::FindDevice(const std::string& name) const {
    for (int i = 0; i < GetDeviceCount(); ++i) {
        if (Devices[i].Name == name) {
            return i;
        }
    }
    return -1;
}

int TTapi::GetDeviceId(int index) const {
    return index >= 0 && index < GetDeviceCount() ? Devices[index].DeviceId : -1;
}

const channels::ModemLineConfig* TTapi::GetLine(int index) const {
    return index >= 0 && index < GetDeviceCount() ? &Lines[index] : nullptr;
}

std::shared_ptr<channels::CallSession> TTapi::OpenSession(int index, platform::MailAddress events,
                                                          std::string& failure) {
    Reap();
    const channels::ModemLineConfig* line = GetLine(index);
    if (!line) {
        return nullptr;
    }
    std::shared_ptr<channels::CallSession> previous;
    for (const auto& session : Sessions) {
        if (session->Line().Device == line->Device && !session->Finished()) {
            previous = session; // the latest one wins: calls take the line in turn
        }
    }
    int fd = -1;
    if (!previous) {
        try {
            fd = channels::AtTerminal::OpenDevice(line->Device);
        } catch (const std::exception& reason) {
            failure = reason.what();
            return nullptr;
        }
    }
    auto session = std::make_shared<channels::CallSession>(*line, fd, previous);
    try {
        session->Start(std::move(events), Finished.Address());
    } catch (const std::exception& reason) {
        failure = reason.what();
        return nullptr;
    }
    Sessions.push_back(session);
    return session;
}

void TTapi::Reap() {
    for (auto it = Sessions.begin(); it != Sessions.end();) {
        if ((*it)->Finished()) {
            (*it)->Join();
            it = Sessions.erase(it);
        } else {
            ++it;
        }
    }
}

TTapiConnection::TTapiConnection(TTapi* owner) : Owner(owner) {
    if (Owner) {
        Owner->Connections.insert(this);
    }
}

TTapiConnection::~TTapiConnection() {
    Life.reset();
    HangUp();
    if (Owner) {
        Owner->Connections.erase(this);
    }
}

bool TTapiConnection::OpenLine(int index) {
    if (Line) {
        HangUp();
    }
    LastFailure.clear();
    if (!Owner || !Owner->GetLine(index)) {
        LastFailure = channels::text::LineOpenFailed;
        return false;
    }
    DevCaps = *Owner->GetLine(index);
    Events = std::make_unique<platform::Mailbox>(
        Owner->Queue, [this](const platform::Message&) { OnLineMessage(); });
    std::string failure;
    Line = Owner->OpenSession(index, Events->Address(), failure);
    if (!Line) {
        Events.reset();
        LastFailure = channels::text::LineOpenFailed;
        if (!failure.empty()) {
            OnConsole(failure);
        }
        return false;
    }
    DeviceId = Owner->GetDeviceId(index);
    return true;
}

bool TTapiConnection::MakeCall(const std::string& number) {
    LastFailure.clear();
    if (!Line) {
        LastFailure = channels::text::LineOpenFailed;
        return false;
    }
    const channels::DialString dial = channels::TranslateAddress(number);
    if (!dial.Ok) {
        LastFailure = dial.Error;
        return false;
    }
    Line->Call(dial.Dialable);
    Call = ++LastCall == 0 ? ++LastCall : LastCall;
    return true;
}

void TTapiConnection::HangUp() {
    Events.reset(); // nothing of this call reaches anyone any more
    DataHandle.Release();
    if (Line) {
        Line->HangUp();
        Line.reset();
    }
    Call = 0;
    DevCaps = {};
}

void TTapiConnection::OnLineMessage() {
    if (!Line) {
        return;
    }
    std::optional<channels::CallEvent> event = Line->NextEvent();
    if (!event) {
        return;
    }
    if (!event->IsState) {
        OnConsole(event->Note);
        return;
    }
    OnCallState(event->State);
}

void TTapiConnection::OnCallState(channels::CallState state) {
    const std::weak_ptr<char> alive = Life;
    switch (state) {
    case channels::CallState::Dialing:
        OnState(1);
        break;
    case channels::CallState::Connected:
        DataHandle = Line->TakeData();
        OnState(2);
        break;
    case channels::CallState::Disconnected:
        DataHandle.Release();
        HangUp();
        OnState(0);
        break;
    default:
        break;
    }
    if (!alive.expired()) {
        OnConsole(channels::CallStateText(state));
    }
}

bool TTapiVault::Make(const std::function<std::unique_ptr<TTapi>()>& make) {
    if (Tapi) {
        return true;
    }
    try {
        Tapi = make ? make() : nullptr;
    } catch (const std::exception&) {
        Tapi.reset();
    }
    return static_cast<bool>(Tapi);
}

TTapiVault& TapiVault() {
    static TTapiVault vault;
    return vault;
}

std::unique_ptr<TTapi> MakeProgramTapi(platform::UiQueue& ui,
                                       const persistence::SettingsStore& store) {
    return std::make_unique<TTapi>(ui, channels::SerialModemPorts(), store);
}
