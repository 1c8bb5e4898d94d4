#include "gui/win32/rich_edit_win32.h"

#include <windows.h>
#include <richedit.h>

#include "gui/gui_state.h"
#include "values/low_memory.h"

namespace tolven {

namespace {

DWORD CALLBACK read_from_file(DWORD_PTR file, LPBYTE buffer, LONG wanted, LONG* got) {
    DWORD n = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(file), buffer, static_cast<DWORD>(wanted), &n, nullptr))
        return 1;
    *got = static_cast<LONG>(n);
    return 0;
}

DWORD CALLBACK write_to_file(DWORD_PTR file, LPBYTE buffer, LONG given, LONG* written) {
    DWORD n = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(file), buffer, static_cast<DWORD>(given), &n, nullptr))
        return 1;
    *written = static_cast<LONG>(n);
    return 0;
}

// Whether a program-given file name can be read up to its terminating zero.
bool readable_name(const char* name) {
    const auto address = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(name));
    if (reinterpret_cast<uintptr_t>(name) != address) return false;
    for (uint32_t k = 0; k < MAX_PATH; ++k) {
        if (!memory_readable(address + k, 1)) return false;
        if (name[k] == '\0') return true;
    }
    return false;
}

DWORD stream_file(HWND h, const char* name, bool save, WPARAM format) {
    // The stream callbacks run in this process: a control of another
    // process cannot call them.
    DWORD process = 0;
    if (!IsWindow(h) || !GetWindowThreadProcessId(h, &process) ||
        process != GetCurrentProcessId() || SendMessageA(h, EM_GETOPTIONS, 0, 0) == 0 ||
        !readable_name(name))
        return ERROR_INVALID_PARAMETER;
    HANDLE file = save ? CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                     CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                       : CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file);
    stream.pfnCallback = save ? write_to_file : read_from_file;
    // A stale code from before must not pass for a failure of the stream:
    // an empty file loaded or an empty control saved is a success.
    SetLastError(ERROR_SUCCESS);
    const LRESULT count = SendMessageA(h, save ? EM_STREAMOUT : EM_STREAMIN, format,
                                       reinterpret_cast<LPARAM>(&stream));
    const DWORD error = GetLastError();
    CloseHandle(file);
    if (count > 0 || (stream.dwError == 0 && error == ERROR_SUCCESS)) {
        SendMessageA(h, EM_SETMODIFY, 0, 0);
        return ERROR_SUCCESS;
    }
    if (error != ERROR_SUCCESS) return error;
    return save ? ERROR_WRITE_FAULT : ERROR_READ_FAULT;
}

DWORD WINAPI load_rich_text(HWND h, const char* name) { return stream_file(h, name, false, SF_RTF); }
DWORD WINAPI save_rich_text(HWND h, const char* name) { return stream_file(h, name, true, SF_RTF); }
DWORD WINAPI load_plain_text(HWND h, const char* name) { return stream_file(h, name, false, SF_TEXT); }
DWORD WINAPI save_plain_text(HWND h, const char* name) { return stream_file(h, name, true, SF_TEXT); }

}  // namespace

void publish_rich_edit_procedures() {
    const void* procedures[4] = {
        reinterpret_cast<const void*>(&load_rich_text),
        reinterpret_cast<const void*>(&save_rich_text),
        reinterpret_cast<const void*>(&load_plain_text),
        reinterpret_cast<const void*>(&save_plain_text),
    };
    for (int k = 0; k < 4; ++k) gui_state.rich_edit_procedures[k] = pointer_address(procedures[k]);
}

}  // namespace tolven
