#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds, for each ARM architecture, the programs the ARM tests run under
# qemu (the world's and animation's tests, the world digests, the swap
# counter) in the multiarch root, each in a tree of its own below DIR.
# Usage: armbuild.sh DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
source scripts/common.sh
if [ "$(id -u)" -ne 0 ]; then
    echo "Skipped: the multiarch root is made and entered as root only (CI runs as root)."
    exit 77
fi
make_multiarch_root
for arch in "${arm_architectures[@]}"; do
    tree=$1/$arch
    mkdir -p "$tree"
    multiarch_binds=("$tree")
    werror=OFF
    [ "${CI:-}" = true ] && werror=ON
    in_multiarch_root sh -c 'cmake --preset "$1" -B "$2" -DFLYOVER_WERROR="$3" >/dev/null &&
                             cmake --build "$2" -j "$(nproc)" --target world_tests anim_tests \
                                   sequence_tests worlddigest swapcount' sh "$arch" "$tree" "$werror"
done
