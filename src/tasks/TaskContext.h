#pragma once

#include "channels/ChanelObject.h"
#include "editions/Edition.h"
#include "persistence/RX58ChanelSetup.h"
#include "persistence/ReadSettings.h"
#include "persistence/SettingsStore.h"
#include "platform/UiQueue.h"

#include <functional>
#include <memory>
#include <string>

namespace tasks {

// A channel made for a task, not yet started, and how to start it. The task
// attaches its handlers between the two, so that the first state change
// already reaches it.
struct ChanelPlan {
    std::unique_ptr<TQueueIDChanel> Chanel;
    // Starts connecting (opens the port, dials). Returns an empty text when
    // the attempt has begun; otherwise why it could not begin, and no state
    // event will follow.
    std::function<std::string(TQueueIDChanel&)> Start;
};

// Makes the channel that the connection settings ask for; an empty plan when
// the settings name no channel kind that can be made.
using ChanelFactory =
    std::function<ChanelPlan(const RX58ChanelSetup& setup, platform::UiQueue& ui)>;

// The local wall-clock time, broken down (the clock task sends it).
struct LocalTime {
    int Year, Month, Day, Hour, Minute, Second;
};
using LocalClock = std::function<LocalTime()>;

// Everything a task needs from its surroundings. Defaults give the real
// thing: the user's settings store, the main queue, channels by kind, the
// computer's clock.
struct TaskContext {
    const Edition* edition = &EditionV3;
    // The queue the channel reports on; null means platform::MainQueue().
    platform::UiQueue* ui = nullptr;
    persistence::SettingsStore store = persistence::SettingsStore::ForCurrentUser();
    // Applied to the connection settings right after every load: options
    // given for one run (a port on the command line) that are not stored.
    std::function<void(RX58ChanelSetup&)> adjustSetup;
    // Applied to the read-data options right after the read-all task has
    // loaded them (archives left out for one run); never stored.
    std::function<void(ReadSettings&)> adjustReadSettings;
    // Null means DefaultChanelFactory.
    ChanelFactory makeChanel;
    // Null means the computer's local time.
    LocalClock clock;
};

// Channel kind 0 (COM port) and 1 (modem), opened with the line settings the
// device needs.
ChanelPlan DefaultChanelFactory(const RX58ChanelSetup& setup, platform::UiQueue& ui);

LocalTime ComputerLocalTime();

} // namespace tasks
