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

std::u8string TAListEditor::StatusText(batch::TRowStatus status) const
{
    return std::u8string(batch::RowStatusText(status, EngBox.Checked()));
}

std::u8string TAListEditor::TestAndFormatRow(std::size_t index)
{
    try {
        batch::TFTag& tag = tags_.at(index);
        if (currentPage_ == TagToNamePage)
            batch::TestRename(context_, index, TemplateText());
        else
            tag.Status = batch::FillFromName(context_, index, TemplateText());
        return FormatRow(index);
    } catch (const std::exception&) {
        return std::u8string(Message(ListMessage::RowError));
    }
}

std::u8string TAListEditor::FormatRow(std::size_t index)
{
    const batch::TFTag& tag = tags_.at(index);
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
    const batch::RenameFiles files = batch::SystemRenameFiles(context_.pathStyle);
    list::PathReplacer listed(fileList_);
    const batch::TemplateContext::TestPass pass(context_);  // each check of a long run a look-up
    for (std::size_t i = 0; i < tags_.size(); ++i) {
        const std::string from = tags_[i].FilePath;
        batch::ApplyRename(context_, i, files);
        if (tags_[i].FilePath != from) listed.Replace(from, tags_[i].FilePath);
        ShowRow(i);
    }
    BTApply.SetEnabled(false);
}

void TAListEditor::ApplyTags()
{
    bool autoRemove = Autoremowe.Checked();
    // Read through the published operation, so that FileIsReadOnly and
    // SavedAttributes tell of the file last examined.
    const batch::AttributeFiles attributes{[this](const std::string& path) {
                                              CheckFileAtribute(path);
                                              return savedAttributes_;
                                          },
                                          platform::SetFileAttributeWord};
    for (std::size_t i = 0; i < tags_.size(); ++i) {
        if (tags_[i].Status != batch::stTestOk) continue;
        batch::WriteSteps steps;
        steps.beforeRemove = [this, &autoRemove](const std::string& path) {
            if (!autoRemove) {
                if (!AskReadOnly(path)) return false;
                autoRemove = true;
            }
            GetBackend().ProcessMessages();
            GetBackend().Wait(kAttributeWait);
            return true;
        };
        steps.settled = [this, i] { ShowRow(i); };
        steps.beforeRestore = [this] {
            GetBackend().Wait(kAttributeWait);
            GetBackend().ProcessMessages();
            StatusBar.SetPanelText(0, Message(ListMessage::Restoring));
        };
        // Whether to restore is read for each file: the box can change while the rows repaint.
        const auto policy = Autorestore.Checked() ? batch::ReadOnlyPolicy::WriteAndRestore
                                                  : batch::ReadOnlyPolicy::MakeWritable;
        // A read-only file left alone was refused by the user: the file and
        // those after it keep their test status.
        if (batch::ApplyFields(twID31, tags_[i], policy, attributes, steps).leftAlone) return;
    }
    BTApply.SetEnabled(false);
}

bool TAListEditor::AskReadOnly(const std::string& path)
{
    const std::u8string name = text::FromAnsi(batch::FileNameOf(path));
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
