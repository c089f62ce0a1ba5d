// Run-time loaders of the platform's visual-style library ("WindowsXPLib" and
// "UxThemeRT"). The module never links the library: StyleProbe serves the
// single-file editor's tab pages and only loads it on an NT build that has
// visual styles; StyleLibrary serves the group box and loads it whenever it
// exists. Both keep the addresses of the functions their clients call; a
// function the library does not export stays null and its client draws the
// classic way.
#pragma once

#include "platform/platform.h"
#include "widgets/drawing.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

// The calling convention of the platform's published visual-style functions.
#ifdef _WIN32
#define SONRIK_STYLEAPI __stdcall
#else
#define SONRIK_STYLEAPI
#endif

namespace sonrik::widgets {

// BOOL WINAPI IsThemeActive(void), and IsAppThemed alike.
using ThemeQueryFn = int(SONRIK_STYLEAPI*)();

// The handles the style functions take, kept opaque so that no caller needs
// the platform's headers: theme data (HTHEME), a window (HWND) and a device
// context (HDC).
using ThemeData = std::uintptr_t;
using StyleWindow = std::uintptr_t;
using StyleDC = std::uintptr_t;

// A loaded library; it is released when the object goes.
class StyleModule {
public:
    virtual ~StyleModule() = default;
    // The address of an exported function, nullptr when it is not exported.
    virtual void* resolve(const char* name) const = 0;
};

// What the loaders ask of the system. Tests put in their own.
class StyleSystem {
public:
    virtual ~StyleSystem() = default;
    virtual platform::OsVersion osVersion() const = 0;
    // nullptr when the library cannot be loaded.
    virtual std::unique_ptr<StyleModule> load(const char* name) = 0;
};

// The running system: its version and its own library loader.
StyleSystem& PlatformStyleSystem();

// Loaded when the platform has visual styles; decides once, at start-up,
// whether a style is active.
class StyleProbe {
public:
    static constexpr const char* kLibraryName = "uxtheme.dll";
    // Resolved in this order once a style is found active.
    static constexpr std::array<const char*, 9> kFunctionNames{
        "OpenThemeData",       "DrawThemeBackground",
        "CloseThemeData",      "DrawThemeText",
        "GetThemePartSize",    "IsThemeBackgroundPartiallyTransparent",
        "DrawThemeParentBackground", "GetThemeTextMetrics",
        "DrawThemeIcon",
    };
    // First NT build with visual styles.
    static constexpr std::uint32_t kFirstStyledBuild = 2462;

    // Start-up: checks the platform, loads the library and asks it whether a
    // style is active.
    explicit StyleProbe(StyleSystem& system = PlatformStyleSystem());
    StyleProbe(const StyleProbe&) = delete;
    StyleProbe& operator=(const StyleProbe&) = delete;
    ~StyleProbe() = default;

    // Sets StylePlatformOk from the running system's family and build.
    void CheckStylePlatform();
    bool StylePlatformOk() const noexcept { return platformOk_; }
    bool StylesActive() const noexcept { return stylesActive_; }
    bool libraryLoaded() const noexcept { return module_ != nullptr; }

    // Releases the library, if loaded. Addresses and flags stay as they are.
    void release() noexcept { module_.reset(); }

    // Entry i of kFunctionNames; null when not resolved.
    void* function(std::size_t i) const { return functions_.at(i); }
    void* OpenThemeData() const noexcept { return functions_[0]; }
    void* DrawThemeBackground() const noexcept { return functions_[1]; }
    void* IsThemeBackgroundPartiallyTransparent() const noexcept { return functions_[5]; }
    void* DrawThemeParentBackground() const noexcept { return functions_[6]; }

    // Typed callers of the functions the single-file editor's pages use;
    // each does nothing (and gives 0 or false) when its address is null.
    // OpenThemeData for a class list (UTF-16, zero-terminated) and no window.
    ThemeData OpenTheme(const char16_t* classList) const;
    void CloseTheme(ThemeData theme) const;
    bool BackgroundPartiallyTransparent(ThemeData theme, int part, int state) const;
    // True when the function ran and reported success.
    bool DrawParentBackground(StyleWindow window, StyleDC dc, const Rect* rect) const;
    bool DrawBackground(ThemeData theme, StyleDC dc, int part, int state, const Rect& rect,
                        const Rect* clip) const;

private:
    void start();

