// The hyperlink fallback's command line: from a desktop entry's Exec line to
// the arguments started without a shell.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/DesktopEntryExec.h"

using quillon::DesktopEntryExecValue;
using quillon::ExecToArguments;
using quillon::IsDesktopFileId;
using Args = std::vector<std::string>;

namespace {

const std::string TARGET = "https://www.example.com/quillon";

Args argsOf(std::string_view exec, std::string_view target = TARGET) {
    const auto args = ExecToArguments(exec, target);
    EXPECT_TRUE(args.has_value()) << exec;
    return args.value_or(Args{});
}

}  // namespace

TEST(ExecToArguments, EachFilePlaceholderTakesTheTarget) {
    EXPECT_EQ(argsOf("browser %u"), (Args{"browser", TARGET}));
    EXPECT_EQ(argsOf("browser %U"), (Args{"browser", TARGET}));
    EXPECT_EQ(argsOf("browser %f"), (Args{"browser", TARGET}));
    EXPECT_EQ(argsOf("browser --new-window %F --private"),
              (Args{"browser", "--new-window", TARGET, "--private"}));
}

TEST(ExecToArguments, QuotedPlaceholdersTakeTheTargetToo) {
    EXPECT_EQ(argsOf("browser \"%u\""), (Args{"browser", TARGET}));
    EXPECT_EQ(argsOf("browser \"--url=%U\""), (Args{"browser", "--url=" + TARGET}));
    EXPECT_EQ(argsOf("browser '%f'"), (Args{"browser", TARGET}));
    EXPECT_EQ(argsOf("browser --url=%u"), (Args{"browser", "--url=" + TARGET}));
}

TEST(ExecToArguments, WithoutPlaceholderTheTargetComesLast) {
    EXPECT_EQ(argsOf("browser"), (Args{"browser", TARGET}));
    EXPECT_EQ(argsOf("  /usr/bin/browser\t--new-tab  "),
              (Args{"/usr/bin/browser", "--new-tab", TARGET}));
    // "%%" is a literal percent, not a placeholder.
    EXPECT_EQ(argsOf("browser --zoom=100%%"), (Args{"browser", "--zoom=100%", TARGET}));
}

TEST(ExecToArguments, OnlyTheFirstPlaceholderOpensTheTarget) {
    EXPECT_EQ(argsOf("browser %u %U %f"), (Args{"browser", TARGET}));
    EXPECT_EQ(argsOf("browser %u --x=%F"), (Args{"browser", TARGET, "--x="}));
}

TEST(ExecToArguments, OtherFieldCodesAreDropped) {
    EXPECT_EQ(argsOf("browser %i %c %k --flag %u %d"), (Args{"browser", "--flag", TARGET}));
    EXPECT_EQ(argsOf("browser --title=%c %u"), (Args{"browser", "--title=", TARGET}));
    // A quoted empty argument is an argument; a lone "%" stays literal.
    EXPECT_EQ(argsOf("browser \"\" 50% %u"), (Args{"browser", "", "50%", TARGET}));
}

TEST(ExecToArguments, QuotingIsUndoneBeforeStarting) {
    EXPECT_EQ(argsOf(R"("/opt/My Browser/run" "a \"quoted\" \$HOME \`x\` \\ end" %u)"),
              (Args{"/opt/My Browser/run", R"(a "quoted" $HOME `x` \ end)", TARGET}));
    // A backslash before any other character inside quotes stays.
    EXPECT_EQ(argsOf(R"(browser "C:\path" %u)"), (Args{"browser", R"(C:\path)", TARGET}));
    // Quoted and plain pieces next to each other make one argument.
    EXPECT_EQ(argsOf(R"(browser --profile="Work Profile"x %u)"),
              (Args{"browser", "--profile=Work Profilex", TARGET}));
    EXPECT_EQ(argsOf(R"(browser a\ b %u)"), (Args{"browser", "a b", TARGET}));
}

