// SPDX-License-Identifier: MIT
// What scripts/release made in release.sh's repository: the release folder
// of the second version (its files, checksums and signature), and the apt
// repository as a fresh Debian 12 sees it, installing from it after the
// first release and upgrading after the second.
#include "tools.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace
{

const std::string work = RELEASE_WORK;

std::set<std::string> linesof(const std::string &text, const std::string &prefix = "")
{
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.insert(prefix + line);
    return lines;
}

std::string nextversion()
{
    std::string version;
    std::ifstream(work + "/next-version") >> version;
    return version;
}

TEST(Release, HoldsEveryDownloadOfTheVersionChecksummedAndSigned)
{
    const std::string v = nextversion();
    ASSERT_FALSE(v.empty()) << "release.sh made no second release";
    const std::string dir = work + "/clone/build/release/flyover-" + v;
    const std::set<std::string> downloads = {
        "flyover-" + v + ".tar.gz",     "flyover_" + v + "_amd64.deb",
        "flyover_" + v + "_arm64.deb",  "flyover_" + v + "_armhf.deb",
        "flyover-" + v + "-x86_64.msi", "flyover-" + v + "-windows-x86_64.zip",
        "flyover-" + v + "-web.zip",
    };
    std::set<std::string> expected = downloads;
    expected.insert({"SHA256SUMS", "SHA256SUMS.asc"});
    EXPECT_EQ(filesunder(dir), expected);

    // Every download summed, every sum right; the signature checked as a
    // user checks it, with the key the repository publishes.
    Ran sums = run({"sh", "-c", "cd \"$0\" && sha256sum --strict -c SHA256SUMS", dir});
    EXPECT_EQ(sums.status, 0) << sums.out << sums.err;
    std::set<std::string> checked;
    for (const std::string &name : downloads)
        checked.insert(name + ": OK");
    EXPECT_EQ(linesof(sums.out), checked);
    Ran verify = run({"gpgv", "--keyring", work + "/apt/flyover-archive-keyring.gpg",
                      dir + "/SHA256SUMS.asc", dir + "/SHA256SUMS"});
    EXPECT_EQ(verify.status, 0) << verify.err;

    // The source is exactly the committed files; the web zip every file of
    // the page; each under a folder named for the version.
    Ran tarball =
        run({"sh", "-c", "tar -tzf \"$0\" | grep -v '/$'", dir + "/flyover-" + v + ".tar.gz"});
    Ran committed = run({"git", "-C", work + "/clone", "ls-files"});
    EXPECT_EQ(linesof(tarball.out), linesof(committed.out, "flyover-" + v + "/"));
    Ran page = run({"zipinfo", "-1", dir + "/flyover-" + v + "-web.zip"});
    const std::string pagefolder = "flyover-" + v + "-web/";
    std::set<std::string> pagefiles;
    for (const std::string &f : filesunder(work + "/clone/build/web"))
        pagefiles.insert(pagefolder + f);
    EXPECT_EQ(linesof(page.out), pagefiles);
    EXPECT_EQ(pagefiles.count("flyover-" + v + "-web/index.html"), 1u);

    // Each package: its version and architecture, and its changelog, from
    // CHANGELOG.md, opening with this version.
    const std::string debs = dir + "/flyover_" + v + "_";
    for (const char *arch : {"amd64", "arm64", "armhf"}) {
        std::string deb = debs;
        deb.append(arch).append(".deb");
        Ran fields = run({"dpkg-deb", "--field", deb, "Version", "Architecture"});
        EXPECT_EQ(fields.out, "Version: " + v + "\nArchitecture: " + arch + "\n") << fields.err;
        Ran changelog = run({"sh", "-c",
                             "dpkg-deb --fsys-tarfile \"$0\" | "
                             "tar -xO ./usr/share/doc/flyover/changelog.gz | gzip -dc | head -n 1",
                             deb});
        EXPECT_EQ(changelog.out, "flyover (" + v + ") unstable; urgency=medium\n") << arch;
    }
}

TEST(Release, AptInstallsFromTheRepositoryAndUpgradesToTheNextRelease)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root for chroot and mount (CI runs as root)";
    const std::string next = nextversion();
    ASSERT_FALSE(next.empty()) << "release.sh made no second release";
    TempDir root;
    ASSERT_TRUE(unpackbase(root.path()));
    // The README's line, with the repository where the release left it.
    fs::create_directories(root.path() + "/etc/apt/keyrings");
    fs::copy_file(work + "/apt/flyover-archive-keyring.gpg",
                  root.path() + "/etc/apt/keyrings/flyover.gpg");
    std::ofstream(root.path() + "/etc/apt/sources.list.d/flyover.list")
        << "deb [signed-by=/etc/apt/keyrings/flyover.gpg] file:/srv/flyover stable main\n";

    const std::vector<std::string> apt = {"apt-get", "-o", "Acquire::Retries=3", "-y", "-qq"};
    struct Step {
        std::string repository, command, version;
    };
    for (const Step &step :
         {Step{"apt-first", "install", PROJECT_VERSION}, Step{"apt", "upgrade", next}}) {
        const Binds binds = {{work + "/" + step.repository, "/srv/flyover"}};
        std::vector<std::string> update = apt;
        update.push_back("update");
        Ran updated = run(inroot(root.path(), binds, update), {}, aptseconds);
        ASSERT_EQ(updated.status, 0) << updated.out << updated.err;
        // Among apt's warnings: a release file it could not check.
        EXPECT_EQ((updated.out + updated.err).find("W:"), std::string::npos)
            << updated.out << updated.err;

        std::vector<std::string> command = apt;
        command.insert(command.end(), {"--no-install-recommends", step.command});
        if (step.command == "install")
            command.push_back("flyover");
        Ran done = run(inroot(root.path(), binds, command), {{"DEBIAN_FRONTEND", "noninteractive"}},
                       aptseconds);
        ASSERT_EQ(done.status, 0) << done.out << done.err;
        Ran installed =
            run(inroot(root.path(), binds, {"dpkg-query", "-W", "-f", "${Version}", "flyover"}));
        EXPECT_EQ(installed.out, step.version) << step.command << ": " << installed.err;
    }
}

} // namespace
