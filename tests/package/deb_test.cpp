// SPDX-License-Identifier: MIT
// The Debian package that cpack makes from this build tree: its control
// fields, its files, the program it installs, and lintian's verdict.
#include "tools.h"

#include "process.h"
#include "watching.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <map>
#include <regex>
#include <sstream>

using namespace testsupport;

namespace
{

const std::string deb = DEB_FILE;

// Control fields by name; a continued field (the long description) keeps
// its continuation lines, newline-separated.
std::map<std::string, std::string> controlfields()
{
    Ran info = run({"dpkg-deb", "--field", deb});
    EXPECT_EQ(info.status, 0) << info.err;
    std::map<std::string, std::string> fields;
    std::istringstream in(info.out);
    std::string line;
    std::string name;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == ' ') {
            fields[name] += "\n" + line;
        } else if (size_t colon = line.find(": "); colon != std::string::npos) {
            name = line.substr(0, colon);
            fields[name] = line.substr(colon + 2);
        }
    }
    return fields;
}

// The package's files unpacked as dpkg would install them, under root.
void unpack(const TempDir &root)
{
    Ran x = run({"dpkg", "-x", deb, root.path()});
    ASSERT_EQ(x.status, 0) << x.err;
}

TEST(DebPackage, DescribesItselfAsAGame)
{
    std::map<std::string, std::string> f = controlfields();
    EXPECT_EQ(f["Package"], "flyover");
    EXPECT_EQ(f["Version"], PROJECT_VERSION);
    EXPECT_EQ(f["Section"], "games");
    EXPECT_TRUE(std::regex_match(f["Maintainer"], std::regex(".+ <[^ ]+@[^ ]+>")))
        << f["Maintainer"];
    // A one-line summary, then a long description of indented lines.
    std::string description = f["Description"];
    size_t newline = description.find('\n');
    ASSERT_NE(newline, std::string::npos) << "no long description";
    EXPECT_GT(newline, 0u) << "no summary";
    EXPECT_GT(description.size() - newline, 80u) << description;
}

TEST(DebPackage, DependsOnTheLibrariesItLinksAndLoads)
{
    // One entry per library; alternatives separated by " | ".
    std::set<std::string> depends;
    std::string field = controlfields()["Depends"];
    for (size_t at = 0; at < field.size();) {
        size_t comma = field.find(", ", at);
        depends.insert(field.substr(at, comma - at));
        at = comma == std::string::npos ? field.size() : comma + 2;
    }
    // Computed from the program's shared libraries (libc6 with the version
    // of the build system), except the SDL 1.2 runtime, which names
    // sdl12-compat first, and libGL, which SDL loads at run time.
    bool libc = false;
    for (const std::string &d : depends)
        libc = libc || d.rfind("libc6 (>= ", 0) == 0;
    EXPECT_TRUE(libc) << field;
    for (const char *entry : {"libsdl1.2-compat-shim | libsdl1.2debian (>= 1.2.15)", "libgl1",
                              "libopengl0", "libglu1-mesa | libglu1", "libxrandr2 (>= 2:1.5.0)"})
        EXPECT_EQ(depends.count(entry), 1u) << entry << " in " << field;
}

TEST(DebPackage, HoldsTheInstalledFilesAndTheDebianDocuments)
{
    TempDir root;
    ASSERT_NO_FATAL_FAILURE(unpack(root));
    std::set<std::string> expected = {
        "usr/games/flyover",
        "usr/share/man/man6/flyover.6.gz",
        "usr/share/applications/flyover.desktop",
        "usr/share/metainfo/org.example.flyover.metainfo.xml",
        "usr/share/icons/hicolor/scalable/apps/flyover.svg",
        "usr/share/doc/flyover/copyright",
        "usr/share/doc/flyover/changelog.gz",
    };
    EXPECT_EQ(filesunder(root.path()), expected);
    std::string changelog = gunzip(root.path() + "/usr/share/doc/flyover/changelog.gz");
    EXPECT_EQ(changelog.rfind("flyover (" PROJECT_VERSION ") ", 0), 0u)
        << "the newest changelog entry is not this version: " << changelog;
}

TEST(DebPackage, InstalledProgramRunsOnAVirtualDisplayUntilEscape)
{
    TempDir root;
    ASSERT_NO_FATAL_FAILURE(unpack(root));
    XServer x;
    Child demo = spawn({root.path() + "/usr/games/flyover"},
                       {{"DISPLAY", x.display().c_str()}, {"SDL_VIDEODRIVER", "x11"}});
    EXPECT_EQ(waitfor(demo, 2.0), -1) << "the demo ended by itself: " << stderrof(demo);
    EXPECT_TRUE(escapeendswithzero(x.display(), demo));
    killchild(demo);
    EXPECT_EQ(stderrof(demo), "");
}

TEST(DebPackage, PassesLintianWithoutErrors)
{
    Ran lintian = run({"lintian", "--fail-on", "error", deb});
    EXPECT_EQ(lintian.status, 0) << lintian.out;
    EXPECT_EQ(lintian.out.find("E: "), std::string::npos) << lintian.out;
}

} // namespace
