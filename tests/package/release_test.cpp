// SPDX-License-Identifier: MIT
// What scripts/release made in release.sh's repository: the release folder
// of the second version (its files, checksums and signature), and the apt
// repository as a fresh Debian 12 sees it, installing from it after the
// first release, upgrading after the second, and fetching the source.
#include "tools.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
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

// A version release.sh wrote down: next-version or first-version.
std::string version(const std::string &which = "next")
{
    std::string version;
    std::ifstream(work + "/" + which + "-version") >> version;
    return version;
}

TEST(Release, HoldsEveryDownloadOfTheVersionChecksummedAndSigned)
{
    const std::string v = version();
    const std::string dv = v + "-1";
    ASSERT_FALSE(v.empty()) << "release.sh made no second release";
    const std::string dir = work + "/clone/build/release/flyover-" + v;
    std::set<std::string> downloads = {
        "flyover-" + v + ".tar.gz",     "flyover_" + v + ".orig.tar.gz",
        "flyover_" + dv + ".dsc",       "flyover_" + dv + ".debian.tar.xz",
        "flyover-" + v + "-x86_64.msi", "flyover-" + v + "-windows-x86_64.zip",
        "flyover-" + v + "-web.zip",
    };
    std::set<std::string> debs;
    for (const char *arch : {"amd64", "arm64", "armhf"})
        for (const char *package : {"flyover_", "flyover-dbgsym_"})
            debs.insert(package + dv + "_" + arch + ".deb");
    downloads.insert(debs.begin(), debs.end());
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

    // The source is exactly the committed files, under a folder named for
    // the version; the web zip the page's files as its service worker lists
    // them, with the worker, and nothing else (no stray file of build/web).
    Ran tarball =
        run({"sh", "-c", "tar -tzf \"$0\" | grep -v '/$'", dir + "/flyover-" + v + ".tar.gz"});
    Ran committed = run({"git", "-C", work + "/clone", "ls-files", ":!debian"});
    EXPECT_EQ(linesof(tarball.out), linesof(committed.out, "flyover-" + v + "/"));
    const std::string zip = dir + "/flyover-" + v + "-web.zip";
    const std::string pagefolder = "flyover-" + v + "-web/";
    const std::string worker = run({"unzip", "-p", zip, pagefolder + "sw.js"}).out;
    const std::string list = worker.substr(0, worker.find("];")).substr(worker.find("const files"));
    std::set<std::string> pagefiles = {pagefolder + "sw.js"};
    const std::regex quoted("'([\\w.-]+)'");
    for (std::sregex_iterator file(list.begin(), list.end(), quoted), end; file != end; ++file)
        pagefiles.insert(pagefolder + (*file)[1].str());
    EXPECT_EQ(pagefiles.count(pagefolder + "index.html"), 1u) << worker;
    EXPECT_EQ(linesof(run({"zipinfo", "-1", zip}).out), pagefiles);

    // Each package is what its file's name says: name, version, architecture.
    Ran fields = run({"sh", "-c",
                      "cd \"$0\" && for f in *.deb; do dpkg-deb --show --showformat "
                      "'${Package}_${Version}_${Architecture}.deb\\n' \"$f\"; done",
                      dir});
    EXPECT_EQ(linesof(fields.out), debs) << fields.err;
}

TEST(Release, AptInstallsFromTheRepositoryAndUpgradesToTheNextRelease)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root for chroot and mount (CI runs as root)";
    const std::string next = version();
    ASSERT_FALSE(next.empty()) << "release.sh made no second release";
    TempDir root;
    ASSERT_TRUE(unpackbase(root.path()));
    // The README's lines, with the repository where the release left it.
    fs::create_directories(root.path() + "/etc/apt/keyrings");
    fs::copy_file(work + "/apt/flyover-archive-keyring.gpg",
                  root.path() + "/etc/apt/keyrings/flyover.gpg");
    std::ofstream(root.path() + "/etc/apt/sources.list.d/flyover.list")
        << "deb [signed-by=/etc/apt/keyrings/flyover.gpg] file:/srv/flyover stable main\n"
        << "deb-src [signed-by=/etc/apt/keyrings/flyover.gpg] file:/srv/flyover stable main\n";

    const std::vector<std::string> apt = {"apt-get", "-o", "Acquire::Retries=3", "-y", "-qq"};
    struct Step {
        std::string repository, command, version;
    };
    for (const Step &step :
         {Step{"apt-first", "install", version("first")}, Step{"apt", "upgrade", next + "-1"}}) {
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
            command.insert(command.end(), {"flyover", "flyover-dbgsym"});
        Ran done = run(inroot(root.path(), binds, command), {{"DEBIAN_FRONTEND", "noninteractive"}},
                       aptseconds);
        ASSERT_EQ(done.status, 0) << done.out << done.err;
        Ran installed =
            run(inroot(root.path(), binds,
                       {"dpkg-query", "-W", "-f", "${Version} ", "flyover", "flyover-dbgsym"}));
        EXPECT_EQ(installed.out, step.version + " " + step.version + " ")
            << step.command << ": " << installed.err;
    }

    // The source package as apt-get source fetches it, checked against the
    // signed index: the release's files.
    const std::string release = work + "/clone/build/release/flyover-" + next;
    Ran source =
        run(inroot(root.path(), {{work + "/apt", "/srv/flyover"}, {release, "/srv/release"}},
                   {"sh", "-c",
                    "cd /tmp && apt-get -qq source --download-only flyover && "
                    "for f in flyover*; do cmp \"$f\" \"/srv/release/$f\" && echo \"$f\"; done"}),
            {}, aptseconds);
    EXPECT_EQ(linesof(source.out), (std::set<std::string>{"flyover_" + next + ".orig.tar.gz",
                                                          "flyover_" + next + "-1.dsc",
                                                          "flyover_" + next + "-1.debian.tar.xz"}))
        << source.err;
}

} // namespace
