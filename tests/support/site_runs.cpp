// The fixture's runs of the programs, apart from the rest of the fixture:
// they need the program runner, which only the native build has.
#include "tests/support/site_fixture.h"

namespace testing_site {

ProgramRun SiteFixture::run_stamper(const std::string& time_zone) const {
    return run_program(Program::Stamper, work(), {{"TZ", time_zone}, {"ProgramFiles", program_files_shown()}});
}

ProgramRun SiteFixture::run_filer() const { return run_program(Program::Filer, work(), {{"TZ", "UTC"}}); }

}  // namespace testing_site
