#include "widgets/style_loaders.h"

#include <string_view>
#include <utility>

namespace sonrik::widgets {

namespace {

// The named accessors read fixed entries; keep them in step with the lists.
static_assert(std::string_view(StyleProbe::kFunctionNames[0]) == "OpenThemeData");
static_assert(std::string_view(StyleProbe::kFunctionNames[1]) == "DrawThemeBackground");
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
        auto library = platform::DynamicLibrary::load(name);
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
