#include <gtest/gtest.h>

#include <string>

#include "stamper/new_name.h"

namespace {

TEST(TailStart, RunOfTailCharactersBeforeTheExtension) {
    struct Case {
        const char* name;
        size_t start;
    } cases[] = {
        {"03011420.K7", 0},
        {"P1234_03011420.K8", 6},
        {"AB201503011420.K7", 2},
        {"ABC.K7", 3},
        {".K7", 0},
        {"P1234_Coteau_201503011420-1420.k8", 13},
        {"x/1-2.3.K7", 1},
        {"\xE9"
         "12.K7",
         1},
        {"K7", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(site::tail_start(c.name), c.start) << c.name;
}

TEST(K7Prefix, ZeroFilledToFourDigits) {
    EXPECT_EQ(site::k7_prefix(1234), "P1234_");
    EXPECT_EQ(site::k7_prefix(300), "P0300_");
    EXPECT_EQ(site::k7_prefix(44), "P0044_");
    EXPECT_EQ(site::k7_prefix(7), "P0007_");
    EXPECT_EQ(site::k7_prefix(0), "P0000_");
    EXPECT_EQ(site::k7_prefix(65535), "P65535_");
}

TEST(K8Prefix, FirstTokenUpToUnderscoreOrDot) {
    EXPECT_EQ(site::k8_prefix("P1234_03011420.K8"), "P1234_");
    EXPECT_EQ(site::k8_prefix("P12_0301.K8"), "P12_");
    EXPECT_EQ(site::k8_prefix("0301.K8"), "0301_");
    EXPECT_EQ(site::k8_prefix("abc"), "abc_");
}

TEST(YearRule, AppendedUnlessTheNameHoldsItAndTheTailIsLongOrTheKindIs8) {
    struct Case {
        const char* name;
        site::DataKind kind;
        bool wanted;
    } cases[] = {
        {"03011420.K7", site::DataKind::K7, true},               // year absent
        {"03012015.K7", site::DataKind::K7, true},               // present, but an 11-character .K7 tail
        {"AB201503011420.K7", site::DataKind::K7, false},        // present, 15-character tail
        {"P1234_20150301.K8", site::DataKind::K8, false},        // .K8 holding the year: never
        {"P0300_Coteau_20150301.K7", site::DataKind::K7, true},  // tail of 11 after the last '_'
        {"P0300_Coteau_201520150301.K7", site::DataKind::K7, false},
        {"ABC.K7", site::DataKind::K7, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(site::year_wanted(c.name, "2015", c.kind, site::tail_start(c.name)), c.wanted) << c.name;
}

TEST(HourMinute, ReplacesTheExtensionUnlessAlreadyStamped) {
    EXPECT_EQ(site::with_hour_minute("P1234_Coteau_201503011420.K8", 14, 20), "P1234_Coteau_201503011420-1420.k8");
    EXPECT_EQ(site::with_hour_minute("P1234_Coteau_20150301.K8", 9, 5), "P1234_Coteau_20150301-0905.k8");
    EXPECT_EQ(site::with_hour_minute("P1234_Coteau_201503011420-1420.k8", 9, 5), "P1234_Coteau_201503011420-1420.k8");
    // Shorter than eight characters: nothing before the start is looked at.
    EXPECT_EQ(site::with_hour_minute("_.K8", 1, 2), "_-0102.k8");
}

}  // namespace
