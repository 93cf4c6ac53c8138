#pragma once

#include "device/Sysutil.h"
#include "editions/ArchiveLayout.h"

#include <cstdint>
#include <span>

// How an archive record becomes its row of texts: the cells the decoder
// fills, in cell order, and the columns of the views, each naming the cell
// it shows. The views, the command-line dump and the report all use these.

namespace editions {

using device::NumberFormat;

enum class CellKind : std::uint8_t {
    Date,       // the record's date, formatted by the kind of archive
    Number,     // Field in Format
    Difference, // Field - Field2 in Format, when the heat system's scheme has differences
    Scheme,     // the two scheme texts
    Bits,       // abnormal-situation word as a bit string
    Minutes,    // a time counter as hours and minutes
};

struct ArchiveCell {
    CellKind Kind;
    ArchiveField Field;
    ArchiveField Field2;
    std::uint8_t HeatSystem; // Difference: 1 or 2, whose scheme decides
    NumberFormat Format;
    std::uint8_t Slot; // Difference: which of the eight kept differences
};

struct ArchiveColumn {
    const char* Caption;
    std::uint8_t Cell;
};

struct ArchiveCellTable {
    std::span<const ArchiveCell> Cells;
    int PeriodCells; // cells [0, PeriodCells) come from the period part, the rest from the totals
    std::span<const ArchiveColumn> ArchiveColumns; // kinds 0, 1, 2
    std::span<const ArchiveColumn> TotalsColumns;  // kinds 4, 5
};

inline constexpr int MaxArchiveCells = 85;
inline constexpr int ArchiveDifferenceSlots = 8; // period dM1, dM2, dV1, dV2, then the totals'

inline constexpr const char* JournalColumns[] = {"Дата/Время", "Параметр", "Старое значение",
                                                 "Новое значение"};

namespace archive_cells_detail {

inline constexpr ArchiveCell CellsV3[] = {
    {CellKind::Date, afYear, afYear, 0, NumberFormat::Padded9_3, 0},             // 0
    {CellKind::Number, afQ1, afYear, 0, NumberFormat::Padded9_3, 0},             // 1
    {CellKind::Number, afQ2, afYear, 0, NumberFormat::Padded9_3, 0},             // 2
    {CellKind::Number, afM1, afYear, 0, NumberFormat::Padded9_3, 0},             // 3
    {CellKind::Number, afM2, afYear, 0, NumberFormat::Padded9_3, 0},             // 4
    {CellKind::Number, afM3, afYear, 0, NumberFormat::Padded9_3, 0},             // 5
    {CellKind::Number, afM4, afYear, 0, NumberFormat::Padded9_3, 0},             // 6
    {CellKind::Difference, afM1, afM2, 1, NumberFormat::Padded9_3, 0},           // 7
    {CellKind::Difference, afM3, afM4, 2, NumberFormat::Padded9_3, 1},           // 8
    {CellKind::Number, afV1, afYear, 0, NumberFormat::Padded9_3, 0},             // 9
    {CellKind::Number, afV2, afYear, 0, NumberFormat::Padded9_3, 0},             // 10
    {CellKind::Number, afV3, afYear, 0, NumberFormat::Padded9_3, 0},             // 11
    {CellKind::Number, afV4, afYear, 0, NumberFormat::Padded9_3, 0},             // 12
    {CellKind::Number, afV5, afYear, 0, NumberFormat::Padded9_3, 0},             // 13
    {CellKind::Difference, afV1, afV2, 1, NumberFormat::Padded9_3, 2},           // 14
    {CellKind::Difference, afV3, afV4, 2, NumberFormat::Padded9_3, 3},           // 15
    {CellKind::Number, afGmin1, afYear, 0, NumberFormat::Fixed4, 0},             // 16
    {CellKind::Number, afGmin2, afYear, 0, NumberFormat::Fixed4, 0},             // 17
    {CellKind::Number, afGmin3, afYear, 0, NumberFormat::Fixed4, 0},             // 18
    {CellKind::Number, afGmin4, afYear, 0, NumberFormat::Fixed4, 0},             // 19
    {CellKind::Number, afGmin5, afYear, 0, NumberFormat::Fixed4, 0},             // 20
    {CellKind::Number, afGmax1, afYear, 0, NumberFormat::Fixed4, 0},             // 21
    {CellKind::Number, afGmax2, afYear, 0, NumberFormat::Fixed4, 0},             // 22
    {CellKind::Number, afGmax3, afYear, 0, NumberFormat::Fixed4, 0},             // 23
    {CellKind::Number, afGmax4, afYear, 0, NumberFormat::Fixed4, 0},             // 24
    {CellKind::Number, afGmax5, afYear, 0, NumberFormat::Fixed4, 0},             // 25
    {CellKind::Number, aft1, afYear, 0, NumberFormat::Fixed2, 0},                // 26
    {CellKind::Number, aft2, afYear, 0, NumberFormat::Fixed2, 0},                // 27
    {CellKind::Number, aft3, afYear, 0, NumberFormat::Fixed2, 0},                // 28
    {CellKind::Number, aft4, afYear, 0, NumberFormat::Fixed2, 0},                // 29
    {CellKind::Number, afP1, afYear, 0, NumberFormat::Fixed3, 0},                // 30
    {CellKind::Number, afP2, afYear, 0, NumberFormat::Fixed3, 0},                // 31
    {CellKind::Number, afP3, afYear, 0, NumberFormat::Fixed3, 0},                // 32
    {CellKind::Number, afP4, afYear, 0, NumberFormat::Fixed3, 0},                // 33
    {CellKind::Number, aftCold, afYear, 0, NumberFormat::Fixed2, 0},             // 34
    {CellKind::Number, afPCold, afYear, 0, NumberFormat::Fixed3, 0},             // 35
    {CellKind::Scheme, afSchemes, afYear, 0, NumberFormat::Padded9_3, 0},        // 36
    {CellKind::Bits, afNS1, afYear, 0, NumberFormat::Padded9_3, 0},              // 37
    {CellKind::Bits, afNS2, afYear, 0, NumberFormat::Padded9_3, 0},              // 38
    {CellKind::Bits, afNS3, afYear, 0, NumberFormat::Padded9_3, 0},              // 39
    {CellKind::Bits, afNS4, afYear, 0, NumberFormat::Padded9_3, 0},              // 40
    {CellKind::Bits, afNS5, afYear, 0, NumberFormat::Padded9_3, 0},              // 41
    {CellKind::Minutes, afT1_1, afYear, 0, NumberFormat::Padded9_3, 0},          // 42
    {CellKind::Minutes, afT1_2, afYear, 0, NumberFormat::Padded9_3, 0},          // 43
    {CellKind::Minutes, afT1_3, afYear, 0, NumberFormat::Padded9_3, 0},          // 44
    {CellKind::Minutes, afT1_4, afYear, 0, NumberFormat::Padded9_3, 0},          // 45
    {CellKind::Minutes, afT1_5, afYear, 0, NumberFormat::Padded9_3, 0},          // 46
    {CellKind::Minutes, afT1_6, afYear, 0, NumberFormat::Padded9_3, 0},          // 47
    {CellKind::Minutes, afT2_1, afYear, 0, NumberFormat::Padded9_3, 0},          // 48
    {CellKind::Minutes, afT2_2, afYear, 0, NumberFormat::Padded9_3, 0},          // 49
    {CellKind::Minutes, afT2_3, afYear, 0, NumberFormat::Padded9_3, 0},          // 50
    {CellKind::Minutes, afT2_4, afYear, 0, NumberFormat::Padded9_3, 0},          // 51
    {CellKind::Minutes, afT2_5, afYear, 0, NumberFormat::Padded9_3, 0},          // 52
    {CellKind::Minutes, afT2_6, afYear, 0, NumberFormat::Padded9_3, 0},          // 53
    {CellKind::Minutes, afTworkV5, afYear, 0, NumberFormat::Padded9_3, 0},       // 54
    {CellKind::Minutes, afTstopV5, afYear, 0, NumberFormat::Padded9_3, 0},       // 55
    {CellKind::Number, afTotalQ1, afYear, 0, NumberFormat::Padded9_3, 0},        // 56
    {CellKind::Number, afTotalQ2, afYear, 0, NumberFormat::Padded9_3, 0},        // 57
    {CellKind::Number, afTotalM1, afYear, 0, NumberFormat::Padded9_3, 0},        // 58
    {CellKind::Number, afTotalM2, afYear, 0, NumberFormat::Padded9_3, 0},        // 59
    {CellKind::Number, afTotalM3, afYear, 0, NumberFormat::Padded9_3, 0},        // 60
    {CellKind::Number, afTotalM4, afYear, 0, NumberFormat::Padded9_3, 0},        // 61
    {CellKind::Difference, afTotalM1, afTotalM2, 1, NumberFormat::Padded9_3, 4}, // 62
    {CellKind::Difference, afTotalM3, afTotalM4, 2, NumberFormat::Padded9_3, 5}, // 63
    {CellKind::Number, afTotalV1, afYear, 0, NumberFormat::Padded9_3, 0},        // 64
    {CellKind::Number, afTotalV2, afYear, 0, NumberFormat::Padded9_3, 0},        // 65
    {CellKind::Number, afTotalV3, afYear, 0, NumberFormat::Padded9_3, 0},        // 66
    {CellKind::Number, afTotalV4, afYear, 0, NumberFormat::Padded9_3, 0},        // 67
    {CellKind::Number, afTotalV5, afYear, 0, NumberFormat::Padded9_3, 0},        // 68
    {CellKind::Difference, afTotalV1, afTotalV2, 1, NumberFormat::Padded9_3, 6}, // 69
    {CellKind::Difference, afTotalV3, afTotalV4, 2, NumberFormat::Padded9_3, 7}, // 70
    {CellKind::Minutes, afTotalT1_1, afYear, 0, NumberFormat::Padded9_3, 0},     // 71
    {CellKind::Minutes, afTotalT1_2, afYear, 0, NumberFormat::Padded9_3, 0},     // 72
    {CellKind::Minutes, afTotalT1_3, afYear, 0, NumberFormat::Padded9_3, 0},     // 73
    {CellKind::Minutes, afTotalT1_4, afYear, 0, NumberFormat::Padded9_3, 0},     // 74
    {CellKind::Minutes, afTotalT1_5, afYear, 0, NumberFormat::Padded9_3, 0},     // 75
    {CellKind::Minutes, afTotalT1_6, afYear, 0, NumberFormat::Padded9_3, 0},     // 76
    {CellKind::Minutes, afTotalT2_1, afYear, 0, NumberFormat::Padded9_3, 0},     // 77
    {CellKind::Minutes, afTotalT2_2, afYear, 0, NumberFormat::Padded9_3, 0},     // 78
    {CellKind::Minutes, afTotalT2_3, afYear, 0, NumberFormat::Padded9_3, 0},     // 79
    {CellKind::Minutes, afTotalT2_4, afYear, 0, NumberFormat::Padded9_3, 0},     // 80
    {CellKind::Minutes, afTotalT2_5, afYear, 0, NumberFormat::Padded9_3, 0},     // 81
    {CellKind::Minutes, afTotalT2_6, afYear, 0, NumberFormat::Padded9_3, 0},     // 82
    {CellKind::Minutes, afTotalTworkV5, afYear, 0, NumberFormat::Padded9_3, 0},  // 83
    {CellKind::Minutes, afTotalTstopV5, afYear, 0, NumberFormat::Padded9_3, 0},  // 84
};

inline constexpr ArchiveCell CellsV2[] = {
    {CellKind::Date, afYear, afYear, 0, NumberFormat::Padded9_3, 0},            // 0
    {CellKind::Number, afQ1, afYear, 0, NumberFormat::Padded9_3, 0},            // 1
    {CellKind::Number, afQ2, afYear, 0, NumberFormat::Padded9_3, 0},            // 2
    {CellKind::Number, afM1, afYear, 0, NumberFormat::Padded9_3, 0},            // 3
    {CellKind::Number, afM2, afYear, 0, NumberFormat::Padded9_3, 0},            // 4
    {CellKind::Number, afM3, afYear, 0, NumberFormat::Padded9_3, 0},            // 5
    {CellKind::Number, afM4, afYear, 0, NumberFormat::Padded9_3, 0},            // 6
    {CellKind::Number, afV1, afYear, 0, NumberFormat::Padded9_3, 0},            // 7
    {CellKind::Number, afV2, afYear, 0, NumberFormat::Padded9_3, 0},            // 8
    {CellKind::Number, afV3, afYear, 0, NumberFormat::Padded9_3, 0},            // 9
    {CellKind::Number, afV4, afYear, 0, NumberFormat::Padded9_3, 0},            // 10
    {CellKind::Number, afV5, afYear, 0, NumberFormat::Padded9_3, 0},            // 11
    {CellKind::Number, aft1, afYear, 0, NumberFormat::Fixed2, 0},               // 12
    {CellKind::Number, aft2, afYear, 0, NumberFormat::Fixed2, 0},               // 13
    {CellKind::Number, aft3, afYear, 0, NumberFormat::Fixed2, 0},               // 14
    {CellKind::Number, aft4, afYear, 0, NumberFormat::Fixed2, 0},               // 15
    {CellKind::Number, afP1, afYear, 0, NumberFormat::Fixed3, 0},               // 16
    {CellKind::Number, afP2, afYear, 0, NumberFormat::Fixed3, 0},               // 17
    {CellKind::Number, afP3, afYear, 0, NumberFormat::Fixed3, 0},               // 18
    {CellKind::Number, afP4, afYear, 0, NumberFormat::Fixed3, 0},               // 19
    {CellKind::Number, aftCold, afYear, 0, NumberFormat::Fixed2, 0},            // 20
    {CellKind::Number, afPCold, afYear, 0, NumberFormat::Fixed3, 0},            // 21
    {CellKind::Scheme, afSchemes, afYear, 0, NumberFormat::Padded9_3, 0},       // 22
    {CellKind::Bits, afNS1, afYear, 0, NumberFormat::Padded9_3, 0},             // 23
    {CellKind::Bits, afNS2, afYear, 0, NumberFormat::Padded9_3, 0},             // 24
    {CellKind::Bits, afNS3, afYear, 0, NumberFormat::Padded9_3, 0},             // 25
    {CellKind::Bits, afNS4, afYear, 0, NumberFormat::Padded9_3, 0},             // 26
    {CellKind::Bits, afNS5, afYear, 0, NumberFormat::Padded9_3, 0},             // 27
    {CellKind::Minutes, afT1_1, afYear, 0, NumberFormat::Padded9_3, 0},         // 28
    {CellKind::Minutes, afT1_2, afYear, 0, NumberFormat::Padded9_3, 0},         // 29
    {CellKind::Minutes, afT1_3, afYear, 0, NumberFormat::Padded9_3, 0},         // 30
    {CellKind::Minutes, afT1_4, afYear, 0, NumberFormat::Padded9_3, 0},         // 31
    {CellKind::Minutes, afT1_5, afYear, 0, NumberFormat::Padded9_3, 0},         // 32
    {CellKind::Minutes, afT1_6, afYear, 0, NumberFormat::Padded9_3, 0},         // 33
    {CellKind::Minutes, afT2_1, afYear, 0, NumberFormat::Padded9_3, 0},         // 34
    {CellKind::Minutes, afT2_2, afYear, 0, NumberFormat::Padded9_3, 0},         // 35
    {CellKind::Minutes, afT2_3, afYear, 0, NumberFormat::Padded9_3, 0},         // 36
    {CellKind::Minutes, afT2_4, afYear, 0, NumberFormat::Padded9_3, 0},         // 37
    {CellKind::Minutes, afT2_5, afYear, 0, NumberFormat::Padded9_3, 0},         // 38
    {CellKind::Minutes, afT2_6, afYear, 0, NumberFormat::Padded9_3, 0},         // 39
    {CellKind::Minutes, afTworkV5, afYear, 0, NumberFormat::Padded9_3, 0},      // 40
    {CellKind::Minutes, afTstopV5, afYear, 0, NumberFormat::Padded9_3, 0},      // 41
    {CellKind::Number, afTotalQ1, afYear, 0, NumberFormat::Padded9_3, 0},       // 42
    {CellKind::Number, afTotalQ2, afYear, 0, NumberFormat::Padded9_3, 0},       // 43
    {CellKind::Number, afTotalM1, afYear, 0, NumberFormat::Padded9_3, 0},       // 44
    {CellKind::Number, afTotalM2, afYear, 0, NumberFormat::Padded9_3, 0},       // 45
    {CellKind::Number, afTotalM3, afYear, 0, NumberFormat::Padded9_3, 0},       // 46
    {CellKind::Number, afTotalM4, afYear, 0, NumberFormat::Padded9_3, 0},       // 47
    {CellKind::Number, afTotalV1, afYear, 0, NumberFormat::Padded9_3, 0},       // 48
    {CellKind::Number, afTotalV2, afYear, 0, NumberFormat::Padded9_3, 0},       // 49
    {CellKind::Number, afTotalV3, afYear, 0, NumberFormat::Padded9_3, 0},       // 50
    {CellKind::Number, afTotalV4, afYear, 0, NumberFormat::Padded9_3, 0},       // 51
    {CellKind::Number, afTotalV5, afYear, 0, NumberFormat::Padded9_3, 0},       // 52
    {CellKind::Minutes, afTotalT1_1, afYear, 0, NumberFormat::Padded9_3, 0},    // 53
    {CellKind::Minutes, afTotalT1_2, afYear, 0, NumberFormat::Padded9_3, 0},    // 54
    {CellKind::Minutes, afTotalT1_3, afYear, 0, NumberFormat::Padded9_3, 0},    // 55
    {CellKind::Minutes, afTotalT1_4, afYear, 0, NumberFormat::Padded9_3, 0},    // 56
    {CellKind::Minutes, afTotalT1_5, afYear, 0, NumberFormat::Padded9_3, 0},    // 57
    {CellKind::Minutes, afTotalT1_6, afYear, 0, NumberFormat::Padded9_3, 0},    // 58
    {CellKind::Minutes, afTotalT2_1, afYear, 0, NumberFormat::Padded9_3, 0},    // 59
    {CellKind::Minutes, afTotalT2_2, afYear, 0, NumberFormat::Padded9_3, 0},    // 60
    {CellKind::Minutes, afTotalT2_3, afYear, 0, NumberFormat::Padded9_3, 0},    // 61
    {CellKind::Minutes, afTotalT2_4, afYear, 0, NumberFormat::Padded9_3, 0},    // 62
    {CellKind::Minutes, afTotalT2_5, afYear, 0, NumberFormat::Padded9_3, 0},    // 63
    {CellKind::Minutes, afTotalT2_6, afYear, 0, NumberFormat::Padded9_3, 0},    // 64
    {CellKind::Minutes, afTotalTworkV5, afYear, 0, NumberFormat::Padded9_3, 0}, // 65
    {CellKind::Minutes, afTotalTstopV5, afYear, 0, NumberFormat::Padded9_3, 0}, // 66
};

inline constexpr ArchiveColumn ArchiveColumnsV3[] = {
    {"Дата", 0},
    {"Q1", 1},
    {"Q2", 2},
    {"M1 (т)", 3},
    {"M2 (т)", 4},
    {"M3 (т)", 5},
    {"M4 (т)", 6},
    {"dM1 (т)", 7},
    {"dM2 (т)", 8},
    {"V1 (м3)", 9},
    {"V2 (м3)", 10},
    {"V3 (м3)", 11},
    {"V4 (м3)", 12},
    {"V5 (м3)", 13},
    {"dV1 (м3)", 14},
    {"dV2 (м3)", 15},
    {"Gmin1", 16},
    {"Gmax1", 21},
    {"Gmin2", 17},
    {"Gmax2", 22},
    {"Gmin3", 18},
    {"Gmax3", 23},
    {"Gmin4", 19},
    {"Gmax4", 24},
    {"Gmin5", 20},
    {"Gmax5", 25},
    {"t1 (°C)", 26},
    {"t2 (°C)", 27},
    {"t3 (°C)", 28},
    {"t4 (°C)", 29},
    {"P1 (кгс/см2)", 30},
    {"P2 (кгс/см2)", 31},
    {"P3 (кгс/см2)", 32},
    {"P4 (кгс/см2)", 33},
    {"tхв", 34},
    {"Pхв", 35},
    {"Схема ТС", 36},
    {"Тшт.ТС1", 42},
    {"Тmin.ТС1", 43},
    {"Тmax.ТС1", 44},
    {"Тdt.ТС1", 45},
    {"Тэп.ТС1", 46},
    {"Тф.ТС1", 47},
    {"Тшт.ТС2", 48},
    {"Тmin.ТС2", 49},
    {"Тmax.ТС2", 50},
    {"Тdt.ТС2", 51},
    {"Тэп.ТС2", 52},
    {"Тф.ТС2", 53},
    {"Tраб.V5", 54},
    {"Tост.V5", 55},
    {"НС 1", 37},
    {"НС 2", 38},
    {"НС 3", 39},
    {"НС 4", 40},
    {"НС 5", 41},
};

inline constexpr ArchiveColumn TotalsColumnsV3[] = {
    {"Дата", 0},      {"Q1", 56},      {"Q2", 57},       {"M1 (т)", 58},   {"M2 (т)", 59},
    {"M3 (т)", 60},   {"M4 (т)", 61},  {"dM1 (т)", 62},  {"dM2 (т)", 63},  {"V1 (м3)", 64},
    {"V2 (м3)", 65},  {"V3 (м3)", 66}, {"V4 (м3)", 67},  {"V5 (м3)", 68},  {"dV1 (м3)", 69},
    {"dV2 (м3)", 70}, {"Тшт.ТС1", 71}, {"Тmin.ТС1", 72}, {"Тmax.ТС1", 73}, {"Тdt.ТС1", 74},
    {"Тэп.ТС1", 75},  {"Тф.ТС1", 76},  {"Тшт.ТС2", 77},  {"Тmin.ТС2", 78}, {"Тmax.ТС2", 79},
    {"Тdt.ТС2", 80},  {"Тэп.ТС2", 81}, {"Тф.ТС2", 82},   {"Tраб.V5", 83},  {"Tост.V5", 84},
};

inline constexpr ArchiveColumn ArchiveColumnsV2[] = {
    {"Дата", 0},
    {"Q1", 1},
    {"Q2", 2},
    {"M1 (т)", 3},
    {"M2 (т)", 4},
    {"M3 (т)", 5},
    {"M4 (т)", 6},
    {"V1 (м3)", 7},
    {"V2 (м3)", 8},
    {"V3 (м3)", 9},
    {"V4 (м3)", 10},
    {"V5 (м3)", 11},
    {"t1 (°C)", 12},
    {"t2 (°C)", 13},
    {"t3 (°C)", 14},
    {"t4 (°C)", 15},
    {"P1 (кгс/см2)", 16},
    {"P2 (кгс/см2)", 17},
    {"P3 (кгс/см2)", 18},
    {"P4 (кгс/см2)", 19},
    {"tхв", 20},
    {"Pхв", 21},
    {"Схема ТС", 22},
    {"Тшт.ТС1", 28},
    {"Тmin.ТС1", 29},
    {"Тmax.ТС1", 30},
    {"Тdt.ТС1", 31},
    {"Тэп.ТС1", 32},
    {"Тф.ТС1", 33},
    {"Тшт.ТС2", 34},
    {"Тmin.ТС2", 35},
    {"Тmax.ТС2", 36},
    {"Тdt.ТС2", 37},
    {"Тэп.ТС2", 38},
    {"Тф.ТС2", 39},
    {"Tраб.V5", 40},
    {"Tост.V5", 41},
    {"НС 1", 23},
    {"НС 2", 24},
    {"НС 3", 25},
    {"НС 4", 26},
    {"НС 5", 27},
};

inline constexpr ArchiveColumn TotalsColumnsV2[] = {
    {"Дата", 0},      {"Q1", 42},      {"Q2", 43},      {"M1 (т)", 44},   {"M2 (т)", 45},
    {"M3 (т)", 46},   {"M4 (т)", 47},  {"V1 (м3)", 48}, {"V2 (м3)", 49},  {"V3 (м3)", 50},
    {"V4 (м3)", 51},  {"V5 (м3)", 52}, {"Тшт.ТС1", 53}, {"Тmin.ТС1", 54}, {"Тmax.ТС1", 55},
    {"Тdt.ТС1", 56},  {"Тэп.ТС1", 57}, {"Тф.ТС1", 58},  {"Тшт.ТС2", 59},  {"Тmin.ТС2", 60},
    {"Тmax.ТС2", 61}, {"Тdt.ТС2", 62}, {"Тэп.ТС2", 63}, {"Тф.ТС2", 64},   {"Tраб.V5", 65},
    {"Tост.V5", 66},
};

} // namespace archive_cells_detail

inline constexpr ArchiveCellTable ArchiveCellsV3{archive_cells_detail::CellsV3, 56,
                                                 archive_cells_detail::ArchiveColumnsV3,
                                                 archive_cells_detail::TotalsColumnsV3};
inline constexpr ArchiveCellTable ArchiveCellsV2{archive_cells_detail::CellsV2, 42,
                                                 archive_cells_detail::ArchiveColumnsV2,
                                                 archive_cells_detail::TotalsColumnsV2};

} // namespace editions
