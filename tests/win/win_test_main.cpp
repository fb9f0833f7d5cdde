// main() for the Win32 test executables. Each one runs with a current
// user's registry of its own (a key that goes at the end), so that the
// choices one program saves are never read by another running beside it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    char name[64];
    std::snprintf(name, sizeof name, "Software\\Quorvex Client Tests\\%lu",
                  static_cast<unsigned long>(GetCurrentProcessId()));
    HKEY own = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &own,
                        nullptr) == ERROR_SUCCESS)
        RegOverridePredefKey(HKEY_CURRENT_USER, own);
    const int result = RUN_ALL_TESTS();
    if (own != nullptr) {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        RegDeleteTreeA(own, nullptr);
        RegCloseKey(own);
        RegDeleteKeyA(HKEY_CURRENT_USER, name);
    }
    return result;
}
