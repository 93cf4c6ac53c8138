#pragma once

#include <cstdint>
#include <span>

// Enumerations of the setup parameters with their display texts, the
// reaction lists and the abnormal-situation bit texts of both editions.
// A code is an index into its list; a code outside the list has no text.

namespace editions {

using TextList = std::span<const char* const>;

enum EnumId : std::uint8_t {
    enPeriod,         // MeasurePeriod
    enScheme1,        // ThermoSheme1
    enScheme2,        // ThermoSheme2
    enOnOff,          // ChanelV5Enable
    enUnit,           // UnitOfMeasure
    enRtd,            // thermoSensorType1..4
    enPressureSensor, // PressureSensorType1..4
    enCurrent,        // PressureSensorCurrent1..4
    enPulseWeight,    // texts offered for ImpulseWeight1..5 (not codes)
    enR1,             // StopMode_TS
    enR2,             // ChanelReaction_DT
    enR3,             // ChanelReaction_PRES_ERR
    enR4,             // ChanelReaction_EXP_ERR
    enR5,             // ChanelReaction_G_OTS
    enR6,             // ChanelReaction_G_MIN
    enR7,             // ChanelReaction_G_MAX
    enR8,             // ChanelReaction_DISBALANSE_1, _2
    enR9,             // ChanelReaction_tminMaxReactionArray
    enR10,            // ChanelReaction_PminMaxReactionArray
    enR11,            // ChanelReaction_dPReactionArray
    enR12,            // ChanelReaction_WminMaxReactionArray
    enCount
};

inline constexpr int NsWords = 5;
inline constexpr int NsMaxBits = 14;

struct EnumerationSet {
    TextList Lists[enCount]; // an edition without a list has it empty
    // Abnormal-situation texts by word (NS1..NS5) and bit; "" for a bit
    // without text. Bits at or above NsBits are not defined.
    const char* const (*NsTexts)[NsMaxBits];
    int NsBits;
    // Scheme codes that measure supply and return, so that the archive
    // shows their differences: bit n set for code n.
    std::uint32_t Scheme1Differences;
    std::uint32_t Scheme2Differences;
};

// The text of a code, or nullptr when the code is outside the list.
constexpr const char* EnumText(TextList list, long long code) {
    return code >= 0 && static_cast<unsigned long long>(code) < list.size()
               ? list[static_cast<std::size_t>(code)]
               : nullptr;
}

namespace enumerations_detail {

inline constexpr const char* Period[] = {"ЛЕТНИЙ", "ЗИМНИЙ"};
inline constexpr const char* Scheme1V3[] = {"ОТОПЛ_1",  "ОТОПЛ_2", "ОТОПЛ_12", "ОТОПЛ_21",
                                            "ЦИРК_ГВС", "ТУП_ГВС", "ХВС",      "ИСТ_1",
                                            "ИСТ_2",    "ИСТ_3",   "ИСТ_4"};
inline constexpr const char* Scheme2[] = {"ВЫКЛ",     "ОТОПЛ_1",  "ОТОПЛ_2", "ОТОПЛ_12",
                                          "ОТОПЛ_21", "ЦИРК_ГВС", "ТУП_ГВС", "ХВС"};
inline constexpr const char* OnOff[] = {"ВЫКЛ", "ВКЛ"};
inline constexpr const char* Unit[] = {"ГКАЛ", "ГДЖ"};
inline constexpr const char* Rtd[] = {"Pt100 (1.385)", "100П (1.391)", "Pt500 (1.385)",
                                      "500П (1.391)"};
inline constexpr const char* PressureSensor[] = {"Договорное", "6 кгс/см2",  "6.3 кгс/см2",
                                                 "10 кгс/см2", "16 кгс/см2", "25 кгс/см2"};
inline constexpr const char* Current[] = {"0..5 мА", "4..20 мА"};
inline constexpr const char* PulseWeight[] = {"0.001", "0.005", "0.01", "0.05", "0.1",
                                              "0.5",   "1",     "5",    "10",   "50",
                                              "100",   "500",   "1000", "5000", "10000"};
inline constexpr const char* R1[] = {"Продолжать счет по раб.каналам", "Останавливать счет V,M",
                                     "Останавливать счет V,M / P,t = 0"};
inline constexpr const char* R2[] = {"Регистрация НС", "Останов ТС"};
inline constexpr const char* R3[] = {"Исп. договорное значение", "Останов ТС"};
inline constexpr const char* R4[] = {"Регистрация НС", "Останов если исп.в расчете Q",
                                     "Останов ТС"};
inline constexpr const char* R5[] = {"Нет теста", "Регистрация НС", "Gv = 0", "Останов ТС"};
inline constexpr const char* R6[] = {"Нет теста", "Регистрация НС", "Gv = Gmin", "Gv = 0",
                                     "Останов ТС"};
inline constexpr const char* R7[] = {"Нет теста", "Регистрация НС", "Gv = Gmax", "Останов ТС"};
inline constexpr const char* R8[] = {"Нет теста",
                                     "Нет реакции | Регистрация НС",
                                     "Мобр = Мпод | Регистрация НС",
                                     "Мобр=Мпод=0.5(Мобр+Мпод) | Рег.НС",
                                     "Нет реакции | Останов ТС",
                                     "Мобр = Мпод | Останов ТС",
                                     "Мобр=Мпод=0.5(Мобр+Мпод) | Останов ТС"};
inline constexpr const char* R9[] = {"Нет теста", "Регистрация НС", "t=tmin(max)", "Останов ТС"};
inline constexpr const char* R10[] = {"Нет теста", "Регистрация НС", "P=Pmin(max)", "Останов ТС"};
inline constexpr const char* R11[] = {"Нет теста", "Регистрация НС"};
inline constexpr const char* R12[] = {"Нет теста", "Регистрация НС", "W=Wmin(max)", "Останов ТС"};

inline constexpr const char* NsTextsV3[NsWords][NsMaxBits] = {
    {"Неисправность ПТ1", "t1<tхв", "dt1<dt_min1", "Неисправность ПД1", "Неисправность ПР1",
     "Gv1>Gmax1", "Gотс1<Gv1<Gmin1", "Gv1<Gотс1", "Отрицат.небал.ТС1", "t1>t_max1", "t1<t_min1",
     "P1>P_max1", "P1<P_min1", "W1>Wmax1"},
    {"Неисправность ПТ2", "t2<tхв", "dt1<0", "Неисправность ПД2", "Неисправность ПР2", "Gv2>Gmax2",
     "Gотс2<Gv2<Gmin2", "Gv2<Gотс2", "Положит.небал.ТС1", "t2>t_max2", "t2<t_min2", "P2>P_max2",
     "P2<P_min2", "W1<Wmin1"},
    {"Неисправность ПТ3", "t3<tхв", "dt2<dt_min2", "Неисправность ПД3", "Неисправность ПР3",
     "Gv3>Gmax3", "Gотс3<Gv3<Gmin3", "Gv3<Gотс3", "Отрицат.небал.ТС2", "t3>t_max3", "t3<t_min3",
     "P3>P_max3", "P3<P_min3", "W2>Wmax2"},
    {"Неисправность ПТ4", "t4<tхв", "dt2<0", "Неисправность ПД4", "Неисправность ПР4", "Gv4>Gmax4",
     "Gотс4<Gv4<Gmin4", "Gv4<Gотс4", "Положит.небал.ТС2", "t4>t_max4", "t4<t_min4", "P4>P_max4",
     "P4<P_min4", "W2<Wmin2"},
    {"Сброс питания", "Уровень доступа", "Разряд батареи", "Внешнее питание", "Неисправность ПР5",
     "Gv5>Gmax5", "Gотс5<Gv5<Gmin5", "Gv5<Gотс5", "", "", "", "dP1<dP_min1", "dP2<dP_min2", ""},
};

inline constexpr const char* NsTextsV2[NsWords][NsMaxBits] = {
    {"Неисправность ПТ1", "t1<tхв", "dt1<dt1мин", "Неисправность ПД1", "Неисправность ПР1",
     "Gv1>Gmax1", "Gотс1<Gv1<Gmin1", "Gv1<Gотс1", "Отрицат.небал.ТС1"},
    {"Неисправность ПТ2", "t2<tхв", "dt1<0", "Неисправность ПД2", "Неисправность ПР2", "Gv2>Gmax2",
     "Gотс2<Gv2<Gmin2", "Gv2<Gотс2", "Положит.небал.ТС1"},
    {"Неисправность ПТ3", "t3<tхв", "dt2<dt2мин", "Неисправность ПД3", "Неисправность ПР3",
     "Gv3>Gmax3", "Gотс3<Gv3<Gmin3", "Gv3<Gотс3", "Отрицат.небал.ТС2"},
    {"Неисправность ПТ4", "t4<tхв", "dt2<0", "Неисправность ПД4", "Неисправность ПР4", "Gv4>Gmax4",
     "Gотс4<Gv4<Gmin4", "Gv4<Gотс4", "Положит.небал.ТС2"},
    {"Сброс питания", "Уровень доступа", "Разряд батареи", "Внешнее питание", "Неисправность ПР5",
     "Gv5>Gmax5", "Gотс5<Gv5<Gmin5", "Gv5<Gотс5", ""},
};

constexpr std::uint32_t Codes(std::initializer_list<int> codes) {
    std::uint32_t mask = 0;
    for (int c : codes)
        mask |= 1u << c;
    return mask;
}

} // namespace enumerations_detail

inline constexpr EnumerationSet EnumerationsV3{
    {enumerations_detail::Period,
     enumerations_detail::Scheme1V3,
     enumerations_detail::Scheme2,
     enumerations_detail::OnOff,
     enumerations_detail::Unit,
     enumerations_detail::Rtd,
     enumerations_detail::PressureSensor,
     enumerations_detail::Current,
     enumerations_detail::PulseWeight,
     enumerations_detail::R1,
     enumerations_detail::R2,
     enumerations_detail::R3,
     enumerations_detail::R4,
     enumerations_detail::R5,
     enumerations_detail::R6,
     enumerations_detail::R7,
     enumerations_detail::R8,
     enumerations_detail::R9,
     enumerations_detail::R10,
     enumerations_detail::R11,
     enumerations_detail::R12},
    enumerations_detail::NsTextsV3,
    14,
    enumerations_detail::Codes({2, 3, 4, 7, 8}),
    enumerations_detail::Codes({3, 4, 5}),
};

// Scheme 1 offers codes 0..8; lists R9..R12 do not exist. The archive of
// this edition shows no differences.
inline constexpr EnumerationSet EnumerationsV2{
    {enumerations_detail::Period,
     TextList(enumerations_detail::Scheme1V3, 9),
     enumerations_detail::Scheme2,
     enumerations_detail::OnOff,
     enumerations_detail::Unit,
     enumerations_detail::Rtd,
     enumerations_detail::PressureSensor,
     enumerations_detail::Current,
     enumerations_detail::PulseWeight,
     enumerations_detail::R1,
     enumerations_detail::R2,
     enumerations_detail::R3,
     enumerations_detail::R4,
     enumerations_detail::R5,
     enumerations_detail::R6,
     enumerations_detail::R7,
     enumerations_detail::R8,
     TextList(),
     TextList(),
     TextList(),
     TextList()},
    enumerations_detail::NsTextsV2,
    9,
    0,
    0,
};

} // namespace editions
