// SPDX-License-Identifier: MIT
// What `cmake --install` puts in place, and the man page, desktop entry,
// metainfo and icon checked with the tools desktops and distributions use.
#include "tools.h"

#include "process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

namespace
{

const std::string dist = SOURCE_DIR "/dist/";

// The lines of a text, each without its newline.
std::vector<std::string> linesof(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(Install, PutsOnlyTheProgramManPageDesktopEntryMetainfoIconAndSaverSettings)
{
    // The build also makes libraries, tests and benchmarks: none may be installed.
    TempDir prefix;
    Ran install = run({CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(install.status, 0) << install.out << install.err;
    std::set<std::string> expected = {
        "bin/flyover",
        "share/man/man6/flyover.6.gz",
        "share/applications/flyover.desktop",
        "share/metainfo/org.example.flyover.metainfo.xml",
        "share/icons/hicolor/scalable/apps/flyover.svg",
        "share/xscreensaver/config/flyover.xml",
    };
    EXPECT_EQ(filesunder(prefix.path()), expected);
    EXPECT_EQ(gunzip(prefix.path() + "/share/man/man6/flyover.6.gz"),
              testsupport::readfile(dist + "flyover.6"));
}

TEST(ManPage, FormatsWithoutWarnings)
{
    Ran groff = run({"groff", "-ww", "-man", "-z", dist + "flyover.6"});
    EXPECT_EQ(groff.status, 0);
    EXPECT_EQ(groff.err, "");
}

TEST(ManPage, RendersEverySectionAndEveryStartUpMessage)
{
    // The compressed page the build installs, read as a user reads it.
    Ran man = run({"man", "-l", BUILD_DIR "/dist/flyover.6.gz"},
                  {{"MANWIDTH", "80"}, {"LC_ALL", "C.UTF-8"}});
    ASSERT_EQ(man.status, 0) << man.err;
    EXPECT_EQ(man.err, "");
    std::vector<std::string> lines = linesof(man.out);
    for (const char *heading : {"NAME", "SYNOPSIS", "DESCRIPTION", "KEYS", "EXIT STATUS",
                                "DIAGNOSTICS", "ENVIRONMENT", "BUGS"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), heading), lines.end()) << heading;
    for (const char *message : {"Video initialization failed: ", "Video query failed: ",
                                "Video mode set failed: ", "Setting keyboard repeat failed: "})
        EXPECT_NE(man.out.find(message), std::string::npos) << message;
    EXPECT_NE(lines.back().find("flyover " PROJECT_VERSION), std::string::npos) << lines.back();
}

TEST(DesktopEntry, IsValidAndStartsTheInstalledProgramWithItsIcon)
{
    Ran validate = run({"desktop-file-validate", dist + "flyover.desktop"});
    EXPECT_EQ(validate.status, 0);
    EXPECT_EQ(validate.out + validate.err, "") << "warnings or hints";
    // Desktops find the program in PATH and the icon by its file's base name.
    std::vector<std::string> lines = linesof(testsupport::readfile(dist + "flyover.desktop"));
    for (const char *line : {"Exec=flyover", "Icon=flyover"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
}

// As installed, so that AppStream also finds the desktop entry the metainfo
// names; pedantic, so that hints fail too. No network: its links are not followed.
TEST(Metainfo, IsValidAndNamesTheInstalledDesktopEntry)
{
    TempDir prefix;
    Ran install = run({CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", prefix.path()});
    ASSERT_EQ(install.status, 0) << install.out << install.err;
    Ran validate = run(
        {"appstreamcli", "validate-tree", "--no-net", "--pedantic", "--explain", prefix.path()});
    EXPECT_EQ(validate.status, 0) << validate.out << validate.err;
}

TEST(Icon, IsWellFormedSvg)
{
    Ran lint = run({"xmllint", "--noout", dist + "flyover.svg"});
    EXPECT_EQ(lint.status, 0) << lint.err;
    EXPECT_NE(testsupport::readfile(dist + "flyover.svg").find("<svg "), std::string::npos);
}

// What XScreenSaver's settings dialog reads: a GL program with a label and
// a description of two lines, and no options, since flyover reads none.
TEST(ScreenSaverSettings, DescribeAGlProgramWithoutOptions)
{
    const std::string xml = dist + "flyover.xml";
    Ran fields =
        run({"xmllint", "--xpath",
             "concat(/screensaver/@name, '|', /screensaver/@_label, '|', "
             "/screensaver/@gl, '|', count(/screensaver/*), '|', /screensaver/_description)",
             xml});
    ASSERT_EQ(fields.status, 0) << fields.err;
    std::smatch got;
    ASSERT_TRUE(std::regex_match(fields.out, got, std::regex("(.*\\|)\n(\\S.*)\n(\\S.*)\n\\s*")))
        << fields.out;
    EXPECT_EQ(got[1].str(), "flyover|Flyover|yes|1|");
}

} // namespace
