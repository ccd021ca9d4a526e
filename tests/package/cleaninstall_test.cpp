// SPDX-License-Identifier: MIT
// The package on a clean system: installed with apt into a fresh minimal
// Debian 12, the demo it installs shows the city on a private X server and
// ends on Escape; purged, it leaves nothing behind.
#include "tools.h"

#include "process.h"
#include "watching.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

using namespace testsupport;
namespace fs = std::filesystem;

namespace
{

const std::string deb = DEB_FILE;

// Every path below root (files, folders, links), relative to it, leaving
// out what apt, dpkg and the C library keep changing on their own.
std::set<std::string> systemfiles(const std::string &root)
{
    const std::vector<std::string> changing = {
        "proc/",
        "tmp/",
        "var/cache/",
        "var/log/",
        "var/lib/apt/",
        "var/lib/dpkg/",
        "etc/ld.so.cache",
        // Mesa's shader cache belongs to the user who ran the demo, not to the package.
        "root/.cache/",
    };
    std::set<std::string> paths;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        std::string rel = it->path().lexically_relative(root).string();
        std::string asdir = it->is_directory() && !it->is_symlink() ? rel + "/" : rel;
        bool skip = false;
        for (const std::string &prefix : changing)
            skip = skip || asdir.rfind(prefix, 0) == 0;
        if (skip) {
            if (it->is_directory() && !it->is_symlink())
                it.disable_recursion_pending();
            continue;
        }
        paths.insert(asdir);
    }
    return paths;
}

TEST(CleanInstall, AptInstallsWhatTheDemoNeedsAndPurgeLeavesNothing)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root for chroot and mount (CI runs as root)";
    TempDir root;
    ASSERT_TRUE(unpackbase(root.path()));
    // The demo shows on a private X server outside, through its socket folder.
    fs::create_directories(root.path() + "/tmp/.X11-unix");
    const Binds binds = {{"/tmp/.X11-unix", "/tmp/.X11-unix"}};
    std::set<std::string> before = systemfiles(root.path());

    // Depends alone must be enough: Recommends are left out.
    fs::copy_file(deb, root.path() + "/tmp/flyover.deb");
    Ran update =
        run(inroot(root.path(), binds, {"apt-get", "-o", "Acquire::Retries=3", "update", "-qq"}),
            {}, aptseconds);
    ASSERT_EQ(update.status, 0) << update.err;
    Ran install = run(inroot(root.path(), binds,
                             {"apt-get", "-o", "Acquire::Retries=3", "install", "-y", "-qq",
                              "--no-install-recommends", "/tmp/flyover.deb"}),
                      {{"DEBIAN_FRONTEND", "noninteractive"}}, aptseconds);
    ASSERT_EQ(install.status, 0) << install.out << install.err;

    {
        XServer x;
        Child demo = spawn(inroot(root.path(), binds, {"/usr/games/flyover"}),
                           {{"DISPLAY", x.display().c_str()}, {"HOME", "/root"}});
        ASSERT_TRUE(windowshown(x.display(), demo)) << stderrof(demo);
        constexpr double minlit = 0.2;
        Picture shot = waitforcity(x.display(), minlit, 60);
        EXPECT_TRUE(showsthecity(shot, minlit)) << "a minute after start";

        EXPECT_TRUE(escapeendswithzero(x.display(), demo));
        killchild(demo);
        EXPECT_EQ(stderrof(demo), "");
    }

    // Purging the package, and with it what apt installed for it only,
    // gives back the system as it was.
    Ran purge = run(
        inroot(root.path(), binds, {"apt-get", "purge", "-y", "-qq", "--autoremove", "flyover"}),
        {{"DEBIAN_FRONTEND", "noninteractive"}}, aptseconds);
    ASSERT_EQ(purge.status, 0) << purge.out << purge.err;
    // Unknown to dpkg, or known as purged: no configuration files kept either.
    Ran state = run(
        inroot(root.path(), binds, {"dpkg-query", "-W", "-f", "${db:Status-Status}", "flyover"}));
    EXPECT_TRUE(state.out.empty() || state.out == "not-installed") << state.out;
    std::set<std::string> after = systemfiles(root.path());
    std::vector<std::string> left;
    std::vector<std::string> gone;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(left));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(gone));
    EXPECT_TRUE(left.empty()) << "left behind: " << testing::PrintToString(left);
    EXPECT_TRUE(gone.empty()) << "removed: " << testing::PrintToString(gone);
}

} // namespace
