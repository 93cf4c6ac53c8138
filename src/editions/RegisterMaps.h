#pragma once

#include "device/Rx58Records.h"
#include "editions/RegisterMap.h"

#include <cstddef>
#include <type_traits>

// The register maps of both editions: where each record field lives in the
// current-parameter and setup-parameter images (host order, byte offsets
// from the first register of the image).

namespace editions {

template <class T>
constexpr FieldType FieldTypeOf() {
    if constexpr (std::is_same_v<T, double>)
        return FieldType::Double;
    else if constexpr (std::is_same_v<T, std::uint32_t>)
        return FieldType::U32;
    else if constexpr (std::is_same_v<T, std::int32_t>)
        return FieldType::I32;
    else if constexpr (std::is_same_v<T, std::uint16_t>)
        return FieldType::U16;
    else if constexpr (std::is_same_v<T, std::int16_t>)
        return FieldType::I16;
    else if constexpr (std::is_same_v<T, std::uint8_t>)
        return FieldType::U8;
    else {
        static_assert(std::is_same_v<T, bool>, "unsupported record field type");
        return FieldType::Bool;
    }
}

} // namespace editions

#define RX58_FIELD(Rec, field, offset, enc)                                                        \
    ::editions::RegisterField {                                                                    \
#field, offset, ::editions::Encoding::enc,                                                 \
            ::editions::FieldTypeOf < decltype(Rec::field)>(), offsetof(Rec, field), 0             \
    }
#define RX58_CLOCK(Rec, date, time, offset)                                                        \
    ::editions::RegisterField {                                                                    \
#date, offset, ::editions::Encoding::DateTime, ::editions::FieldType::Double,              \
            offsetof(Rec, date), offsetof(Rec, time), #time                                        \
    }

