// SPDX-License-Identifier: MIT
// The Debian packages that scripts/package builds with sbuild: what
// debhelper and lintian do not check themselves, the package's Depends,
// its files and its debugging symbols.
#include "tools.h"

#include <gtest/gtest.h>

#include <regex>

namespace
{

const std::string deb = DEB_FILE;

// The package's files unpacked as dpkg would install them, under root.
void unpack(const TempDir &root)
{
    Ran x = run({"dpkg", "-x", deb, root.path()});
    ASSERT_EQ(x.status, 0) << x.err;
}

TEST(DebPackage, DependsOnTheLibrariesItLinksAndLoads)
{
    // One entry per library; alternatives separated by " | ".
    std::set<std::string> depends;
    Ran depends_field = run({"dpkg-deb", "--field", deb, "Depends"});
    ASSERT_EQ(depends_field.status, 0) << depends_field.err;
    std::string field = depends_field.out.substr(0, depends_field.out.find('\n'));
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
        "usr/share/xscreensaver/config/flyover.xml",
        "usr/share/doc/flyover/copyright",
        "usr/share/doc/flyover/changelog.Debian.gz",
        "usr/share/doc/flyover/changelog.gz",
    };
    EXPECT_EQ(filesunder(root.path()), expected);
}

// A crash report from a user's machine is read with the debugging symbols
// of the very program that crashed: the file named by its build id.
TEST(DebPackage, DebugSymbolsAreThoseOfTheInstalledProgram)
{
    TempDir root;
    ASSERT_NO_FATAL_FAILURE(unpack(root));
    Ran notes = run({"readelf", "--notes", root.path() + "/usr/games/flyover"});
    std::smatch id;
    ASSERT_TRUE(std::regex_search(notes.out, id, std::regex("Build ID: ([0-9a-f]{2})([0-9a-f]+)")))
        << notes.out << notes.err;
    TempDir symbols;
    Ran x = run({"dpkg", "-x", DBGSYM_FILE, symbols.path()});
    ASSERT_EQ(x.status, 0) << x.err;
    EXPECT_EQ(filesunder(symbols.path()),
              std::set<std::string>{"usr/lib/debug/.build-id/" + id[1].str() + "/" + id[2].str() +
                                    ".debug"});
}

} // namespace
