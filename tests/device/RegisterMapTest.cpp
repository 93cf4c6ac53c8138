#include "DeviceTestUtil.h"
#include "device/Rx58datatypes.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

using namespace devtest;
using editions::Encoding;

namespace {

// Every map stays inside its image's register part, never overlaps itself
// and names each field once: a slip in an offset shows up here.
TEST(RegisterMaps, FieldsFitTheirImagesWithoutOverlap) {
    for (const Edition* e : BothEditions) {
        const struct {
            const char* what;
            editions::RegisterMap map;
            int base;
            int bytes;
        } maps[] = {
            {"current", e->CurrentMap, 0, e->Current.RegisterBytes()},
            {"setup", e->SetupMap, 0, e->Setup.RegisterBytes()},
            {"calibration", editions::register_maps_detail::Calibration, e->CalibrationOffset,
             e->Setup.RegisterBytes()},
        };
        for (const auto& m : maps) {
            std::vector<int> owner(static_cast<std::size_t>(m.bytes), -1);
            std::set<std::string> names;
            for (std::size_t i = 0; i < m.map.size(); ++i) {
                const auto& f = m.map[i];
                EXPECT_TRUE(names.insert(f.Name).second) << e->Name << " " << f.Name;
                const int begin = m.base + f.ImageOffset;
                const int end = begin + editions::EncodingBytes(f.Enc);
                ASSERT_LE(end, m.bytes) << e->Name << " " << m.what << " " << f.Name;
                EXPECT_EQ(begin % 2, 0) << f.Name;
                for (int b = begin; b < end; ++b) {
                    EXPECT_EQ(owner[static_cast<std::size_t>(b)], -1)
                        << e->Name << " " << m.what << " " << f.Name << " overlaps at " << b;
                    owner[static_cast<std::size_t>(b)] = static_cast<int>(i);
                }
            }
        }
        // The calibration values sit where the setup map leaves a gap.
        for (const auto& f : e->SetupMap) {
            const int begin = f.ImageOffset, end = begin + editions::EncodingBytes(f.Enc);
            EXPECT_TRUE(end <= e->CalibrationOffset || begin >= e->CalibrationOffset + 24)
                << e->Name << " " << f.Name;
        }
    }
}

TEST(RegisterMaps, VersionTwoLacksItsMissingFields) {
    const char* currentOnlyV3[] = {"dP1", "dP2",  "dM1",  "dM2",  "dV1",
                                   "dV2", "dGm1", "dGm2", "dGv1", "dGv2"};
    for (const char* name : currentOnlyV3) {
        EXPECT_NE(FindField(EditionV3.CurrentMap, name), nullptr) << name;
        EXPECT_EQ(FindField(EditionV2.CurrentMap, name), nullptr) << name;
    }
    const char* setupOnlyV3[] = {"tmin1",
                                 "tmax4",
                                 "Pmin1",
                                 "Pmax4",
                                 "Delta_P1_Low",
                                 "Delta_P2_Low",
                                 "W1min",
                                 "W2max",
                                 "ChanelReaction_tminMaxReactionArray",
                                 "ChanelReaction_WminMaxReactionArray"};
    for (const char* name : setupOnlyV3) {
        EXPECT_NE(FindField(EditionV3.SetupMap, name), nullptr) << name;
        EXPECT_EQ(FindField(EditionV2.SetupMap, name), nullptr) << name;
    }
}

// Registers a setup write must not touch stay as the buffer held them.
TEST(EncodeSetupParams, LeavesUnmappedRegistersAlone) {
    struct Case {
        const Edition* edition;
        std::vector<std::pair<int, int>> untouched; // byte ranges [begin, end)
    };
    const Case cases[] = {
        {&EditionV3, {{144, 152}, {154, 188}}}, // 40073..40076, 40078..40094
        {&EditionV2, {{102, 128}}},             // 40052..40064
    };
    // Every field non-zero, so an encoder writing a wrong place shows.
    RX58SetupParams params{};
    auto pattern = ZeroImage(EditionV3.Setup);
    std::memset(pattern.data(), 0x5A, pattern.size());
    DecodeSetupParams(EditionV3, pattern.data(), params);
    params.CurrentDate = 45356;
    params.CurrentTime = 0.5;
    params.SummerStart = 36647; // 2000-04-30
    params.WinterStart = 36809;
    for (const auto& c : cases) {
        auto zero = ZeroImage(c.edition->Setup);
        ASSERT_TRUE(EncodeSetupParams(*c.edition, params, zero.data()));
        for (auto [begin, end] : c.untouched)
            for (int b = begin; b < end; ++b)
                EXPECT_EQ(zero[static_cast<std::size_t>(b)], 0) << c.edition->Name << " byte " << b;

        auto filled = ZeroImage(c.edition->Setup);
        std::memset(filled.data(), 0xA5, filled.size());
        EncodeSetupParams(*c.edition, params, filled.data());
        for (auto [begin, end] : c.untouched)
            for (int b = begin; b < end; ++b)
                EXPECT_EQ(filled[static_cast<std::size_t>(b)], 0xA5) << c.edition->Name << " " << b;
        // Beyond the register part of the version-2 buffer nothing is written.
        for (std::size_t b = static_cast<std::size_t>(c.edition->Setup.RegisterBytes());
             b < filled.size(); ++b)
            EXPECT_EQ(filled[b], 0xA5) << b;
    }
}

TEST(EncodeCurrentParams, KeepsRingDescriptorsAndUninterpretedRegisters) {
    for (const Edition* e : BothEditions) {
        auto image = ZeroImage(e->Current);
        std::memset(image.data(), 0xC3, image.size());
        RX58CurrentParams params{};
        params.Date = 45356;
        EncodeCurrentParams(*e, params, image.data());
        std::vector<std::pair<int, int>> kept = {{12, 36}};
        if (e == &EditionV3)
            kept.push_back({36, 74});
        else
            kept.push_back({82, 84});
        for (auto [begin, end] : kept)
            for (int b = begin; b < end; ++b)
                EXPECT_EQ(image[static_cast<std::size_t>(b)], 0xC3) << e->Name << " " << b;
    }
}

TEST(Calibration, TwelveRegistersAtTheEditionsPlace) {
    const RX58Calibration cal{20001, 20002, 20003, 20004, -1, -2, 3, 4, 1000, 1600, 5000, 7000};
    for (const Edition* e : BothEditions) {
        auto image = ZeroImage(e->Setup);
        std::memset(image.data(), 0x11, image.size());
        const auto before = image;
        ASSERT_TRUE(EncodeCalibration(*e, cal, image.data()));
        const int base = e->CalibrationOffset;
        EXPECT_EQ(Reg(image, base), 20001);
        EXPECT_EQ(Reg(image, base + 8), 0xFFFF);
        EXPECT_EQ(Reg(image, base + 22), 7000);
        for (std::size_t b = 0; b < image.size(); ++b) {
            if (b < static_cast<std::size_t>(base) || b >= static_cast<std::size_t>(base + 24)) {
                EXPECT_EQ(image[b], before[b]) << e->Name << " " << b;
            }
        }
        RX58Calibration back{};
        DecodeCalibration(*e, image.data(), back);
        EXPECT_EQ(back, cal) << e->Name;

        // The setup encoder leaves the calibration values alone.
        EncodeSetupParams(*e, RX58SetupParams{}, image.data());
        DecodeCalibration(*e, image.data(), back);
        EXPECT_EQ(back, cal) << e->Name;
    }
}

} // namespace
