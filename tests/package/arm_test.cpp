// SPDX-License-Identifier: MIT
// The ARM editions, one table over arm64 and armhf: the packages that
// scripts/package cross-builds with sbuild, and the world, animation and
// program of the ARM builds run under qemu in the multiarch root they were
// built in (which needs root: as another user those tests skip).
#include "frame.h"
#include "tools.h"

#include "process.h"
#include "watching.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <sstream>

using namespace testsupport;

namespace
{

struct Arm {
    const char *arch;                 // Debian's name
    const char *machine;              // readelf's Machine of its programs
    const char *flags;                // what readelf's Flags must hold
    const char *emulator;             // qemu's for its programs
    const char *objdump;              // the cross binutils' disassembler
    const char *fused;                // its fused multiply-add instructions
    std::set<std::string> owndepends; // beyond the amd64 package's
};

// Names a case by its architecture, in test names and messages alike.
void PrintTo(const Arm &arm, std::ostream *out)
{
    *out << arm.arch;
}

const Arm arms[] = {
    {"arm64",
     "AArch64",
     "",
     "qemu-aarch64",
     "aarch64-linux-gnu-objdump",
     "\tf(n)?m(add|sub)\t",
     {}},
    {"armhf",
     "ARM",
     "Version5 EABI, hard-float ABI",
     "qemu-arm",
     "arm-linux-gnueabihf-objdump",
     "\tvf(n)?m[as]\\.",
     {"libgcc-s1"}},
};

const std::string packages = ARM_DIR "/package";

std::string debof(const char *arch)
{
    return packages + "/flyover_" DEB_VERSION "_" + arch + ".deb";
}

std::string treeof(const char *arch)
{
    return std::string(ARM_DIR) + "/" + arch;
}

// argv run in a throwaway overlay of the multiarch root, with the folders
// in binds bound at their own paths (scripts/common.sh).
std::vector<std::string> inmultiarch(const std::vector<std::string> &binds,
                                     const std::vector<std::string> &argv)
{
    const std::string script =
        "root=$1; shift; source \"$root/scripts/common.sh\"; make_multiarch_root || exit 1; "
        "multiarch_binds=(); while [ \"$1\" != -- ]; do multiarch_binds+=(\"$1\"); shift; done; "
        "shift; cd \"$root\" && in_multiarch_root \"$@\"";
    std::vector<std::string> all = {"bash", "-c", script, "bash", SOURCE_DIR};
    all.insert(all.end(), binds.begin(), binds.end());
    all.push_back("--");
    all.insert(all.end(), argv.begin(), argv.end());
    return all;
}

std::string field(const std::string &deb, const std::string &name)
{
    Ran r = run({"dpkg-deb", "--field", deb, name});
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out.substr(0, r.out.find('\n'));
}

// The package names in a Depends field, alternatives and versions left out
// of the comparison but the first alternative kept.
std::set<std::string> dependnames(const std::string &depends)
{
    std::set<std::string> names;
    std::regex entry("(?:^|, )([a-z0-9.+-]+)");
    for (std::sregex_iterator it(depends.begin(), depends.end(), entry), end; it != end; ++it)
        names.insert((*it)[1]);
    return names;
}

class ArmPackage : public ::testing::TestWithParam<Arm>
{
};

TEST_P(ArmPackage, IsLabelledAndBuiltForItsArchitecture)
{
    const Arm &arm = GetParam();
    const std::string deb = debof(arm.arch);
    EXPECT_EQ(field(deb, "Architecture"), arm.arch);
    TempDir root;
    Ran x = run({"dpkg", "-x", deb, root.path()});
    ASSERT_EQ(x.status, 0) << x.err;
    Ran header = run({"readelf", "-h", root.path() + "/usr/games/flyover"});
    ASSERT_EQ(header.status, 0) << header.err;
    EXPECT_TRUE(
        std::regex_search(header.out, std::regex(std::string("Machine: +") + arm.machine + "\n")))
        << header.out;
    EXPECT_NE(header.out.find(arm.flags), std::string::npos) << header.out;
}

// The same libraries as the amd64 package (deb_test.cpp), plus what only
// the ARM program needs, each computed by dpkg-shlibdeps for the package's
// architecture.
TEST_P(ArmPackage, DependsOnTheDesktopsLibrariesAndItsOwnRuntime)
{
    const Arm &arm = GetParam();
    std::set<std::string> expected = {
        "libgl1",   "libc6",     "libglu1-mesa", "libopengl0", "libsdl1.2-compat-shim",
        "libx11-6", "libxrandr2"};
    expected.insert(arm.owndepends.begin(), arm.owndepends.end());
    EXPECT_EQ(dependnames(field(debof(arm.arch), "Depends")), expected);
}

// The multiarch root is made and entered with mmdebstrap's root mode and
// chroot: as root only.
class AsRoot : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (geteuid() != 0)
            GTEST_SKIP() << "needs root for the multiarch root's chroot (CI runs as root)";
    }
};

class ArmBuild : public AsRoot, public ::testing::WithParamInterface<Arm>
{
};

