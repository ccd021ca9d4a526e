// SPDX-License-Identifier: MIT
// What Windows asks of a screen saver, read from its first argument. Kept
// apart from the launcher, free of Windows' headers, so that it can be
// tested anywhere.
#pragma once

enum SaverTask {
    saversettings, // "/c", "/c:<window>", no argument: the settings dialog
    savershow,     // "/s": the saver itself, full screen
    saverpreview,  // "/p <window>", "/p:<window>": a preview inside that window
};

// Windows writes "/s", "/p 1234" (two arguments), "/p:1234", "/c:1234" or
// nothing; users also write "-S" and the like. Anything else gets what no
// argument gets, the settings, as Windows' own screen savers answer it.
inline SaverTask savertask(int argc, const char *const *argv)
{
    if (argc < 2)
        return saversettings;
    const char *arg = argv[1];
    if ((arg[0] != '/' && arg[0] != '-') || arg[1] == '\0' || (arg[2] != '\0' && arg[2] != ':'))
        return saversettings;
    switch (arg[1]) {
    case 's':
    case 'S':
        return savershow;
    case 'p':
    case 'P':
        return saverpreview;
    default:
        return saversettings;
    }
}
