// Dynamic libraries and the system version from the platform layer; the same
// cases run natively and as a Windows program under Wine.
#include "platform/platform.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <process.h>
#else
#include <unistd.h>
#endif

#include <string>
#include <utility>

namespace {

using sonrik::platform::CurrentOsVersion;
using sonrik::platform::DynamicLibrary;

// A library every test machine has, and a function in it that tells the
// caller's process id: calling it through the resolved address proves the
// address is the real one.
#ifdef _WIN32
constexpr const char* kSystemLibrary = "kernel32.dll";
constexpr const char* kProcessIdFunction = "GetCurrentProcessId";
using ProcessIdFn = unsigned long(__stdcall*)();
long ownProcessId() { return _getpid(); }
#else
constexpr const char* kSystemLibrary = "libc.so.6";
constexpr const char* kProcessIdFunction = "getpid";
using ProcessIdFn = int (*)();
long ownProcessId() { return ::getpid(); }
#endif

TEST(DynamicLibrary, LoadsResolvesAndCallsASystemFunction)
{
    const auto library = DynamicLibrary::loadSystem(kSystemLibrary);
    ASSERT_TRUE(library.loaded());
    const auto processId = reinterpret_cast<ProcessIdFn>(library.symbol(kProcessIdFunction));
    ASSERT_NE(processId, nullptr);
    EXPECT_EQ(static_cast<long>(processId()), ownProcessId());
    EXPECT_EQ(library.symbol("NoSuchFunctionInThisLibrary"), nullptr);
}

TEST(DynamicLibrary, AMissingLibraryLoadsNothing)
{
    auto library = DynamicLibrary::loadSystem("sonrik-no-such-library.dll");
    EXPECT_FALSE(library.loaded());
    EXPECT_EQ(library.symbol(kProcessIdFunction), nullptr);
    library.free();
    EXPECT_FALSE(library.loaded());
    EXPECT_FALSE(DynamicLibrary{}.loaded());
}

TEST(DynamicLibrary, MovingHandsTheLibraryOverAndFreeingDropsIt)
{
    auto first = DynamicLibrary::loadSystem(kSystemLibrary);
    ASSERT_TRUE(first.loaded());

    DynamicLibrary second(std::move(first));
    EXPECT_FALSE(first.loaded());
    EXPECT_EQ(first.symbol(kProcessIdFunction), nullptr);
    EXPECT_NE(second.symbol(kProcessIdFunction), nullptr);

    DynamicLibrary third;
    third = std::move(second);
    EXPECT_FALSE(second.loaded());
    EXPECT_TRUE(third.loaded());

    // Assigning over a held library frees the old one and keeps the new one.
    third = DynamicLibrary::loadSystem(kSystemLibrary);
    EXPECT_NE(third.symbol(kProcessIdFunction), nullptr);

    third.free();
    EXPECT_FALSE(third.loaded());
    EXPECT_EQ(third.symbol(kProcessIdFunction), nullptr);
}

#ifdef _WIN32
// A library of the system comes from the system folder, even when the
// program's own folder, first in the search order, holds one of that name.
TEST(DynamicLibrary, ASystemLibraryComesFromTheSystemFolderOnly)
{
    const auto folderOf = [](HMODULE module) {
        wchar_t path[MAX_PATH]{};
        GetModuleFileNameW(module, path, MAX_PATH);
        const std::wstring text = path;
        return text.substr(0, text.find_last_of(L'\\'));
    };
    wchar_t system[MAX_PATH]{};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring own = folderOf(nullptr) + L"\\sonrik-probe.dll";  // built beside this program
    const std::wstring inSystem = std::wstring(system) + L"\\sonrik-probe.dll";
    if (!CopyFileW(own.c_str(), inSystem.c_str(), FALSE)) GTEST_SKIP() << "the system folder cannot be written";
    {
        const auto library = DynamicLibrary::loadSystem("sonrik-probe.dll");
        ASSERT_TRUE(library.loaded());
        HMODULE module = nullptr;
        ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                       static_cast<LPCWSTR>(library.symbol("SonrikProbe")), &module));
        EXPECT_EQ(_wcsicmp(folderOf(module).c_str(), system), 0);
    }
    DeleteFileW(inSystem.c_str());
}
#endif

TEST(OsVersion, ReportsTheFamilyThatDecidesVisualStyles)
{
    const auto version = CurrentOsVersion();
#ifdef _WIN32
    // Every NT system this runs on (Wine reports build 7601) has styles.
    EXPECT_EQ(version.platformId, sonrik::platform::kPlatformWin32NT);
    EXPECT_GT(version.build, 2461u);
#else
    EXPECT_EQ(version.platformId, 0u);
#endif
}

}  // namespace
