# SPDX-License-Identifier: MIT
# Shared by the scripts in this folder: installing what is missing, building.
# Source it; it expects $root to be the top of the source tree.

# A script that stops on an error says where, in one line: the file, the line
# and the command that failed. The ERR trap reaches into functions (set -E);
# a failure inside a subshell is told once, by the command that ran it.
set -E
trap 'stopped $? "${BASH_SOURCE[0]}" "$LINENO" "$BASH_COMMAND"' ERR
stopped() {
    [ "$BASH_SUBSHELL" -eq 0 ] || return 0
    echo "${2#"$root"/}: line $3: stopped, status $1: $4" >&2
}

# Debian packages the build and the tests need.
build_packages=(cmake g++ make libsdl1.2-compat-dev libgl-dev libglu1-mesa-dev libxrandr-dev
                libgtest-dev libgmock-dev libbenchmark-dev)
run_packages=(xvfb xdotool imagemagick x11-apps libgl1-mesa-dri libegl-mesa0 procps)
# What the checks beyond the unit tests use: memory and static checks, packaging,
# the documents' links (python3, git).
check_packages=(valgrind clang-tidy clang-format cppcheck
                desktop-file-utils appstream lintian groff-base man-db dpkg-dev fakeroot file
                libxml2-utils python3 git)
# The Windows build: the cross compiler, the tools that fetch and unpack SDL's
# source and pack the zip, those that draw the icon and pack the MSI (and
# read both back in the tests), those that sign them (and make the tests'
# certificate), and Wine to run the result.
windows_packages=(mingw-w64 dpkg-dev zip unzip librsvg2-bin icoutils wixl msitools
                  osslsigncode openssl wine64 wine faketime)

# The browser edition: the compiler and the icons' drawer; and the browser its tests drive.
web_packages=(cmake make emscripten librsvg2-bin)
webtest_packages=(chromium chromium-driver python3-selenium)
# The accessibility audit the web tests run in the page, from npm (Debian has none).
axe_core_version=4.14.1

# What the desktop tests drive: window managers (openbox, xfwm4 in a D-Bus
# session), a headless Wayland compositor with its screenshot and key tools,
# a kiosk compositor that leaves window decorations to its clients (cage),
# XWayland, the X tools that ask a window manager about windows and open
# XWayland to the tests' user, the screen locker and the screen saver that
# run the demo as their saver (xsecurelock; XScreenSaver, whose daemon comes
# with a few dozen savers: its hundreds of others are in packages it only
# suggests), and Xorg's dummy driver, whose one screen has two monitors
# (Xvfb's has one), for these tests and the Wine saver's.
desktop_packages=(openbox xfwm4 dbus-daemon x11-utils x11-xserver-utils wmctrl
                  sway cage grim wtype xwayland xsecurelock xscreensaver xserver-xorg-core
                  xserver-xorg-video-dummy)

# The program alone (scripts/run, scripts/package): no test or benchmark libraries.
program_packages=(cmake g++ make libsdl1.2-compat-dev libgl-dev libglu1-mesa-dev libxrandr-dev)
# scripts/release: OpenPGP signatures, the apt repository, the web page's zip,
# reading the Windows files' Authenticode signatures, and debian/changelog.
release_packages=(gnupg reprepro zip unzip osslsigncode dpkg-dev)
# The package's clean-install test makes a minimal Debian system with it.
cleaninstall_packages=(mmdebstrap)
# scripts/package: the source package (dpkg-dev), the binary packages built
# in a clean root (sbuild in its unshare mode, with mmdebstrap's root and
# the subordinate ids of uidmap), lintian; and autopkgtest for its tests.
package_packages=(dpkg-dev lintian sbuild mmdebstrap uidmap)
autopkgtest_packages=(autopkgtest)

# Installs with apt-get whichever of the named packages are not installed yet;
# does nothing (and needs no network) when all of them are.
install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null | grep -qx installed ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Missing Debian packages, and no sudo to install them with. As root, run:" >&2
            echo "  apt-get install --no-install-recommends ${missing[*]}" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    # Another install running beside this one (a second build tree, say) is
    # waited for rather than taken for a failure.
    local wait=(-o DPkg::Lock::Timeout=600)
    "${sudo[@]}" apt-get "${wait[@]}" update -qq &&
        "${sudo[@]}" apt-get "${wait[@]}" install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Sets tarball to a Debian 12 root kept in the user's cache as a tarball,
