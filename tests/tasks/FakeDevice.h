#pragma once

#include "FakeChanel.h"
#include "device/ArchiveRecord.h"
#include "device/JournalRecord.h"
#include "device/Rx58datatypes.h"
#include "editions/ArchiveLayout.h"

#include <array>
#include <functional>
#include <map>
#include <vector>

namespace tasks::testing {

// A scripted calculator for the fake channel: answers the identification,
// the register reads of its images and archive pages from lists of raw
// records, and remembers every page request. Tests tamper with replies
// through `Tamper`.
class FakeDevice {
public:
    explicit FakeDevice(const Edition& edition) : Ed(edition) {
        Current.assign(static_cast<std::size_t>(edition.Current.BufferBytes), 0);
        Setup.assign(static_cast<std::size_t>(edition.Setup.BufferBytes), 0);
        for (int i = 0; i < 40; ++i)
            Setup[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
    }

    // Ring descriptors and records of one archive; the records are served
    // in this order.
    void SetArchive(int type, device::RingDescriptor ring, std::vector<Bytes> records) {
        Rings[type] = ring;
        Records[type] = std::move(records);
        Cursor[type] = 0;
    }

    static Bytes Hourly(const Edition& e, int hour) {
        const device::ArchiveValue v[] = {{editions::afYear, 24},
                                          {editions::afMonth, 3},
                                          {editions::afDay, 5},
                                          {editions::afHour, static_cast<double>(hour)},
                                          {editions::afQ1, 1.5}};
        const ArchiveStruct r = device::MakeArchiveRecord(e, v);
        return Bytes(r.data(), r.data() + r.size());
    }
    static Bytes Full(const Edition& e, int day) {
        const device::ArchiveValue v[] = {{editions::afYear, 24},
                                          {editions::afMonth, 3},
                                          {editions::afDay, static_cast<double>(day)},
                                          {editions::afTotalQ1, 100.25}};
        const FullArchiveStruct r = device::MakeFullArchiveRecord(e, v);
        return Bytes(r.data(), r.data() + r.size());
    }
    static Bytes Journal(int code) {
        device::JournalEntry entry;
        entry.Year = 24;
        entry.Month = 3;
        entry.Day = 5;
        entry.Hour = 14;
        entry.Minute = 7;
        entry.Second = 9;
        entry.Code = static_cast<std::uint16_t>(code);
        entry.Type = device::jvU8;
        entry.OldValue = device::EncodeJournalValue(device::jvU8, 1);
        entry.NewValue = device::EncodeJournalValue(device::jvU8, 2);
        const JournalStruct r = device::MakeJournalRecord(entry);
        return Bytes(r.data(), r.data() + r.size());
    }

    std::size_t RecordSize(int type) const {
        return type == 3   ? 16u
               : type == 0 ? static_cast<std::size_t>(Ed.HourlyRecordBytes())
                           : static_cast<std::size_t>(Ed.FullRecordBytes());
    }

    Bytes Answer(const Bytes& request) {
        Bytes reply = Build(request);
        if (Tamper)
            Tamper(request, reply);
        return reply;
    }

    FakeChanel::Responder Responder() {
        return [this](const Bytes& request) { return Answer(request); };
    }

    struct PageRequest {
        int Type, First, Count;
    };
    std::vector<PageRequest> Pages;
    int PerPage = 3;
    std::uint8_t Version = 0; // 0: the edition's own
    std::function<void(const Bytes& request, Bytes& reply)> Tamper;
    // When it says so, a page of that archive comes back empty, naming 77
    // as the next index.
    std::function<bool(int type)> EmptyPage;
    std::map<int, device::RingDescriptor> Rings;

private:
    Bytes Build(const Bytes& request) {
        switch (request[1]) {
        case 0x11:
            return IdentReply(Version ? Version : Ed.ProtocolVersion);
        case 0x03:
        case 0x04: {
            std::vector<std::uint8_t> host = Current;
            SwapCurrentImage(Ed, host.data()); // device order -> host
            for (const auto& [type, ring] : Rings)
                device::WriteRing(host.data(), type, ring);
            SwapCurrentImage(Ed, host.data());
            const std::vector<std::uint8_t>& image = request[1] == 0x04 ? host : Setup;
            const int first = RequestRegister(request) % 10000 - 1;
            const int bytes = 2 * RequestCount(request);
            return RegisterReply(request[1], image.data() + 2 * first, bytes);
        }
        case 0x41: {
            const int type = request[2];
            const int first = request[4] | (request[5] << 8);
            const int wanted = request[6];
            Pages.push_back({type, first, wanted});
            auto& list = Records[type];
            std::size_t& cursor = Cursor[type];
            if (EmptyPage && EmptyPage(type))
                return WithCrc({0, 0x41, static_cast<std::uint8_t>(type), 1, 77, 0, 0});
            const int n = std::min<int>({PerPage, wanted, static_cast<int>(list.size() - cursor)});
            const int next = (first - n) & 0xFFFF;
            Bytes frame{0,
                        0x41,
                        static_cast<std::uint8_t>(type),
                        1,
                        static_cast<std::uint8_t>(next & 0xFF),
                        static_cast<std::uint8_t>(next >> 8),
                        static_cast<std::uint8_t>(n)};
            for (int i = 0; i < n; ++i, ++cursor)
                frame.insert(frame.end(), list[cursor].begin(), list[cursor].end());
            return WithCrc(frame);
        }
        default:
            return ExceptionReply(request[1], 1);
        }
    }

    const Edition& Ed;
    std::vector<std::uint8_t> Current; // device order
    std::vector<std::uint8_t> Setup;   // device order
    std::map<int, std::vector<Bytes>> Records;
    std::map<int, std::size_t> Cursor;
};

} // namespace tasks::testing
