#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# scripts/release in a repository of its own (this tree's files, committed),
# with a throwaway OpenPGP key: first what it refuses, each refusal leaving
# build/release/ and the apt repository as they were; then a release of this
# version into an apt repository, from a checkout whose build/ holds a tree
# configured with other flags and a stray file; once more on the same commit
# (the same bytes, accepted), stopped by SIGTERM at the swap; one of the next
# version, and that one again after its commit changed (other bytes under
# the same version, refused).
# Leaves in WORK, for release_test.cpp: the repository after the first
# release (apt-first/), after the next one (apt/), the first's Debian version
# (first-version), the next version's number (next-version) and the clone
# with its build/release/.
# Usage: release.sh WORK
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$1
# The clone's build/release-work/ outlives a run, so that the next release
# builds only what changed; the rest of WORK is made afresh.
builds=$work.builds
rm -rf "$builds"
[ ! -d "$work/clone/build" ] || mv "$work/clone/build" "$builds"
rm -rf "$work"
mkdir -p "$work/clone"
if [ -d "$builds" ]; then
    rm -rf "$builds/release" "$builds"/.release.*
    mv "$builds" "$work/clone/build"
fi
GNUPGHOME=$(mktemp -d) # short: gpg-agent's socket lives in it
export GNUPGHOME
trap 'gpgconf --kill gpg-agent; rm -rf "$GNUPGHOME"' EXIT
trap 'exit 1' INT TERM
failed=0
fail() {
    failed=1
    echo "FAIL $*"
}

# This tree's files as they are now, tracked or new, committed afresh.
cd "$root"
git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ ! -e "$f" ] || printf '%s\0' "$f"; done |
    tar --null -T - -cf - | tar -C "$work/clone" -xf -
cd "$work/clone"
# The same tree is the same commit from one run to the next; stamped as
# this tree's last commit, whose packages scripts/package has kept.
export GIT_AUTHOR_NAME=test GIT_AUTHOR_EMAIL=test@example.org GIT_COMMITTER_NAME=test
export GIT_COMMITTER_EMAIL=test@example.org
GIT_AUTHOR_DATE=$(git -C "$root" log -1 --format=%cI)
export GIT_AUTHOR_DATE GIT_COMMITTER_DATE=$GIT_AUTHOR_DATE
git init -q && git add -A && git commit -qm release
base=$(git rev-parse HEAD)
echo "not part of the release" >notes.txt # untracked: does not stand in the way

gpg --batch --passphrase '' --quick-gen-key "flyover test <test@example.org>" ed25519 sign never \
    2>/dev/null
export FLYOVER_RELEASE_KEY=test@example.org
mkdir -p "$work/notrepo"
echo "a file" >"$work/notrepo/file"

# Each refusal: a non-zero exit, its cause named on stderr, nothing written
# under build/release/ and the folder given to --apt as it was.
refusal() {
    local name=$1 text=$2 prepare=$3
    shift 3
    eval "$prepare"
    local before status=0
    before=$(ls -lR --time-style=full-iso "$work/notrepo")
    "$@" >"$work/out" 2>&1 || status=$?
    if [ "$status" -eq 0 ] || ! grep -qF "$text" "$work/out" || [ -e build/release ] ||
        [ "$before" != "$(ls -lR --time-style=full-iso "$work/notrepo")" ]; then
        fail "refusal, $name: status $status, expected \"$text\""
        cat "$work/out"
    else
        echo "ok   refused: $name"
    fi
    git reset -q --hard "$base"
}
bump='sed -i "s/^project(flyover VERSION [0-9.]*/project(flyover VERSION 99.0.0/" CMakeLists.txt'
section() { sed -i "0,/^## \[/s//## [$1] - 2027-01-01\n\n### Fixed\n\n- A test release.\n\n&/" CHANGELOG.md; }
refusal "a change not staged" "uncommitted changes" 'echo >>LICENSE' scripts/release
refusal "a staged change" "uncommitted changes" 'echo >>LICENSE; git add LICENSE' scripts/release
refusal "no changelog section" "CHANGELOG.md" "$bump; git commit -qam bump" scripts/release
refusal "debian/changelog behind" "debian/changelog" "$bump; section 99.0.0; git commit -qam bump" \
    scripts/release
