// The application the setup tests install: a windowless program that notes where it runs and
// what it got (SETUP_TEST_APP_RECORD names the file), and stays a while when asked
// (SETUP_TEST_APP_STAY, milliseconds), holding a mutex meanwhile when named (SETUP_TEST_APP_MUTEX).
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t value[MAX_PATH * 2];
    if (::GetEnvironmentVariableW(L"SETUP_TEST_APP_RECORD", value, MAX_PATH * 2)) {
        wchar_t folder[MAX_PATH * 2];
        ::GetCurrentDirectoryW(MAX_PATH * 2, folder);
        const std::wstring line = std::wstring(folder) + L"|" + ::GetCommandLineW() + L"\n";
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string bytes(size > 0 ? size - 1 : 0, '\0');
        ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), size, nullptr, nullptr);
        HANDLE file = ::CreateFileW(value, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                                    nullptr);
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    wchar_t mutex[MAX_PATH];
    HANDLE held = ::GetEnvironmentVariableW(L"SETUP_TEST_APP_MUTEX", mutex, MAX_PATH) ? ::CreateMutexW(nullptr, TRUE, mutex)
                                                                                     : nullptr;
    if (::GetEnvironmentVariableW(L"SETUP_TEST_APP_STAY", value, MAX_PATH * 2)) ::Sleep(_wtoi(value));
    if (held) ::CloseHandle(held);
    return 0;
}
