// Script words, quoting, captions, and the print-folder file names.
#include <gtest/gtest.h>

#include "PrintFileNamer.h"
#include "ScriptParser.h"

using mx::tk::PrintFileNamer;
using mx::tk::ScriptParser;

namespace {

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> w;
    std::string error;
    EXPECT_TRUE(ScriptParser::splitWords(line, &w, &error)) << line << ": " << error;
    return w;
}

TEST(ScriptParser, SplitsWordsAndQuotedWords) {
    using V = std::vector<std::string>;
    EXPECT_EQ(words("press OK"), (V{"press", "OK"}));
    EXPECT_EQ(words("  set   CODE\tABC  "), (V{"set", "CODE", "ABC"}));
    EXPECT_EQ(words("press \"View/Update\""), (V{"press", "View/Update"}));
    EXPECT_EQ(words("set DESC \"TWO  BLANKS\""), (V{"set", "DESC", "TWO  BLANKS"}));
    EXPECT_EQ(words("set X \"\""), (V{"set", "X", ""}));
    EXPECT_EQ(words(R"(set NOTE "a \"b\" \\ c\nd")"), (V{"set", "NOTE", "a \"b\" \\ c\nd"}));
    EXPECT_EQ(words("menu File \"Re&index\""), (V{"menu", "File", "Re&index"}));
}

TEST(ScriptParser, RefusesBrokenLinesWithThePlace) {
    const char* bad[] = {"set X \"open", "set X \"a\\q\"", "set X \"a\"b", "set X a\"b"};
    for (const char* line : bad) {
        std::vector<std::string> w;
        std::string error;
        EXPECT_FALSE(ScriptParser::splitWords(line, &w, &error)) << line;
        EXPECT_NE(error.find("column"), std::string::npos) << error;
    }
}

TEST(ScriptParser, ParsesScriptsSkippingBlankAndCommentLines) {
    auto commands = ScriptParser::parse("# a comment\n\nmenu Library\n   # indented comment\r\npress \"E&xit\"\r\nset X \"broken\n");
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].line, 3);
    EXPECT_EQ(commands[0].words, (std::vector<std::string>{"menu", "Library"}));
    EXPECT_EQ(commands[1].line, 5);
    EXPECT_EQ(commands[1].words[1], "E&xit");  // CR LF line ends are fine
    EXPECT_EQ(commands[2].line, 6);
    EXPECT_FALSE(commands[2].error.empty());  // kept, so the run fails when it gets there
    EXPECT_TRUE(ScriptParser::parse("").empty());
    EXPECT_EQ(ScriptParser::parse("dump").size(), 1u);  // no final line break
}

TEST(ScriptParser, QuotingRoundTripsThroughSplitting) {
    const std::string texts[] = {"plain", "with \"quotes\"", "back\\slash", "two\nlines", "There are no printers!\r\nPlease", ""};
    for (const auto& t : texts) {
        std::string quoted = ScriptParser::quote(t);
        auto w = words("x " + quoted);
        ASSERT_EQ(w.size(), 2u) << quoted;
        EXPECT_EQ(w[1], t);
        EXPECT_EQ(quoted.find('\n'), std::string::npos);  // one transcript line per event
    }
    EXPECT_EQ(ScriptParser::quote("a\"b"), "\"a\\\"b\"");
}

TEST(ScriptParser, CaptionsLoseAmpersandsAndTrailingBlanks) {
    EXPECT_EQ(ScriptParser::plainCaption("View/&Update"), "View/Update");
    EXPECT_EQ(ScriptParser::plainCaption("E&xit"), "Exit");
    EXPECT_EQ(ScriptParser::plainCaption("Nex&t ABC  "), "Next ABC");
    EXPECT_EQ(ScriptParser::plainCaption(" Lead"), " Lead");  // leading blanks count
}

TEST(PrintFileNamer, NumbersJobsAndCleansNames) {
    PrintFileNamer namer;
    EXPECT_EQ(namer.next("Library Users"), "001-Library_Users.pdf");
    EXPECT_EQ(namer.next("Library / Suite Report"), "002-Library___Suite_Report.pdf");
    EXPECT_EQ(namer.next("a.b_c-D9"), "003-a.b_c-D9.pdf");
    EXPECT_EQ(namer.next("Caf\xC3\xA9 \xE2\x82\xAC"), "004-Caf___.pdf");  // one '_' per character, not per byte
    for (int i = 5; i <= 1000; ++i) namer.next("x");
    EXPECT_EQ(namer.next("x"), "1001-x.pdf");
    namer.reset();
    EXPECT_EQ(namer.next("x"), "001-x.pdf");
}

}  // namespace
