/* The platform's own cost of the drawing benchmark: the same GDI calls the
 * runtime makes for one statement (on the window and on its off-screen
 * image), without an interpreter. Prints the seconds for N operations.
 *
 *     gdi_bench.exe line|rect|copy N
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static LRESULT CALLBACK proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(h, m, wp, lp);
}

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const char* what = argv[1];
    const long n = atol(argv[2]);
    WNDCLASSA wc = {0};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = "GDIBENCH";
    RegisterClassA(&wc);
    HWND w = CreateWindowA("GDIBENCH", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, NULL, NULL,
                           wc.hInstance, NULL);
    ShowWindow(w, SW_SHOWNORMAL);
    HDC window = GetDC(w);
    HDC image = CreateCompatibleDC(window);
    HBITMAP screen = CreateCompatibleBitmap(window, GetSystemMetrics(SM_CXSCREEN),
                                            GetSystemMetrics(SM_CYSCREEN));
    SelectObject(image, screen);
    HDC source = CreateCompatibleDC(window);
    HBITMAP tile = CreateCompatibleBitmap(window, 64, 64);
    SelectObject(source, tile);
    PatBlt(source, 0, 0, 64, 64, WHITENESS);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 255));
    HDC both[2] = {window, image};
    for (int k = 0; k < 2; ++k) {
        SelectObject(both[k], red);
        SelectObject(both[k], pen);
    }
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);

    DWORD last_tick = 0;
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    for (long i = 0; i < n; ++i) {
        /* Messages are let through as the runtime does: every 21 lines,
         * when the tick count moved on since the last time. */
        if (i % 21 == 0 && GetTickCount() != last_tick) {
            last_tick = GetTickCount();
            while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        }
        for (int k = 0; k < 2; ++k) {
            HDC dc = both[k];
            if (!strcmp(what, "line")) {
                MoveToEx(dc, 10, 10, NULL);
                LineTo(dc, 300, 200);
            } else if (!strcmp(what, "rect")) {
                Rectangle(dc, 10, 10, 110, 110);
            } else {
                BitBlt(dc, 100, 100, 64, 64, source, 0, 0, SRCCOPY);
            }
        }
    }
    GdiFlush();
    QueryPerformanceCounter(&t1);
    printf("%.6f\n", (double)(t1.QuadPart - t0.QuadPart) / (double)f.QuadPart);
    return 0;
}
