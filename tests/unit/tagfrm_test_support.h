// A single-file editor on the headless backend over real files in a
// temporary folder, with the module "installed" in that folder.
#pragma once

#include "Main/tag_frm.h"
#include "sonrik/host_link.h"
#include "tag_test_support.h"
#include "ui/headless/headless.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sonrik::testing {

// A system without visual styles: the pages are drawn the classic way.
class NoStyles final : public widgets::StyleSystem {
public:
    platform::OsVersion osVersion() const override { return {}; }
    std::unique_ptr<widgets::StyleModule> load(const char*) override { return nullptr; }
};

// Records panel 0 of a status bar each time its text changes.
class StatusRecorder final : public ui::ControlPeer {
public:
    StatusRecorder(ui::StatusBar& bar, std::vector<std::string>& texts) : bar_(bar), texts_(texts) {}
    void Changed(ui::Property property) override
    {
        if (property != ui::Property::Panels || text::Bytes(bar_.PanelText(0)) == last_) return;
        last_ = text::Bytes(bar_.PanelText(0));
        texts_.push_back(last_);
    }

private:
    ui::StatusBar& bar_;
    std::vector<std::string>& texts_;
    std::string last_;
};

inline constexpr ui::WindowHandle kHostWindow = 0x4711;

// Song files: audio, then (optionally) a Lyrics3 block, then an ID3v1.1 record.
inline const std::string kAudio = Audio(2000);
inline const std::string kRecord = Record("Song", "Band", "Disc", "1999", "Nice", 5, 17);
inline const std::string kBlockV2 = BlockV2("IND0000210LYR00005HelloETT00007L3TitleEAR00006L3BandEAL00006L3DiscAUT00004Anna");
inline const std::string kBlockV1 = BlockV1("Hello\r\nWorld");

class TagFrmTest : public ::testing::Test {
protected:
    std::string Song(const std::string& bytes, const std::string& name = "song.mp3")
    {
        const std::string path = dir.file(name);
        WriteBytes(path, bytes);
        return path;
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

    // A new window (created, not shown) on `target`.
    TATagFrm& Window(const std::string& target)
    {
        frm = std::make_unique<TATagFrm>(backend, probe, ModuleFile());
        frm->TargetFile = target;
        frm->HostWindow = kHostWindow;
        frm->Create();
        frm->StatusBar.AttachPeer(std::make_unique<StatusRecorder>(frm->StatusBar, status));
        return *frm;
    }
    // Shows the window; `acts` is what the user does while it is open.
    void Show(const std::function<void(ui::headless::User&, TATagFrm&)>& acts = {})
    {
        backend.WhileModal([this, acts](ui::headless::User& user) {
            if (acts) acts(user, *frm);
        });
        frm->ShowModal(0);
    }
    TATagFrm& Opened(const std::string& target, const std::function<void(ui::headless::User&, TATagFrm&)>& acts = {})
    {
        Window(target);
        Show(acts);
        return *frm;
    }

    // wParams of the WM_COMMAND messages the host received, in order.
    std::vector<std::uintptr_t> HostCommands(std::size_t from = 0) const
    {
        std::vector<std::uintptr_t> sent;
        for (std::size_t i = from; i < backend.HostMessages().size(); ++i) {
            const auto& m = backend.HostMessages()[i];
            EXPECT_EQ(m.window, kHostWindow);
            if (m.message == hostmsg::Command) sent.push_back(m.wParam);
        }
        return sent;
    }
    std::vector<std::string> QuestionTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& q : backend.Questions()) texts.push_back(q.text);
        return texts;
    }

    TempDir dir;
    NoStyles noStyles;
    widgets::StyleProbe probe{noStyles};
    ui::headless::HeadlessBackend backend;
    std::vector<std::string> status;
    std::unique_ptr<TATagFrm> frm;
};

}  // namespace sonrik::testing
