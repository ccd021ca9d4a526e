// SPDX-License-Identifier: MIT
// flyover.scr, the screen saver Windows runs: a small launcher of its own
// beside flyover.exe. Windows tells a saver what to do by its arguments, and
// expects it to end itself on the user's first input; flyover.exe reads no
// options and ends only on Escape or a close request. So the launcher starts
// flyover.exe, watches the session's keys and mouse through low-level hooks,
// and on input asks flyover's window to close, as a close button does:
// flyover ends with status 0, which the launcher passes on as its own.
// It follows flyover's windows until flyover ends, not only the first: a
// window that SDL shows and takes away when a mode cannot be set is followed
// by the box of the failed start (failedstart.cpp), which input closes too.
// The launcher's own errors are kept and shown as flyover's are, in a box
// that it closes the same way, or by itself after a while, so that an
// unattended saver never waits on a box.
//
// Hooks, rather than polling the pointer: flyover's SDL brings the hidden
// pointer back to the middle of the screen after every move, so only the
// move itself tells how far the mouse went.
//
// flyover's window covers one monitor, which the launcher asks Windows for by
// the window (both programs declare per-monitor DPI awareness in their
// manifests, so neither sees coordinates scaled for it). The launcher covers
// each of the others with a black window of its own, so that no desktop
// stays in view while the saver runs. The covers come only once flyover's
// window fills its monitor: a topmost window that comes earlier keeps SDL's window from
// taking its mode (under Wine it stayed 160 x 24). They never take the
// activation from flyover, have no taskbar button, and follow the monitors
// as they move (the demo's mode switch moves the ones beside its own),
// looked at every poll.
#include "failedstart.h"
#include "saverargs.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

constexpr DWORD pollms = 100; // how often the launcher looks for flyover's window
// Input counts only from this long after flyover's window appears: as it
// appears, Wine reports a move of the pointer from wherever it last knew it
// to where it is (seen 0 to 80 ms after the window, on a loaded machine),
// and a real screen may take a moment to switch to the demo's mode.
constexpr DWORD gracems = 2000;
// How far the pointer must travel, summed over both axes, to end the saver:
// a nudged mouse goes tens of pixels, a bumped desk or a noisy sensor one
// or two; Windows itself takes 4 pixels each way (its default drag box) for
// a move that is meant. A pause of pausems starts the count again, so that
// rare one-pixel twitches never add up.
constexpr LONG movepixels = 8;
constexpr DWORD pausems = 1000;
// How long the launcher's own error box waits for the user before it
// closes by itself: nobody may be there to read it.
constexpr DWORD boxms = 10000;

static HWND flyoverwindow; // the visible window followed, while there is one
static bool userinput;     // set by the hooks
static LONG travelled;     // pixels the pointer moved since its last pause
static DWORD lastmove;     // when it last moved, in the input's own clock

static BOOL CALLBACK findwindow(HWND window, LPARAM process)
{
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != DWORD(process) || !IsWindowVisible(window))
        return TRUE;
    flyoverwindow = window;
    return FALSE;
}

// A button or wheel ends the saver, and so does a long enough move. The hook
// runs before the pointer moves, so the pointer's position is where it was.
static LRESULT CALLBACK onmouse(int code, WPARAM message, LPARAM data)
{
    // What Windows hands a low-level mouse hook, as its API does, in an integer.
    const auto *mouse =
        reinterpret_cast<const MSLLHOOKSTRUCT *>(data); // NOLINT(performance-no-int-to-ptr)
    POINT was;
    if (code == HC_ACTION && message != WM_MOUSEMOVE) {
        userinput = true;
    } else if (code == HC_ACTION && GetCursorPos(&was)) {
        if (mouse->time - lastmove > pausems)
            travelled = 0;
        lastmove = mouse->time;
        travelled += labs(mouse->pt.x - was.x) + labs(mouse->pt.y - was.y);
        userinput = userinput || travelled > movepixels;
    }
    return CallNextHookEx(nullptr, code, message, data);
}

// Any key pressed ends the saver; one let go, held since before, does not.
static LRESULT CALLBACK onkey(int code, WPARAM message, LPARAM data)
{
    if (code == HC_ACTION && (message == WM_KEYDOWN || message == WM_SYSKEYDOWN))
        userinput = true;
    return CallNextHookEx(nullptr, code, message, data);
}

