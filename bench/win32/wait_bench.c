/* How quickly a waiting TOLVEN program notices a menu command, and what it
 * costs while it waits (bench/wait_bench.py).
 *
 *   wait_bench RUNTIME PROGRAM COUNT IDLE_MS
 *
 * Starts RUNTIME with PROGRAM, which tells this program its main window
 * (message 1024) and then loops: WAITEVENT, and message 1025 back with the
 * last command. COUNT times this program posts the command 7 to the main
 * window, as a menu choice does, and times the answer. Then it lets the
 * program wait IDLE_MS milliseconds without input ("idle PID" is printed
 * when that starts, "done" when it ends) and ends it with the command 9.
 * Prints "round_trip_us MEDIAN WORST LOST" first (LOST: commands sent again).
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static int by_value(const void* a, const void* b) {
    const double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

/* The next message 1025 with this wParam, or 0 after `ms` milliseconds. */
static int answer(WPARAM expected, DWORD ms) {
    const DWORD until = GetTickCount() + ms;
    MSG m;
    for (;;) {
        while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
            if (m.message == 1025 && m.wParam == expected) return 1;
            DispatchMessageA(&m);
        }
        if ((LONG)(GetTickCount() - until) > 0) return 0;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
    }
}

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    const int count = atoi(argv[3]);
    const DWORD idle_ms = (DWORD)atoi(argv[4]);
    HWND me = CreateWindowA("STATIC", "wait_bench", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    if (!me || count <= 0) return 2;

    /* The program reads where to answer from a file. */
    FILE* f = fopen("WAIT_PEER.TXT", "w");
    if (!f) return 2;
    fprintf(f, "%lu\n", (unsigned long)(uintptr_t)me);
    fclose(f);

    char command[1024];
    snprintf(command, sizeof command, "\"%s\" %s", argv[1], argv[2]);
    STARTUPINFOA si;
    ZeroMemory(&si, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) return 3;

    HWND runtime = NULL;
    {
        const DWORD until = GetTickCount() + 20000;
        MSG m;
        while (!runtime && (LONG)(GetTickCount() - until) < 0) {
            if (PeekMessageA(&m, NULL, 1024, 1024, PM_REMOVE)) runtime = (HWND)m.wParam;
            else MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        }
    }
    if (!runtime) return 4;

    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);
    double* us = (double*)malloc(sizeof(double) * (size_t)count);
    int lost = 0;
    for (int i = 0; i < count; ++i) {
        /* A wait starts by clearing what it waits for: a command that
         * arrives before the program is back in WAITEVENT is lost, as for
         * a user. The program gets a moment to get there; a command lost
         * all the same is sent again and that try does not count. */
        Sleep(3);
        for (;;) {
            QueryPerformanceCounter(&t0);
            PostMessageA(runtime, WM_COMMAND, 7, 0);
            if (answer(7, 1000)) break;
            if (++lost > 50) return 5;
        }
        QueryPerformanceCounter(&t1);
        us[i] = (double)(t1.QuadPart - t0.QuadPart) * 1e6 / (double)freq.QuadPart;
    }
    qsort(us, (size_t)count, sizeof us[0], by_value);
    printf("round_trip_us %.1f %.1f %d\n", us[count / 2], us[count - 1], lost);

    printf("idle %lu\n", (unsigned long)pi.dwProcessId);
    fflush(stdout);
    Sleep(idle_ms);
    printf("done\n");
    fflush(stdout);

    PostMessageA(runtime, WM_COMMAND, 9, 0);
    WaitForSingleObject(pi.hProcess, 10000);
    return 0;
}