# NAME.tar, making it first if need be: mmdebstrap's VARIANT, with the
# further mmdebstrap arguments given. Another run making it beside this
# one is waited for, and a half-made one is never taken for a finished one.
cached_tarball() {
    local variant=$1 name=$2
    shift 2
    tarball=${XDG_CACHE_HOME:-$HOME/.cache}/flyover/$name.tar
    [ -f "$tarball" ] && return 0
    mkdir -p "$(dirname "$tarball")"
    local lock part=$tarball.part$$
    exec {lock}>"$tarball.lock"
    flock "$lock"
    if [ ! -f "$tarball" ]; then
        echo "Making a Debian root (once): $tarball"
        rm -f "$tarball".part*
        if ! mmdebstrap --quiet --variant="$variant" --format=tar \
                --aptopt='Acquire::Retries "3"' "$@" bookworm "$part"; then
            rm -f "$part"
            exec {lock}>&-
            echo "Could not make the Debian root: mmdebstrap needs a Debian mirror (see above)." >&2
            return 1
        fi
        mv "$part" "$tarball"
    fi
    exec {lock}>&-
}

# Sets minbase_tarball to a minimal Debian 12 (essential packages and apt),
# keyed by mmdebstrap's version: the fresh machine the tests install into,
# and autopkgtest's testbed, where the package brings in all it needs.
make_minbase_tarball() {
    cached_tarball minbase "bookworm-minbase-mmdebstrap-$(mmdebstrap --version | awk '{ print $2 }')" &&
        minbase_tarball=$tarball
}

# Sets sbuild_root to the root sbuild builds flyover's packages for ARCH in:
# mmdebstrap's buildd variant, with flyover's build dependencies for ARCH
# already installed (for ARM, the cross compilers and the ARM libraries beside
# amd64's tools), as sbuild would install them at the start of every build.
# That install took most of a build's time (40 of 90 s for amd64's
# packages, 85 of 120 s for each ARM one); the packages come out the same
# bytes either way. Keyed by the build dependencies too: a change to them
# makes a new root, and the old one of ARCH goes.
make_sbuild_root() {
    local arch=$1 native key architectures include=()
    native=$(dpkg --print-architecture)
    architectures=$native
    if [ "$arch" != "$native" ]; then
        architectures=$native,$arch
        include=(--include="crossbuild-essential-$arch")
    fi
    key=$( (mmdebstrap --version; echo "$architectures"
            sed -n '/^Build-Depends:/,/^[^ ]/p' "$root/debian/control") | sha256sum)
    local name=bookworm-sbuild-$arch-${key:0:12}
    if [ ! -f "${XDG_CACHE_HOME:-$HOME/.cache}/flyover/$name.tar" ]; then
        find "${XDG_CACHE_HOME:-$HOME/.cache}/flyover" -maxdepth 1 \
            -name "bookworm-sbuild-$arch-*.tar" -delete 2>/dev/null || true
    fi
    # The hooks read debian/control through the environment, never as their code.
    FLYOVER_CONTROL=$root/debian/control FLYOVER_ARCH=$arch cached_tarball buildd "$name" \
        --architectures="$architectures" "${include[@]}" \
        --customize-hook='mkdir -p "$1/tmp/flyover/debian" &&
                          cp "$FLYOVER_CONTROL" "$1/tmp/flyover/debian/control"' \
        --customize-hook='DEBIAN_FRONTEND=noninteractive chroot "$1" apt-get build-dep -y -qq \
                              -o APT::Install-Recommends=0 --host-architecture="$FLYOVER_ARCH" \
                              /tmp/flyover >/dev/null' \
        --customize-hook='rm -rf "$1/tmp/flyover"' &&
        sbuild_root=$tarball
}