namespace editions {
namespace register_maps_detail {

#define F(field, offset, enc) RX58_FIELD(RX58CurrentParams, field, offset, enc)
inline constexpr RegisterField CurrentV3[] = {
    RX58_CLOCK(RX58CurrentParams, Date, Time, 0),
    F(t1, 74, S16_100),
    F(t2, 76, S16_100),
    F(t3, 78, S16_100),
    F(t4, 80, S16_100),
    F(dt1, 82, S16_100),
    F(dt2, 84, S16_100),
    F(P1, 86, U16_1000),
    F(P2, 88, U16_1000),
    F(P3, 90, U16_1000),
    F(P4, 92, U16_1000),
    F(dP1, 94, S16_1000),
    F(dP2, 96, S16_1000),
    F(NS1, 98, U16),
    F(NS2, 100, U16),
    F(NS3, 102, U16),
    F(NS4, 104, U16),
    F(NS5, 106, U16),
    F(AdcCode_t1, 108, U16),
    F(AdcCode_t2, 110, U16),
    F(AdcCode_t3, 112, U16),
    F(AdcCode_t4, 114, U16),
    F(AdcCode_P1, 116, S16),
    F(AdcCode_P2, 118, S16),
    F(AdcCode_P3, 120, S16),
    F(AdcCode_P4, 122, S16),
    F(Q1, 124, Counter),
    F(Q2, 132, Counter),
    F(M1, 140, Counter),
    F(M2, 148, Counter),
    F(M3, 156, Counter),
    F(M4, 164, Counter),
    F(dM1, 172, Counter),
    F(dM2, 180, Counter),
    F(V1, 188, Counter),
    F(V2, 196, Counter),
    F(V3, 204, Counter),
    F(V4, 212, Counter),
    F(V5, 220, Counter),
    F(dV1, 228, Counter),
    F(dV2, 236, Counter),
    F(W1, 244, F32),
    F(W2, 248, F32),
    F(Gm1, 252, F32),
    F(Gm2, 256, F32),
    F(Gm3, 260, F32),
    F(Gm4, 264, F32),
    F(dGm1, 268, F32),
    F(dGm2, 272, F32),
    F(Gv1, 276, F32),
    F(Gv2, 280, F32),
    F(Gv3, 284, F32),
    F(Gv4, 288, F32),
    F(Gv5, 292, F32),
    F(dGv1, 296, F32),
    F(dGv2, 300, F32),
    F(TStime_1_1, 304, U32),
    F(TStime_1_2, 308, U32),
    F(TStime_1_3, 312, U32),
    F(TStime_1_4, 316, U32),
    F(TStime_1_5, 320, U32),
    F(TStime_1_6, 324, U32),
    F(TStime_2_1, 328, U32),
    F(TStime_2_2, 332, U32),
    F(TStime_2_3, 336, U32),
    F(TStime_2_4, 340, U32),
    F(TStime_2_5, 344, U32),
    F(TStime_2_6, 348, U32),
    F(TworkV5, 352, U32),
    F(TstopV5, 356, U32),
};

inline constexpr RegisterField CurrentV2[] = {
    RX58_CLOCK(RX58CurrentParams, Date, Time, 0),
    F(t1, 36, S16_100),
    F(t2, 38, S16_100),
    F(t3, 40, S16_100),
    F(t4, 42, S16_100),
    F(dt1, 44, S16_100),
    F(dt2, 46, S16_100),
    F(P1, 48, U16_1000),
    F(P2, 50, U16_1000),
    F(P3, 52, U16_1000),
    F(P4, 54, U16_1000),
    F(NS1, 56, U16),
    F(NS2, 58, U16),
    F(NS3, 60, U16),
    F(NS4, 62, U16),
    F(NS5, 64, U16),
    F(AdcCode_t1, 66, U16),
    F(AdcCode_t2, 68, U16),
    F(AdcCode_t3, 70, U16),
    F(AdcCode_t4, 72, U16),
    F(AdcCode_P1, 74, S16),
    F(AdcCode_P2, 76, S16),
    F(AdcCode_P3, 78, S16),
    F(AdcCode_P4, 80, S16),
    F(Q1, 84, Counter),
    F(Q2, 92, Counter),
    F(M1, 100, Counter),
    F(M2, 108, Counter),
    F(M3, 116, Counter),
    F(M4, 124, Counter),
    F(V1, 132, Counter),
    F(V2, 140, Counter),
    F(V3, 148, Counter),
    F(V4, 156, Counter),
    F(V5, 164, Counter),
    F(W1, 172, F32),
    F(W2, 176, F32),
    F(Gm1, 180, F32),
    F(Gm2, 184, F32),
    F(Gm3, 188, F32),
    F(Gm4, 192, F32),
    F(Gv1, 196, F32),
    F(Gv2, 200, F32),
    F(Gv3, 204, F32),
    F(Gv4, 208, F32),
    F(Gv5, 212, F32),
    F(TStime_1_1, 216, U32),
    F(TStime_1_2, 220, U32),
    F(TStime_1_3, 224, U32),
    F(TStime_1_4, 228, U32),
    F(TStime_1_5, 232, U32),
    F(TStime_1_6, 236, U32),
    F(TStime_2_1, 240, U32),
    F(TStime_2_2, 244, U32),
    F(TStime_2_3, 248, U32),
    F(TStime_2_4, 252, U32),
    F(TStime_2_5, 256, U32),
    F(TStime_2_6, 260, U32),
    F(TworkV5, 264, U32),
    F(TstopV5, 268, U32),
};
#undef F

#define F(field, offset, enc) RX58_FIELD(RX58SetupParams, field, offset, enc)
// Registers 40001..40024, the same in both editions.
#define RX58_SETUP_HEAD                                                                            \
    RX58_CLOCK(RX58SetupParams, CurrentDate, CurrentTime, 0), F(ArchiveResetPending, 12, Bool),    \
        F(RtcCorrection, 14, SByte), F(SerialNum, 16, U16), F(NetAddress, 18, LoByte),             \
        F(MounthDayCreate, 20, LoByte), F(MeasurePeriod, 22, LoByte), F(SummerStart, 24, Season),  \
        F(WinterStart, 28, Season), F(ThermoSheme1, 32, LoByte), F(ThermoSheme2, 34, U16),         \
        F(ChanelV5Enable, 36, Bool), F(UnitOfMeasure, 38, LoByte),                                 \
        F(thermoSensorType1, 40, LoByte), F(thermoSensorType2, 42, LoByte),                        \
        F(thermoSensorType3, 44, LoByte), F(thermoSensorType4, 46, LoByte)

inline constexpr RegisterField SetupV3[] = {
    RX58_SETUP_HEAD,
    F(Delta_t1_Low, 48, S16_100),
    F(Delta_t2_Low, 50, S16_100),
    F(tColdWaterSummer, 52, U16_100),
    F(tColdWaterWinter, 54, U16_100),
    F(tmin1, 56, S16_100),
    F(tmin2, 58, S16_100),
    F(tmin3, 60, S16_100),
    F(tmin4, 62, S16_100),
    F(tmax1, 64, S16_100),
    F(tmax2, 66, S16_100),
    F(tmax3, 68, S16_100),
    F(tmax4, 70, S16_100),
    F(PressureSensorType1, 72, LoByte),
    F(PressureSensorType2, 74, LoByte),
    F(PressureSensorType3, 76, LoByte),
    F(PressureSensorType4, 78, LoByte),
    F(PressureSensorCurrent1, 80, LoByte),
    F(PressureSensorCurrent2, 82, LoByte),
    F(PressureSensorCurrent3, 84, LoByte),
    F(PressureSensorCurrent4, 86, LoByte),
    F(P_contract1, 88, U16_1000),
    F(P_contract2, 90, U16_1000),
    F(P_contract3, 92, U16_1000),
    F(P_contract4, 94, U16_1000),
    F(PColdWater, 96, U16_1000),
    F(Delta_P1_Low, 98, U16_1000),
    F(Delta_P2_Low, 100, U16_1000),
    F(Pmin1, 102, U16_1000),
    F(Pmin2, 104, U16_1000),
    F(Pmin3, 106, U16_1000),
    F(Pmin4, 108, U16_1000),
    F(Pmax1, 110, U16_1000),
    F(Pmax2, 112, U16_1000),
    F(Pmax3, 114, U16_1000),
    F(Pmax4, 116, U16_1000),
    F(StopMode_TS, 118, LoByte),
    F(ChanelReaction_DT, 120, LoByte),
    F(ChanelReaction_PRES_ERR, 122, LoByte),
    F(ChanelReaction_EXP_ERR, 124, LoByte),
    F(ChanelReaction_G_MAX, 126, LoByte),
    F(ChanelReaction_G_MIN, 128, LoByte),
    F(ChanelReaction_G_OTS, 130, LoByte),
    F(ChanelReaction_DISBALANSE_1, 132, LoByte),
    F(ChanelReaction_DISBALANSE_2, 134, LoByte),
    F(ChanelReaction_tminMaxReactionArray, 136, LoByte),
    F(ChanelReaction_PminMaxReactionArray, 138, LoByte),
    F(ChanelReaction_dPReactionArray, 140, LoByte),
    F(ChanelReaction_WminMaxReactionArray, 142, LoByte),
    F(Kprev, 152, U16_1000),
    F(ImpulseWeight1, 188, F32),
    F(ImpulseWeight2, 192, F32),
    F(ImpulseWeight3, 196, F32),
    F(ImpulseWeight4, 200, F32),
    F(ImpulseWeight5, 204, F32),
    F(Gots1, 208, F32),
    F(Gots2, 212, F32),
    F(Gots3, 216, F32),
    F(Gots4, 220, F32),
    F(Gots5, 224, F32),
    F(Gmin1, 228, F32),
    F(Gmin2, 232, F32),
    F(Gmin3, 236, F32),
    F(Gmin4, 240, F32),
    F(Gmin5, 244, F32),
    F(Gmax1, 248, F32),
    F(Gmax2, 252, F32),
    F(Gmax3, 256, F32),
    F(Gmax4, 260, F32),
    F(Gmax5, 264, F32),
    F(W1min, 268, F32),
    F(W1max, 272, F32),
    F(W2min, 276, F32),
    F(W2max, 280, F32),
};

inline constexpr RegisterField SetupV2[] = {
    RX58_SETUP_HEAD,
    F(Delta_t1_Low, 48, S16_100),
    F(Delta_t2_Low, 50, S16_100),
    F(tColdWaterSummer, 52, U16_100),
    F(tColdWaterWinter, 54, U16_100),
    F(PressureSensorType1, 56, LoByte),
    F(PressureSensorType2, 58, LoByte),
    F(PressureSensorType3, 60, LoByte),
    F(PressureSensorType4, 62, LoByte),
    F(PressureSensorCurrent1, 64, LoByte),
    F(PressureSensorCurrent2, 66, LoByte),
    F(PressureSensorCurrent3, 68, LoByte),
    F(PressureSensorCurrent4, 70, LoByte),
    F(P_contract1, 72, U16_1000),
    F(P_contract2, 74, U16_1000),
    F(P_contract3, 76, U16_1000),
    F(P_contract4, 78, U16_1000),
    F(PColdWater, 80, U16_1000),
    F(StopMode_TS, 82, LoByte),
    F(ChanelReaction_DT, 84, LoByte),
    F(ChanelReaction_PRES_ERR, 86, LoByte),
    F(ChanelReaction_EXP_ERR, 88, LoByte),
    F(ChanelReaction_G_MAX, 90, LoByte),
    F(ChanelReaction_G_MIN, 92, LoByte),
    F(ChanelReaction_G_OTS, 94, LoByte),
    F(ChanelReaction_DISBALANSE_1, 96, LoByte),
    F(ChanelReaction_DISBALANSE_2, 98, LoByte),
    F(Kprev, 100, U16_1000),
    F(ImpulseWeight1, 128, F32),
    F(ImpulseWeight2, 132, F32),
    F(ImpulseWeight3, 136, F32),
    F(ImpulseWeight4, 140, F32),
    F(ImpulseWeight5, 144, F32),
    F(Gots1, 148, F32),
    F(Gots2, 152, F32),
    F(Gots3, 156, F32),
    F(Gots4, 160, F32),
    F(Gots5, 164, F32),
    F(Gmin1, 168, F32),
    F(Gmin2, 172, F32),
    F(Gmin3, 176, F32),
    F(Gmin4, 180, F32),
    F(Gmin5, 184, F32),
    F(Gmax1, 188, F32),
    F(Gmax2, 192, F32),
    F(Gmax3, 196, F32),
    F(Gmax4, 200, F32),
    F(Gmax5, 204, F32),
};
#undef RX58_SETUP_HEAD
#undef F

// The twelve calibration registers, given relative to their first one.
#define F(field, offset, enc) RX58_FIELD(RX58Calibration, field, offset, enc)
inline constexpr RegisterField Calibration[] = {
    F(I20_1, 0, U16),      F(I20_2, 2, U16),       F(I20_3, 4, U16),       F(I20_4, 6, U16),
    F(I_OFFSET_1, 8, S16), F(I_OFFSET_2, 10, S16), F(I_OFFSET_3, 12, S16), F(I_OFFSET_4, 14, S16),
    F(R100, 16, U16),      F(R160, 18, U16),       F(R500, 20, U16),       F(R700, 22, U16),
};
#undef F

} // namespace register_maps_detail
} // namespace editions
