// The functions the audio player calls. Sonrik.def gives them their
// undecorated names and fixed ordinals; they use the Windows calling
// convention. No C++ exception may unwind into the host, so every export is
// noexcept (an escaping error ends the process instead of corrupting the
// player's stack).
#include <windows.h>

namespace {

// Static, NUL-terminated and valid while the module stays loaded: the host
// keeps the pointers.
constexpr char kModuleName[] = "Sonrik editor";
constexpr char kExtensions[] = "MP3;";  // each extension without dot, then ';'

}  // namespace

extern "C" {

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
