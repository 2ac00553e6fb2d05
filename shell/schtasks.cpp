#include "schtasks.h"

std::wstring schtasksCreateParameters(const std::wstring &taskName,
                                      const std::wstring &executablePath,
                                      const std::wstring &taskArgument)
{
    // Plain concatenation: a "%1" inside a value is never expanded again.
    return L"/create /tn \"" + taskName + L"\" /tr \"\\\"" + executablePath + L"\\\" " +
           taskArgument + L"\" /sc onlogon /rl highest";
}
