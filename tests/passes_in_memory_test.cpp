// Both passes in this process over the in-memory file system: the rules of
// stamping and filing, and the directory each step works in, without
// starting a program or touching the disk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/memory_site.h"
#include "tests/support/site_fixture.h"
#include "tests/support/temp_site.h"
#include "tools/sample_site.h"

namespace {

using testing_site::native_path;

class PassesInMemory : public ::testing::Test {
protected:
    PassesInMemory() { site.write_site_file(sample::site_file_text("Coteau")); }

    bool is_file(const std::string& path) {
        const auto info = site.fs.info(path);
        return info && info->is_regular;
    }

    testing_site::MemorySite site;
};

TEST_F(PassesInMemory, FilingPutsEachFileWhereItsNameSays) {
    struct Case {
        std::string name;
        std::string place;  // under the base directory; "" when it stays in sent
        std::string trace;  // a part of the trace
    };
    const std::vector<Case> cases = {
        {"P0044_Coteau_201501010007.K7", "044/2015", "=R=>le repertoire n existe pas 044\nDirectory created\n"},
        {"P1234_Coteau_201501010014.K7", "1234/2015", "=C=>5chif 1234\n"},
        {"P12_Coteau_2015.k8", "12/2015", "=C=>pas5chif 12\n"},
        {"wet_201501010056_A003.raw", "wetsensor/A003",
         " Directory of " + native_path("/site/base/wetsensor/A003") + "\n"},
        {"P0300_x_0103.K7", "", "=R=>nom de repertoire refuse, fichier laisse en place\n"},
        {"P12345_Coteau_2015.K7", "", "=R=>le motif P12_*.k? ne prend pas ce fichier"},
        {"P0007_Coteau_2015.K7", "", "Cannot create a file when that file already exists.\n"},
        {"notes.txt", "", ""},
    };
    site.fs.put_file(site.base() + "/007/2015/P0007_Coteau_2015.K7", "another file");
    for (const Case& c : cases) site.fs.put_file(site.sent() + "/" + c.name, c.name);
    const std::string trace = site.file();
    for (const Case& c : cases) {
        const std::string where = c.place.empty() ? site.sent() : site.base() + "/" + c.place;
        EXPECT_TRUE(is_file(where + "/" + c.name)) << c.name << "\n" << trace;
        EXPECT_NE(trace.find(c.trace), std::string::npos) << c.name << "\n" << trace;
    }
    EXPECT_EQ(site.fs.read(site.base() + "/007/2015/P0007_Coteau_2015.K7").bytes, "another file");
}

// Each handler starts from the base directory, whatever the one before it
// could or could not enter: a wet-sensor "dir" lists its own directory.
TEST_F(PassesInMemory, EachListedNameStartsFromTheBaseDirectory) {
    site.fs.put_file(site.base() + "/044", "a file where the photometer directory would be");
    site.fs.put_file(site.sent() + "/P0044_Coteau_2015.K7", "data");
    site.fs.put_file(site.sent() + "/wet_2015_A001.raw", "wet");
    site.fs.put_file(site.sent() + "/wet_2015_A002.raw", "wet too");
    const std::string trace = site.file();
    EXPECT_NE(trace.find("Unable to create directory of photometer\nUnable to create directory of photometer\n"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find(" Directory of " + native_path("/site/base/wetsensor/A001") + "\n"), std::string::npos)
        << trace;
    EXPECT_NE(trace.find(" Directory of " + native_path("/site/base/wetsensor/A002") + "\n"), std::string::npos)
        << trace;
    EXPECT_TRUE(is_file(site.base() + "/wetsensor/A002/wet_2015_A002.raw"));
    EXPECT_FALSE(site.fs.info(site.base() + "/2015")) << "a year directory outside its photometer's";
    EXPECT_TRUE(is_file(site.base() + "/wetsensor/A001/wet_2015_A001.raw"));
    EXPECT_TRUE(is_file(site.sent() + "/P0044_Coteau_2015.K7"));
}

TEST_F(PassesInMemory, StampingNamesEachFileAndLeavesWhatItCannotNumber) {
    site.fs.put_file(native_path("/pf/ASTPWin/PAR/CIM300.PAR"), sample::par_file_text(300, 3, 8));
    sample::K7Fields known, unknown;
    known.number = 300;
    known.par_name = "CIM300";
    unknown.number = 44;
    unknown.par_name = "CIM44";
    const std::time_t when = testing_site::march_1_2015_1420();
    site.fs.put_file(site.to_send() + "/03011420.K7", sample::k7_file_bytes(known), when);
    site.fs.put_file(site.to_send() + "/03011421.K7", sample::k7_file_bytes(unknown), when);
    site.fs.put_file(site.to_send() + "/P0044_03011420.K8", "k8", when);
    const std::string trace = site.stamp();
    EXPECT_TRUE(is_file(site.to_send() + "/P0300_Coteau_201503011420.K7")) << trace;
    EXPECT_TRUE(is_file(site.to_send() + "/P0044_Coteau_201503011420-1420.k8")) << trace;
    EXPECT_TRUE(is_file(site.to_send() + "/03011421.K7")) << trace;
    EXPECT_NE(trace.find("| pas de numero : " + native_path("/pf/ASTPWin/PAR/CIM44.PAR") +
                         " absent ou sans ligne Number, nom inchange\n"),
              std::string::npos)
        << trace;
    EXPECT_TRUE(is_file(site.base() + "/dirk7-2.txt"));
}

}  // namespace
