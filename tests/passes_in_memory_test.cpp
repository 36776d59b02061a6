// Both passes in this process over the in-memory file system: the rules of
// stamping and filing, and the directory each step works in, without
// starting a program or touching the disk.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/fs/memory_file_system.h"
#include "common/interpreter/interpreter.h"
#include "filer/filing_pass.h"
#include "stamper/stamping_pass.h"
#include "tests/support/fixed_host.h"
#include "tests/support/site_fixture.h"
#include "tests/support/temp_site.h"
#include "tools/sample_site.h"

namespace {

using testing_site::native_path;

// The site's directories, absolute on this platform.
const std::string kStart = native_path("/site");
const std::string kBase = native_path("/site/base");
const std::string kSent = native_path("/site/base/envoye");
const std::string kToSend = native_path("/site/base/aenvoyer");

class PassesInMemory : public ::testing::Test {
protected:
    PassesInMemory() {
        fs.put_file(kStart + "/path_autok7.txt", sample::path_config_text(kBase, kToSend, kSent));
        fs.put_file(kStart + "/electron-site.ini", sample::site_file_text("Coteau"));
        fs.put_directory(kToSend);
        fs.put_directory(kSent);
    }

    std::string file() {
        site::Trace trace;
        site::BuiltinInterpreter interpreter(trace, fs, kStart);
        site::run_filing_pass(trace, interpreter, fs);
        return trace.text();
    }

    std::string stamp() {
        testing_site::FixedHost host(native_path("/pf"));
        site::Trace trace;
        site::BuiltinInterpreter interpreter(trace, fs, kStart, host);
        site::run_stamping_pass(trace, interpreter, fs, host);
        return trace.text();
    }

    bool is_file(const std::string& path) {
        const auto info = fs.info(path);
        return info && info->is_regular;
    }

    site::MemoryFileSystem fs;
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
    fs.put_file(kBase + "/007/2015/P0007_Coteau_2015.K7", "another file");
    for (const Case& c : cases) fs.put_file(kSent + "/" + c.name, c.name);
    const std::string trace = file();
    for (const Case& c : cases) {
        const std::string where = c.place.empty() ? kSent : kBase + "/" + c.place;
        EXPECT_TRUE(is_file(where + "/" + c.name)) << c.name << "\n" << trace;
        EXPECT_NE(trace.find(c.trace), std::string::npos) << c.name << "\n" << trace;
    }
    EXPECT_EQ(fs.read(kBase + "/007/2015/P0007_Coteau_2015.K7").bytes, "another file");
}

// Each handler starts from the base directory, whatever the one before it
// could or could not enter: a wet-sensor "dir" lists its own directory.
TEST_F(PassesInMemory, EachListedNameStartsFromTheBaseDirectory) {
    fs.put_file(kBase + "/044", "a file where the photometer directory would be");
    fs.put_file(kSent + "/P0044_Coteau_2015.K7", "data");
    fs.put_file(kSent + "/wet_2015_A001.raw", "wet");
    fs.put_file(kSent + "/wet_2015_A002.raw", "wet too");
    const std::string trace = file();
    EXPECT_NE(trace.find("Unable to create directory of photometer\nUnable to create directory of photometer\n"),
              std::string::npos)
        << trace;
    EXPECT_NE(trace.find(" Directory of " + native_path("/site/base/wetsensor/A001") + "\n"), std::string::npos)
        << trace;
    EXPECT_NE(trace.find(" Directory of " + native_path("/site/base/wetsensor/A002") + "\n"), std::string::npos)
        << trace;
    EXPECT_TRUE(is_file(kBase + "/wetsensor/A002/wet_2015_A002.raw"));
    EXPECT_FALSE(fs.info(kBase + "/2015")) << "a year directory outside its photometer's";
    EXPECT_TRUE(is_file(kBase + "/wetsensor/A001/wet_2015_A001.raw"));
    EXPECT_TRUE(is_file(kSent + "/P0044_Coteau_2015.K7"));
}

TEST_F(PassesInMemory, StampingNamesEachFileAndLeavesWhatItCannotNumber) {
    fs.put_file(native_path("/pf/ASTPWin/PAR/CIM300.PAR"), sample::par_file_text(300, 3, 8));
    sample::K7Fields known, unknown;
    known.number = 300;
    known.par_name = "CIM300";
    unknown.number = 44;
    unknown.par_name = "CIM44";
    const std::time_t when = testing_site::march_1_2015_1420();
    fs.put_file(kToSend + "/03011420.K7", sample::k7_file_bytes(known), when);
    fs.put_file(kToSend + "/03011421.K7", sample::k7_file_bytes(unknown), when);
    fs.put_file(kToSend + "/P0044_03011420.K8", "k8", when);
    const std::string trace = stamp();
    EXPECT_TRUE(is_file(kToSend + "/P0300_Coteau_201503011420.K7")) << trace;
    EXPECT_TRUE(is_file(kToSend + "/P0044_Coteau_201503011420-1420.k8")) << trace;
    EXPECT_TRUE(is_file(kToSend + "/03011421.K7")) << trace;
    EXPECT_NE(trace.find("| pas de numero : " + native_path("/pf/ASTPWin/PAR/CIM44.PAR") +
                         " absent ou sans ligne Number, nom inchange\n"),
              std::string::npos)
        << trace;
    EXPECT_TRUE(is_file(kBase + "/dirk7-2.txt"));
}

}  // namespace
