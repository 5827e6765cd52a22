// The console shows the program's byte texts as a terminal and a JSON reader expect them:
// a type name written in UTF-8 (as a Linux user edits the type table) as it is, any
// other byte as its Latin-1 character.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cli/ConsoleOutput.h"

namespace vantrel::test {
namespace {

std::string Printed(bool json, const std::string& name) {
    std::FILE* out = std::tmpfile();
    {
        cli::ConsoleOutput output(json, false, out, out);
        output.Row(1, name, false, 2.5f);
    }
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
    std::fclose(out);
    return text;
}

TEST(ConsoleText, UnicodeTextsShowAsTheyAreOtherBytesAsLatin1) {
    const struct { std::string name, shown; } cases[] = {
        {"M\xC3\xBC" "ller 2.5", "M\xC3\xBC" "ller 2.5"},  // UTF-8 ü
        {"M\xFC" "ller 2.5", "M\xC3\xBC" "ller 2.5"},      // Latin-1 ü
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Printed(false, c.name), "COM1  " + c.shown + "\n");
        EXPECT_NE(Printed(true, c.name).find("\"text\":\"" + c.shown + "\""), std::string::npos);
    }
}

}  // namespace
}  // namespace vantrel::test
