#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "stamper/site_name.h"

namespace {

struct SiteCase {
    const char* what;
    std::string text;
    std::string name;
};

void PrintTo(const SiteCase& c, std::ostream* out) { *out << c.what; }

class SiteCases : public ::testing::TestWithParam<SiteCase> {};

TEST_P(SiteCases, FirstWordAfterTheLastHeaderLine) {
    const SiteCase& c = GetParam();
    site::TextReader reader = site::TextReader::from_bytes(c.text);
    EXPECT_EQ(site::parse_site_name(reader), c.name) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Site, SiteCases,
    ::testing::Values(SiteCase{"a [COM] section first", "[COM]\nport=1\n[NAME SITE]\nCoteau\n", "Coteau"},
                      SiteCase{"after blank lines", "[NAME SITE]\n\n\n   Coteau  \n", "Coteau"},
                      SiteCase{"only the first word", "[NAME SITE]\nCoteau du Sud\n", "Coteau"},
                      SiteCase{"a word on the header line is not taken", "[NAME SITE] Ignored\nCoteau\n", "Coteau"},
                      SiteCase{"indented header with a comment", "  [NAME SITE] ; site\nCoteau\n", "Coteau"},
                      SiteCase{"the last header wins", "[NAME SITE]\nFirst\n[NAME SITE]\nSecond\n", "Second"},
                      SiteCase{"lower-case header is not found", "[name site]\nCoteau\n", ""},
                      SiteCase{"header as the last line", "[COM]\n[NAME SITE]\n", ""},
                      SiteCase{"no header at all", "[COM]\nport=1\n", ""}, SiteCase{"empty file", "", ""},
                      SiteCase{"no final newline", "[NAME SITE]\r\nCoteau", "Coteau"},
                      SiteCase{"a long name is kept whole", "[NAME SITE]\n" + std::string(200, 's') + "\n",
                               std::string(200, 's')}),
    [](const ::testing::TestParamInfo<SiteCase>& info) { return "case" + std::to_string(info.index); });

}  // namespace
