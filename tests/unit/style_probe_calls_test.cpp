// StyleProbe's typed callers reach the library's functions with the
// arguments given, and do nothing when an address is missing.
#include "widgets/style_loaders.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace sonrik::widgets;

std::vector<std::string> calls;
std::int32_t drawResult = 0;

std::string Of(const Rect* r)
{
    return r ? std::to_string(r->left) + "," + std::to_string(r->top) + "," + std::to_string(r->right) + "," +
                   std::to_string(r->bottom)
             : "null";
}

int SONRIK_STYLEAPI Active() { return 1; }
ThemeData SONRIK_STYLEAPI Open(StyleWindow window, const char16_t* classes)
{
    calls.push_back("open " + std::to_string(window) + " " + std::string(classes, classes + 6));
    return 0x5A;
}
std::int32_t SONRIK_STYLEAPI Close(ThemeData theme)
{
    calls.push_back("close " + std::to_string(theme));
    return 0;
}
std::int32_t SONRIK_STYLEAPI Transparent(ThemeData theme, int part, int state)
{
    calls.push_back("transparent " + std::to_string(theme) + " " + std::to_string(part) + " " + std::to_string(state));
    return part == 1;
}
std::int32_t SONRIK_STYLEAPI Parent(StyleWindow window, StyleDC dc, const Rect* rect)
{
    calls.push_back("parent " + std::to_string(window) + " " + std::to_string(dc) + " " + Of(rect));
    return drawResult;
}
std::int32_t SONRIK_STYLEAPI Background(ThemeData theme, StyleDC dc, int part, int state, const Rect* rect,
                                        const Rect* clip)
{
    calls.push_back("background " + std::to_string(theme) + " " + std::to_string(dc) + " " + std::to_string(part) +
                    " " + std::to_string(state) + " " + Of(rect) + " " + Of(clip));
    return drawResult;
}

class System final : public StyleSystem {
public:
    std::set<std::string> missing;
    sonrik::platform::OsVersion osVersion() const override { return {2, 7601}; }
    std::unique_ptr<StyleModule> load(const char*) override { return std::make_unique<Module>(missing); }

private:
    class Module final : public StyleModule {
    public:
        explicit Module(const std::set<std::string>& missing) : missing_(missing) {}
        void* resolve(const char* name) const override
        {
            const std::string n(name);
            if (missing_.count(n)) return nullptr;
            if (n == "IsThemeActive") return reinterpret_cast<void*>(&Active);
            if (n == "OpenThemeData") return reinterpret_cast<void*>(&Open);
            if (n == "CloseThemeData") return reinterpret_cast<void*>(&Close);
            if (n == "IsThemeBackgroundPartiallyTransparent") return reinterpret_cast<void*>(&Transparent);
            if (n == "DrawThemeParentBackground") return reinterpret_cast<void*>(&Parent);
            if (n == "DrawThemeBackground") return reinterpret_cast<void*>(&Background);
            return nullptr;
        }

    private:
        std::set<std::string> missing_;
    };
};

}  // namespace

TEST(StyleProbeCalls, CallersPassTheirArgumentsAndReportSuccess)
{
    System system;
    const StyleProbe probe(system);
    calls.clear();
    drawResult = 0;
    const Rect client{0, 0, 203, 280};
    const Rect clip{1, 2, 3, 4};
    EXPECT_EQ(probe.OpenTheme(u"window"), 0x5Au);
    EXPECT_TRUE(probe.BackgroundPartiallyTransparent(0x5A, 1, 0));
    EXPECT_FALSE(probe.BackgroundPartiallyTransparent(0x5A, 0, 0));
    EXPECT_TRUE(probe.DrawParentBackground(7, 9, nullptr));
    EXPECT_TRUE(probe.DrawBackground(0x5A, 9, 0, 0, client, &clip));
    probe.CloseTheme(0x5A);
    drawResult = -2147467259;  // E_FAIL
    EXPECT_FALSE(probe.DrawParentBackground(7, 9, &client));
    EXPECT_FALSE(probe.DrawBackground(0x5A, 9, 0, 0, client, nullptr));
    EXPECT_EQ(calls, (std::vector<std::string>{
                         "open 0 window", "transparent 90 1 0", "transparent 90 0 0", "parent 7 9 null",
                         "background 90 9 0 0 0,0,203,280 1,2,3,4", "close 90", "parent 7 9 0,0,203,280",
                         "background 90 9 0 0 0,0,203,280 null"}));
}

TEST(StyleProbeCalls, MissingFunctionsDoNothing)
{
    System system;
    system.missing = {"OpenThemeData", "CloseThemeData", "IsThemeBackgroundPartiallyTransparent",
                      "DrawThemeParentBackground", "DrawThemeBackground"};
    const StyleProbe probe(system);
    calls.clear();
    EXPECT_EQ(probe.OpenTheme(u"window"), 0u);
    probe.CloseTheme(0x5A);
    EXPECT_FALSE(probe.BackgroundPartiallyTransparent(0x5A, 0, 0));
    EXPECT_FALSE(probe.DrawParentBackground(7, 9, nullptr));
    EXPECT_FALSE(probe.DrawBackground(0x5A, 9, 0, 0, Rect{}, nullptr));
    EXPECT_TRUE(calls.empty());
}