    StyleSystem& system_;
    std::unique_ptr<StyleModule> module_;
    std::array<void*, kFunctionNames.size()> functions_{};
    bool platformOk_ = false;
    bool stylesActive_ = false;
};

// Loaded whenever the library exists; its client asks the library itself at
// every paint whether styles are in use.
class StyleLibrary {
public:
    static constexpr const char* kLibraryName = "UxTheme.dll";
    // Resolved in this order at start-up.
    static constexpr std::array<const char*, 46> kFunctionNames{
        "OpenThemeData", "CloseThemeData", "DrawThemeBackground", "DrawThemeText",
        "GetThemeBackgroundContentRect", "GetThemeBackgroundExtent", "GetThemePartSize",
        "GetThemeTextExtent", "GetThemeTextMetrics", "GetThemeBackgroundRegion",
        "HitTestThemeBackground", "DrawThemeEdge", "DrawThemeIcon", "IsThemePartDefined",
        "IsThemeBackgroundPartiallyTransparent", "GetThemeColor", "GetThemeMetric",
        "GetThemeString", "GetThemeInt", "GetThemeEnumValue", "GetThemePosition",
        "GetThemeFont", "GetThemeRect", "GetThemeMargins", "GetThemeIntList",
        "GetThemePropertyOrigin", "SetWindowTheme", "GetThemeFilename", "GetThemeSysColor",
        "GetThemeSysColorBrush", "GetThemeSysBool", "GetThemeSysSize", "GetThemeSysFont",
        "GetThemeSysString", "GetThemeSysInt", "IsThemeActive", "IsAppThemed",
        "GetWindowTheme", "EnableThemeDialogTexture", "IsThemeDialogTextureEnabled",
        "GetThemeAppProperties", "SetThemeAppProperties", "GetCurrentThemeName",
        "GetThemeDocumentationProperty", "DrawThemeParentBackground", "EnableTheming",
    };

    // Start-up: loads the library and resolves every name.
    explicit StyleLibrary(StyleSystem& system = PlatformStyleSystem());
    StyleLibrary(const StyleLibrary&) = delete;
    StyleLibrary& operator=(const StyleLibrary&) = delete;
    ~StyleLibrary() = default;

    bool StyleLibraryLoaded() const noexcept { return module_ != nullptr; }
    // Releases the library; StyleLibraryLoaded turns false, addresses stay.
    void release() noexcept { module_.reset(); }

    // Entry i of kFunctionNames; null when not resolved.
    void* function(std::size_t i) const { return functions_.at(i); }
    void* OpenThemeData() const noexcept { return functions_[0]; }
    void* CloseThemeData() const noexcept { return functions_[1]; }
    void* DrawThemeBackground() const noexcept { return functions_[2]; }
    void* DrawThemeText() const noexcept { return functions_[3]; }
    void* GetThemeTextExtent() const noexcept { return functions_[7]; }
    void* IsThemeActive() const noexcept { return functions_[35]; }
    void* IsAppThemed() const noexcept { return functions_[36]; }
    void* DrawThemeParentBackground() const noexcept { return functions_[44]; }

private:
    std::unique_ptr<StyleModule> module_;
    std::array<void*, kFunctionNames.size()> functions_{};
};

// The module's two loaders: started in this order when the module is loaded,
// released in the reverse order when it is unloaded, before any editor window
// is destroyed. The objects outlive the release so that controls destroyed
// later still see StyleLibraryLoaded() turn false.
class StyleLoaders {
public:
    explicit StyleLoaders(StyleSystem& system = PlatformStyleSystem());
    StyleLoaders(const StyleLoaders&) = delete;
    StyleLoaders& operator=(const StyleLoaders&) = delete;
    ~StyleLoaders() { unload(); }

    void unload() noexcept;

    StyleProbe& probe() noexcept { return probe_; }
    const StyleProbe& probe() const noexcept { return probe_; }
    StyleLibrary& library() noexcept { return library_; }
    const StyleLibrary& library() const noexcept { return library_; }

private:
    StyleProbe probe_;
    StyleLibrary library_;
};

}  // namespace sonrik::widgets
