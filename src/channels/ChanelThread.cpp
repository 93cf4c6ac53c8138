#include "channels/ChanelThread.h"

#include <cstdio>
#include <stdexcept>

TChanelThread::~TChanelThread() {
    // The thread must end before the actions it may be running go away.
    Stop();
}

void TChanelThread::Join(std::unique_ptr<channels::RequestActions> actions) {
    if (actions) {
        std::lock_guard lock(ActionsLock);
        Actions.push_back(std::move(actions));
    }
}

bool TChanelThread::Pause(std::chrono::milliseconds duration) const {
    return Cancellation().SleepFor(duration);
}

void TChanelThread::PostLamp(std::uintptr_t lamp) const {
    Notify().Post(platform::WmUser + 1, lamp);
}

void TChanelThread::ExecuteRequest(std::int32_t kind, ChanelCommonStruct& request) {
    channels::RequestActions* actions = Find(kind);
    if (!actions) {
        char text[128];
        std::snprintf(text, sizeof text, channels::text::KindNotSupported, static_cast<int>(kind));
        throw std::runtime_error(text);
    }
    // Sets are never removed while the thread runs, so the pointer stays
    // valid without the lock (which Join must not wait for).
    actions->Perform(kind, request, *this);
}

channels::RequestActions* TChanelThread::Find(std::int32_t kind) const {
    std::lock_guard lock(ActionsLock);
    for (const auto& actions : Actions) {
        if (actions->Performs(kind)) {
            return actions.get();
        }
    }
    return nullptr;
}
