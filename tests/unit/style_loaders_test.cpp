// The two visual-style loaders' decisions, over a simulated system whose
// version, library and exports each test chooses; and once over the real one.
#include "widgets/style_loaders.h"
#include "widgets/xpgroupbox_logic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using sonrik::platform::OsVersion;
using sonrik::widgets::GroupBoxCanStyle;
using sonrik::widgets::StyleLibrary;
using sonrik::widgets::StyleLoaders;
using sonrik::widgets::StyleModule;
using sonrik::widgets::StyleProbe;
using sonrik::widgets::StyleSystem;

int SONRIK_STYLEAPI themeActive() { return 1; }
int SONRIK_STYLEAPI themeInactive() { return 0; }

// Stand-ins for the addresses of exported functions other than
// IsThemeActive: distinct, never called.
char exportedToken[StyleLibrary::kFunctionNames.size()];

void* tokenFor(const std::string& name)
{
    const auto& names = StyleLibrary::kFunctionNames;
    const auto at = std::find(names.begin(), names.end(), name);
    return at == names.end() ? nullptr : &exportedToken[at - names.begin()];
}

// A system with one visual-style library (under both spellings of its name)
// that records every load, lookup and release in order.
class FakeSystem final : public StyleSystem {
public:
    OsVersion version{2, 2600};
    bool libraryPresent = true;
    std::set<std::string> missing;  // names the library does not export
    int (SONRIK_STYLEAPI* isThemeActive)() = themeActive;
    std::vector<std::string> log;

    OsVersion osVersion() const override { return version; }

    std::unique_ptr<StyleModule> load(const char* name) override
    {
        log.push_back(std::string("load ") + name);
        if (!libraryPresent) return nullptr;
        return std::make_unique<Module>(*this, name);
    }

    std::vector<std::string> lookups() const
    {
        std::vector<std::string> names;
        for (const auto& entry : log)
            if (entry.rfind("resolve ", 0) == 0) names.push_back(entry.substr(8));
        return names;
    }

private:
    class Module final : public StyleModule {
    public:
        Module(FakeSystem& system, std::string name) : system_(system), name_(std::move(name)) {}
        ~Module() override { system_.log.push_back("free " + name_); }

        void* resolve(const char* name) const override
        {
            system_.log.push_back(std::string("resolve ") + name);
            if (system_.missing.count(name) != 0) return nullptr;
            if (std::string(name) == "IsThemeActive")
                return reinterpret_cast<void*>(system_.isThemeActive);
            return tokenFor(name);
        }

    private:
        FakeSystem& system_;
        std::string name_;
    };
};

std::vector<std::string> probeNames()
{
    return {StyleProbe::kFunctionNames.begin(), StyleProbe::kFunctionNames.end()};
}

TEST(StyleProbe, LoadsOnlyOnNtBuild2462AndLater)
{
    struct Case {
        OsVersion version;
        bool platformOk;
    };
    const Case cases[] = {
        {{2, 2461}, false}, {{2, 2462}, true}, {{2, 7601}, true},
        {{1, 3000}, false}, {{0, 9999}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.version.platformId) + "/" + std::to_string(c.version.build));
        FakeSystem system;
        system.version = c.version;
        const StyleProbe probe(system);
        EXPECT_EQ(probe.StylePlatformOk(), c.platformOk);
        EXPECT_EQ(probe.libraryLoaded(), c.platformOk);
        EXPECT_EQ(probe.StylesActive(), c.platformOk);
        if (!c.platformOk) {
            EXPECT_TRUE(system.log.empty());
        }

        // The group box's loader does not care about the platform.
        const StyleLibrary library(system);
        EXPECT_TRUE(library.StyleLibraryLoaded());
    }
}

