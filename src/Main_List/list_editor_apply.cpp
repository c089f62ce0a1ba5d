// The test of the two pages and Apply: renames on "TAG to file name", tag
// writes of the marked fields on "File name to TAG", with the read-only
// attribute removed and restored around each write when asked to.
#include "Main_List/list_editor.h"

#include "Main_List/list_editor_logic.h"
#include "sonrik/host_link.h"
#include "text/text.h"

#include <exception>

namespace sonrik {

using list::ListMessage;

namespace {

constexpr int kAttributeWait = 500;

// Clears the running flag however the Apply ends.
class ApplyRun {
public:
    explicit ApplyRun(bool& flag) : flag_(flag) { flag_ = true; }
    ~ApplyRun() { flag_ = false; }
    ApplyRun(const ApplyRun&) = delete;
    ApplyRun& operator=(const ApplyRun&) = delete;

private:
    bool& flag_;
};

}  // namespace

std::u8string TAListEditor::StatusText(list::TRowStatus status) const
{
    return std::u8string(list::RowStatusText(status, EngBox.Checked()));
}

std::u8string TAListEditor::TestAndFormatRow(std::size_t index)
{
    try {
        list::TFTag& tag = tags_.at(index);
        if (currentPage_ == TagToNamePage)
            list::TestRename(context_, index, TemplateText());
        else
            tag.Status = list::FillFromName(context_, index, TemplateText());
        return FormatRow(index);
    } catch (const std::exception&) {
        return std::u8string(Message(ListMessage::RowError));
    }
}

std::u8string TAListEditor::FormatRow(std::size_t index)
{
    const list::TFTag& tag = tags_.at(index);
    return currentPage_ == TagToNamePage ? list::RenameRow(tag, StatusText(tag.Status))
                                         : list::FieldsRow(tag, StatusText(tag.Status));
}

void TAListEditor::ShowRow(std::size_t index)
{
    if (index < static_cast<std::size_t>(TagBox.Count())) TagBox.SetItem(static_cast<int>(index), FormatRow(index));
    GetBackend().ProcessMessages();
}

void TAListEditor::BTApplyClick()
{
    if (applying_) return;
    const ApplyRun run(applying_);
    HostLink(GetBackend(), HostWindow).AboutToApply();
    if (currentPage_ == TagToNamePage)
        ApplyRenames();
    else if (currentPage_ == NameToTagPage)
        ApplyTags();
}

void TAListEditor::ApplyRenames()
{
    const list::RenameFiles files = list::SystemRenameFiles();
    for (std::size_t i = 0; i < tags_.size(); ++i) {
        list::TFTag& tag = tags_[i];
        if (tag.RenameReady) {
            switch (list::RenameToNewPath(files, tag.FilePath, tag.NewPath)) {
            case list::RenameOutcome::TargetExists: tag.Status = list::stFileExists; break;
            case list::RenameOutcome::Failed: tag.Status = list::stNoChanges; break;
            case list::RenameOutcome::Renamed:
                tag.Status = list::stRenamed;
                list::ReplacePath(fileList_, tag.FilePath, tag.NewPath);
                tag.FilePath = tag.NewPath;
                break;
            }
        }
        ShowRow(i);
    }
    BTApply.SetEnabled(false);
}

void TAListEditor::ApplyTags()
{
    bool autoRemove = Autoremowe.Checked();
    for (std::size_t i = 0; i < tags_.size(); ++i) {
        list::TFTag& tag = tags_[i];
        if (tag.Status != list::stTestOk) continue;
        // Checked before the file is touched: a track the record cannot hold
        // writes nothing.
        const auto track = list::TrackNumberValue(tag.TrackText);
        if (tag.TrackSet && !track) {
            tag.Status = list::stTestError;
            ShowRow(i);
            continue;
        }
        try {
            twID31.LoadFromFile(tag.FilePath);
        } catch (const std::exception&) {
            // The tag object would still hold the previous file's values.
            tag.Status = list::stWriteError;
            ShowRow(i);
            continue;
        }
        auto& v1 = twID31.ID3v1();
        if (tag.TitleSet) v1.SetTitle(tag.TitleText);
        if (tag.ArtistSet) v1.SetArtist(tag.ArtistText);
        if (tag.AlbumSet) v1.SetAlbum(tag.AlbumText);
        if (tag.GenreSet)
            if (const auto genre = list::GenreNumber(tag.GenreText)) v1.SetGenreID(*genre);
        if (tag.YearSet) v1.SetYear(tag.YearText);
        if (tag.CommentSet) v1.SetComment(tag.CommentText);
        if (tag.TrackSet) v1.SetTrackNo(*track);
        if (!(tag.TitleSet || tag.ArtistSet || tag.AlbumSet || tag.GenreSet || tag.YearSet || tag.CommentSet ||
              tag.TrackSet)) {
            tag.Status = list::stNoChanges;
            ShowRow(i);
            continue;
        }

        CheckFileAtribute(tag.FilePath);
        const bool readOnly = fileIsReadOnly_;
        const platform::FileAttributes attributes = savedAttributes_;
        if (readOnly) {
            if (!autoRemove) {
                if (!AskReadOnly(tag.FilePath)) {
                    // The file and those after it keep their test status.
                    ShowRow(i);
                    return;
                }
                autoRemove = true;
            }
            RemoweReadOnly(tag.FilePath);
        }

        try {
            twID31.SaveToFile(tag.FilePath);
            // A save that completed without success wrote nothing usable.
            tag.Status = twID31.Success() == twID3::id3Success ? list::stTagsRecorded : list::stWriteError;
        } catch (const std::exception&) {
            tag.Status = list::stWriteError;
        }
        ShowRow(i);

        if (readOnly && Autorestore.Checked()) {
            GetBackend().Wait(kAttributeWait);
            GetBackend().ProcessMessages();
            StatusBar.SetPanelText(0, Message(ListMessage::Restoring));
            try {
                platform::SetFileAttributeWord(tag.FilePath, attributes);
            } catch (const std::exception&) {
                // Not reported: the row already tells how the write went.
            }
        }
    }
    BTApply.SetEnabled(false);
}

bool TAListEditor::AskReadOnly(const std::string& path)
{
    const std::u8string name = text::FromAnsi(list::FileNameOf(path));
    return GetBackend().ShowMessageBox({nullptr, HostWindow}, text::FillIn(Message(ListMessage::ReadOnlyQuestion), u8"%S", name),
                                       hostmsg::QuestionCaption, ui::mb::YesNo | ui::mb::IconQuestion) ==
           ui::answer::Yes;
}

void TAListEditor::CheckFileAtribute(const std::string& path)
{
    try {
        savedAttributes_ = platform::GetFileAttributeWord(path);
    } catch (const std::exception&) {
        // Attributes that cannot be read count as those of a writable file;
        // the write that follows says whether it was.
        savedAttributes_ = 0;
    }
    fileIsReadOnly_ = (savedAttributes_ & platform::kAttributeReadOnly) != 0;
}

void TAListEditor::RemoweReadOnly(const std::string& path)
{
    GetBackend().ProcessMessages();
    GetBackend().Wait(kAttributeWait);
    try {
        platform::SetFileAttributeWord(path, savedAttributes_ & ~platform::kAttributeReadOnly);
    } catch (const std::exception&) {
        // Not reported here: the write that follows fails and says so.
    }
}

}  // namespace sonrik