TEST_P(ArmBuild, WorldAndAnimationTestsPassUnderQemu)
{
    const std::string tree = treeof(GetParam().arch);
    Ran ctest = run(inmultiarch({tree}, {"ctest", "--test-dir", tree, "-L", "^(world|anim)$", "-j",
                                         "2", "--output-on-failure"}),
                    {}, aptseconds);
    EXPECT_EQ(ctest.status, 0) << ctest.out << ctest.err;
    // Every test of the two labels: a tree without them would pass empty.
    EXPECT_TRUE(std::regex_search(ctest.out, std::regex("100% tests passed, 0 tests failed out of "
                                                        "[1-9][0-9]")))
        << ctest.out;
}

// A fused multiply-add rounds once where the desktop's code rounds twice:
// the world and its animation have none, so that one clock is one city.
TEST_P(ArmBuild, WorldAndAnimationHaveNoFusedMultiplyAdds)
{
    const Arm &arm = GetParam();
    const std::string tree = treeof(arm.arch);
    Ran code = run(
        inmultiarch({tree}, {arm.objdump, "-d", tree + "/src/libworld.a", tree + "/src/libanim.a"}),
        {}, aptseconds);
    ASSERT_EQ(code.status, 0) << code.err;
    ASSERT_NE(code.out.find("initme"), std::string::npos) << "not the world's code";
    std::smatch fused;
    EXPECT_FALSE(std::regex_search(code.out, fused, std::regex(arm.fused))) << fused.str();
}

// The clocks the Windows and web editions are compared on.
TEST_P(ArmBuild, TheSameClockGivesTheDesktopsWorldAndFlight)
{
    const std::vector<std::string> clocks = {"86400", "1700000000", "2100000000"};
    std::vector<std::string> desktop = {WORLDDIGEST};
    desktop.insert(desktop.end(), clocks.begin(), clocks.end());
    Ran want = run(desktop);
    ASSERT_EQ(want.status, 0) << want.err;
    ASSERT_EQ(std::count(want.out.begin(), want.out.end(), '\n'), 3 * 2 * 14) << want.out;

    const Arm &arm = GetParam();
    const std::string tree = treeof(arm.arch);
    std::vector<std::string> argv = {arm.emulator, tree + "/tests/world/worlddigest"};
    argv.insert(argv.end(), clocks.begin(), clocks.end());
    Ran got = run(inmultiarch({tree}, argv), {}, aptseconds);
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(got.out, want.out);
}

INSTANTIATE_TEST_SUITE_P(Arm, ArmPackage, ::testing::ValuesIn(arms),
                         [](const auto &info) { return std::string(info.param.arch); });
INSTANTIATE_TEST_SUITE_P(Arm, ArmBuild, ::testing::ValuesIn(arms),
                         [](const auto &info) { return std::string(info.param.arch); });

// The arm64 package installed with apt in the multiarch root, its program run
// under qemu on a private X server with the swap counter built for arm64:
// on the pinned clock, the frame it holds is the amd64 program's. (The armhf
// program draws at about a frame a second under qemu: too slow to wait for.)
class ArmPicture : public AsRoot
{
};

TEST_F(ArmPicture, TheArm64PackagesProgramHoldsTheDesktopsFrame)
{
    XServer x;
    Picture want;
    {
        HeldFrame held;
        Env env = held.env();
        env.push_back({"DISPLAY", x.display().c_str()});
        Child demo = spawn({flyoverpath()}, env);
        want = held.wait(120);
        ASSERT_FALSE(want.rgb.empty()) << "no frame from the amd64 program: " << stderrof(demo);
        EXPECT_TRUE(escapeendswithzero(x.display(), demo));
    }

    const std::string tree = treeof("arm64");
    HeldFrame held(tree + "/bench/frames/swapcount.so");
    std::string script = "apt-get install -y -qq --no-install-recommends \"$1\" >/dev/null && "
                         "shift && exec qemu-aarch64 \"$@\" /usr/games/flyover";
    std::vector<std::string> argv = {"sh", "-c", script, "sh", debof("arm64")};
    // qemu sets the preloaded counter for the ARM program alone.
    for (const auto &[name, value] : held.env())
        argv.insert(argv.end(), {"-E", name + "=" + value});
    argv.insert(argv.end(), {"-E", "DISPLAY=" + x.display()});
    // The X socket and the held frame are both in /tmp. The root's overlay
    // goes to a folder of this test's, so that a run killed half-way leaves
    // nothing behind either.
    TempDir overlay;
    Child demo = spawn(inmultiarch({packages, tree, "/tmp"}, argv),
                       {{"DEBIAN_FRONTEND", "noninteractive"}, {"TMPDIR", overlay.path().c_str()}});
    const auto start = std::chrono::steady_clock::now();
    Picture got = held.wait(600);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    RecordProperty("seconds to the held frame", std::to_string(took.count()));
    EXPECT_FALSE(got.rgb.empty()) << "no frame from the arm64 program: " << stderrof(demo);
    if (!got.rgb.empty()) {
        RecordProperty("rmse", std::to_string(rmse(got, want)));
        EXPECT_LT(rmse(got, want), 0.001) << "the arm64 frame differs from the amd64 one";
        // Under qemu a frame takes a good part of a second, and ending the
        // program several: Escape is pressed for up to a minute.
        int status = -1;
        for (int tries = 0; tries < 20 && status == -1; tries++) {
            runon(x.display(), {"xdotool", "key", "Escape"});
            status = waitfor(demo, 3.0);
        }
        EXPECT_EQ(status, 0) << "after Escape (-1: still running): " << stderrof(demo);
    }
    kill(-demo.pid, SIGKILL); // whatever of its process group is left
}

} // namespace