constexpr int maxmonitors = 16;
constexpr const wchar_t *coverclass = L"flyover cover";
static RECT monitors[maxmonitors]; // the monitors, as last listed
static HMONITOR handles[maxmonitors];
static int monitorcount;
static HWND covers[maxmonitors]; // black windows over the monitors but flyover's

static BOOL CALLBACK listmonitor(HMONITOR monitor, HDC /*context*/, LPRECT rect, LPARAM /*data*/)
{
    if (monitorcount < maxmonitors) {
        handles[monitorcount] = monitor;
        monitors[monitorcount++] = *rect;
    }
    return TRUE;
}

static bool registercover(HINSTANCE self)
{
    WNDCLASSW black = {};
    black.lpfnWndProc = DefWindowProcW;
    black.hInstance = self;
    black.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    black.lpszClassName = coverclass;
    return RegisterClassW(&black) != 0;
}

// Once flyover's window fills a monitor, puts a cover on every other one,
// where it is now; the covers of monitors gone go.
static void cover(HINSTANCE self)
{
    RECT shown;
    RECT common;
    MONITORINFO own = {};
    own.cbSize = sizeof own;
    HMONITOR flyovers = MonitorFromWindow(flyoverwindow, MONITOR_DEFAULTTONULL);
    monitorcount = 0;
    if (flyovers == nullptr || !GetMonitorInfoW(flyovers, &own) ||
        !GetWindowRect(flyoverwindow, &shown) ||
        !EnumDisplayMonitors(nullptr, nullptr, listmonitor, 0))
        return;
    const bool full = IntersectRect(&common, &shown, &own.rcMonitor) != 0 &&
                      EqualRect(&common, &own.rcMonitor) != 0;
    for (int i = 0; full && i < maxmonitors; i++) {
        const RECT &m = monitors[i];
        RECT now;
        if (i >= monitorcount || handles[i] == flyovers) {
            if (covers[i] != nullptr)
                DestroyWindow(covers[i]);
            covers[i] = nullptr;
        } else if (covers[i] == nullptr) {
            covers[i] = CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
                                        coverclass, L"", WS_POPUP, m.left, m.top, m.right - m.left,
                                        m.bottom - m.top, nullptr, nullptr, self, nullptr);
            ShowWindow(covers[i], SW_SHOWNOACTIVATE);
        } else if (GetWindowRect(covers[i], &now) && !EqualRect(&now, &m)) {
            SetWindowPos(covers[i], HWND_TOPMOST, m.left, m.top, m.right - m.left, m.bottom - m.top,
                         SWP_NOACTIVATE);
        }
    }
}

static void uncover()
{
    for (HWND &window : covers) {
        if (window != nullptr)
            DestroyWindow(window);
        window = nullptr;
    }
}

// Follows the visible windows of a process, one at a time, until ends is
// signalled. Input, from gracems after a window appears, asks it to close;
// once the user has asked, every window that comes after is asked at once.
// After limit ms the window is asked as if the user had come back.
static void follow(HANDLE ends, DWORD process, DWORD limit)
{
    // The hooks are called from this thread's message loop.
    HINSTANCE self = GetModuleHandleW(nullptr);
    SetWindowsHookExW(WH_MOUSE_LL, onmouse, self, 0);
    SetWindowsHookExW(WH_KEYBOARD_LL, onkey, self, 0);
    const bool covering = registercover(self);
    const DWORD started = GetTickCount();
    DWORD shownat = 0;
    HWND closed = nullptr; // the window last asked to close, once one was
    DWORD woke = WAIT_TIMEOUT;
    while (woke == WAIT_TIMEOUT || woke == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&message);
        userinput = userinput || (limit != INFINITE && GetTickCount() - started >= limit);
        if (!IsWindowVisible(flyoverwindow)) { // none yet, or gone
            flyoverwindow = nullptr;
            EnumWindows(findwindow, LPARAM(process));
            shownat = GetTickCount();
        } else if (closed == nullptr && GetTickCount() - shownat < gracems) {
            userinput = false;
            travelled = 0;
        } else if (userinput && flyoverwindow != closed &&
                   PostMessageW(flyoverwindow, WM_CLOSE, 0, 0)) {
            closed = flyoverwindow;
        }
        if (flyoverwindow != nullptr && covering)
            cover(self);
        woke = MsgWaitForMultipleObjects(1, &ends, FALSE, pollms, QS_ALLINPUT);
    }
    uncover();
}

