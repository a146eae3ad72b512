#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

namespace yomika::testsupport {

/// Whether the test runs under Wine rather than Windows: Wine's code page
/// tables differ from Windows' in how they mark bytes they cannot map.
inline bool underWine()
{
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

} // namespace yomika::testsupport
