#include "editions/Edition.h"
#include "protocol/Modbus.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<std::uint8_t> Pattern(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i)
        v[i] = static_cast<std::uint8_t>(i * 7 + 1);
    return v;
}

TEST(SwapHelpers, WordAndLong) {
    EXPECT_EQ(SwapWord(0x1234), 0x3412);
    std::uint8_t value[] = {0x12, 0x34, 0x56, 0x78};
    SwapLong(value);
    std::uint32_t host;
    std::memcpy(&host, value, 4);
    EXPECT_EQ(host, 0x12345678u) << "a big-endian value reads as host order on x86";
}

TEST(SwapImage, ConvertsWordsAndLongsToHostOrder) {
    // Two words then one 32-bit value, as the device sends them.
    std::uint8_t image[] = {0xFF, 0x9C, 0x00, 0x64, 0x00, 0x01, 0x86, 0xA0, 0xEE};
    const LayoutEntry layout[] = {{lkWord, 2}, {lkLong, 1}};
    SwapImage(image, 4, layout, 2);
    std::int16_t w0;
    std::uint16_t w1;
    std::uint32_t l;
    std::memcpy(&w0, image, 2);
    std::memcpy(&w1, image + 2, 2);
    std::memcpy(&l, image + 4, 4);
    EXPECT_EQ(w0, -100);
    EXPECT_EQ(w1, 100);
    EXPECT_EQ(l, 100000u);
    EXPECT_EQ(image[8], 0xEE) << "nothing past the budget is touched";
}

TEST(SwapImage, EditionImagesAreTheirOwnInverse) {
    for (const Edition* e : {&EditionV3, &EditionV2}) {
        for (const ImageSpec* spec : {&e->Current, &e->Setup}) {
            const auto original = Pattern(static_cast<std::size_t>(spec->BufferBytes));
            auto image = original;
            SwapImageOf(*spec, image.data());
            EXPECT_NE(image, original) << e->Name;
            SwapImageOf(*spec, image.data());
            EXPECT_EQ(image, original) << e->Name;
        }
    }
}

TEST(SwapImage, StopRules) {
    struct Case {
        const char* name;
        std::vector<LayoutEntry> layout;
        int budget;
        int bytesChanged; // every byte before this offset is converted
    };
    const Case cases[] = {
        // Version-2 setup image: 64 words then 40 longs asked for, 104
        // registers available: 20 longs are converted, the rest untouched.
        {"v2 setup budget", {{lkWord, 64}, {lkLong, 40}}, 104, 2 * 104},
        {"unknown kind stops", {{lkWord, 3}, {7, 5}, {lkWord, 10}}, 100, 6},
        {"entries run out", {{lkWord, 2}, {lkLong, 1}}, 100, 8},
        {"zero counts are skipped", {{lkWord, 0}, {lkLong, 0}, {lkWord, 2}}, 100, 4},
        {"raw words stay", {{lkRaw, 2}, {lkWord, 1}}, 100, 6},
        {"long needs two registers", {{lkWord, 1}, {lkLong, 2}}, 4, 2 + 4},
    };
    for (const auto& c : cases) {
        const auto original = Pattern(400);
        auto image = original;
        SwapImage(image.data(), c.budget, c.layout.data(), static_cast<int>(c.layout.size()));
        EXPECT_TRUE(std::equal(image.begin() + c.bytesChanged, image.end(),
                               original.begin() + c.bytesChanged))
            << c.name;
        // Converting again restores every byte (nothing was lost).
        SwapImage(image.data(), c.budget, c.layout.data(), static_cast<int>(c.layout.size()));
        EXPECT_EQ(image, original) << c.name;
    }
}

TEST(SwapImage, V2SetupStopsAfterTwentyLongs) {
    const ImageSpec& setup = EditionV2.Setup;
    auto image = Pattern(static_cast<std::size_t>(setup.BufferBytes));
    const auto original = image;
    SwapImageOf(setup, image.data());
    // The 20th long (bytes 204..207) is converted; byte 208 onwards is not.
    EXPECT_EQ(image[204], original[207]);
    EXPECT_EQ(image[207], original[204]);
    EXPECT_TRUE(std::equal(image.begin() + 208, image.end(), original.begin() + 208));
}

TEST(SwapImage, CallerLayoutStaysIntact) {
    LayoutEntry layout[] = {{lkWord, 3}, {lkLong, 2}};
    std::uint8_t image[14] = {};
    SwapImage(image, 7, layout, 2);
    EXPECT_EQ(layout[0].Count, 3);
    EXPECT_EQ(layout[1].Count, 2);
}

} // namespace
