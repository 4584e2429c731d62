// The DLL's own entry point: the library wants no per-thread notices, so it
// turns them off once when a process attaches it.  It does nothing else.
#include <windows.h>

// The loader's name for it; no header declares it.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
