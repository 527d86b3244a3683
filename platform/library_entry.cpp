// The DLL entry routine: loading and unloading always succeed, and nothing
// else happens here. ELF libraries need no entry routine.
#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
#endif
