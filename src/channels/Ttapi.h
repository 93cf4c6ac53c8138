#pragma once

#include "channels/AtCallSession.h"
#include "channels/ModemDataLease.h"
#include "channels/ModemLineList.h"
#include "persistence/SettingsStore.h"
#include "platform/Callback.h"
#include "platform/Mailbox.h"
#include "platform/UiQueue.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

// A data-modem line by name, as the connection dialog lists it.
struct TAPI_DEVICE {
    std::string Name;
    std::uint8_t DeviceId = 0;
};

class TTapiConnection;

// The telephony service of the program: the data-modem lines (Hayes
// modems on serial lines) and the calls made on them. Made, used and
// destroyed on the user-interface thread; the calls talk to their modems
// on threads of their own and report back on that thread.
class TTapi {
public:
    // The lines of the given list.
    TTapi(platform::UiQueue& ui, std::vector<channels::ModemLineConfig> lines);
    // The serial ports given and the lines the store adds under "Modems".
    TTapi(platform::UiQueue& ui, const std::vector<channels::SerialPortEntry>& ports,
          const persistence::SettingsStore& store);
    // Detaches the connections still made on it (their owners delete them),
    // cuts every hang-up short and waits for the calls' threads.
    ~TTapi();
    TTapi(const TTapi&) = delete;
    TTapi& operator=(const TTapi&) = delete;

    int GetDeviceCount() const { return static_cast<int>(Devices.size()); }
    // "" beyond the list.
    std::string GetDeviceName(int index) const;
    // The first line with exactly this name; -1 when none.
    int FindDevice(const std::string& name) const;
    // -1 beyond the list.
    int GetDeviceId(int index) const;
    // The line of a list index; null beyond the list.
    const channels::ModemLineConfig* GetLine(int index) const;

    // Calls that still hold a line or a thread: being set up, up, or
    // hanging up. 0 once everything has ended.
    int ActiveCalls() const { return static_cast<int>(Sessions.size()); }

    const std::vector<TAPI_DEVICE>& GetDevices() const { return Devices; }

private:
    friend class TTapiConnection;

    // Starts a call on the line of `index`, reporting to `events`. The
    // device is opened now, unless a call on the same device is still
    // hanging up: then the new call opens it when that one has ended. Null,
    // with the reason, when the device cannot be opened.
    std::shared_ptr<channels::CallSession> OpenSession(int index, platform::MailAddress events,
                                                       std::string& failure);
    // Joins the calls that have ended.
    void Reap();

    platform::UiQueue& Queue;
    std::vector<channels::ModemLineConfig> Lines;
    std::vector<TAPI_DEVICE> Devices;
    std::set<TTapiConnection*> Connections;
    std::vector<std::shared_ptr<channels::CallSession>> Sessions;
    platform::Mailbox Finished;
};

// One call on a line of a TTapi, as its owner (the modem channel) sees it:
// opening the line, placing the call, the call states with their texts on
// OnConsole, and OnState with 1 (dialling), 2 (connected: the data
// descriptor can be taken) and 0 (the call ended). Everything on the
// user-interface thread.
class TTapiConnection {
public:
    explicit TTapiConnection(TTapi* owner);
    // Hangs up.
    ~TTapiConnection();
    TTapiConnection(const TTapiConnection&) = delete;
    TTapiConnection& operator=(const TTapiConnection&) = delete;

    platform::Callback<void(const std::string& text)> OnConsole;
    platform::Callback<void(int state)> OnState;

    // Hangs up first if a line is open. False without an owner, for an
    // index beyond the list, or when the device cannot be opened (the
    // reason goes to OnConsole).
    bool OpenLine(int index);
    // Places the call to the number, translated for dialling. False when
    // no line is open or the number cannot be dialled (LastError says why).
    bool MakeCall(const std::string& number);
    // Ends the call and releases the line: no event follows.
    void HangUp();

    // The connected call's data descriptor, handed over once (the channel
    // adopts the line with it). Empty before CONNECTED and after the end.
    channels::DataLease TakeDataHandle() { return std::move(DataHandle); }

    const std::string& LastError() const { return LastFailure; }
    bool IsLineOpen() const { return static_cast<bool>(Line); }
    bool HasCall() const { return Call != 0; }
    int GetDeviceId() const { return DeviceId; }
    TTapi* GetOwner() const { return Owner; }

private:
    friend class TTapi;

    // The line callback: one call event has come.
    void OnLineMessage();
    void OnCallState(channels::CallState state);

    TTapi* Owner;
    channels::ModemLineConfig DevCaps;
    std::shared_ptr<channels::CallSession> Line;
    std::uint32_t Call = 0;
    channels::DataLease DataHandle;
    int DeviceId = -1;
    std::unique_ptr<platform::Mailbox> Events;
    std::string LastFailure;
    std::uint32_t LastCall = 0;
    // Expires with the connection, so a handler that deleted it stops the
    // callback from touching it.
    std::shared_ptr<char> Life = std::make_shared<char>();
};

// The program's one telephony service: empty until the main window asks
// for it; a service that cannot be made leaves it empty.
class TTapiVault {
public:
    // Keeps what `make` returns unless a service is kept already; an
    // exception leaves the vault empty. Whether a service is kept.
    bool Make(const std::function<std::unique_ptr<TTapi>()>& make);
    TTapi* Get() const { return Tapi.get(); }
    bool IsEmpty() const { return !Tapi; }
    // Ends the service (program end, tests).
    void Clear() { Tapi.reset(); }

private:
    std::unique_ptr<TTapi> Tapi;
};

TTapiVault& TapiVault();

// The program's telephony service: the serial ports present and the lines
// of the user's store.
std::unique_ptr<TTapi> MakeProgramTapi(
    platform::UiQueue& ui,
    const persistence::SettingsStore& store = persistence::SettingsStore::ForCurrentUser());