# sbuild's unshare mode and autopkgtest-virt-unshare run as root inside a
# user namespace of subordinate ids (/etc/subuid, /etc/subgid) of the user
# who runs them. As root, gives root a range where it has none and puts its
# line first: autopkgtest-virt-unshare (unshare --map-auto) takes the first
# line. Another user without a range is told what to run, and 1 returned.
ensure_subids() {
    local file user line start
    # The first id after every range handed out, so that a new one overlaps none.
    start=$(awk -F: '$2 + $3 > top { top = $2 + $3 } END { print (top > 100000 ? top : 100000) }' \
                /etc/subuid /etc/subgid 2>/dev/null || echo 100000)
    if [ "$(id -u)" -ne 0 ]; then
        user=$(id -un)
        for file in /etc/subuid /etc/subgid; do
            grep -qE "^($user|$(id -u)):" "$file" 2>/dev/null && continue
            echo "sbuild needs subordinate ids for $user, which $file lacks. As root, run:" \
                 "usermod --add-subuids $start-$((start + 65535)) --add-subgids $start-$((start + 65535)) $user" >&2
            return 1
        done
        return 0
    fi
    for file in /etc/subuid /etc/subgid; do
        head -n 1 "$file" 2>/dev/null | grep -q '^root:' && continue
        line=$(grep -m 1 '^root:' "$file" 2>/dev/null) || line=root:$start:65536
        { echo "$line"; grep -v '^root:' "$file" 2>/dev/null || true; } >"$file.flyover"
        cat "$file.flyover" >"$file" # keeps the file's owner and mode
        rm "$file.flyover"
        echo "Gave root subordinate ids, first in $file: $line"
    done
}

# Configures and builds the given preset; on CI, warnings are errors.
build_preset() {
    local preset=$1 werror=()
    [ "${CI:-}" = true ] && werror=(-DFLYOVER_WERROR=ON)
    cmake --preset "$preset" "${werror[@]}" >/dev/null &&
        cmake --build --preset "$preset" -j "$(nproc)"
}

# Starts a private Xvfb on a free display and sets DISPLAY and xvfb_pid.
# It never resets: one that resets when its last client leaves (a window
# search by xdotool, say) closes a client that connects meanwhile, and SDL
# then quietly takes its offscreen driver. When it cannot start, says so
# with Xvfb's own words and returns 1; what Xvfb says later stays in
# xvfb_log, which the caller removes.
start_xvfb() {
    local dir number=
    dir=$(mktemp -d)
    xvfb_log=$(mktemp)
    mkfifo "$dir/displayfd"
    Xvfb -displayfd 3 -screen 0 800x600x24 -noreset -nolisten tcp 3>"$dir/displayfd" >/dev/null 2>"$xvfb_log" &
    xvfb_pid=$!
    # Xvfb writes the display number once it accepts connections, or ends.
    read -r number <"$dir/displayfd" || true
    rm -rf "$dir"
    if [ -z "$number" ]; then
        wait "$xvfb_pid" 2>/dev/null || true
        echo "Could not start a virtual display (Xvfb). Xvfb said:" >&2
        xvfb_said
        return 1
    fi
    export DISPLAY=":$number"
}

# The end of what Xvfb said, without repeats.
xvfb_said() {
    awk '!seen[$0]++' "$xvfb_log" | tail -n 8 | sed 's/^/    /' >&2
}

# Sets up Emscripten for scripts/web and the web tests. Debian's emscripten
# keeps its system libraries in a frozen, empty cache; they are built once
# into a writable cache outside the source tree, one per compiler version.
# Its JavaScript optimizer needs acorn, which a node from outside Debian
# does not find by itself.
web_environment() {
    local version
    version=$(emcc -dumpversion)
    export EM_CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/flyover/emscripten-$version
    export EM_FROZEN_CACHE= # any other value, even 0, keeps the cache frozen
    if ! /usr/bin/node -e 'require("acorn")' 2>/dev/null; then
        export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
    fi
}

# The ARM test builds (tests/package/armbuild.sh, arm_test.cpp) are made and
# run in a Debian 12 root of three architectures, so that the machine's own
# package system never gets a foreign one: Debian's cross compilers, qemu,
# and the ARM -dev packages of every library flyover and its tests use
# install there side by side. (The ARM packages themselves are built by
# sbuild, scripts/package.)
# The root is made once with mmdebstrap and kept in the user's cache, keyed by
# mmdebstrap's version and the package list; it is made under another name
# and renamed when whole, so that an interrupted build is never taken for a
# finished one. Each use runs on a throwaway overlay of it.
arm_architectures=(arm64 armhf)
multiarch_packages=(cmake make qemu-user
                    crossbuild-essential-arm64 crossbuild-essential-armhf)
for arch in "${arm_architectures[@]}"; do
    multiarch_packages+=("libsdl1.2-compat-dev:$arch" "libsdl1.2-compat-shim:$arch"
                         "libgl-dev:$arch" "libglu1-mesa-dev:$arch" "libxrandr-dev:$arch"
                         "libgtest-dev:$arch" "libgmock-dev:$arch" "libgl1-mesa-dri:$arch")
