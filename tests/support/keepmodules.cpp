// SPDX-License-Identifier: MIT
// Linked into every program of the sanitizer build only.
//
// SDL unloads the system's GL, X and driver libraries when it shuts down, so
// memory they still hold at exit looks leaked, from a library that no longer
// has a name to suppress it by. Keeping every library loaded until the
// process ends leaves the leak checker only what is really lost.
extern "C" int dlclose(void *)
{
    return 0;
}