TEST(StyleProbe, ActiveStyleResolvesTheNineFunctionsInOrder)
{
    FakeSystem system;
    const StyleProbe probe(system);
    ASSERT_TRUE(probe.StylesActive());

    auto expected = probeNames();
    expected.insert(expected.begin(), "IsThemeActive");
    EXPECT_EQ(system.lookups(), expected);
    EXPECT_EQ(system.log.front(), "load uxtheme.dll");
    for (std::size_t i = 0; i < StyleProbe::kFunctionNames.size(); ++i)
        EXPECT_EQ(probe.function(i), tokenFor(StyleProbe::kFunctionNames[i])) << i;
    EXPECT_EQ(probe.OpenThemeData(), tokenFor("OpenThemeData"));
    EXPECT_EQ(probe.DrawThemeBackground(), tokenFor("DrawThemeBackground"));
    EXPECT_EQ(probe.IsThemeBackgroundPartiallyTransparent(),
              tokenFor("IsThemeBackgroundPartiallyTransparent"));
    EXPECT_EQ(probe.DrawThemeParentBackground(), tokenFor("DrawThemeParentBackground"));
}

TEST(StyleProbe, WithoutAnActiveStyleKeepsTheLibraryAndResolvesNothingElse)
{
    for (const bool exported : {true, false}) {
        SCOPED_TRACE(exported ? "IsThemeActive gives 0" : "IsThemeActive not exported");
        FakeSystem system;
        system.isThemeActive = themeInactive;
        if (!exported) system.missing.insert("IsThemeActive");

        const StyleProbe probe(system);
        EXPECT_TRUE(probe.StylePlatformOk());
        EXPECT_TRUE(probe.libraryLoaded());
        EXPECT_FALSE(probe.StylesActive());
        EXPECT_EQ(system.lookups(), std::vector<std::string>{"IsThemeActive"});
        for (std::size_t i = 0; i < StyleProbe::kFunctionNames.size(); ++i)
            EXPECT_EQ(probe.function(i), nullptr) << i;
    }
}

TEST(StyleProbe, CheckStylePlatformReadsTheSystemAgain)
{
    FakeSystem system;
    system.version = {2, 2461};
    StyleProbe probe(system);
    ASSERT_FALSE(probe.StylePlatformOk());

    system.version = {2, 2462};
    probe.CheckStylePlatform();
    EXPECT_TRUE(probe.StylePlatformOk());
    // Loading is a start-up matter only.
    EXPECT_FALSE(probe.libraryLoaded());
    EXPECT_FALSE(probe.StylesActive());
}

TEST(StyleLibrary, ResolvesAllFortySixNamesInOrder)
{
    FakeSystem system;
    const StyleLibrary library(system);
    ASSERT_TRUE(library.StyleLibraryLoaded());
    EXPECT_EQ(system.log.front(), "load UxTheme.dll");
    EXPECT_EQ(system.lookups(), std::vector<std::string>(StyleLibrary::kFunctionNames.begin(),
                                                         StyleLibrary::kFunctionNames.end()));
    EXPECT_EQ(library.OpenThemeData(), tokenFor("OpenThemeData"));
    EXPECT_EQ(library.CloseThemeData(), tokenFor("CloseThemeData"));
    EXPECT_EQ(library.DrawThemeBackground(), tokenFor("DrawThemeBackground"));
    EXPECT_EQ(library.DrawThemeText(), tokenFor("DrawThemeText"));
    EXPECT_EQ(library.GetThemeTextExtent(), tokenFor("GetThemeTextExtent"));
    EXPECT_EQ(library.IsThemeActive(), reinterpret_cast<void*>(themeActive));
    EXPECT_EQ(library.IsAppThemed(), tokenFor("IsAppThemed"));
    EXPECT_EQ(library.DrawThemeParentBackground(), tokenFor("DrawThemeParentBackground"));
    EXPECT_TRUE(GroupBoxCanStyle(library));
}

TEST(StyleLibrary, FunctionsTheLibraryLacksStayNull)
{
    FakeSystem system;
    system.missing = {"EnableTheming", "GetThemeSysInt"};
    const StyleLibrary library(system);
    ASSERT_TRUE(library.StyleLibraryLoaded());
    for (std::size_t i = 0; i < StyleLibrary::kFunctionNames.size(); ++i) {
        const bool lacking = system.missing.count(StyleLibrary::kFunctionNames[i]) != 0;
        EXPECT_EQ(library.function(i) == nullptr, lacking) << StyleLibrary::kFunctionNames[i];
    }
    // Neither is used by the group box.
    EXPECT_TRUE(GroupBoxCanStyle(library));

    // One the group box calls counts as no library at all.
    for (const char* needed : {"DrawThemeText", "IsAppThemed", "DrawThemeParentBackground"}) {
        FakeSystem lacking;
        lacking.missing = {needed};
        const StyleLibrary partial(lacking);
        EXPECT_TRUE(partial.StyleLibraryLoaded()) << needed;
        EXPECT_FALSE(GroupBoxCanStyle(partial)) << needed;
    }
}

