#pragma once

#include <cstdint>
#include <span>

// Field layouts of the raw archive records as the device sends them
// (little-endian, no byte-order fix-up). A daily or monthly record opens
// with the same fields as an hourly one and adds the totals at the end of
// the period. The decoders, the record maker and the device simulator all
// read these tables.

namespace editions {

enum ArchiveField : std::uint8_t {
    afYear, // year - 2000
    afMonth,
    afDay,
    afHour, // 0..23
    afQ1,
    afQ2,
    afM1,
    afM2,
    afM3,
    afM4,
    afV1,
    afV2,
    afV3,
    afV4,
    afV5,
    afGmin1,
    afGmin2,
    afGmin3,
    afGmin4,
    afGmin5,
    afGmax1,
    afGmax2,
    afGmax3,
    afGmax4,
    afGmax5,
    aft1,
    aft2,
    aft3,
    aft4,
    afP1,
    afP2,
    afP3,
    afP4,
    aftCold,
    afPCold,
    afSchemes, // low 4 bits: scheme of heat system 1, high 4 bits: of heat system 2
    afNS1,
    afNS2,
    afNS3,
    afNS4,
    afNS5,
    afT1_1,
    afT1_2,
    afT1_3,
    afT1_4,
    afT1_5,
    afT1_6, // time counters of heat system 1, minutes
    afT2_1,
    afT2_2,
    afT2_3,
    afT2_4,
    afT2_5,
    afT2_6,
    afTworkV5,
    afTstopV5,
    afCheck, // CRC-16 of the period part
    afTotalQ1,
    afTotalQ2,
    afTotalM1,
    afTotalM2,
    afTotalM3,
    afTotalM4,
    afTotalV1,
    afTotalV2,
    afTotalV3,
    afTotalV4,
    afTotalV5,
    afTotalT1_1,
    afTotalT1_2,
    afTotalT1_3,
    afTotalT1_4,
    afTotalT1_5,
    afTotalT1_6,
    afTotalT2_1,
    afTotalT2_2,
    afTotalT2_3,
    afTotalT2_4,
    afTotalT2_5,
    afTotalT2_6,
    afTotalTworkV5,
    afTotalTstopV5,
    afTotalCheck, // CRC-16 of the totals part
    afCount
};

enum class ArchiveEncoding : std::uint8_t {
    Absent, // the edition's record has no such field
    U8,
    U16,
    U32,
    S16_100,  // signed, x 0.01
    U16_1000, // unsigned, x 0.001
    F32,
    Crc16,
};

struct ArchiveFieldSpec {
    ArchiveField Id;
    const char* Name;
    std::int16_t Offset; // -1 when absent
    ArchiveEncoding Enc;
};

// A CRC-16 over bytes [Begin, CheckOffset), stored low byte first at CheckOffset.
struct CrcSpan {
    int Begin;
    int CheckOffset;
};

struct ArchiveLayout {
    int HourlyBytes; // also the length of the period part of a full record
    int FullBytes;
    CrcSpan PeriodCheck;
    CrcSpan TotalsCheck;
    std::span<const ArchiveFieldSpec> Fields; // indexed by ArchiveField
};

namespace archive_layout_detail {

using E = ArchiveEncoding;
inline constexpr ArchiveFieldSpec FieldsV3[] = {
    {afYear, "Year", 0, E::U8},
    {afMonth, "Month", 1, E::U8},
    {afDay, "Day", 2, E::U8},
    {afHour, "Hour", 3, E::U8},
    {afQ1, "Q1", 4, E::F32},
    {afQ2, "Q2", 8, E::F32},
    {afM1, "M1", 12, E::F32},
    {afM2, "M2", 16, E::F32},
    {afM3, "M3", 20, E::F32},
    {afM4, "M4", 24, E::F32},
    {afV1, "V1", 28, E::F32},
    {afV2, "V2", 32, E::F32},
    {afV3, "V3", 36, E::F32},
    {afV4, "V4", 40, E::F32},
    {afV5, "V5", 44, E::F32},
    {afGmin1, "Gmin1", 48, E::F32},
    {afGmin2, "Gmin2", 52, E::F32},
    {afGmin3, "Gmin3", 56, E::F32},
    {afGmin4, "Gmin4", 60, E::F32},
    {afGmin5, "Gmin5", 64, E::F32},
    {afGmax1, "Gmax1", 68, E::F32},
    {afGmax2, "Gmax2", 72, E::F32},
    {afGmax3, "Gmax3", 76, E::F32},
    {afGmax4, "Gmax4", 80, E::F32},
    {afGmax5, "Gmax5", 84, E::F32},
    {aft1, "t1", 88, E::S16_100},
    {aft2, "t2", 90, E::S16_100},
    {aft3, "t3", 92, E::S16_100},
    {aft4, "t4", 94, E::S16_100},
    {afP1, "P1", 96, E::U16_1000},
    {afP2, "P2", 98, E::U16_1000},
    {afP3, "P3", 100, E::U16_1000},
    {afP4, "P4", 102, E::U16_1000},
    {aftCold, "tCold", 104, E::S16_100},
    {afPCold, "PCold", 106, E::U16_1000},
    {afSchemes, "Schemes", 108, E::U8},
    {afNS1, "NS1", 110, E::U16},
    {afNS2, "NS2", 112, E::U16},
    {afNS3, "NS3", 114, E::U16},
    {afNS4, "NS4", 116, E::U16},
    {afNS5, "NS5", 118, E::U16},
    {afT1_1, "T1_1", 120, E::U16},
    {afT1_2, "T1_2", 122, E::U16},
    {afT1_3, "T1_3", 124, E::U16},
    {afT1_4, "T1_4", 126, E::U16},
    {afT1_5, "T1_5", 128, E::U16},
    {afT1_6, "T1_6", 130, E::U16},
    {afT2_1, "T2_1", 132, E::U16},
    {afT2_2, "T2_2", 134, E::U16},
    {afT2_3, "T2_3", 136, E::U16},
    {afT2_4, "T2_4", 138, E::U16},
    {afT2_5, "T2_5", 140, E::U16},
    {afT2_6, "T2_6", 142, E::U16},
    {afTworkV5, "TworkV5", 144, E::U16},
    {afTstopV5, "TstopV5", 146, E::U16},
    {afCheck, "Check", 148, E::Crc16},
    {afTotalQ1, "TotalQ1", 150, E::F32},
    {afTotalQ2, "TotalQ2", 154, E::F32},
    {afTotalM1, "TotalM1", 158, E::F32},
    {afTotalM2, "TotalM2", 162, E::F32},
    {afTotalM3, "TotalM3", 166, E::F32},
    {afTotalM4, "TotalM4", 170, E::F32},
    {afTotalV1, "TotalV1", 174, E::F32},
    {afTotalV2, "TotalV2", 178, E::F32},
    {afTotalV3, "TotalV3", 182, E::F32},
    {afTotalV4, "TotalV4", 186, E::F32},
    {afTotalV5, "TotalV5", 190, E::F32},
    {afTotalT1_1, "TotalT1_1", 194, E::U32},
    {afTotalT1_2, "TotalT1_2", 198, E::U32},
    {afTotalT1_3, "TotalT1_3", 202, E::U32},
    {afTotalT1_4, "TotalT1_4", 206, E::U32},
    {afTotalT1_5, "TotalT1_5", 210, E::U32},
    {afTotalT1_6, "TotalT1_6", 214, E::U32},
    {afTotalT2_1, "TotalT2_1", 218, E::U32},
    {afTotalT2_2, "TotalT2_2", 222, E::U32},
    {afTotalT2_3, "TotalT2_3", 226, E::U32},
    {afTotalT2_4, "TotalT2_4", 230, E::U32},
    {afTotalT2_5, "TotalT2_5", 234, E::U32},
    {afTotalT2_6, "TotalT2_6", 238, E::U32},
    {afTotalTworkV5, "TotalTworkV5", 242, E::U32},
    {afTotalTstopV5, "TotalTstopV5", 246, E::U32},
    {afTotalCheck, "TotalCheck", 250, E::Crc16},
};

inline constexpr ArchiveFieldSpec FieldsV2[] = {
    {afYear, "Year", 0, E::U8},
    {afMonth, "Month", 1, E::U8},
    {afDay, "Day", 2, E::U8},
    {afHour, "Hour", 3, E::U8},
    {afQ1, "Q1", 4, E::F32},
    {afQ2, "Q2", 8, E::F32},
    {afM1, "M1", 12, E::F32},
    {afM2, "M2", 16, E::F32},
    {afM3, "M3", 20, E::F32},
    {afM4, "M4", 24, E::F32},
    {afV1, "V1", 28, E::F32},
    {afV2, "V2", 32, E::F32},
    {afV3, "V3", 36, E::F32},
    {afV4, "V4", 40, E::F32},
    {afV5, "V5", 44, E::F32},
    {afGmin1, "Gmin1", -1, E::Absent},
    {afGmin2, "Gmin2", -1, E::Absent},
    {afGmin3, "Gmin3", -1, E::Absent},
    {afGmin4, "Gmin4", -1, E::Absent},
    {afGmin5, "Gmin5", -1, E::Absent},
    {afGmax1, "Gmax1", -1, E::Absent},
    {afGmax2, "Gmax2", -1, E::Absent},
    {afGmax3, "Gmax3", -1, E::Absent},
    {afGmax4, "Gmax4", -1, E::Absent},
    {afGmax5, "Gmax5", -1, E::Absent},
    {aft1, "t1", 48, E::S16_100},
    {aft2, "t2", 50, E::S16_100},
    {aft3, "t3", 52, E::S16_100},
    {aft4, "t4", 54, E::S16_100},
    {afP1, "P1", 56, E::U16_1000},
    {afP2, "P2", 58, E::U16_1000},
    {afP3, "P3", 60, E::U16_1000},
    {afP4, "P4", 62, E::U16_1000},
    {aftCold, "tCold", 64, E::S16_100},
    {afPCold, "PCold", 66, E::U16_1000},
    {afSchemes, "Schemes", 68, E::U8},
    {afNS1, "NS1", 70, E::U16},
    {afNS2, "NS2", 72, E::U16},
    {afNS3, "NS3", 74, E::U16},
    {afNS4, "NS4", 76, E::U16},
    {afNS5, "NS5", 78, E::U16},
    {afT1_1, "T1_1", 80, E::U16},
    {afT1_2, "T1_2", 82, E::U16},
    {afT1_3, "T1_3", 84, E::U16},
    {afT1_4, "T1_4", 86, E::U16},
    {afT1_5, "T1_5", 88, E::U16},
    {afT1_6, "T1_6", 90, E::U16},
    {afT2_1, "T2_1", 92, E::U16},
    {afT2_2, "T2_2", 94, E::U16},
    {afT2_3, "T2_3", 96, E::U16},
    {afT2_4, "T2_4", 98, E::U16},
    {afT2_5, "T2_5", 100, E::U16},
    {afT2_6, "T2_6", 102, E::U16},
    {afTworkV5, "TworkV5", 104, E::U16},
    {afTstopV5, "TstopV5", 106, E::U16},
    {afCheck, "Check", 108, E::Crc16},
    {afTotalQ1, "TotalQ1", 110, E::F32},
    {afTotalQ2, "TotalQ2", 114, E::F32},
    {afTotalM1, "TotalM1", 118, E::F32},
    {afTotalM2, "TotalM2", 122, E::F32},
    {afTotalM3, "TotalM3", 126, E::F32},
    {afTotalM4, "TotalM4", 130, E::F32},
    {afTotalV1, "TotalV1", 134, E::F32},
    {afTotalV2, "TotalV2", 138, E::F32},
    {afTotalV3, "TotalV3", 142, E::F32},
    {afTotalV4, "TotalV4", 146, E::F32},
    {afTotalV5, "TotalV5", 150, E::F32},
    {afTotalT1_1, "TotalT1_1", 154, E::U32},
    {afTotalT1_2, "TotalT1_2", 158, E::U32},
    {afTotalT1_3, "TotalT1_3", 162, E::U32},
    {afTotalT1_4, "TotalT1_4", 166, E::U32},
    {afTotalT1_5, "TotalT1_5", 170, E::U32},
    {afTotalT1_6, "TotalT1_6", 174, E::U32},
    {afTotalT2_1, "TotalT2_1", 178, E::U32},
    {afTotalT2_2, "TotalT2_2", 182, E::U32},
    {afTotalT2_3, "TotalT2_3", 186, E::U32},
    {afTotalT2_4, "TotalT2_4", 190, E::U32},
    {afTotalT2_5, "TotalT2_5", 194, E::U32},
    {afTotalT2_6, "TotalT2_6", 198, E::U32},
    {afTotalTworkV5, "TotalTworkV5", 202, E::U32},
    {afTotalTstopV5, "TotalTstopV5", 206, E::U32},
    {afTotalCheck, "TotalCheck", 210, E::Crc16},
};

// Every table is indexed by its field identifiers.
constexpr bool IndexedById(std::span<const ArchiveFieldSpec> fields) {
    if (fields.size() != afCount)
        return false;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].Id != i)
            return false;
    return true;
}
static_assert(IndexedById(FieldsV3));
static_assert(IndexedById(FieldsV2));

} // namespace archive_layout_detail

inline constexpr ArchiveLayout ArchiveLayoutV3{
    150, 252, {0, 148}, {150, 250}, archive_layout_detail::FieldsV3};
inline constexpr ArchiveLayout ArchiveLayoutV2{
    110, 212, {0, 108}, {110, 210}, archive_layout_detail::FieldsV2};

// Journal records are the same 16 bytes in both editions.
inline constexpr int JournalRecordBytes = 16;
enum JournalOffset : int {
    joYear = 0, // year - 2000
    joMonth = 1,
    joDay = 2,
    joHour = 3,
    joMinute = 4,
    joSecond = 5,
    joCode = 6,     // 16-bit: bits 0..11 parameter code, bits 12..15 value type
    joOldValue = 8, // 4 bytes, laid out by the value type
    joNewValue = 12,
};

} // namespace editions
