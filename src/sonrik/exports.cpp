// The functions the audio player calls. Sonrik.def gives them their
// undecorated names and fixed ordinals; they use the Windows calling
// convention. No C++ exception may unwind into the host, so every export is
// noexcept (an escaping error ends the process instead of corrupting the
// player's stack).
#include "widgets/style_loaders.h"

#include <windows.h>

namespace {

// Loaded with the module, in this order: the tab-page probe, then the library
// the group boxes draw with. Released again when the module is unloaded,
// before any editor window is destroyed.
sonrik::widgets::StyleLoaders styleLoaders;

// Static, NUL-terminated and valid while the module stays loaded: the host
// keeps the pointers.
constexpr char kModuleName[] = "Sonrik editor";
constexpr char kExtensions[] = "MP3;";  // each extension without dot, then ';'

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) noexcept
{
    if (reason == DLL_PROCESS_DETACH) styleLoaders.unload();
    return TRUE;
}

// The player reads only the low byte: a one-byte boolean.
bool WINAPI IsPlayListSupport() noexcept
{
    return true;
}

const char* WINAPI GetModuleName() noexcept
{
    return kModuleName;
}

const char* WINAPI GetExt() noexcept
{
    return kExtensions;
}

}  // extern "C"