TEST(StyleLoaders, NoLibraryMeansClassicDrawingEverywhere)
{
    FakeSystem system;
    system.libraryPresent = false;
    const StyleLoaders loaders(system);
    EXPECT_EQ(system.log, (std::vector<std::string>{"load uxtheme.dll", "load UxTheme.dll"}));
    EXPECT_TRUE(loaders.probe().StylePlatformOk());
    EXPECT_FALSE(loaders.probe().libraryLoaded());
    EXPECT_FALSE(loaders.probe().StylesActive());
    EXPECT_FALSE(loaders.library().StyleLibraryLoaded());
    EXPECT_FALSE(GroupBoxCanStyle(loaders.library()));
    for (std::size_t i = 0; i < StyleLibrary::kFunctionNames.size(); ++i)
        EXPECT_EQ(loaders.library().function(i), nullptr);
}

TEST(StyleLoaders, UnloadReleasesInReverseOrderAndKeepsAddressesAndFlags)
{
    FakeSystem system;
    StyleLoaders loaders(system);
    ASSERT_TRUE(loaders.library().StyleLibraryLoaded());
    ASSERT_TRUE(loaders.probe().StylesActive());
    system.log.clear();

    loaders.unload();
    EXPECT_EQ(system.log, (std::vector<std::string>{"free UxTheme.dll", "free uxtheme.dll"}));
    EXPECT_FALSE(loaders.library().StyleLibraryLoaded());
    EXPECT_FALSE(loaders.probe().libraryLoaded());
    EXPECT_FALSE(GroupBoxCanStyle(loaders.library()));
    EXPECT_TRUE(loaders.probe().StylePlatformOk());
    EXPECT_TRUE(loaders.probe().StylesActive());
    EXPECT_EQ(loaders.library().OpenThemeData(), tokenFor("OpenThemeData"));
    EXPECT_EQ(loaders.probe().DrawThemeBackground(), tokenFor("DrawThemeBackground"));

    // Nothing is released twice.
    loaders.unload();
    EXPECT_EQ(system.log.size(), 2u);
}

TEST(StyleLoaders, DestroyingWithoutUnloadReleasesInTheSameOrder)
{
    FakeSystem system;
    {
        const StyleLoaders loaders(system);
        system.log.clear();
    }
    EXPECT_EQ(system.log, (std::vector<std::string>{"free UxTheme.dll", "free uxtheme.dll"}));
}

TEST(StyleLoaders, TheRunningSystem)
{
    StyleLoaders loaders;
#ifdef _WIN32
    // Wine (and any NT system since XP) has the library and an active style.
    EXPECT_TRUE(loaders.probe().StylePlatformOk());
    EXPECT_TRUE(loaders.probe().libraryLoaded());
    EXPECT_TRUE(loaders.probe().StylesActive());
    for (std::size_t i = 0; i < StyleProbe::kFunctionNames.size(); ++i)
        EXPECT_NE(loaders.probe().function(i), nullptr) << StyleProbe::kFunctionNames[i];
    EXPECT_TRUE(loaders.library().StyleLibraryLoaded());
    EXPECT_TRUE(GroupBoxCanStyle(loaders.library()));
    const auto isAppThemed =
        reinterpret_cast<sonrik::widgets::ThemeQueryFn>(loaders.library().IsAppThemed());
    EXPECT_NE(isAppThemed(), 0);
#else
    // No visual styles outside Windows: classic drawing throughout.
    EXPECT_FALSE(loaders.probe().StylePlatformOk());
    EXPECT_FALSE(loaders.probe().libraryLoaded());
    EXPECT_FALSE(loaders.library().StyleLibraryLoaded());
    EXPECT_FALSE(GroupBoxCanStyle(loaders.library()));
#endif
    loaders.unload();
    EXPECT_FALSE(loaders.library().StyleLibraryLoaded());
    EXPECT_FALSE(loaders.probe().libraryLoaded());
}

}  // namespace
