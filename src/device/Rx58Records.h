#pragma once

#include <cstdint>

// The typed records that the register images turn into. Every date-time
// field is a double counting days since 30 December 1899, the time of day as
// its fraction. The records carry the fields of both editions; the
// version-2 register maps simply do not fill the fields its device lacks.
// A value-initialised record ({}) is the cleared, all-zero record.

struct RX58CurrentParams {
    double Date;
    double Time;
    double t1, t2, t3, t4;
    double dt1, dt2;
    double P1, P2, P3, P4;
    double dP1, dP2;
    std::uint32_t NS1, NS2, NS3, NS4, NS5;
    double Q1, Q2;
    double M1, M2, M3, M4;
    double dM1, dM2;
    double V1, V2, V3, V4, V5;
    double dV1, dV2;
    double W1, W2;
    double Gm1, Gm2, Gm3, Gm4;
    double dGm1, dGm2;
    double Gv1, Gv2, Gv3, Gv4, Gv5;
    double dGv1, dGv2;
    std::int32_t TStime_1_1, TStime_1_2, TStime_1_3, TStime_1_4, TStime_1_5, TStime_1_6;
    std::int32_t TStime_2_1, TStime_2_2, TStime_2_3, TStime_2_4, TStime_2_5, TStime_2_6;
    std::int32_t TworkV5, TstopV5;
    std::uint16_t AdcCode_t1, AdcCode_t2, AdcCode_t3, AdcCode_t4;
    std::int16_t AdcCode_P1, AdcCode_P2, AdcCode_P3, AdcCode_P4;

    bool operator==(const RX58CurrentParams&) const = default;
};

struct RX58SetupParams {
    double CurrentDate;
    double CurrentTime;
    bool ArchiveResetPending;
    std::int32_t RtcCorrection;
    std::uint16_t SerialNum;
    std::uint8_t NetAddress, MounthDayCreate, MeasurePeriod;
    double SummerStart, WinterStart;
    std::uint8_t ThermoSheme1;
    std::uint16_t ThermoSheme2;
    bool ChanelV5Enable;
    std::uint8_t UnitOfMeasure;
    std::uint8_t thermoSensorType1, thermoSensorType2, thermoSensorType3, thermoSensorType4;
    double Delta_t1_Low, Delta_t2_Low;
    double tColdWaterSummer, tColdWaterWinter;
    double tmin1, tmin2, tmin3, tmin4;
    double tmax1, tmax2, tmax3, tmax4;
    std::uint8_t PressureSensorType1, PressureSensorType2, PressureSensorType3, PressureSensorType4;
    std::uint8_t PressureSensorCurrent1, PressureSensorCurrent2, PressureSensorCurrent3,
        PressureSensorCurrent4;
    double P_contract1, P_contract2, P_contract3, P_contract4;
    double PColdWater;
    double Delta_P1_Low, Delta_P2_Low;
    double Pmin1, Pmin2, Pmin3, Pmin4;
    double Pmax1, Pmax2, Pmax3, Pmax4;
    std::uint8_t StopMode_TS;
    std::uint8_t ChanelReaction_DT;
    std::uint8_t ChanelReaction_PRES_ERR;
    std::uint8_t ChanelReaction_EXP_ERR;
    std::uint8_t ChanelReaction_G_OTS;
    std::uint8_t ChanelReaction_G_MIN;
    std::uint8_t ChanelReaction_G_MAX;
    std::uint8_t ChanelReaction_DISBALANSE_1;
    std::uint8_t ChanelReaction_DISBALANSE_2;
    std::uint8_t ChanelReaction_tminMaxReactionArray;
    std::uint8_t ChanelReaction_PminMaxReactionArray;
    std::uint8_t ChanelReaction_dPReactionArray;
    std::uint8_t ChanelReaction_WminMaxReactionArray;
    double Kprev;
    double ImpulseWeight1, ImpulseWeight2, ImpulseWeight3, ImpulseWeight4, ImpulseWeight5;
    double Gots1, Gots2, Gots3, Gots4, Gots5;
    double Gmin1, Gmin2, Gmin3, Gmin4, Gmin5;
    double Gmax1, Gmax2, Gmax3, Gmax4, Gmax5;
    double W1min, W1max, W2min, W2max;

    bool operator==(const RX58SetupParams&) const = default;
};

// The calibration values of the analogue inputs, in register order.
struct RX58Calibration {
    std::uint16_t I20_1, I20_2, I20_3, I20_4;
    std::int16_t I_OFFSET_1, I_OFFSET_2, I_OFFSET_3, I_OFFSET_4;
    std::uint16_t R100, R160, R500, R700;

    bool operator==(const RX58Calibration&) const = default;
};
