// Stands in for the Windows "schtasks" tool, under that name, in the test folder: the
// program must not pick it up there, and launched on purpose it writes the command line
// it was given to schtasks-args.txt (UTF-16) in its working folder. Installed as the
// system's own tool in a throw-away Wine prefix, with SCHTASKS_RECORD naming a file, it
// appends each command line to that file instead, one UTF-8 line per call.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

int appendRecord(const wchar_t *recordPath, const wchar_t *commandLine)
{
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return 1;
    std::string line(size_t(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, commandLine, -1, &line[0], length, nullptr, nullptr);
    line.back() = '\n';
    FILE *file = _wfopen(recordPath, L"ab");
    if (!file)
        return 1;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
    return 0;
}

} // namespace

int main()
{
    const wchar_t *commandLine = GetCommandLineW();
    wchar_t recordPath[MAX_PATH] = {};
    const DWORD recordLength = GetEnvironmentVariableW(L"SCHTASKS_RECORD", recordPath, MAX_PATH);
    if (recordLength > 0 && recordLength < MAX_PATH)
        return appendRecord(recordPath, commandLine);

    FILE *file = _wfopen(L"schtasks-args.txt.part", L"wb");
    if (!file)
        return 1;
    std::fwrite(commandLine, sizeof(wchar_t), std::wcslen(commandLine), file);
    std::fclose(file);
    // Renamed when complete, so the reader never sees half a line.
    return MoveFileExW(L"schtasks-args.txt.part", L"schtasks-args.txt", MOVEFILE_REPLACE_EXISTING)
               ? 0
               : 1;
}
