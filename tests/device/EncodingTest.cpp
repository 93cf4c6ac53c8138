#include "DeviceTestUtil.h"
#include "device/Rx58datatypes.h"
#include "device/Sysutil.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <span>

using namespace devtest;

namespace {

double Date(int y, int m, int d) {
    double v = -1;
    EXPECT_TRUE(device::TryEncodeDate(y, m, d, v));
    return v;
}
double Time(int h, int n, int s) {
    double v = -1;
    EXPECT_TRUE(device::TryEncodeTime(h, n, s, 0, v));
    return v;
}

TEST(Round, HalvesAwayFromZeroLow16Bits) {
    struct Case {
        double value;
        bool thousandths;
        std::uint16_t reg;
    };
    const Case cases[] = {
        {-1.0, false, 0xFF9C},   {-5.0, false, 0xFE0C},    {12.345, true, 12345},
        {0.005, false, 1},       {-0.005, false, 0xFFFF},  {0.0045, true, 5},
        {-0.0045, true, 0xFFFB}, {655.36, false, 0},       {655.37, false, 1},
        {65.535, true, 0xFFFF},  {-327.68, false, 0x8000}, {0.0, false, 0},
        {NAN, false, 0},         {INFINITY, true, 0},      {1e300, false, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.thousandths ? Round1000(c.value) : Round100(c.value), c.reg)
            << c.value << (c.thousandths ? " x1000" : " x100");
}

struct RegisterCase {
    const char* field;
    std::uint16_t reg;
    double value;
    std::uint16_t back; // register written from the decoded value
};

template <class Record, class Decode, class Encode>
void CheckRegisterCases(const Edition& e, editions::RegisterMap map, const ImageSpec& spec,
                        std::span<const RegisterCase> cases, Decode decode, Encode encode) {
    for (const auto& c : cases) {
        const auto* f = FindField(map, c.field);
        ASSERT_NE(f, nullptr) << c.field;
        auto image = ZeroImage(spec);
        SetReg(image, f->ImageOffset, c.reg);
        Record p{};
        decode(e, image.data(), p);
        EXPECT_NEAR(device::FieldValue(*f, &p), c.value, 1e-9) << e.Name << " " << c.field;
        auto out = ZeroImage(spec);
        encode(e, p, out.data());
        EXPECT_EQ(Reg(out, f->ImageOffset), c.back) << e.Name << " " << c.field;
    }
}

// Decoding of the single-register encodings of both editions, through the
// real maps: the register at a field's place becomes the field's value and
// encodes back to the same register (or to its canonical form).
TEST(RegisterEncodings, DecodeAndEncodeBack) {
    const RegisterCase current[] = {
        {"t1", 0xFF9C, -1.0, 0xFF9C},          {"t4", 0x8000, -327.68, 0x8000},
        {"P1", 0xFFFF, 65.535, 0xFFFF},        {"dt2", 0x0064, 1.0, 0x0064},
        {"NS5", 0x1801, 0x1801, 0x1801},       {"AdcCode_P1", 0xFFFE, -2, 0xFFFE},
        {"AdcCode_t2", 0xFFFE, 65534, 0xFFFE},
    };
    const RegisterCase setup[] = {
        {"RtcCorrection", 0x01FB, -5, 0xFFFB},
        {"RtcCorrection", 0x001E, 30, 0x001E},
        {"ThermoSheme2", 0x0105, 261, 0x0105},
        {"ThermoSheme1", 0x0105, 5, 0x0005},
        {"NetAddress", 0xAB07, 7, 0x0007},
        {"ChanelV5Enable", 0x0200, 1, 0x0001},
        {"ArchiveResetPending", 0, 0, 0},
        {"Kprev", 1500, 1.5, 1500},
        {"tColdWaterWinter", 0xFFFF, 655.35, 0xFFFF},
        {"Delta_t1_Low", 0xFE0C, -5.0, 0xFE0C},
        {"SerialNum", 42, 42, 42},
    };
    for (const Edition* e : BothEditions) {
        CheckRegisterCases<RX58CurrentParams>(*e, e->CurrentMap, e->Current, current,
                                              DecodeCurrentParams, EncodeCurrentParams);
        CheckRegisterCases<RX58SetupParams>(*e, e->SetupMap, e->Setup, setup, DecodeSetupParams,
                                            EncodeSetupParams);
    }
}

TEST(RegisterEncodings, RtcCorrectionKeepsTheLowEightBitsSignExtended) {
    const std::pair<std::int32_t, std::uint16_t> cases[] = {
        {-5, 0xFFFB}, {5, 0x0005}, {-128, 0xFF80}, {127, 0x007F}, {0x1FB, 0xFFFB}, {256, 0}};
    for (const Edition* e : BothEditions)
        for (auto [value, reg] : cases) {
            RX58SetupParams p{};
            p.RtcCorrection = value;
            auto out = ZeroImage(e->Setup);
            EncodeSetupParams(*e, p, out.data());
            EXPECT_EQ(Reg(out, 14), reg) << value;
        }
}

TEST(CounterEncoding, IntegerPartTowardZeroPlusFraction) {
    struct Case {
        double value;
        std::int32_t whole;
        float fraction;
    };
    const Case cases[] = {
        {123.25, 123, 0.25f},
        {-2.5, -2, -0.5f},
        {-0.5, 0, -0.5f},
        {0.0, 0, 0.0f},
        {1e12, INT32_MAX, static_cast<float>(1e12 - INT32_MAX)},
    };
    for (const Edition* e : BothEditions) {
        const auto* f = FindField(e->CurrentMap, "Q1");
        for (const auto& c : cases) {
            RX58CurrentParams p{};
            p.Q1 = c.value;
            auto image = ZeroImage(e->Current);
            EncodeCurrentParams(*e, p, image.data());
            std::int32_t whole;
            float fraction;
            std::memcpy(&whole, image.data() + f->ImageOffset, 4);
            std::memcpy(&fraction, image.data() + f->ImageOffset + 4, 4);
            EXPECT_EQ(whole, c.whole) << c.value;
            EXPECT_EQ(fraction, c.fraction) << c.value;
            RX58CurrentParams back{};
            DecodeCurrentParams(*e, image.data(), back);
            EXPECT_NEAR(back.Q1, c.value, std::fabs(c.value) * 1e-7) << c.value;
        }
    }
}

struct ClockCase {
    const char* name;
    std::uint16_t regs[6];
    bool dateTaken, timeTaken;
};

// The clock: an invalid date keeps date and time, a valid date with an
// invalid time keeps the time; the other fields are decoded either way.
TEST(ClockEncoding, PartialUpdates) {
    const ClockCase cases[] = {
        {"valid", {24, 3, 5, 13, 45, 7}, true, true},
        {"all zero", {0, 0, 0, 0, 0, 0}, false, false},
        {"month 13", {24, 13, 1, 0, 0, 0}, false, false},
        {"30 February", {24, 2, 30, 1, 1, 1}, false, false},
        {"29 February 2024", {24, 2, 29, 23, 59, 59}, true, true},
        {"hour 24", {24, 3, 5, 24, 0, 0}, true, false},
        {"minute 60", {24, 3, 5, 1, 60, 0}, true, false},
        {"second 60", {24, 3, 5, 1, 1, 60}, true, false},
    };
    const double oldDate = 1000.0, oldTime = 0.25;
    for (const Edition* e : BothEditions)
        for (const auto& c : cases) {
            auto current = ZeroImage(e->Current);
            auto setup = ZeroImage(e->Setup);
            for (int i = 0; i < 6; ++i) {
                SetReg(current, 2 * i, c.regs[i]);
                SetReg(setup, 2 * i, c.regs[i]);
            }
            const auto* t1 = FindField(e->CurrentMap, "t1");
            SetReg(current, t1->ImageOffset, 100);
            SetReg(setup, 16, 77); // SerialNum

            RX58CurrentParams cp{};
            cp.Date = oldDate;
            cp.Time = oldTime;
            DecodeCurrentParams(*e, current.data(), cp);
            RX58SetupParams sp{};
            sp.CurrentDate = oldDate;
            sp.CurrentTime = oldTime;
            DecodeSetupParams(*e, setup.data(), sp);

            const double date =
                c.dateTaken ? Date(2000 + c.regs[0], c.regs[1], c.regs[2]) : oldDate;
            const double time = c.timeTaken ? Time(c.regs[3], c.regs[4], c.regs[5]) : oldTime;
            EXPECT_EQ(cp.Date, date) << c.name;
            EXPECT_EQ(cp.Time, time) << c.name;
            EXPECT_EQ(sp.CurrentDate, date) << c.name;
            EXPECT_EQ(sp.CurrentTime, time) << c.name;
            EXPECT_DOUBLE_EQ(cp.t1, 1.0) << c.name;
            EXPECT_EQ(sp.SerialNum, 77) << c.name;
        }
}

TEST(ClockEncoding, YearIsKeptModuloHundred) {
    struct Case {
        double date;
        std::uint16_t year;
        double decoded;
    };
    const Case cases[] = {
        {Date(2024, 3, 5), 24, Date(2024, 3, 5)},
        {Date(2100, 3, 5), 0, Date(2000, 3, 5)},
        {0.0, 99, Date(2099, 12, 30)}, // a cleared clock is 30 December 1899
    };
    for (const Edition* e : BothEditions)
        for (const auto& c : cases) {
            RX58CurrentParams p{};
            p.Date = c.date;
            p.Time = Time(13, 45, 7) + 0.4 / 86400; // milliseconds are dropped
            auto image = ZeroImage(e->Current);
            EncodeCurrentParams(*e, p, image.data());
            EXPECT_EQ(Reg(image, 0), c.year);
            EXPECT_EQ(Reg(image, 6), 13);
            EXPECT_EQ(Reg(image, 8), 45);
            EXPECT_EQ(Reg(image, 10), 7);
            RX58CurrentParams back{};
            DecodeCurrentParams(*e, image.data(), back);
            EXPECT_EQ(back.Date, c.decoded) << c.date;
            EXPECT_EQ(back.Time, Time(13, 45, 7));
        }
}

TEST(SeasonEncoding, SummerFirstThenWinter) {
    struct Case {
        const char* name;
        std::uint16_t summer[2], winter[2];
        bool summerTaken, winterTaken;
    };
    const Case cases[] = {
        {"both valid", {4, 15}, {10, 1}, true, true},
        {"29 February (leap year 2000)", {2, 29}, {10, 1}, true, true},
        {"30 February summer", {2, 30}, {10, 1}, false, false},
        {"month 0 winter", {4, 15}, {0, 1}, true, false},
        {"day 0 winter", {4, 15}, {10, 0}, true, false},
    };
    const double oldSummer = 5.0, oldWinter = 6.0;
    for (const Edition* e : BothEditions)
        for (const auto& c : cases) {
            auto image = ZeroImage(e->Setup);
            SetReg(image, 24, c.summer[0]);
            SetReg(image, 26, c.summer[1]);
            SetReg(image, 28, c.winter[0]);
            SetReg(image, 30, c.winter[1]);
            RX58SetupParams p{};
            p.SummerStart = oldSummer;
            p.WinterStart = oldWinter;
            DecodeSetupParams(*e, image.data(), p);
            EXPECT_EQ(p.SummerStart,
                      c.summerTaken ? Date(2000, c.summer[0], c.summer[1]) : oldSummer)
                << c.name;
            EXPECT_EQ(p.WinterStart,
                      c.winterTaken ? Date(2000, c.winter[0], c.winter[1]) : oldWinter)
                << c.name;
        }
    // The year of a season is dropped on writing.
    RX58SetupParams p{};
    p.SummerStart = Date(2023, 4, 15);
    auto image = ZeroImage(EditionV3.Setup);
    EncodeSetupParams(EditionV3, p, image.data());
    EXPECT_EQ(Reg(image, 24), 4);
    EXPECT_EQ(Reg(image, 26), 15);
}

// A device image with a value in every register (valid clock and seasons)
// decodes, encodes into a zero buffer and decodes again to the same record;
// through the byte-order swap too.
TEST(ImageRoundTrip, FullyPopulatedImagesRestoreEveryField) {
    std::mt19937 rng(20240305);
    for (const Edition* e : BothEditions) {
        for (int round = 0; round < 20; ++round) {
            auto current = ZeroImage(e->Current);
            auto setup = ZeroImage(e->Setup);
            for (auto* image : {&current, &setup})
                for (std::size_t i = 0; i < image->size(); i += 2) {
                    SetReg(*image, static_cast<int>(i), static_cast<std::uint16_t>(rng()));
                }
            // Floats: finite values (NaN never equals itself).
            for (auto [map, image] : {std::pair{e->CurrentMap, &current}, {e->SetupMap, &setup}})
                for (const auto& f : map)
                    if (f.Enc == editions::Encoding::F32 || f.Enc == editions::Encoding::Counter) {
                        const int at =
                            f.ImageOffset + (f.Enc == editions::Encoding::Counter ? 4 : 0);
                        Put(*image, at,
                            static_cast<float>(static_cast<int>(rng() % 2000000) - 1000000) /
                                64.0f);
                    }
            const std::uint16_t clock[6] = {24, 3, 5, 13, 45, 7};
            for (int i = 0; i < 6; ++i) {
                SetReg(current, 2 * i, clock[i]);
                SetReg(setup, 2 * i, clock[i]);
            }
            SetReg(setup, 24, 2);
            SetReg(setup, 26, 29);
            SetReg(setup, 28, 10);
            SetReg(setup, 30, 1);

            // As the device sends them, then into host order.
            SwapCurrentImage(*e, current.data());
            SwapSetupImage(*e, setup.data());
            SwapCurrentImage(*e, current.data());
            SwapSetupImage(*e, setup.data());

            RX58CurrentParams cp{};
            RX58SetupParams sp{};
            DecodeCurrentParams(*e, current.data(), cp);
            DecodeSetupParams(*e, setup.data(), sp);

            auto current2 = ZeroImage(e->Current);
            auto setup2 = ZeroImage(e->Setup);
            EncodeCurrentParams(*e, cp, current2.data());
            EncodeSetupParams(*e, sp, setup2.data());
            SwapCurrentImage(*e, current2.data());
            SwapSetupImage(*e, setup2.data());
            SwapCurrentImage(*e, current2.data());
            SwapSetupImage(*e, setup2.data());

            RX58CurrentParams cp2{};
            RX58SetupParams sp2{};
            DecodeCurrentParams(*e, current2.data(), cp2);
            DecodeSetupParams(*e, setup2.data(), sp2);
            ASSERT_EQ(cp2, cp) << e->Name << " round " << round;
            ASSERT_EQ(sp2, sp) << e->Name << " round " << round;
        }
    }
}

TEST(SwapImages, TwiceRestoresAndLongsComeOutReversed) {
    for (const Edition* e : BothEditions) {
        auto image = ZeroImage(e->Current);
        for (std::size_t i = 0; i < image.size(); ++i)
            image[i] = static_cast<std::uint8_t>(i * 13 + 5);
        const auto original = image;
        SwapCurrentImage(*e, image.data());
        const int longs = e == &EditionV3 ? 124 : 84;
        for (int b = 0; b < 4; ++b)
            EXPECT_EQ(image[static_cast<std::size_t>(longs + b)],
                      original[static_cast<std::size_t>(longs + 3 - b)]);
        EXPECT_EQ(image[0], original[1]);
        SwapCurrentImage(*e, image.data());
        EXPECT_EQ(image, original) << e->Name;
    }
}

TEST(RingDescriptor, CountNewestAndWrap) {
    struct Case {
        device::RingDescriptor ring;
        std::uint16_t count, newest;
    };
    const Case cases[] = {
        {{99, 0, 0}, 0, 99},   {{99, 30, 10}, 80, 9}, {{99, 5, 0}, 95, 99},
        {{99, 0, 50}, 50, 49}, {{99, 10, 10}, 0, 9},  {{0xFFFF, 1, 0}, 0xFFFF, 0xFFFF},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.ring.Count(), c.count)
            << c.ring.Last << "/" << c.ring.First << "/" << c.ring.Next;
        EXPECT_EQ(c.ring.Newest(), c.newest);
    }
    const device::RingDescriptor r{99, 0, 0};
    EXPECT_EQ(r.Capacity(), 100u);
    EXPECT_EQ(r.After(99), 0);
    EXPECT_EQ(r.After(5), 6);
    EXPECT_EQ(r.Before(0), 99);
    EXPECT_EQ(r.Before(5), 4);
}

TEST(RingDescriptor, ReadWriteAtRegisters30007To30018) {
    for (const Edition* e : BothEditions) {
        auto image = ZeroImage(e->Current);
        for (int type = 0; type < 4; ++type)
            device::WriteRing(image.data(), type,
                              {static_cast<std::uint16_t>(100 * (type + 1)),
                               static_cast<std::uint16_t>(type + 1),
                               static_cast<std::uint16_t>(type + 7)});
        EXPECT_EQ(Reg(image, 12), 100);
        EXPECT_EQ(Reg(image, 18), 200);
        EXPECT_EQ(Reg(image, 34), 10); // journal Next
        for (int type = 0; type < 4; ++type)
            EXPECT_EQ(device::ReadRing(image.data(), type).Last, 100 * (type + 1));
        // The ring descriptors survive encoding the record.
        EncodeCurrentParams(*e, RX58CurrentParams{}, image.data());
        EXPECT_EQ(device::ReadRing(image.data(), 2).Next, 9);
        EXPECT_EQ(device::ReadRing(image.data(), 7), device::RingDescriptor{});
    }
}

} // namespace
