// Must not compile: the Windows compile check builds this first and stops if it
// passes, since a check that lets this through would let real mistakes through too.
// GetModuleFileNameW takes three arguments, and FARPROC does not convert to a
// function of ours without a cast.
#include <windows.h>

using InitFn = int (*)(int);

void canary()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path);
    InitFn init = GetProcAddress(GetModuleHandleW(nullptr), MAKEINTRESOURCEA(411));
    (void)init;
}
