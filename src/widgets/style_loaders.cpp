#include "widgets/style_loaders.h"

#include <string_view>
#include <utility>

namespace sonrik::widgets {

namespace {

// The named accessors read fixed entries; keep them in step with the lists.
static_assert(std::string_view(StyleProbe::kFunctionNames[0]) == "OpenThemeData");
static_assert(std::string_view(StyleProbe::kFunctionNames[1]) == "DrawThemeBackground");
static_assert(std::string_view(StyleProbe::kFunctionNames[2]) == "CloseThemeData");
static_assert(std::string_view(StyleProbe::kFunctionNames[5]) ==
              "IsThemeBackgroundPartiallyTransparent");
static_assert(std::string_view(StyleProbe::kFunctionNames[6]) == "DrawThemeParentBackground");
static_assert(std::string_view(StyleLibrary::kFunctionNames[0]) == "OpenThemeData");
static_assert(std::string_view(StyleLibrary::kFunctionNames[1]) == "CloseThemeData");
static_assert(std::string_view(StyleLibrary::kFunctionNames[2]) == "DrawThemeBackground");
static_assert(std::string_view(StyleLibrary::kFunctionNames[3]) == "DrawThemeText");
static_assert(std::string_view(StyleLibrary::kFunctionNames[7]) == "GetThemeTextExtent");
static_assert(std::string_view(StyleLibrary::kFunctionNames[35]) == "IsThemeActive");
static_assert(std::string_view(StyleLibrary::kFunctionNames[36]) == "IsAppThemed");
static_assert(std::string_view(StyleLibrary::kFunctionNames[44]) == "DrawThemeParentBackground");

class PlatformModule final : public StyleModule {
public:
    explicit PlatformModule(platform::DynamicLibrary library) : library_(std::move(library)) {}
    void* resolve(const char* name) const override { return library_.symbol(name); }

private:
    platform::DynamicLibrary library_;
};

class PlatformSystem final : public StyleSystem {
public:
    platform::OsVersion osVersion() const override { return platform::CurrentOsVersion(); }

    std::unique_ptr<StyleModule> load(const char* name) override
    {
        auto library = platform::DynamicLibrary::loadSystem(name);
        if (!library.loaded()) return nullptr;
        return std::make_unique<PlatformModule>(std::move(library));
    }
};

template <std::size_t N>
void resolveAll(const StyleModule& module, const std::array<const char*, N>& names,
                std::array<void*, N>& functions)
{
    for (std::size_t i = 0; i < N; ++i) functions[i] = module.resolve(names[i]);
}

// The published signatures, with the opaque handle types (HRESULT and BOOL
// are 32 bits; RECT is four 32-bit integers, as Rect).
using OpenThemeFn = ThemeData(SONRIK_STYLEAPI*)(StyleWindow, const char16_t*);
using CloseThemeFn = std::int32_t(SONRIK_STYLEAPI*)(ThemeData);
using PartiallyTransparentFn = std::int32_t(SONRIK_STYLEAPI*)(ThemeData, int, int);
using DrawParentBackgroundFn = std::int32_t(SONRIK_STYLEAPI*)(StyleWindow, StyleDC, const Rect*);
using DrawBackgroundFn = std::int32_t(SONRIK_STYLEAPI*)(ThemeData, StyleDC, int, int, const Rect*, const Rect*);
static_assert(sizeof(Rect) == 4 * sizeof(std::int32_t));

template <typename Fn>
Fn As(void* address)
{
    return reinterpret_cast<Fn>(address);
}

}  // namespace

StyleSystem& PlatformStyleSystem()
{
    static PlatformSystem system;
    return system;
}

StyleProbe::StyleProbe(StyleSystem& system) : system_(system) { start(); }

void StyleProbe::CheckStylePlatform()
{
    const auto version = system_.osVersion();
    platformOk_ = version.platformId == platform::kPlatformWin32NT &&
                  version.build >= kFirstStyledBuild;
}

void StyleProbe::start()
{
    CheckStylePlatform();
    if (!platformOk_) return;
    module_ = system_.load(kLibraryName);
    if (!module_) return;
    // Only an active style is worth the other addresses; without one the
    // library stays loaded and nothing else is resolved.
    const auto isThemeActive = reinterpret_cast<ThemeQueryFn>(module_->resolve("IsThemeActive"));
    if (isThemeActive == nullptr || isThemeActive() == 0) return;
    stylesActive_ = true;
    resolveAll(*module_, kFunctionNames, functions_);
}

ThemeData StyleProbe::OpenTheme(const char16_t* classList) const
{
    const auto open = As<OpenThemeFn>(functions_[0]);
    return open ? open(0, classList) : 0;
}

void StyleProbe::CloseTheme(ThemeData theme) const
{
    if (const auto close = As<CloseThemeFn>(functions_[2])) close(theme);
}

bool StyleProbe::BackgroundPartiallyTransparent(ThemeData theme, int part, int state) const
{
    const auto query = As<PartiallyTransparentFn>(functions_[5]);
    return query && query(theme, part, state) != 0;
}

bool StyleProbe::DrawParentBackground(StyleWindow window, StyleDC dc, const Rect* rect) const
{
    const auto draw = As<DrawParentBackgroundFn>(functions_[6]);
    return draw && draw(window, dc, rect) == 0;
}

bool StyleProbe::DrawBackground(ThemeData theme, StyleDC dc, int part, int state, const Rect& rect,
                                const Rect* clip) const
{
    const auto draw = As<DrawBackgroundFn>(functions_[1]);
    return draw && draw(theme, dc, part, state, &rect, clip) == 0;
}

StyleLibrary::StyleLibrary(StyleSystem& system) : module_(system.load(kLibraryName))
{
    if (module_) resolveAll(*module_, kFunctionNames, functions_);
}

StyleLoaders::StyleLoaders(StyleSystem& system) : probe_(system), library_(system) {}

void StyleLoaders::unload() noexcept
{
    library_.release();
    probe_.release();
}

}  // namespace sonrik::widgets
