#include "DeviceTestUtil.h"
#include "device/Rx58core.h"

#include <gtest/gtest.h>

using namespace devtest;
using namespace editions;

namespace {

TEST(NsBitCaption, NameFullStopAndText) {
    struct Case {
        const Edition* edition;
        int word, bit;
        const char* caption;
    };
    const Case cases[] = {
        {&EditionV3, 0, 0, "1.Неисправность ПТ1"},
        {&EditionV3, 0, 8, "9.Отрицат.небал.ТС1"},
        {&EditionV3, 0, 13, "E.W1>Wmax1"},
        {&EditionV3, 4, 8, "9."},
        {&EditionV3, 4, 11, "C.dP1<dP_min1"},
        {&EditionV3, 0, 2, "3.dt1<dt_min1"},
        {&EditionV2, 0, 2, "3.dt1<dt1мин"},
        {&EditionV2, 2, 2, "3.dt2<dt2мин"},
        {&EditionV2, 1, 2, "3.dt1<0"},
        {&EditionV2, 0, 9, "A."},
        {&EditionV2, 4, 7, "8.Gv5<Gотс5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(device::NsBitCaption(*c.edition, c.word, c.bit), c.caption);
}

TEST(Enumerations, ListsOfBothEditions) {
    const auto& v3 = EditionV3.Enums->Lists;
    const auto& v2 = EditionV2.Enums->Lists;
    EXPECT_EQ(v3[enScheme1].size(), 11u);
    EXPECT_EQ(v2[enScheme1].size(), 9u);
    EXPECT_STREQ(EnumText(v2[enScheme1], 8), "ИСТ_2");
    EXPECT_EQ(EnumText(v2[enScheme1], 9), nullptr);
    EXPECT_STREQ(EnumText(v3[enScheme1], 10), "ИСТ_4");
    EXPECT_STREQ(EnumText(v3[enScheme2], 0), "ВЫКЛ");
    EXPECT_EQ(EnumText(v3[enScheme2], 261), nullptr);
    EXPECT_EQ(EnumText(v3[enPeriod], -1), nullptr);
    EXPECT_EQ(v3[enPulseWeight].size(), 15u);
    EXPECT_STREQ(v3[enPulseWeight][14], "10000");
    const std::pair<EnumId, std::size_t> reactionSizes[] = {
        {enR1, 3}, {enR2, 2}, {enR3, 2}, {enR4, 3},  {enR5, 4},  {enR6, 5},
        {enR7, 4}, {enR8, 7}, {enR9, 4}, {enR10, 4}, {enR11, 2}, {enR12, 4}};
    for (auto [list, size] : reactionSizes) {
        EXPECT_EQ(v3[list].size(), size) << int(list);
        EXPECT_EQ(v2[list].size(), list >= enR9 ? 0 : size) << int(list);
    }
    EXPECT_STREQ(v3[enR6][2], "Gv = Gmin");
    EXPECT_STREQ(v3[enR8][3], "Мобр=Мпод=0.5(Мобр+Мпод) | Рег.НС");
    EXPECT_EQ(EditionV3.Enums->NsBits, 14);
    EXPECT_EQ(EditionV2.Enums->NsBits, 9);
}

TEST(JournalCodes, LookupFindsOnlyKnownCodes) {
    EXPECT_STREQ(FindJournalCode(EditionV3.JournalCodes, 73)->Text, "Реакция t<t_min t>t_max");
    EXPECT_STREQ(FindJournalCode(EditionV2.JournalCodes, 73)->Text, "Gотс1");
    EXPECT_EQ(FindJournalCode(EditionV3.JournalCodes, 6), nullptr);
    EXPECT_EQ(FindJournalCode(EditionV3.JournalCodes, 4095), nullptr);
    EXPECT_STREQ(FindJournalCode(EditionV2.JournalCodes, 280)->Text, "Тост.V5");
    // Every list a code names exists in its edition.
    for (const Edition* e : BothEditions)
        for (const auto& c : e->JournalCodes) {
            if (c.Rule == JournalRule::Enum) {
                EXPECT_FALSE(e->Enums->Lists[c.List].empty()) << e->Name << " code " << c.Code;
            }
        }
}

} // namespace
