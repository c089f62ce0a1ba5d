// A list editor on the headless backend over real tagged files in a temporary
// folder, with the module "installed" in that folder.
#pragma once

#include "Main_List/list_editor.h"
#include "text/text.h"
#include "Main_List/list_editor_logic.h"
#include "sonrik/history_file.h"
#include "sonrik/host_link.h"
#include "tag_test_support.h"
#include "ui/headless/headless.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sonrik::testing {

inline constexpr ui::WindowHandle kListHost = 0x4712;
inline const std::string kSongAudio = Audio(600);

// The x of the middle of section `column` of the list.
inline int CellX(const TAListEditor& w, int column)
{
    return w.TagBox.Sections().leftOf(column) + w.TagBox.Sections()[column].Width() / 2;
}

class ListEditorTest : public ::testing::Test {
protected:
    using Acts = std::function<void(ui::headless::User&, TAListEditor&)>;

    void SetUp() override { Settings(setting::kEng, "1"); }

    // A song file of the test folder: audio and then `tail` (a record, or nothing).
    std::string Song(const std::string& name, const std::string& tail)
    {
        const std::string path = dir.file(name);
        WriteBytes(path, kSongAudio + tail);
        return path;
    }
    std::string ListPath() const { return dir.file("list.m3u"); }
    void ListFile(const std::vector<std::string>& lines, const std::string& eol = "\r\n")
    {
        std::string text;
        for (const auto& line : lines) text += line + eol;
        WriteBytes(ListPath(), text);
    }
    std::string ModuleFile() const { return dir.file("Sonrik.dll"); }
    std::string SettingsPath() const { return dir.file(SettingsFile::kFileName); }
    std::string HistoryPath() const { return dir.file(kHistoryFileName); }
    void Settings(const std::string& key, const std::string& value)
    {
        platform::WriteProfileString(SettingsPath(), SettingsFile::kSection, key, value);
    }
    std::string Setting(const std::string& key)
    {
        return platform::ReadProfileString(SettingsPath(), SettingsFile::kSection, key, "<absent>");
    }

    TAListEditor& Window()
    {
        win = std::make_unique<TAListEditor>(backend, ModuleFile());
        win->FileListPath = ListPath();
        win->HostWindow = kListHost;
        win->Create();
        return *win;
    }
    TAListEditor& Opened(const Acts& acts = {})
    {
        Window();
        backend.WhileModal([this, acts](ui::headless::User& user) {
            if (acts) acts(user, *win);
        });
        win->ShowModal(0);
        return *win;
    }
    // Lists `files`, makes `templ` the stored template, selects every row
    // and goes to `page`.
    TAListEditor& OnPage(const std::vector<std::string>& files, int page, const std::string& templ,
                         const Acts& acts = {})
    {
        ListFile(files);
        WriteBytes(HistoryPath(), "[TAG_NAME]\r\n" + templ + "\r\n");
        Settings(setting::kOptionList, "0");
        return Opened([&](ui::headless::User& user, TAListEditor& w) {
            SelectAll(user, w);
            user.SelectTab(w.AFilesPage, page);
            if (acts) acts(user, w);
        });
    }
    static void SelectAll(ui::headless::User& user, TAListEditor& w)
    {
        for (int row = 0; row < w.TagBox.Count(); ++row) user.ClickRow(w.TagBox, row, row == 0 ? ui::ShiftState{0} : ui::ShiftState{ui::ssCtrl});
    }

    // The rows as their UTF-8 bytes, to compare with plain literals.
    static std::vector<std::string> Rows(const TAListEditor& w)
    {
        std::vector<std::string> rows;
        for (int i = 0; i < w.TagBox.Count(); ++i) rows.push_back(Bytes(w.TagBox.Item(i)));
        return rows;
    }
    // Captions as their UTF-8 bytes, to compare with plain literals.
    static std::string Bytes(std::u8string_view caption) { return std::string(text::Bytes(caption)); }
    static std::vector<std::string> Bytes(const std::vector<std::u8string>& captions)
    {
        std::vector<std::string> texts;
        for (const auto& caption : captions) texts.push_back(Bytes(caption));
        return texts;
    }
    static std::vector<std::string> Sections(const TAListEditor& w)
    {
        std::vector<std::string> texts;
        for (int i = 0; i < w.TagBox.SectionCount(); ++i)
            texts.emplace_back(text::Bytes(w.TagBox.Sections()[i].Text()));
        return texts;
    }
    std::size_t HostCount(unsigned message) const
    {
        return static_cast<std::size_t>(std::count_if(backend.HostMessages().begin(), backend.HostMessages().end(),
                                                      [message](const auto& m) { return m.message == message; }));
    }
    TempDir dir;
    ui::headless::HeadlessBackend backend;
    std::unique_ptr<TAListEditor> win;
};

}  // namespace sonrik::testing
