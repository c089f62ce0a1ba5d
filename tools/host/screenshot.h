// A picture of a window (or the whole screen) as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <string>

namespace host {

// Reads the window's pixels from the screen (null: the whole screen) and
// writes them to `path`. Throws HostError.
void CaptureToBmp(HWND window, const std::string& path);

}  // namespace host
