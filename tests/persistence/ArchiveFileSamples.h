#pragma once

#include "device/Rx58Valve.h"
#include "device/Rx58datatypes.h"
#include "editions/Edition.h"

#include <cstdint>
#include <random>
#include <vector>

// Data sets as a read would leave them, for writing archive files in tests.
namespace archtest {

inline const Edition* const BothEditions[] = {&EditionV3, &EditionV2};

template <class Record>
Record PatternRecord(std::size_t length, unsigned seed) {
    Record r(length);
    for (std::size_t i = 0; i < length; ++i)
        r[i] = static_cast<std::uint8_t>(seed * 31 + i * 7 + (seed >> 8));
    return r;
}

template <class Record>
std::vector<Record> PatternList(std::size_t count, std::size_t length, unsigned seed) {
    std::vector<Record> list;
    list.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        list.push_back(PatternRecord<Record>(length, seed + static_cast<unsigned>(i)));
    return list;
}

// Records whose values survive encoding: decoded from a random image, then
// passed once through encode and decode, as a file written from views that
// show what was read holds them.
inline void SampleParams(const Edition& e, unsigned seed, RX58CurrentParams& current,
                         RX58SetupParams& setup, RX58Calibration& calibration) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> image(512);
    for (auto& b : image)
        b = static_cast<std::uint8_t>(random());
    current = {};
    setup = {};
    calibration = {};
    DecodeCurrentParams(e, image.data(), current);
    DecodeSetupParams(e, image.data(), setup);
    DecodeCalibration(e, image.data(), calibration);
    std::vector<std::uint8_t> again(512, 0);
    EncodeCurrentParams(e, current, again.data());
    DecodeCurrentParams(e, again.data(), current);
    std::fill(again.begin(), again.end(), 0);
    EncodeCalibration(e, calibration, again.data());
    EncodeSetupParams(e, setup, again.data());
    DecodeSetupParams(e, again.data(), setup);
}

inline RX58Valve SampleValve(const Edition& e, std::size_t hours, std::size_t days,
                             std::size_t months, std::size_t events,
                             RX58Calibration* calibration = nullptr, unsigned seed = 58) {
    RX58Valve v;
    v.Ident = {0x01, 0x07, e.ProtocolVersion, 0x2A};
    RX58Calibration c;
    SampleParams(e, seed + e.ProtocolVersion, v.CurrentParams, v.SetupParams, c);
    if (calibration)
        *calibration = c;
    const auto hourBytes = static_cast<std::size_t>(e.HourlyRecordBytes());
    const auto fullBytes = static_cast<std::size_t>(e.FullRecordBytes());
    v.HourArchive = PatternList<ArchiveStruct>(hours, hourBytes, seed + 1);
    v.DayArchive = PatternList<FullArchiveStruct>(days, fullBytes, seed + 1000);
    v.MonthArchive = PatternList<FullArchiveStruct>(months, fullBytes, seed + 2000);
    v.Journal = PatternList<JournalStruct>(events, 16, seed + 3000);
    return v;
}

} // namespace archtest
