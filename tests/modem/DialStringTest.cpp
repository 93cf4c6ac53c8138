#include "channels/AtDialString.h"
#include "channels/TtapiTexts.h"

#include <gtest/gtest.h>
#include <string>

namespace channels {
namespace {

struct Accepted {
    const char* Number;
    const char* Dialable;
};

TEST(DialString, LayoutIsDroppedAndDialCharactersKept) {
    const Accepted cases[] = {
        {"8 (495) 123-45-67", "84951234567"},
        {"+7.495.123.45.67", "+74951234567"},
        {"9w,,8 800 [555]", "9W,,8800555"},
        {"p123t#45*", "P123T#45*"},
        {"\t0\t", "0"},
        {"*#", "*#"},
    };
    for (const Accepted& c : cases) {
        const DialString result = TranslateAddress(c.Number);
        EXPECT_TRUE(result.Ok) << c.Number << ": " << result.Error;
        EXPECT_EQ(result.Dialable, c.Dialable) << c.Number;
    }
}

TEST(DialString, ACharacterThatCannotBeDialledIsRefusedAndNamed) {
    const struct {
        const char* Number;
        const char* Named;
    } cases[] = {
        {"8495x1234567", "«x»"}, // as typed
        {"123;", "«;»"},
        {"12Ж3", "«Ж»"},
        {"ATH0", "«A»"},
    };
    for (const auto& c : cases) {
        const DialString result = TranslateAddress(c.Number);
        EXPECT_FALSE(result.Ok) << c.Number;
        EXPECT_TRUE(result.Dialable.empty());
        EXPECT_NE(result.Error.find(c.Named), std::string::npos) << result.Error;
    }
    const std::string withZero("12\0"
                               "3",
                               4);
    EXPECT_FALSE(TranslateAddress(withZero).Ok);
}

TEST(DialString, NothingToDialIsNoNumber) {
    for (const char* number : {"", "   ", "(-)", "W,,", "+"}) {
        const DialString result = TranslateAddress(number);
        EXPECT_FALSE(result.Ok) << number;
        EXPECT_EQ(result.Error, text::NoPhoneNumber) << number;
    }
}

TEST(DialString, EightyCharactersFitAndEightyOneAreRefused) {
    const std::string eighty(80, '5');
    EXPECT_TRUE(TranslateAddress(eighty).Ok);
    // Layout does not count: only what would be dialled.
    EXPECT_TRUE(TranslateAddress(eighty + " - ()").Ok);
    const DialString tooLong = TranslateAddress(eighty + "5");
    EXPECT_FALSE(tooLong.Ok);
    EXPECT_NE(tooLong.Error.find("81"), std::string::npos) << tooLong.Error;
    EXPECT_NE(tooLong.Error.find("80"), std::string::npos) << tooLong.Error;
    EXPECT_FALSE(TranslateAddress(std::string(5000, '1')).Ok);
}

} // namespace
} // namespace channels
