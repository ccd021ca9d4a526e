// SPDX-License-Identifier: MIT
// The README's promise on a really fresh machine: in a minimal Debian 12,
// with apt's sources as Debian makes them (binary packages only, no source
// lists), a clone of the repository, and nothing else a new user would not
// have, scripts/run shows the city and scripts/windows and scripts/web each
// reach what they make. Runs as root in the root, with no display.
//
// It clones what is committed: uncommitted changes are not in the clone.
// The two long one-time builds (SDL for Windows, Emscripten's libraries)
// come from this machine's cache, bound into the root's; everything else
// (apt's lists, the installs, the source lookup, the builds) starts empty.
#include "tools.h"

#include "process.h"
#include "watching.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

using namespace testsupport;
namespace fs = std::filesystem;

namespace
{

constexpr char clone[] = "/root/flyover";

// The cached one-time builds, bound to the same names in the root's cache.
Binds cachedbuilds()
{
    Binds binds;
    if (!fs::is_directory(cachedir()))
        return binds;
    for (const fs::directory_entry &e : fs::directory_iterator(cachedir())) {
        std::string name = e.path().filename();
        if (name.rfind("sdl-windows-", 0) == 0 || name.rfind("emscripten-", 0) == 0)
            binds.emplace_back(e.path(), "/root/.cache/flyover/" + name);
    }
    return binds;
}

// The end of a script's output: where it says which step stopped it.
std::string tail(const Ran &r)
{
    std::string all = r.out + r.err;
    return all.substr(all.size() > 3000 ? all.size() - 3000 : 0);
}

TEST(FreshMachine, ReadmeScriptsRunFromACleanClone)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root for chroot and mount (CI runs as root)";
    TempDir root;
    ASSERT_TRUE(unpackbase(root.path()));
    const Binds binds = cachedbuilds();
    // As root, with no display and nothing of this machine's environment.
    auto inclone = [&](const std::string &script) {
        return inroot(root.path(), binds,
                      {"env", "-i", "PATH=/usr/sbin:/usr/bin:/sbin:/bin", "HOME=/root", "sh", "-c",
                       std::string("cd ") + clone + " && exec " + script});
    };

    Ran update = run(inroot(root.path(), binds, {"apt-get", "update", "-qq"}), {}, aptseconds);
    ASSERT_EQ(update.status, 0) << update.err;
    Ran tools = run(inroot(root.path(), binds,
                           {"apt-get", "install", "-y", "-qq", "--no-install-recommends", "git",
                            "ca-certificates"}),
                    {{"DEBIAN_FRONTEND", "noninteractive"}}, aptseconds);
    ASSERT_EQ(tools.status, 0) << tools.err;
    Ran cloned = run({"git", "clone", "--quiet", SOURCE_DIR, root.path() + clone});
    ASSERT_EQ(cloned.status, 0) << cloned.err;

    // Each script's own installs, then its build; generous for a network
    // and a loaded machine.
    constexpr double scriptseconds = 900;
    Ran demo = run(inclone("scripts/run"), {}, scriptseconds);
    ASSERT_EQ(demo.status, 0) << "scripts/run:\n" << tail(demo);
    std::string shots = root.path() + clone + "/build/program/screenshots/";
    for (const char *name : {"flyover-3s", "flyover-6s", "flyover-9s"}) {
        Picture shot;
        if (run({"convert", shots + name + ".png", shots + name + ".ppm"}).status == 0)
            shot = readppm(shots + name + ".ppm");
        EXPECT_FALSE(shot.rgb.empty()) << name << ".png is missing or unreadable";
        // The first few seconds may look straight down at nothing; by the
        // last screenshot the city shows.
        if (std::string(name) == "flyover-9s") {
            EXPECT_TRUE(showsthecity(shot, 0.2)) << name;
        }
    }

    Ran windows = run(inclone("scripts/windows"), {}, scriptseconds);
    EXPECT_EQ(windows.status, 0) << "scripts/windows:\n" << tail(windows);
    for (const char *file : {"flyover-" FLYOVER_VERSION "-windows-x86_64.zip",
                             "flyover-" FLYOVER_VERSION "-x86_64.msi"})
        EXPECT_TRUE(fs::is_regular_file(root.path() + clone + "/build/windows/" + file)) << file;

    Ran web = run(inclone("scripts/web"), {}, scriptseconds);
    EXPECT_EQ(web.status, 0) << "scripts/web:\n" << tail(web);
    for (const char *file : {"index.html", "flyover.js", "flyover.wasm"})
        EXPECT_TRUE(fs::is_regular_file(root.path() + clone + "/build/web/" + file)) << file;
}

} // namespace