refusal "--apt without a key" "FLYOVER_RELEASE_KEY" : \
    env -u FLYOVER_RELEASE_KEY scripts/release --apt "$work/notrepo"
refusal "an unknown key" "no secret key" : \
    env FLYOVER_RELEASE_KEY=nobody@example.org scripts/release
refusal "a folder that is not a repository" "nor an apt repository" : \
    scripts/release --apt "$work/notrepo"
refusal "a repository another release holds" "another release" \
    'exec 9>>"$work/notrepo.lock"; flock 9' scripts/release --apt "$work/notrepo"
exec 9>&-
[ "$failed" -eq 0 ] || exit 1

# Runs a release that must succeed, timed.
release() {
    local started=$SECONDS
    scripts/release --apt "$work/apt" >"$work/out" 2>&1 || {
        cat "$work/out"
        fail "release: $*"
        exit 1
    }
    grep -E '^Release|^Windows' "$work/out"
    echo "($* took $((SECONDS - started)) s)"
}
version=$(sed -n 's/^project(flyover VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# This checkout's own trees, a Windows one configured with a planted string
# in every object and a page folder with a stray file: the release uses
# neither.
echo '__attribute__((used)) static const char planted[] = "PLANTED";' >"$work/planted.h"
sdl=$(ls -d "${XDG_CACHE_HOME:-$HOME/.cache}"/flyover/sdl-windows-*/ | tail -n 1)
cmake --preset windows -DFLYOVER_WINDOWS_SDL="$sdl" \
    -DCMAKE_CXX_FLAGS="-include $work/planted.h" >/dev/null
mkdir -p build/web && echo stray >build/web/stray.txt
release "$version"
! grep -q PLANTED <(unzip -p "build/release/flyover-$version/flyover-$version-windows-x86_64.zip") ||
    fail "the Windows zip was built in this checkout's build/windows"
cp -a "$work/apt" "$work/apt-first"
cp -a "build/release/flyover-$version" "$work/first"
dpkg-parsechangelog -S Version >"$work/first-version"
# An interrupt (SIGTERM) as the repository is moved into place.
mkdir "$work/bin"
printf '#!/bin/sh\nfor a; do [ "$a" != %q ] || kill -TERM $PPID; done\nexec /bin/mv "$@"\n' \
    "$work/apt" >"$work/bin/mv"
chmod +x "$work/bin/mv"
PATH=$work/bin:$PATH release "$version, once more, with SIGTERM at the swap"
[ -s "$work/apt/dists/stable/InRelease" ] || fail "SIGTERM at the swap left no whole repository"
for f in "$work/first/"*.{deb,dsc,gz,xz} "$work/first/"*-web.zip; do
    cmp "$f" "build/release/flyover-$version/${f##*/}" || fail "${f##*/}: other bytes"
done

# The next version: its number and a changelog section, committed.
next=$(awk -F. '{ print $1 "." $2 "." $3 + 1 }' <<<"$version")
sed -i "s/^project(flyover VERSION $version/project(flyover VERSION $next/" CMakeLists.txt
section "$next"
sed -i "1i flyover ($next-1) unstable; urgency=medium\n\n  * A test release.\n\n -- $(dpkg-parsechangelog -S Maintainer)  Fri, 01 Jan 2027 00:00:00 +0000\n" \
    debian/changelog
git commit -qam "$next"
release "$next"
echo "$next" >"$work/next-version"

# Other bytes under a released version: the same tree, another commit time.
GIT_COMMITTER_DATE="2027-01-02T00:00:00Z" git commit -q --amend --no-edit
snapshot() { find "$1" -printf '%P %s %m %T@\n' -type f -exec sha256sum {} + | sort; }
apt=$(snapshot "$work/apt")
released=$(snapshot build/release)
status=0
scripts/release --apt "$work/apt" >"$work/out" 2>&1 || status=$?
if [ "$status" -eq 0 ] || ! grep -q "other bytes" "$work/out"; then
    fail "released $next again with other bytes (status $status)"
    cat "$work/out"
fi
[ "$apt" = "$(snapshot "$work/apt")" ] || fail "the refused release changed the repository"
[ "$released" = "$(snapshot build/release)" ] || fail "the refused release changed build/release"
exit "$failed"
