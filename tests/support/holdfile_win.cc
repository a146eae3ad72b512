// A helper for the file tests on Windows: opens the file named by its one
// argument with share mode 0, so that every other open of it fails with a
// sharing violation, says "held" on its standard output, and keeps the file
// until its standard input closes. Exit status 0 after holding the file, 1
// when it could not be opened, 2 for a wrong command line.

#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    WriteFile(out, "held\n", 5, &written, nullptr);
    char byte;
    DWORD got = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), &byte, 1, &got, nullptr) && got > 0) {
    }
    CloseHandle(file);
    return 0;
}
