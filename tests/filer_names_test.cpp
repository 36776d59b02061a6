// The filer's reading of a listed name: where its file would go, and which
// directory names are never made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filer/archive_rules.h"
#include "filer/listed_names.h"

namespace {

TEST(PhotometerName, FourCharactersOnlyWhenTheUnderscoreStandsFivePlacesOn) {
    struct Case {
        std::string name;
        std::string directory, year, pattern;
    };
    const std::vector<Case> cases = {
        {"P0300_Coteau_201503011420.K7", "300", "2015", "P0300_*.k?"},
        {"P1234_Coteau_2015.K7", "1234", "2015", "P1234_*.k?"},
        {"P0044_Coteau_2015.K7", "044", "2015", "P0044_*.k?"},
        {"P12_Coteau_2015.k8", "12", "2015", "P12_*.k?"},
        {"P123_Coteau_2015.K7", "12", "2015", "P12_*.k?"},
        {"P12345_Coteau_2015.K7", "12", "2015", "P12_*.k?"},
        {"x_P0300_2015.K7", "03", "2015", "P03_*.k?"},
        {"P0300_Coteau_99.K7", "300", "99.K", "P0300_*.k?"},
    };
    for (const Case& c : cases) {
        site::NameProblem problem;
        const site::PhotometerName parsed = site::parse_photometer_name(c.name, problem);
        EXPECT_EQ(problem, site::NameProblem::None) << c.name;
        EXPECT_EQ(parsed.directory, c.directory) << c.name;
        EXPECT_EQ(parsed.year, c.year) << c.name;
        EXPECT_EQ(parsed.file_pattern(), c.pattern) << c.name;
    }
    site::NameProblem problem;
    site::parse_photometer_name("p0300_x_2015.K7", problem);
    EXPECT_EQ(problem, site::NameProblem::NoP);
    site::parse_photometer_name("P0300.K7", problem);
    EXPECT_EQ(problem, site::NameProblem::NoUnderscore);
}

TEST(ArchiveDirectoryNames, NoneLeadsOutOfTheArchiveOrIsNoYear) {
    for (const char* refused : {"", ".", "..", ". .", "a/b", "a\\b", "C:", "0:", "COM1", "con", "Nul.", "lpt9 ",
                                "AUX.r", "COM\xB9", "lpt\xC2\xB2"})
        EXPECT_FALSE(site::archive_directory_name(refused)) << refused;
    // As a Windows file system stores it.
    for (auto [composed, stored] : std::initializer_list<std::pair<const char*, const char*>>{{"300", "300"},
                                                                                              {"044", "044"},
                                                                                              {"..a", "..a"},
                                                                                              {"7.ra", "7.ra"},
                                                                                              {"A01.", "A01"},
                                                                                              {"x y.", "x y"},
                                                                                              {"12. ", "12"},
                                                                                              {"COM0", "COM0"},
                                                                                              {"COM10", "COM10"},
                                                                                              {"CONS", "CONS"}})
        EXPECT_EQ(site::archive_directory_name(composed), std::optional<std::string>(stored)) << composed;
    for (const char* year : {"1980", "2015", "2107"}) EXPECT_TRUE(site::is_archive_year(year)) << year;
    for (const char* no_year : {"1979", "2108", "0301", "99.K", "201", "20155", "2O15", ""})
        EXPECT_FALSE(site::is_archive_year(no_year)) << no_year;
}

}  // namespace