static DWORD WINAPI showbox(void * /*unused*/)
{
    showfailure();
    return 0;
}

// An error of the launcher's own: its line goes where flyover.exe keeps
// that of a failed start, in folder, where the launcher looked for it; the
// box that shows it is followed as flyover's windows are. Status 1.
static int fail(const wchar_t *folder, const wchar_t *text)
{
    char line[2048];
    if (keepfailure(folder) &&
        WideCharToMultiByte(CP_ACP, 0, text, -1, line, int(sizeof line), nullptr, nullptr) > 0) {
        fprintf(stderr, "%s\n", line);
        HANDLE box = CreateThread(nullptr, 0, showbox, nullptr, 0, nullptr);
        if (box != nullptr) {
            follow(box, GetCurrentProcessId(), boxms);
            CloseHandle(box);
        }
    }
    return 1;
}

// An error of the launcher's own, what it did and why, as Windows words the
// reason of GetLastError().
static int failwith(const wchar_t *folder, const wchar_t *what, DWORD code)
{
    wchar_t reason[512];
    wchar_t text[1024];
    if (FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                       reason, 512, nullptr) == 0)
        swprintf(reason, 512, L"error %lu", code);
    reason[wcscspn(reason, L"\r\n")] = L'\0';
    swprintf(text, 1024, L"%ls: %ls", what, reason);
    return fail(folder, text);
}

constexpr DWORD pathsize = MAX_PATH + 16; // a folder's path, with room for a name

// Puts the folder that holds flyover.exe, with a closing backslash, in
// folder: the launcher's own, as the zip has them, or else the folder that
// the installer names in the registry (it puts flyover.scr in system32,
// where Windows' screen saver settings look). Where it finds none, folder
// is the launcher's own, or empty.
static bool findflyover(wchar_t (&folder)[pathsize])
{
    wchar_t installed[pathsize];
    DWORD size = sizeof installed;
    DWORD length = GetModuleFileNameW(nullptr, folder, MAX_PATH);
    wchar_t *name = length > 0 && length < MAX_PATH ? wcsrchr(folder, L'\\') : nullptr;
    if (name == nullptr) {
        folder[0] = L'\0';
    } else {
        wcscpy(name + 1, L"flyover.exe");
        bool beside = GetFileAttributesW(folder) != INVALID_FILE_ATTRIBUTES;
        name[1] = L'\0';
        if (beside)
            return true;
    }
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"Software\\flyover", L"InstallDir", RRF_RT_REG_SZ,
                     nullptr, installed, &size) != ERROR_SUCCESS ||
        wcslen(installed) == 0 || installed[wcslen(installed) - 1] != L'\\')
        return false;
    wcscpy(folder, installed);
    return true;
}

// Runs flyover.exe until it ends; returns its status.
static int show()
{
    wchar_t folder[pathsize];
    wchar_t commandline[pathsize + 2];
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION flyover = {};
    if (!findflyover(folder) ||
        swprintf(commandline, pathsize + 2, L"\"%lsflyover.exe\"", folder) < 0)
        return fail(folder[0] != L'\0' ? folder : nullptr,
                    L"flyover.exe was found neither beside flyover.scr nor where flyover was "
                    L"installed: keep them, and SDL.dll, in one folder, or install flyover again.");
    if (!CreateProcessW(nullptr, commandline, nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                        &flyover)) {
        const DWORD code = GetLastError();
        wchar_t what[pathsize + 32];
        swprintf(what, pathsize + 32, L"%lsflyover.exe could not be started", folder);
        return failwith(folder, what, code);
    }
    follow(flyover.hProcess, flyover.dwProcessId, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(flyover.hProcess, &status);
    CloseHandle(flyover.hThread);
    CloseHandle(flyover.hProcess);
    return int(status);
}

int main(int argc, char *argv[])
{
    switch (savertask(argc, argv)) {
    case savershow:
        return show();
    case saverpreview:
        // No live picture in Windows' small preview: flyover's OpenGL
        // window cannot be put inside another program's window.
        return 0;
    case saversettings:
        break;
    }
    MessageBoxW(nullptr,
                L"flyover has no settings.\n\nIt flies over a new random city each time it "
                L"starts; any key, click or move of the mouse ends it.",
                L"flyover", MB_OK | MB_ICONINFORMATION);
    return 0;
}