TEST(ExecToArguments, TheTargetStaysOneArgumentWhateverItHolds) {
    const std::string hostile = "http://x/?a=1&b=$(touch /tmp/owned);`id` | rm -rf ~ \"' %u \\";
    EXPECT_EQ(argsOf("browser %u --x", hostile), (Args{"browser", hostile, "--x"}));
    EXPECT_EQ(argsOf("browser", hostile), (Args{"browser", hostile}));
    EXPECT_EQ(argsOf("browser", ""), (Args{"browser", ""}));
}

TEST(ExecToArguments, AnyLengthFitsWhole) {
    const std::string longTarget = "https://example.com/" + std::string(200000, 'a');
    const std::string longOption = "--" + std::string(100000, 'o');
    EXPECT_EQ(argsOf("browser " + longOption + " %u", longTarget),
              (Args{"browser", longOption, longTarget}));
}

TEST(ExecToArguments, MalformedLinesAreRefused) {
    for (const char* exec : {"", "   ", "\"browser", "browser \"%u", "browser 'x", "browser \\",
                             "browser \"x\\", "%u", "%i browser", "\"\" %u"}) {
        EXPECT_FALSE(ExecToArguments(exec, TARGET).has_value()) << '[' << exec << ']';
    }
}

TEST(DesktopEntryExecValue, ReadsTheMainGroupsExecOnly) {
    const std::string entry =
        "# a comment\n"
        "[Desktop Entry]\n"
        "Name=Browser\n"
        "TryExec=browser\n"
        "Exec[de]=wrong\n"
        "Exec = browser --new-window %u \n"
        "Exec=second\n"
        "[Desktop Action private]\n"
        "Exec=browser --private %u\n";
    EXPECT_EQ(DesktopEntryExecValue(entry), "browser --new-window %u");
    EXPECT_EQ(DesktopEntryExecValue("[Desktop Entry]\r\nExec=browser %U\r\n"), "browser %U");
    EXPECT_EQ(DesktopEntryExecValue("[Desktop Entry]\nExec=browser"), "browser");
}

TEST(DesktopEntryExecValue, MissingOrEmptyExecGivesNothing) {
    EXPECT_FALSE(DesktopEntryExecValue(""));
    EXPECT_FALSE(DesktopEntryExecValue("Exec=browser %u\n"));
    EXPECT_FALSE(DesktopEntryExecValue("[Desktop Action x]\nExec=browser %u\n"));
    EXPECT_FALSE(DesktopEntryExecValue("[Desktop Entry]\nName=x\n[Other]\nExec=b\n"));
    EXPECT_FALSE(DesktopEntryExecValue("[Desktop Entry]\nExec=\n"));
    EXPECT_FALSE(DesktopEntryExecValue("[Desktop Entry]\nExecutable=browser\n"));
    EXPECT_FALSE(DesktopEntryExecValue(std::string("[Desktop Entry]\0\nExec=b\n", 24)));
}

TEST(DesktopEntryExecValue, StringEscapesComeOffBeforeTheQuoting) {
    // Four backslashes in the file are one in the argument.
    const auto exec = DesktopEntryExecValue(R"([Desktop Entry]
Exec="/opt/a\\\\b" --name=x\sy "q\\"q" %u
)");
    ASSERT_TRUE(exec);
    EXPECT_EQ(argsOf(*exec), (Args{R"(/opt/a\b)", "--name=x", "y", R"(q"q)", TARGET}));
    EXPECT_EQ(DesktopEntryExecValue("[Desktop Entry]\nExec=a\\tb\\nc\\rd\\qe"), "a\tb\nc\rd\\qe");
}

TEST(IsDesktopFileId, OnlyPlainEntryNames) {
    EXPECT_TRUE(IsDesktopFileId("browser.desktop"));
    EXPECT_TRUE(IsDesktopFileId("org.example.Browser-esr.desktop"));
    const std::vector<std::string> refused{"",
                                           ".desktop",
                                           "browser",
                                           "browser.desktop.bak",
                                           "../browser.desktop",
                                           "apps/browser.desktop",
                                           "-x.desktop",
                                           "br\nowser.desktop",
                                           "a\\b.desktop",
                                           std::string("a\0b.desktop", 11),
                                           std::string(300, 'a') + ".desktop"};
    for (const std::string& id : refused) {
        EXPECT_FALSE(IsDesktopFileId(id)) << id;
    }
}
