// Texts the front-end translates for Qt or the operating system: the open-file filter
// and the command line.

#include <gtest/gtest.h>

#include "qt/CommandLineText.h"
#include "qt/FileDialogFilter.h"

namespace vantrel::test {
namespace {

TEST(FileDialogFilterTest, DescriptionAndPatternFieldBecomeOneQtFilter) {
    EXPECT_EQ(ToQtFileFilter("PHX (*.PHX)| *.phx").toStdString(), "PHX (*.PHX *.phx)");
    EXPECT_EQ(ToQtFileFilter("PHX (*.PHX)|*.PHX").toStdString(), "PHX (*.PHX)");
    EXPECT_EQ(ToQtFileFilter("Firmware|*.phx;*.hex").toStdString(), "Firmware (*.phx *.hex)");
    EXPECT_EQ(ToQtFileFilter("PHX (*.PHX)| *.phx|All files|*.*").toStdString(),
              "PHX (*.PHX *.phx);;All files (*.*)");
    EXPECT_EQ(ToQtFileFilter("|*.phx").toStdString(), "*.phx (*.phx)");
    EXPECT_EQ(ToQtFileFilter("").toStdString(), "");
}

TEST(CommandLineTextTest, ArgumentsAreJoinedBySingleBlanks) {
    char program[] = "vantrel", first[] = "\"/home/eng/My", second[] = "Files/QX400.PHX\"";
    char* argv[] = {program, first, second, nullptr};
    EXPECT_EQ(CommandLineText(3, argv), "\"/home/eng/My Files/QX400.PHX\"");
    EXPECT_EQ(CommandLineText(1, argv), "");
}

TEST(CommandLineTextTest, TheRawWindowsLineLosesOnlyTheProgramName) {
    EXPECT_EQ(AfterProgramName("\"C:\\Program Files\\Vantrel\\vantrel.exe\"  \"C:\\fw\\QX 400.PHX\""),
              "\"C:\\fw\\QX 400.PHX\"");
    EXPECT_EQ(AfterProgramName("vantrel.exe C:\\fw\\a.phx  "), "C:\\fw\\a.phx  ");
    EXPECT_EQ(AfterProgramName("vantrel.exe"), "");
    EXPECT_EQ(AfterProgramName("\"unterminated"), "");
}

}  // namespace
}  // namespace vantrel::test
