// The whole cycle on a generated site: stamp, send (move to the sent
// directory as the transfer tool does), file. Every file must end where its
// name says, with its content unchanged, none lost and none doubled.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "tests/support/program_runner.h"
#include "tests/support/site_fixture.h"
#include "tests/support/temp_site.h"
#include "tools/sample_site.h"

namespace {

using testing_site::files_below;

std::multiset<std::string> contents_of(const std::map<std::string, std::string>& files) {
    std::multiset<std::string> contents;
    for (const auto& entry : files) contents.insert(entry.second);
    return contents;
}

// Where the naming rules put a stamped file, relative to the base directory,
// worked out from the name alone.
std::string expected_place(const std::string& name) {
    static const std::regex photometer("^P0?([0-9]{3,4})_[^_]*_([0-9]{4})[^_]*$");
    static const std::regex wet("^.*_([^_]{1,4})[^_]*\\.raw$");
    std::smatch match;
    if (std::regex_match(name, match, photometer)) return match[1].str() + "/" + match[2].str();
    if (std::regex_match(name, match, wet)) return "wetsensor/" + match[1].str();
    return "?";
}

// The photometer number that a .K7 file's header carries, as its prefix.
std::string header_prefix(const std::string& bytes, bool two_byte) {
    const unsigned number = two_byte
                                ? static_cast<unsigned char>(bytes[3]) * 256u + static_cast<unsigned char>(bytes[4])
                                : static_cast<unsigned char>(bytes[4]);
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "P%04u_", number);
    return prefix;
}

TEST(FullCycle, EveryFileEndsWhereItsNameSays) {
    testing_site::TempDir tmp;
    sample::SiteOptions options;
    options.dir = tmp / "site";
    options.files = 80;
    options.photometers = {300, 44, 1234, 7, 1001};
    options.size = 2048;
    options.windows_paths = testing_site::testing_windows_build();
    const testing_site::SiteFixture fixture;  // for the Program Files directory the programs read
    options.program_files = fixture.program_files();
    options.par_prefix = testing_site::unique_tag();
    const std::string site = sample::write_sample_site(options);
    const std::string to_send = site + "/base/aenvoyer";
    const std::string sent = site + "/base/envoye";
    const std::multiset<std::string> originals = contents_of(files_below(to_send));

    const auto stamped = testing_site::run_program(testing_site::Program::Stamper, site,
                                                   {{"TZ", "UTC"}, {"ProgramFiles", fixture.program_files_shown()}});
    ASSERT_EQ(stamped.status, 0);
    for (const std::string& name : testing_site::names_in(to_send))
        ASSERT_TRUE(name[0] == 'P' || name.find(".raw") != std::string::npos) << name << " not stamped\n"
                                                                              << stamped.output;
    for (const std::string& name : testing_site::names_in(to_send))
        ASSERT_EQ(std::rename((to_send + "/" + name).c_str(), (sent + "/" + name).c_str()), 0);
    const auto filed = testing_site::run_program(testing_site::Program::Filer, site, {{"TZ", "UTC"}});
    ASSERT_EQ(filed.status, 0);

    EXPECT_TRUE(testing_site::names_in(to_send).empty());
    EXPECT_TRUE(testing_site::names_in(sent).empty()) << filed.output;
    const std::map<std::string, std::string> archived = testing_site::data_files_below(site + "/base");
    EXPECT_EQ(contents_of(archived), originals);
    EXPECT_EQ(archived.size(), 80u);
    for (unsigned photometer : options.photometers)
        std::remove(
            (options.program_files + "/ASTPWin/PAR/" + sample::par_name_for(options.par_prefix, photometer) + ".PAR")
                .c_str());
    for (const auto& [path, bytes] : archived) {
        const std::string name = path.substr(path.rfind('/') + 1);
        EXPECT_EQ(path.substr(0, path.rfind('/')), expected_place(name)) << path;
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".K7") == 0) {
            const bool two_byte = name.compare(0, 5, "P0044") != 0 && name.compare(0, 5, "P0007") != 0;
            EXPECT_EQ(name.substr(0, 6), header_prefix(bytes, two_byte)) << path;
            EXPECT_TRUE(std::regex_match(name, std::regex("P[0-9]{4}_Coteau_2015[0-9]{8}\\.K7"))) << path;
        } else if (name.find(".k8") != std::string::npos) {
            EXPECT_TRUE(std::regex_match(name, std::regex("P[0-9]{4}_Coteau_2015[0-9]{8}-[0-9]{4}\\.k8"))) << path;
        }
    }
}

}  // namespace
