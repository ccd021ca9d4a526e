// SPDX-License-Identifier: MIT
// A failed start's line, kept where the user finds it and shown in a box:
// flyover.exe's (failedstart.cpp) and flyover.scr's own, the same way.
#pragma once

// Sends standard error, from now on, to stderr.txt in folder (a path that
// ends in a backslash, or nullptr for none) where that file can be
// written, else to %LOCALAPPDATA%\flyover\stderr.txt, else to a temporary
// file; false where none can be.
bool keepfailure(const wchar_t *folder);

// Shows the last line written there in a box titled "flyover"; where
// nothing was, removes the file that keepfailure made outside folder.
void showfailure();
