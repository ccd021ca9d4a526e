# SPDX-License-Identifier: MIT
# Cross-building for 32-bit ARM with hardware floating point (Debian armhf,
# Raspberry Pi OS's 32-bit systems) with Debian's cross compiler, in the
# multiarch root that scripts/package makes: CMake finds the armhf libraries
# in their multiarch folders by itself. The tests' programs run under qemu,
# called by name (no binfmt_misc needed).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm)
