// SPDX-License-Identifier: MIT
// The Windows edition's edge: a failed start the user sees.
//
// A failed start writes one line on standard error and ends with status 1.
// SDL's entry code sends standard error to stderr.txt beside the program,
// and nothing to the screen: a user who double-clicks an installed flyover
// (in Program Files, where users may not write) on a machine without an
// OpenGL driver sees nothing happen at all. So, before SDL starts, standard
// error goes to stderr.txt beside the program where that file can be
// written, else to %LOCALAPPDATA%\flyover\stderr.txt, either started afresh
// at each run; and when the program ends having written there (only a
// failed start does), a message box titled "flyover" shows the last line.
// Where neither can be written, a temporary file that goes with the program
// holds the line for the box.
//
// flyover.scr closes the box on the user's first input, as it closes the
// demo's window, so an unattended screen saver never leaves it waiting.
#include "failedstart.h"
#include "platform.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

constexpr DWORD pathsize = MAX_PATH + 32; // a folder's path, with room for a name
constexpr int linesize = 1024;            // the longest line the box shows

static wchar_t errorpath[pathsize]; // where standard error goes, when SDL does not clean it up
static bool removeifempty;          // errorpath is ours to remove after a good run

static bool infolder(const wchar_t *folder, wchar_t (&path)[pathsize])
{
    if (folder == nullptr || wcslen(folder) >= MAX_PATH)
        return false;
    swprintf(path, pathsize, L"%lsstderr.txt", folder);
    return _wfreopen(path, L"w+", stderr) != nullptr;
}

static bool inlocalappdata(wchar_t (&path)[pathsize])
{
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    wcscat(path, L"\\flyover");
    CreateDirectoryW(path, nullptr); // there already, most times
    wcscat(path, L"\\stderr.txt");
    return _wfreopen(path, L"w+", stderr) != nullptr;
}

// "D": deleted when closed, at the end of the program.
static bool intemporary(wchar_t (&path)[pathsize])
{
    wchar_t folder[pathsize];
    DWORD length = GetTempPathW(MAX_PATH, folder);
    return length > 0 && length < MAX_PATH && GetTempFileNameW(folder, L"fly", 0, path) != 0 &&
           _wfreopen(path, L"w+D", stderr) != nullptr;
}

bool keepfailure(const wchar_t *folder)
{
    removeifempty = false;
    if (infolder(folder, errorpath))
        return true;
    removeifempty = inlocalappdata(errorpath);
    return removeifempty || intemporary(errorpath);
}

// flyover.exe runs it at exit, before SDL's own clean-up (which closes
// standard error and removes an empty stderr.txt beside the program).
void showfailure()
{
    char line[linesize] = "";
    char read[linesize];
    fflush(stderr);
    rewind(stderr);
    while (fgets(read, sizeof read, stderr) != nullptr)
        if (read[0] != '\n' && read[0] != '\r')
            strcpy(line, read);
    line[strcspn(line, "\r\n")] = '\0';
    if (line[0] == '\0') {
        if (removeifempty && _wfreopen(L"NUL", L"w", stderr) != nullptr)
            DeleteFileW(errorpath);
        return;
    }
    wchar_t text[linesize];
    if (MultiByteToWideChar(CP_ACP, 0, line, -1, text, linesize) == 0)
        wcscpy(text, L"flyover could not start.");
    MessageBoxW(nullptr, text, L"flyover", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

void hostwindow()
{
    wchar_t folder[pathsize];
    DWORD length = GetModuleFileNameW(nullptr, folder, MAX_PATH);
    wchar_t *name = length > 0 && length < MAX_PATH ? wcsrchr(folder, L'\\') : nullptr;
    if (name != nullptr)
        name[1] = L'\0';
    if (keepfailure(name != nullptr ? folder : nullptr))
        atexit(showfailure); // where the line cannot be kept, no box either
}

void fillscreen() {}

void nodecorations() {}
