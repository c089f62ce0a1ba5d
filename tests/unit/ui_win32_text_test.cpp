// ANSI text on its way into captions and error boxes on a real system: the
// system's code page decides what the bytes mean. Windows only (runs under
// Wine, also in code page 1251).
#ifdef _WIN32

#include "platform/platform.h"
#include "sonrik/settings_file.h"
#include "text/text.h"
#include "ui/win32/win32_backend.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace sonrik;
using sonrik::ui::win32::Win32Backend;

namespace {

// "Папка" and "Привет" in code page 1251; other text in 1252.
constexpr char kFolder1251[] = "\xCF\xE0\xEF\xEA\xE0";
constexpr char kHello1251[] = "\xCF\xF0\xE8\xE2\xE5\xF2";

std::wstring Wide(std::u8string_view utf8)
{
    const auto bytes = text::Bytes(utf8);
    std::wstring wide(bytes.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                                           wide.data(), static_cast<int>(wide.size()));
    wide.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return wide;
}

TEST(Win32UiTexts, FromAnsiReadsTheBytesInTheSystemsCodePage)
{
    const UINT codePage = GetACP();
    if (codePage == 1251) {
        EXPECT_EQ(Wide(text::FromAnsi(kHello1251)), L"Привет");
        EXPECT_EQ(Wide(text::FromAnsi("\xA8\xB8 \xB9")), L"Ёё №");
    } else if (codePage == 1252) {
        EXPECT_EQ(Wide(text::FromAnsi("Caf\xE9 \x80")), L"Café €");
    } else {
        GTEST_SKIP() << "code page " << codePage << " has no expectations here";
    }
    EXPECT_EQ(Wide(text::FromAnsi("plain")), L"plain");
    EXPECT_TRUE(text::FromAnsi("").empty());
}

// An option the user switches whose settings file lies in a folder that
// cannot be written: the error names the file, folder and all, in the
// user's own letters.
class SettingsForm : public ui::Form {
public:
    SettingsForm(ui::Backend& backend, std::string settingsPath)
        : Form(backend, "SonrikTextForm"), settings_(std::move(settingsPath))
    {
        SetClientSize(200, 60);
        EngBox.SetBounds(8, 8, 150, 17);
        EngBox.SetCaption(u8"In English language");
        EngBox.OnClick = [this] { settings_.WriteBool("ENG", EngBox.Checked()); };
    }
    ~SettingsForm() override { Destroy(); }

    ui::CheckBox EngBox{this, "EngBox"};

private:
    SettingsFile settings_;
};

TEST(Win32UiTexts, UnwritableSettingsInANonAsciiFolderShowTheFolderIntact)
{
    if (GetACP() != 1251) GTEST_SKIP() << "needs code page 1251 for the folder's name";
    char temp[MAX_PATH]{};
    GetTempPathA(MAX_PATH, temp);
    // The folder is not there, so the settings file cannot be written.
    const std::string folder = std::string(temp) + kFolder1251 + "-missing\\";
    ASSERT_FALSE(platform::FileExists(folder + SettingsFile::kFileName));

    struct Box {
        std::wstring text, caption;
        unsigned flags;
    };
    std::vector<Box> boxes;
    Win32Backend backend;
    backend.SetMessageBoxHook([&](HWND, const std::wstring& text, const std::wstring& caption, unsigned flags) {
        boxes.push_back({text, caption, flags});
        return IDOK;
    });
    SettingsForm form(backend, folder + SettingsFile::kFileName);
    form.Create();
    form.SetVisible(true);
    SendMessageW(Win32Backend::WindowOf(form.EngBox), BM_CLICK, 0, 0);

    ASSERT_EQ(boxes.size(), 1u);
    const std::wstring tempWide = Wide(text::FromAnsi(temp));
    EXPECT_EQ(boxes[0].text, L"Unable to write to " + tempWide + L"Папка-missing\\moduls.ini.");
    EXPECT_EQ(boxes[0].text.find(L'\xFFFD'), std::wstring::npos);
    EXPECT_EQ(boxes[0].flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(form.EngBox.Checked());  // the option keeps its new state on screen
}

}  // namespace

#endif  // _WIN32
