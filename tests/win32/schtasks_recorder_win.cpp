// Stands in for the Windows "schtasks" tool, under that name, in the test folder: the
// program must not pick it up there, and launched on purpose it writes the command line
// it was given to schtasks-args.txt (UTF-16) in its working folder.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int main()
{
    FILE *file = _wfopen(L"schtasks-args.txt.part", L"wb");
    if (!file)
        return 1;
    const wchar_t *commandLine = GetCommandLineW();
    std::fwrite(commandLine, sizeof(wchar_t), std::wcslen(commandLine), file);
    std::fclose(file);
    // Renamed when complete, so the reader never sees half a line.
    return MoveFileExW(L"schtasks-args.txt.part", L"schtasks-args.txt", MOVEFILE_REPLACE_EXISTING)
               ? 0
               : 1;
}
