#pragma once

#include "channels/ChanelTexts.h"
#include "channels/ChanelTypes.h"
#include "platform/CancelToken.h"
#include "platform/Mailbox.h"
#include "platform/OsError.h"

#include <atomic>
#include <cstdint>
#include <exception>
#include <semaphore>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>

// A ring of request slots performed in order by one worker thread, without a
// lock: the user-interface thread fills the slot at PutIndex and publishes it
// by advancing PutIndex and releasing the semaphore; the worker performs the
// slot at WorkIndex and posts one WmUser message per request (wParam 1
// success, 0 failure); the user-interface thread reads the results of the
// slot at DoneIndex when that message arrives and only then advances
// DoneIndex, so a slot is never refilled while someone still uses it.
template <class Record>
class QueueThread {
public:
    static constexpr int SlotCount = 10;
    using Item = QueueItem<Record>;

    QueueThread() = default;
    virtual ~QueueThread() { Stop(); }
    QueueThread(const QueueThread&) = delete;
    QueueThread& operator=(const QueueThread&) = delete;

    // Starts the worker; its messages go to `notify`. Raises os_error when
    // the thread cannot be made.
    void Start(platform::MailAddress notify) {
        NotifyWindow = std::move(notify);
        try {
            Worker = std::thread([this] { Loop(); });
        } catch (const std::system_error& failure) {
            throw os_error(failure.code().value());
        }
    }

    // Ends the worker after it has performed every request still queued,
    // each to its end. Blocking waits of those requests are cancelled (see
    // Cancellation), so this never sits out a pause. Safe to call twice.
    void Stop() {
        if (Stopped) {
            return;
        }
        Stopped = true;
        if (!Worker.joinable()) {
            return;
        }
        Cancel.Cancel();
        StopIndex.store(PutIndex.load(std::memory_order_relaxed), std::memory_order_relaxed);
        Semaphore.release();
        Worker.join();
    }

    // User-interface thread: the slot that the next Put offers.
    Item& NextItem() { return Slots[PutIndex.load(std::memory_order_relaxed)]; }

    // User-interface thread: stores the command and options in the slot at
    // PutIndex and offers it to the worker. Raises "Queue overflow" with 9
    // requests pending and "Queue is not empty" when refused without
    // qoDropIfBusy; a refusal with qoDropIfBusy returns false quietly. A
    // raised or refused request leaves the queue as it was.
    bool Put(std::int32_t command, std::uint32_t options) {
        const int put = PutIndex.load(std::memory_order_relaxed);
        Slots[put].Command = command;
        Slots[put].Options = options;
        const int pending = Pending();
        if (pending >= SlotCount - 1) {
            throw std::runtime_error(channels::text::QueueOverflow);
        }
        if (Stopped) {
            throw std::runtime_error(channels::text::ChanelClosing);
        }
        const bool accepted = pending == 0 || (options & qoAlways) != 0 ||
                              ((options & qoExclusive) == 0 && AllPendingExclusive());
        if (!accepted) {
            if (options & qoDropIfBusy) {
                return false;
            }
            throw std::runtime_error(channels::text::QueueNotEmpty);
        }
        PutIndex.store((put + 1) % SlotCount, std::memory_order_relaxed);
        Semaphore.release();
        return true;
    }

    // User-interface thread: requests queued whose completion is not handled.
    int Pending() const {
        return (PutIndex.load(std::memory_order_relaxed) -
                DoneIndex.load(std::memory_order_relaxed) + SlotCount) %
               SlotCount;
    }

    // User-interface thread: whether a request of the kind is pending.
    bool IsQueued(std::int32_t kind) const {
        return AnyPending([kind](const Item& item) { return item.Command == kind; });
    }

    // User-interface thread, on a completion message: the slot it reports,
    // and the step past it once it has been handled.
    Item& DoneItem() { return Slots[DoneIndex.load(std::memory_order_relaxed)]; }
    void CompleteDone() {
        DoneIndex.store((DoneIndex.load(std::memory_order_relaxed) + 1) % SlotCount,
                        std::memory_order_relaxed);
    }

    // Where the worker and the port objects post their messages.
    const platform::MailAddress& Notify() const { return NotifyWindow; }

    // Cancelled when the worker is told to stop; every blocking wait on the
    // worker watches it.
    const platform::CancelToken& Cancellation() const { return Cancel; }

protected:
    // Performs one request on the worker thread; a failure is an exception
    // carrying the message text.
    virtual void ExecuteRequest(std::int32_t kind, Record& request) = 0;

private:
    void Loop() {
        for (;;) {
            Semaphore.acquire();
            const int work = WorkIndex.load(std::memory_order_relaxed);
            if (work == StopIndex.load(std::memory_order_relaxed)) {
                return;
            }
            Item& item = Slots[work];
            item.ErrorText.clear();
            const bool done = Perform(item);
            NotifyWindow.Post(platform::WmUser, done ? 1 : 0);
            WorkIndex.store((work + 1) % SlotCount, std::memory_order_relaxed);
        }
    }

    bool Perform(Item& item) {
        try {
            ExecuteRequest(item.Command, item.Request);
            return true;
        } catch (const std::exception& failure) {
            item.ErrorText = failure.what();
        } catch (const std::string& failure) {
            item.ErrorText = failure;
        } catch (const char* failure) {
            item.ErrorText = failure ? failure : "";
        } catch (...) {
            item.ErrorText = channels::text::UnknownFailure;
        }
        if (item.ErrorText.empty()) {
            item.ErrorText = channels::text::UnknownFailure;
        }
        return false;
    }

    bool AllPendingExclusive() const {
        return !AnyPending([](const Item& item) { return (item.Options & qoExclusive) == 0; });
    }

    template <class Predicate>
    bool AnyPending(Predicate matches) const {
        for (int i = DoneIndex.load(std::memory_order_relaxed);
             i != PutIndex.load(std::memory_order_relaxed); i = (i + 1) % SlotCount) {
            if (matches(Slots[i])) {
                return true;
            }
        }
        return false;
    }

    Item Slots[SlotCount];
    std::thread Worker;
    // Counts requests handed to the worker, plus the one stop signal.
    std::counting_semaphore<SlotCount> Semaphore{0};
    platform::MailAddress NotifyWindow;
    std::atomic<int> WorkIndex{0};  // written by the worker only
    std::atomic<int> DoneIndex{0};  // written by the user-interface thread only
    std::atomic<int> PutIndex{0};   // written by the user-interface thread only
    std::atomic<int> StopIndex{-1}; // written once, before the stop signal
    platform::CancelToken Cancel;
    bool Stopped = false; // user-interface thread only
};
