#include "rx58sim/DeviceValues.h"

#include "device/Sysutil.h"

#include <cmath>
#include <numbers>

namespace sim {

namespace {

// A slow swing of `amplitude` with a period of `period` seconds.
double Swing(std::int64_t seconds, double amplitude, double period) {
    return amplitude *
           std::sin(2 * std::numbers::pi * static_cast<double>(seconds % 86400) / period);
}

double Round(double value, double step) {
    return std::round(value / step) * step;
}

} // namespace

double DateValue(const CivilTime& time) {
    double value = 0;
    device::TryEncodeDate(time.Year, time.Month, time.Day, value);
    return value;
}

double TimeValue(const CivilTime& time) {
    double value = 0;
    device::TryEncodeTime(time.Hour, time.Minute, time.Second, 0, value);
    return value;
}

RX58CurrentParams CurrentValues(const CivilTime& now, double hours) {
    const std::int64_t s = CivilSeconds(now);
    RX58CurrentParams p{};
    p.Date = DateValue(now);
    p.Time = TimeValue(now);
    p.t1 = Round(80 + Swing(s, 1.5, 600), 0.01);
    p.t2 = Round(50 + Swing(s, 1.0, 900), 0.01);
    p.t3 = Round(60 + Swing(s, 0.8, 700), 0.01);
    p.t4 = Round(40 + Swing(s, 0.5, 1100), 0.01);
    p.dt1 = Round(p.t1 - p.t2, 0.01);
    p.dt2 = Round(p.t3 - p.t4, 0.01);
    p.P1 = Round(6.2 + Swing(s, 0.05, 300), 0.001);
    p.P2 = Round(4.1 + Swing(s, 0.03, 400), 0.001);
    p.P3 = 5.0;
    p.P4 = 3.1;
    p.dP1 = Round(p.P1 - p.P2, 0.001);
    p.dP2 = Round(p.P3 - p.P4, 0.001);
    p.NS5 = 0x0008; // running on external power
    const double flow = 1 + Swing(s, 0.02, 1020);
    p.Q1 = MeanRates.Q1 * hours;
    p.Q2 = MeanRates.Q2 * hours;
    p.M1 = MeanRates.M[0] * hours;
    p.M2 = MeanRates.M[1] * hours;
    p.M3 = MeanRates.M[2] * hours;
    p.M4 = MeanRates.M[3] * hours;
    p.dM1 = p.M1 - p.M2;
    p.dM2 = p.M3 - p.M4;
    p.V1 = MeanRates.V[0] * hours;
    p.V2 = MeanRates.V[1] * hours;
    p.V3 = MeanRates.V[2] * hours;
    p.V4 = MeanRates.V[3] * hours;
    p.V5 = MeanRates.V[4] * hours;
    p.dV1 = p.V1 - p.V2;
    p.dV2 = p.V3 - p.V4;
    p.W1 = 0.8 + Swing(s, 0.05, 800);
    p.W2 = 0.6;
    p.Gv1 = MeanRates.V[0] * flow;
    p.Gv2 = MeanRates.V[1] * flow;
    p.Gv3 = MeanRates.V[2] * flow;
    p.Gv4 = MeanRates.V[3] * flow;
    p.Gv5 = MeanRates.V[4];
    p.Gm1 = MeanRates.M[0] * flow;
    p.Gm2 = MeanRates.M[1] * flow;
    p.Gm3 = MeanRates.M[2] * flow;
    p.Gm4 = MeanRates.M[3] * flow;
    p.dGm1 = p.Gm1 - p.Gm2;
    p.dGm2 = p.Gm3 - p.Gm4;
    p.dGv1 = p.Gv1 - p.Gv2;
    p.dGv2 = p.Gv3 - p.Gv4;
    const auto minutes = static_cast<std::int32_t>(hours * 60);
    p.TStime_1_1 = minutes;
    p.TStime_1_2 = minutes / 500;
    p.TStime_1_3 = minutes / 900;
    p.TStime_1_4 = minutes / 300;
    p.TStime_1_5 = 0;
    p.TStime_1_6 = minutes / 1000;
    p.TStime_2_1 = minutes;
    p.TStime_2_2 = minutes / 700;
    p.TStime_2_3 = 0;
    p.TStime_2_4 = minutes / 400;
    p.TStime_2_5 = 0;
    p.TStime_2_6 = minutes / 1200;
    p.TworkV5 = minutes - minutes / 100;
    p.TstopV5 = minutes / 100;
    // Converter codes that follow the inputs: about 164 codes per ohm of a
    // Pt100 sensor, and 4..20 mA pressure transmitters on a 16-bit converter.
    auto rtd = [](double t) { return static_cast<std::uint16_t>((100 + 0.385 * t) * 163.84); };
    auto current = [](double p, double range) {
        return static_cast<std::int16_t>(10400 + p / range * 41600);
    };
    p.AdcCode_t1 = rtd(p.t1);
    p.AdcCode_t2 = rtd(p.t2);
    p.AdcCode_t3 = rtd(p.t3);
    p.AdcCode_t4 = rtd(p.t4);
    p.AdcCode_P1 = current(p.P1, 10);
    p.AdcCode_P2 = current(p.P2, 10);
    p.AdcCode_P3 = current(p.P3, 16);
    p.AdcCode_P4 = current(p.P4, 16);
    return p;
}

RX58SetupParams DefaultSetup(std::uint8_t netAddress, std::uint16_t serialNumber,
                             const CivilTime& now) {
    RX58SetupParams s{};
    s.CurrentDate = DateValue(now);
    s.CurrentTime = TimeValue(now);
    s.RtcCorrection = -2;
    s.SerialNum = serialNumber;
    s.NetAddress = netAddress;
    s.MounthDayCreate = 25;
    s.MeasurePeriod = 1;
    s.SummerStart = DateValue({2000, 4, 15});
    s.WinterStart = DateValue({2000, 10, 15});
    s.ThermoSheme1 = 2; // supply and return: the differences are shown
    s.ThermoSheme2 = 5;
    s.ChanelV5Enable = true;
    s.UnitOfMeasure = 0;
    s.thermoSensorType1 = 0;
    s.thermoSensorType2 = 0;
    s.thermoSensorType3 = 1;
    s.thermoSensorType4 = 1;
    s.Delta_t1_Low = 3;
    s.Delta_t2_Low = 2;
    s.tColdWaterSummer = 15;
    s.tColdWaterWinter = 5;
    s.tmax1 = s.tmax2 = 150;
    s.tmax3 = s.tmax4 = 95;
    s.PressureSensorType1 = s.PressureSensorType2 = 3;
    s.PressureSensorType3 = s.PressureSensorType4 = 4;
    s.PressureSensorCurrent1 = s.PressureSensorCurrent2 = s.PressureSensorCurrent3 =
        s.PressureSensorCurrent4 = 1;
    s.P_contract1 = 6;
    s.P_contract2 = 4;
    s.P_contract3 = 5;
    s.P_contract4 = 3;
    s.PColdWater = 2.5;
    s.Delta_P1_Low = 0.5;
    s.Delta_P2_Low = 0.3;
    s.Pmin1 = s.Pmin2 = s.Pmin3 = s.Pmin4 = 0.5;
    s.Pmax1 = s.Pmax2 = 10;
    s.Pmax3 = s.Pmax4 = 16;
    s.StopMode_TS = 1;
    s.ChanelReaction_EXP_ERR = 1;
    s.ChanelReaction_G_OTS = 1;
    s.ChanelReaction_G_MIN = 1;
    s.ChanelReaction_G_MAX = 1;
    s.ChanelReaction_DISBALANSE_1 = 2;
    s.ChanelReaction_DISBALANSE_2 = 1;
    s.ChanelReaction_tminMaxReactionArray = 1;
    s.ChanelReaction_PminMaxReactionArray = 1;
    s.ChanelReaction_dPReactionArray = 1;
    s.Kprev = 2.5;
    s.ImpulseWeight1 = s.ImpulseWeight2 = 10;
    s.ImpulseWeight3 = s.ImpulseWeight4 = 1;
    s.ImpulseWeight5 = 0.1;
    s.Gots1 = s.Gots2 = 0.2;
    s.Gots3 = s.Gots4 = 0.05;
    s.Gots5 = 0.01;
    s.Gmin1 = s.Gmin2 = 0.5;
    s.Gmin3 = s.Gmin4 = 0.12;
    s.Gmin5 = 0.03;
    s.Gmax1 = s.Gmax2 = 25;
    s.Gmax3 = s.Gmax4 = 6;
    s.Gmax5 = 2;
    s.W1min = 0.2;
    s.W1max = 1.5;
    s.W2min = 0.1;
    s.W2max = 1.2;
    return s;
}

RX58Calibration DefaultCalibration() {
    return {52000, 52010, 51990, 52005, 12, -8, 5, -3, 16384, 26214, 8192, 11469};
}

} // namespace sim
