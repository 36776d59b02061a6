#include <gtest/gtest.h>

#include "common/fs/paths.h"
#include "common/fs/real_file_system.h"
#include "common/interpreter/command.h"
#include "common/interpreter/system_interpreter.h"
#include "common/platform/platform.h"

namespace {

using site::Command;

TEST(CommandText, OrdinaryOperandsStayBare) {
    EXPECT_EQ(Command::list_matching("C:\\b\\aenvoyer\\*.K?", "C:\\b\\dirk7-2.txt").rendered(),
              "dir /B C:\\b\\aenvoyer\\*.K? > C:\\b\\dirk7-2.txt");
    EXPECT_EQ(Command::list_directory("/b/envoye", "/b/dirk7.txt").rendered(), "dir /B /b/envoye > /b/dirk7.txt");
    EXPECT_EQ(Command::rename("C:\\d\\03011420.K7", "P0300_Coteau_201503011420.K7").rendered(),
              "rename C:\\d\\03011420.K7 P0300_Coteau_201503011420.K7");
    EXPECT_EQ(Command::move_matching("C:\\s\\P0300_*.k?", "C:\\b\\300\\2015").rendered(),
              "move C:\\s\\P0300_*.k? C:\\b\\300\\2015");
    EXPECT_EQ(Command::dir().rendered(), "dir");
}

TEST(CommandText, EchoForms) {
    EXPECT_EQ(Command::echo("%programfiles%", "path.txt").rendered(), "echo %programfiles% > path.txt");
    EXPECT_EQ(Command::echo("").rendered(), "echo/");
    EXPECT_EQ(Command::echo("off").rendered(), "echo off");
    EXPECT_EQ(Command::echo("pas de fichier a ranger").rendered(), "echo pas de fichier a ranger");
}

TEST(CommandText, SpecialOperandsAreQuoted) {
    const char* specials[] = {"a b", "a&b", "a|b", "a<b", "a>b", "a^b",  "a(b", "a)b",
                              "a%b", "a!b", "a,b", "a;b", "a=b", "a\tb", "a\"b"};
    for (const char* operand : specials)
        EXPECT_EQ(site::quoted_operand(operand), std::string("\"") + operand + "\"") << operand;
    EXPECT_EQ(site::quoted_operand("plain-name_1.K7"), "plain-name_1.K7");
    EXPECT_EQ(site::quoted_operand(""), "\"\"");
    EXPECT_EQ(Command::rename("C:\\my data\\x.K7", "P0300_a&b_2015.K7").rendered(),
              "rename \"C:\\my data\\x.K7\" \"P0300_a&b_2015.K7\"");
}

// The system() route: an interpreter that cannot be started is started
// again (the command has not run), and said in the trace when it never
// starts.
TEST(SystemRoute, AnInterpreterThatCannotStartIsTriedAgainThenSaid) {
    site::RealFileSystem disk;
    for (const int failures : {2, 3}) {
        site::Trace console;
        int calls = 0;
        site::SystemInterpreter interpreter(console, disk, site::current_directory(),
                                            [&](const char*) { return ++calls <= failures ? -1 : 0; });
        interpreter.run(Command::echo("x"));
        EXPECT_EQ(calls, 3) << failures;
        EXPECT_EQ(console.text(), failures < 3 ? "" : "The command interpreter could not be started for: echo x\n")
            << failures;
    }
}

}  // namespace
