#include <gtest/gtest.h>

#include "common/text/wildcard.h"

namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
};

void PrintTo(const MatchCase& c, std::ostream* out) { *out << c.name; }

class WildcardCases : public ::testing::TestWithParam<MatchCase> {};

TEST_P(WildcardCases, MatchLikeTheWindowsInterpreter) {
    const MatchCase& c = GetParam();
    EXPECT_EQ(site::wildcard_match(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Wildcard, WildcardCases,
    ::testing::Values(MatchCase{"*.K?", "x.K7", true}, MatchCase{"*.K?", "x.K", true},
                      MatchCase{"*.K?", "x.K78", false}, MatchCase{"*.K?", "x.k8", true},
                      MatchCase{"*.K?", "a.b.K8", true}, MatchCase{"*.K?", "x.raw", false},
                      MatchCase{"*.K?", ".K7", true}, MatchCase{"P0300_*.k?", "P0300_Coteau_2015.K7", true},
                      MatchCase{"P0300_*.k?", "p0300_x.K8", true}, MatchCase{"P0300_*.k?", "P0300.K7", false},
                      MatchCase{"P12_*.k?", "P123_Coteau_2015.K7", false}, MatchCase{"a?c", "abc", true},
                      MatchCase{"a?c", "a.c", false}, MatchCase{"a?.c", "a.c", true}, MatchCase{"*", "", true},
                      MatchCase{"*", "anything.at.all", true}, MatchCase{"abc", "ABC", true},
                      MatchCase{"abc", "abcd", false}, MatchCase{"*a*a*a*", "aaaa", true},
                      MatchCase{"*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false}));

}  // namespace
