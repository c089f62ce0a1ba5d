#include "screenshot.h"

#include "plugin_host/list_file.h"
#include "plugin_host/plugin.h"

#include <vector>

namespace host {

namespace {

struct ScreenDc {
    HDC dc = GetDC(nullptr);
    ~ScreenDc() { ReleaseDC(nullptr, dc); }
};
struct MemoryDc {
    HDC dc;
    explicit MemoryDc(HDC like) : dc(CreateCompatibleDC(like)) {}
    ~MemoryDc() { DeleteDC(dc); }
};
struct Bitmap {
    HBITMAP bitmap;
    Bitmap(HDC like, int width, int height) : bitmap(CreateCompatibleBitmap(like, width, height)) {}
    ~Bitmap() { DeleteObject(bitmap); }
};

}  // namespace

void CaptureToBmp(HWND window, const std::string& path)
{
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window) GetWindowRect(window, &area);
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) throw HostError("nothing to capture: the window has no size");

    const ScreenDc screen;
    const MemoryDc memory(screen.dc);
    const Bitmap bitmap(screen.dc, width, height);
    if (!memory.dc || !bitmap.bitmap) throw HostError("cannot make a bitmap for the screenshot");
    const HGDIOBJ old = SelectObject(memory.dc, bitmap.bitmap);
    const BOOL copied = BitBlt(memory.dc, 0, 0, width, height, screen.dc, area.left, area.top, SRCCOPY);
    SelectObject(memory.dc, old);
    if (!copied) throw HostError("cannot read the screen");

    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;  // bottom-up, as BMP files store rows
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<char> pixels(static_cast<std::size_t>(stride) * height);
    if (!GetDIBits(memory.dc, bitmap.bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS))
        throw HostError("cannot read the screenshot's pixels");

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string content(reinterpret_cast<const char*>(&file), sizeof file);
    info.biSizeImage = static_cast<DWORD>(pixels.size());
    content.append(reinterpret_cast<const char*>(&info), sizeof info);
    content.append(pixels.data(), pixels.size());
    WriteFileReplacing(path, content);
}

}  // namespace host
