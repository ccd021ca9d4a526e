# SPDX-License-Identifier: MIT
# Cross-building for 64-bit ARM (Debian arm64) with Debian's cross compiler,
# in the multiarch root that scripts/package makes: CMake finds the arm64
# libraries in their multiarch folders by itself. The tests' programs run
# under qemu, called by name (no binfmt_misc needed).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
