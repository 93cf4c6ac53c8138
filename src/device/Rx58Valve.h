#pragma once

#include "device/RawRecords.h"
#include "device/Rx58Records.h"

#include <array>
#include <cstdint>
#include <vector>

// Everything one device yields, travelling as one value: the read tasks fill
// it, the main window keeps two, the archive file saves and loads it, the
// report reads it. Copying copies the lists deeply.

using RX58Archive = std::vector<ArchiveStruct>;
using RX58FullArchive = std::vector<FullArchiveStruct>;
using RX58Journal = std::vector<JournalStruct>;

struct RX58Valve {
    // Identification bytes; byte 2 is the protocol version.
    std::array<std::uint8_t, 4> Ident{};
    RX58CurrentParams CurrentParams{};
    RX58SetupParams SetupParams{};
    RX58Archive HourArchive;
    RX58FullArchive DayArchive;
    RX58FullArchive MonthArchive;
    RX58Journal Journal;
    // Travels with the set when it is copied; nothing reads it.
    std::array<std::uint8_t, 16> Tail{};

    static constexpr int IdentVersionIndex = 2;
    std::uint8_t ProtocolVersion() const { return Ident[IdentVersionIndex]; }

    // Zero-fills the identification and both records and empties the lists;
    // the tail keeps its value.
    void Clear() {
        Ident = {};
        CurrentParams = {};
        SetupParams = {};
        HourArchive.clear();
        DayArchive.clear();
        MonthArchive.clear();
        Journal.clear();
    }

    void AppendHour(const ArchiveStruct& record) { HourArchive.push_back(record); }
    void AppendDay(const FullArchiveStruct& record) { DayArchive.push_back(record); }
    void AppendMonth(const FullArchiveStruct& record) { MonthArchive.push_back(record); }
    void AppendJournal(const JournalStruct& record) { Journal.push_back(record); }
};
