#pragma once

#include "editions/Enumerations.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <span>

// The parameter codes of journal records: the parameter's text and how its
// old and new values are shown. Tables are sorted by code.

namespace editions {

enum class JournalRule : std::uint8_t {
    ByType,      // the texts of the value type
    Enum,        // byte 0 of each value looked up in List (outside it: by type)
    Season,      // "%02d/%02d" of byte 1 and byte 0 (day, month)
    Hundredths,  // signed 16-bit x 0.01, "%.2f (°C)"
    Thousandths, // unsigned 16-bit x 0.001, "%.3f (кгс/см2)"
    Ratio,       // unsigned 16-bit x 0.001, "%.2f"
    Suffix,      // the texts of the value type with Suffix appended
    Minutes,     // old: unsigned 32-bit minutes as "%d-сут %02d:%02d"; new: "00000:00"
};

struct JournalCode {
    std::uint16_t Code;
    const char* Text;
    JournalRule Rule;
    EnumId List;
    const char* Suffix;
};

using JournalCodeTable = std::span<const JournalCode>;

inline constexpr const char* UnknownJournalParameter = "Неизвестный параметр";

// The entry of a code, or nullptr for a code the edition does not know.
inline const JournalCode* FindJournalCode(JournalCodeTable table, unsigned code) {
    const auto it = std::lower_bound(table.begin(), table.end(), code,
                                     [](const JournalCode& c, unsigned v) { return c.Code < v; });
    return it != table.end() && it->Code == code ? &*it : nullptr;
}

namespace journal_codes_detail {

// Codes 1..28, the same in both editions.
inline constexpr JournalCode Modes[] = {
    {1, "Режим РАБОТА", JournalRule::ByType, enPeriod, nullptr},
    {2, "Режим НАСТРОЙКА", JournalRule::ByType, enPeriod, nullptr},
    {3, "Режим КАЛИБРОВКА", JournalRule::ByType, enPeriod, nullptr},
    {4, "Текущее время", JournalRule::ByType, enPeriod, nullptr},
    {5, "Смена периода теплопотребления", JournalRule::Enum, enPeriod, nullptr},
    {16, "Сброс архива", JournalRule::ByType, enPeriod, nullptr},
    {17, "Отчетный день месяца", JournalRule::ByType, enPeriod, nullptr},
    {18, "Период теплопотребления", JournalRule::Enum, enPeriod, nullptr},
    {19, "Начало летнего периода", JournalRule::Season, enPeriod, nullptr},
    {20, "Начало зимнего периода", JournalRule::Season, enPeriod, nullptr},
    {21, "Схема ТС1", JournalRule::Enum, enScheme1, nullptr},
    {22, "Схема ТС2", JournalRule::Enum, enScheme2, nullptr},
    {23, "Дополнительный  канал V5", JournalRule::ByType, enPeriod, nullptr},
    {24, "Единица изм.тепл.энергии", JournalRule::Enum, enUnit, nullptr},
    {25, "НСХ ТСП t1", JournalRule::Enum, enRtd, nullptr},
    {26, "НСХ ТСП t2", JournalRule::Enum, enRtd, nullptr},
    {27, "НСХ ТСП t3", JournalRule::Enum, enRtd, nullptr},
    {28, "НСХ ТСП t4", JournalRule::Enum, enRtd, nullptr},
};

inline constexpr JournalCode DtMinV3[] = {
    {29, "dt_min1", JournalRule::Hundredths, enPeriod, nullptr},
    {30, "dt_min2", JournalRule::Hundredths, enPeriod, nullptr},
};

inline constexpr JournalCode DtMinV2[] = {
    {29, "dt_мин1", JournalRule::Hundredths, enPeriod, nullptr},
    {30, "dt_мин2", JournalRule::Hundredths, enPeriod, nullptr},
};

inline constexpr JournalCode ColdWater[] = {
    {31, "tхв летнее дог.", JournalRule::Hundredths, enPeriod, nullptr},
    {32, "tхв зимнее дог.", JournalRule::Hundredths, enPeriod, nullptr},
};

// Codes from 33 on: numbered differently by edition.
inline constexpr JournalCode SettingsV3[] = {
    {33, "t_min1", JournalRule::Hundredths, enPeriod, nullptr},
    {34, "t_min2", JournalRule::Hundredths, enPeriod, nullptr},
    {35, "t_min3", JournalRule::Hundredths, enPeriod, nullptr},
    {36, "t_min4", JournalRule::Hundredths, enPeriod, nullptr},
    {37, "t_max1", JournalRule::Hundredths, enPeriod, nullptr},
    {38, "t_max2", JournalRule::Hundredths, enPeriod, nullptr},
    {39, "t_max3", JournalRule::Hundredths, enPeriod, nullptr},
    {40, "t_max4", JournalRule::Hundredths, enPeriod, nullptr},
    {41, "Датчик P1", JournalRule::Enum, enPressureSensor, nullptr},
    {42, "Датчик P2", JournalRule::Enum, enPressureSensor, nullptr},
    {43, "Датчик P3", JournalRule::Enum, enPressureSensor, nullptr},
    {44, "Датчик P4", JournalRule::Enum, enPressureSensor, nullptr},
    {45, "Ток датчика P1", JournalRule::Enum, enCurrent, nullptr},
    {46, "Ток датчика P2", JournalRule::Enum, enCurrent, nullptr},
    {47, "Ток датчика P3", JournalRule::Enum, enCurrent, nullptr},
    {48, "Ток датчика P4", JournalRule::Enum, enCurrent, nullptr},
    {49, "Pдог1", JournalRule::Thousandths, enPeriod, nullptr},
    {50, "Pдог2", JournalRule::Thousandths, enPeriod, nullptr},
    {51, "Pдог3", JournalRule::Thousandths, enPeriod, nullptr},
    {52, "Pдог4", JournalRule::Thousandths, enPeriod, nullptr},
    {53, "Pхв договорное", JournalRule::Thousandths, enPeriod, nullptr},
    {54, "dP_min1", JournalRule::Thousandths, enPeriod, nullptr},
    {55, "dP_min2", JournalRule::Thousandths, enPeriod, nullptr},
    {56, "P_min1", JournalRule::Thousandths, enPeriod, nullptr},
    {57, "P_min2", JournalRule::Thousandths, enPeriod, nullptr},
    {58, "P_min3", JournalRule::Thousandths, enPeriod, nullptr},
    {59, "P_min4", JournalRule::Thousandths, enPeriod, nullptr},
    {60, "P_max1", JournalRule::Thousandths, enPeriod, nullptr},
    {61, "P_max2", JournalRule::Thousandths, enPeriod, nullptr},
    {62, "P_max3", JournalRule::Thousandths, enPeriod, nullptr},
    {63, "P_max4", JournalRule::Thousandths, enPeriod, nullptr},
    {64, "Останов ТС", JournalRule::Enum, enR1, nullptr},
    {65, "Реакция dt<dt_min", JournalRule::Enum, enR2, nullptr},
    {66, "Реакция неисправность ПД", JournalRule::Enum, enR3, nullptr},
    {67, "Реакция неисправность ПР", JournalRule::Enum, enR4, nullptr},
    {68, "Реакция Gv>G_max", JournalRule::Enum, enR7, nullptr},
    {69, "Реакция Gv<G_min", JournalRule::Enum, enR6, nullptr},
    {70, "Реакция Gv<G_отс", JournalRule::Enum, enR5, nullptr},
    {71, "Реакция небаланс ТС1", JournalRule::Enum, enR8, nullptr},
    {72, "Реакция небаланс ТС2", JournalRule::Enum, enR8, nullptr},
    {73, "Реакция t<t_min t>t_max", JournalRule::Enum, enR9, nullptr},
    {74, "Реакция P<P_min P>P_max", JournalRule::Enum, enR10, nullptr},
    {75, "Реакция dP<dP_min", JournalRule::Enum, enR11, nullptr},
    {76, "Реакция W<W_min W>W_max", JournalRule::Enum, enR12, nullptr},
    {81, "Коэффициент небаланса расхода", JournalRule::Ratio, enPeriod, nullptr},
    {82, "I20_1", JournalRule::ByType, enPeriod, nullptr},
    {83, "I20_2", JournalRule::ByType, enPeriod, nullptr},
    {84, "I20_3", JournalRule::ByType, enPeriod, nullptr},
    {85, "I20_4", JournalRule::ByType, enPeriod, nullptr},
    {86, "I1_OFFSET", JournalRule::ByType, enPeriod, nullptr},
    {87, "I2_OFFSET", JournalRule::ByType, enPeriod, nullptr},
    {88, "I3_OFFSET", JournalRule::ByType, enPeriod, nullptr},
    {89, "I4_OFFSET", JournalRule::ByType, enPeriod, nullptr},
    {90, "R100", JournalRule::ByType, enPeriod, nullptr},
    {91, "R160", JournalRule::ByType, enPeriod, nullptr},
    {92, "R500", JournalRule::ByType, enPeriod, nullptr},
    {93, "R700", JournalRule::ByType, enPeriod, nullptr},
    {94, "Вес импульса V1", JournalRule::Suffix, enPeriod, " л/имп"},
    {95, "Вес импульса V2", JournalRule::Suffix, enPeriod, " л/имп"},
    {96, "Вес импульса V3", JournalRule::Suffix, enPeriod, " л/имп"},
    {97, "Вес импульса V4", JournalRule::Suffix, enPeriod, " л/имп"},
    {98, "Вес импульса V5", JournalRule::Suffix, enPeriod, " л/имп"},
    {99, "Gотс1", JournalRule::Suffix, enPeriod, " м3/ч"},
    {100, "Gотс2", JournalRule::Suffix, enPeriod, " м3/ч"},
    {101, "Gотс3", JournalRule::Suffix, enPeriod, " м3/ч"},
    {102, "Gотс4", JournalRule::Suffix, enPeriod, " м3/ч"},
    {103, "Gотс5", JournalRule::Suffix, enPeriod, " м3/ч"},
    {104, "Gmin1", JournalRule::Suffix, enPeriod, " м3/ч"},
    {105, "Gmin2", JournalRule::Suffix, enPeriod, " м3/ч"},
    {106, "Gmin3", JournalRule::Suffix, enPeriod, " м3/ч"},
    {107, "Gmin4", JournalRule::Suffix, enPeriod, " м3/ч"},
    {108, "Gmin5", JournalRule::Suffix, enPeriod, " м3/ч"},
    {109, "Gmax1", JournalRule::Suffix, enPeriod, " м3/ч"},
    {110, "Gmax2", JournalRule::Suffix, enPeriod, " м3/ч"},
    {111, "Gmax3", JournalRule::Suffix, enPeriod, " м3/ч"},
    {112, "Gmax4", JournalRule::Suffix, enPeriod, " м3/ч"},
    {113, "Gmax5", JournalRule::Suffix, enPeriod, " м3/ч"},
    {114, "W1_min", JournalRule::ByType, enPeriod, nullptr},
    {115, "W1_max", JournalRule::ByType, enPeriod, nullptr},
    {116, "W2_min", JournalRule::ByType, enPeriod, nullptr},
    {117, "W2_max", JournalRule::ByType, enPeriod, nullptr},
};

inline constexpr JournalCode SettingsV2[] = {
    {33, "Датчик P1", JournalRule::Enum, enPressureSensor, nullptr},
    {34, "Датчик P2", JournalRule::Enum, enPressureSensor, nullptr},
    {35, "Датчик P3", JournalRule::Enum, enPressureSensor, nullptr},
    {36, "Датчик P4", JournalRule::Enum, enPressureSensor, nullptr},
    {37, "Ток датчика P1", JournalRule::Enum, enCurrent, nullptr},
    {38, "Ток датчика P2", JournalRule::Enum, enCurrent, nullptr},
    {39, "Ток датчика P3", JournalRule::Enum, enCurrent, nullptr},
    {40, "Ток датчика P4", JournalRule::Enum, enCurrent, nullptr},
    {41, "Pдог1", JournalRule::Thousandths, enPeriod, nullptr},
    {42, "Pдог2", JournalRule::Thousandths, enPeriod, nullptr},
    {43, "Pдог3", JournalRule::Thousandths, enPeriod, nullptr},
    {44, "Pдог4", JournalRule::Thousandths, enPeriod, nullptr},
    {45, "Pхв договорное", JournalRule::Thousandths, enPeriod, nullptr},
    {46, "Останов ТС", JournalRule::Enum, enR1, nullptr},
    {47, "Реакция dt<dt_мин", JournalRule::Enum, enR2, nullptr},
    {48, "Реакция неисправность ПД", JournalRule::Enum, enR3, nullptr},
    {49, "Реакция неисправность ПР", JournalRule::Enum, enR4, nullptr},
    {50, "Реакция Gv>G_max", JournalRule::Enum, enR7, nullptr},
    {51, "Реакция Gv<G_min", JournalRule::Enum, enR6, nullptr},
    {52, "Реакция Gv<G_отс", JournalRule::Enum, enR5, nullptr},
    {53, "Реакция небаланс ТС1", JournalRule::Enum, enR8, nullptr},
    {54, "Реакция небаланс ТС2", JournalRule::Enum, enR8, nullptr},
    {55, "Коэффициент небаланса расхода", JournalRule::Ratio, enPeriod, nullptr},
    {56, "I20_1", JournalRule::ByType, enPeriod, nullptr},
    {57, "I20_2", JournalRule::ByType, enPeriod, nullptr},
    {58, "I20_3", JournalRule::ByType, enPeriod, nullptr},
    {59, "I20_4", JournalRule::ByType, enPeriod, nullptr},
    {60, "I1_OFFSET", JournalRule::ByType, enPeriod, nullptr},
    {61, "I2_OFFSET", JournalRule::ByType, enPeriod, nullptr},
    {62, "I3_OFFSET", JournalRule::ByType, enPeriod, nullptr},
    {63, "I4_OFFSET", JournalRule::ByType, enPeriod, nullptr},
    {64, "R100", JournalRule::ByType, enPeriod, nullptr},
    {65, "R160", JournalRule::ByType, enPeriod, nullptr},
    {66, "R500", JournalRule::ByType, enPeriod, nullptr},
    {67, "R700", JournalRule::ByType, enPeriod, nullptr},
    {68, "Вес импульса V1", JournalRule::Suffix, enPeriod, " л/имп"},
    {69, "Вес импульса V2", JournalRule::Suffix, enPeriod, " л/имп"},
    {70, "Вес импульса V3", JournalRule::Suffix, enPeriod, " л/имп"},
    {71, "Вес импульса V4", JournalRule::Suffix, enPeriod, " л/имп"},
    {72, "Вес импульса V5", JournalRule::Suffix, enPeriod, " л/имп"},
    {73, "Gотс1", JournalRule::Suffix, enPeriod, " м3/ч"},
    {74, "Gотс2", JournalRule::Suffix, enPeriod, " м3/ч"},
    {75, "Gотс3", JournalRule::Suffix, enPeriod, " м3/ч"},
    {76, "Gотс4", JournalRule::Suffix, enPeriod, " м3/ч"},
    {77, "Gотс5", JournalRule::Suffix, enPeriod, " м3/ч"},
    {78, "Gmin1", JournalRule::Suffix, enPeriod, " м3/ч"},
    {79, "Gmin2", JournalRule::Suffix, enPeriod, " м3/ч"},
    {80, "Gmin3", JournalRule::Suffix, enPeriod, " м3/ч"},
    {81, "Gmin4", JournalRule::Suffix, enPeriod, " м3/ч"},
    {82, "Gmin5", JournalRule::Suffix, enPeriod, " м3/ч"},
    {83, "Gmax1", JournalRule::Suffix, enPeriod, " м3/ч"},
    {84, "Gmax2", JournalRule::Suffix, enPeriod, " м3/ч"},
    {85, "Gmax3", JournalRule::Suffix, enPeriod, " м3/ч"},
    {86, "Gmax4", JournalRule::Suffix, enPeriod, " м3/ч"},
    {87, "Gmax5", JournalRule::Suffix, enPeriod, " м3/ч"},
};

// Counters and time counters, the same in both editions.
inline constexpr JournalCode Counters[] = {
    {256, "Q1", JournalRule::ByType, enPeriod, nullptr},
    {257, "Q2", JournalRule::ByType, enPeriod, nullptr},
    {258, "G1", JournalRule::Suffix, enPeriod, " т"},
    {259, "G2", JournalRule::Suffix, enPeriod, " т"},
    {260, "G3", JournalRule::Suffix, enPeriod, " т"},
    {261, "G4", JournalRule::Suffix, enPeriod, " т"},
    {262, "V1", JournalRule::Suffix, enPeriod, " м3"},
    {263, "V2", JournalRule::Suffix, enPeriod, " м3"},
    {264, "V3", JournalRule::Suffix, enPeriod, " м3"},
    {265, "V4", JournalRule::Suffix, enPeriod, " м3"},
    {266, "V5", JournalRule::Suffix, enPeriod, " м3"},
    {267, "Тшт.ТС1", JournalRule::Minutes, enPeriod, nullptr},
    {268, "Тmin.ТС1", JournalRule::Minutes, enPeriod, nullptr},
    {269, "Тmax.ТС1", JournalRule::Minutes, enPeriod, nullptr},
    {270, "Тdt.ТС1", JournalRule::Minutes, enPeriod, nullptr},
    {271, "Тэп.ТС1", JournalRule::Minutes, enPeriod, nullptr},
    {272, "Тф.ТС1", JournalRule::Minutes, enPeriod, nullptr},
    {273, "Тшт.ТС2", JournalRule::Minutes, enPeriod, nullptr},
    {274, "Тmin.ТС2", JournalRule::Minutes, enPeriod, nullptr},
    {275, "Тmax.ТС2", JournalRule::Minutes, enPeriod, nullptr},
    {276, "Тdt.ТС2", JournalRule::Minutes, enPeriod, nullptr},
    {277, "Тэп.ТС2", JournalRule::Minutes, enPeriod, nullptr},
    {278, "Тф.ТС2", JournalRule::Minutes, enPeriod, nullptr},
    {279, "Траб.V5", JournalRule::Minutes, enPeriod, nullptr},
    {280, "Тост.V5", JournalRule::Minutes, enPeriod, nullptr},
};

// One table out of sorted parts, at compile time.
template <std::size_t... N>
constexpr auto Join(const JournalCode (&... parts)[N]) {
    std::array<JournalCode, (N + ...)> out{};
    std::size_t at = 0;
    ((std::copy(std::begin(parts), std::end(parts), out.begin() + at), at += N), ...);
    return out;
}

inline constexpr auto JournalCodesV3 = Join(Modes, DtMinV3, ColdWater, SettingsV3, Counters);
inline constexpr auto JournalCodesV2 = Join(Modes, DtMinV2, ColdWater, SettingsV2, Counters);

constexpr bool SortedByCode(JournalCodeTable table) {
    for (std::size_t i = 1; i < table.size(); ++i)
        if (table[i - 1].Code >= table[i].Code)
            return false;
    return true;
}
static_assert(SortedByCode(JournalCodesV3));
static_assert(SortedByCode(JournalCodesV2));

} // namespace journal_codes_detail

inline constexpr JournalCodeTable JournalCodesV3 = journal_codes_detail::JournalCodesV3;
inline constexpr JournalCodeTable JournalCodesV2 = journal_codes_detail::JournalCodesV2;

} // namespace editions