done
unset arch

# Sets multiarch_root to the cached root, making it first if need be.
# Needs root (mmdebstrap's root mode, chroot) and a Debian mirror.
make_multiarch_root() {
    if [ "$(id -u)" -ne 0 ]; then
        echo "The ARM test builds need root, to make and enter their build root (mmdebstrap, chroot)." >&2
        return 1
    fi
    install_missing mmdebstrap || return 1
    local key
    key=$( (mmdebstrap --version; printf '%s\n' "${multiarch_packages[@]}") | sha256sum)
    multiarch_root=${XDG_CACHE_HOME:-$HOME/.cache}/flyover/multiarch-bookworm-${key:0:12}
    [ -d "$multiarch_root" ] && return 0
    # Another build making it beside this one is waited for.
    mkdir -p "$(dirname "$multiarch_root")"
    local lock
    exec {lock}>"$multiarch_root.lock"
    flock "$lock"
    if [ -d "$multiarch_root" ]; then
        exec {lock}>&-
        return 0
    fi
    # What an interrupted build left is removed, never entered: a file
    # system still mounted in it stays as it is.
    rm -rf --one-file-system "$multiarch_root".part*
    local part=$multiarch_root.part$$
    echo "Making the ARM build root (once): $multiarch_root"
    local include
    include=$(IFS=,; echo "${multiarch_packages[*]}")
    if ! mmdebstrap --quiet --variant=minbase --architectures=amd64,arm64,armhf \
            --aptopt='Acquire::Retries "3"' --include="$include" bookworm "$part"; then
        rm -rf --one-file-system "$part"
        exec {lock}>&-
        echo "Could not make the ARM build root: mmdebstrap needs a Debian mirror (see above)." >&2
        return 1
    fi
    mv -T "$part" "$multiarch_root"
    exec {lock}>&-
}

# Runs a command in a throwaway overlay of the multiarch root, as root, in
# the current folder. The source tree and the folders named in
# multiarch_binds are bound at their own paths, so that build trees made
# inside keep their paths; what the command writes elsewhere is dropped.
multiarch_binds=()
in_multiarch_root() {
    local top
    top=$(mktemp -d)
    mkdir "$top/upper" "$top/work" "$top/root"
    local status=0
    # The paths reach the shell as its arguments, never as its code.
    unshare --mount --propagation private sh -c '
        top=$1; lower=$2; here=$3; n=$4; shift 4
        r=$top/root
        mount -t overlay overlay -o "lowerdir=$lower,upperdir=$top/upper,workdir=$top/work" "$r" &&
            mount --bind /proc "$r/proc" && mount --bind /dev "$r/dev" || exit 125
        cp /etc/resolv.conf "$r/etc/resolv.conf"
        while [ "$n" -gt 0 ]; do
            mkdir -p "$r$1" && mount --bind "$1" "$r$1" || exit 125
            shift; n=$((n - 1))
        done
        exec chroot "$r" sh -c "cd \"\$0\" && exec \"\$@\"" "$here" "$@"
    ' sh "$top" "$multiarch_root" "$PWD" $((${#multiarch_binds[@]} + 1)) \
        "$root" "${multiarch_binds[@]}" "$@" || status=$?
    rm -rf "$top"
    return "$status"
}

# Installs axe-core from npm once into a cache outside the source tree, one
# per version, and sets axe_core to its script. It is made in a temporary
# folder and moved in whole, so that an interrupted install is never taken
# for a finished one. Any npm will do: Debian's is installed only where
# there is none (a node from elsewhere brings its own, which Debian's
# would replace).
install_axe_core() {
    local cache=${XDG_CACHE_HOME:-$HOME/.cache}/flyover/npm-axe-core-$axe_core_version
    axe_core=$cache/node_modules/axe-core/axe.min.js
    [ -e "$axe_core" ] && return 0
    command -v npm >/dev/null || install_missing npm
    local part
    mkdir -p "$(dirname "$cache")"
    part=$(mktemp -d "$cache.partXXXX")
    npm install --prefix "$part" --no-save --no-audit --no-fund --ignore-scripts \
        "axe-core@$axe_core_version" >/dev/null
    rm -rf "$cache"
    mv "$part" "$cache"
}
