#include "Main/tag_frm.h"

#include "sonrik/host_link.h"
#include "sonrik/module_dir.h"

#include <initializer_list>
#include <utility>
#include <stdexcept>

namespace sonrik {

using editor::TagFrmMessage;

namespace {

constexpr int kClientWidth = 585, kClientHeight = 449;
constexpr int kFieldLeft = 8, kFieldWidth = 165, kFieldHeight = 21;
constexpr int kLabelTop = 16, kFieldTop = 32, kRowStep = 40;
constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kStatusHeight = 19, kStatusPanel0Width = 350;
constexpr int kOthersPage = 3;  // the window opens on "Others"

void PlaceRow(ui::Label& label, ui::Control& field, int row, int width = kFieldWidth)
{
    label.SetBounds(kFieldLeft, kLabelTop + row * kRowStep, kFieldWidth, 13);
    field.SetBounds(kFieldLeft, kFieldTop + row * kRowStep, width, kFieldHeight);
}

}  // namespace

TATagFrm::TATagFrm(ui::Backend& backend, widgets::StyleProbe& styles, std::string moduleFileName)
    : Form(backend, "ATagFrm"), styles_(styles), moduleFileName_(std::move(moduleFileName))
{
    LayOut();
    SetStartingProperties();
    AttachHandlers();
}

TATagFrm::~TATagFrm() { Destroy(); }

const std::u8string& TATagFrm::Message(TagFrmMessage id) const { return messages_.at(static_cast<std::size_t>(id)); }

void TATagFrm::LayOut()
{
    SetCaption(editor::kTagFrmCaption);
    SetBorder(ui::FormBorder::ToolWindow);
    SetClientSize(kClientWidth, kClientHeight);
    SetKeyPreview(true);

    XPGroupBox1.SetBounds(0, 0, 185, 321);
    XPGroupBox1.SetCaption(editor::kID3v1GroupCaption);
    PlaceRow(LTitle, V1Title, 0);
    PlaceRow(LArtist, V1Artist, 1);
    PlaceRow(LAlbum, V1Album, 2);
    PlaceRow(LYear, V1Year, 3);
    PlaceRow(LComment, V1Comment, 4);
    PlaceRow(LGenre, V1Genr, 5);
    PlaceRow(LTrackNo, V1TrackNo, 6, 65);
    SetLyr.SetBounds(kFieldLeft + kFieldWidth - 49, kFieldTop + 6 * kRowStep - 2, 49, kButtonHeight);
    SetLyr.SetCaption(u8">>");
    V1UseID3v11.SetBounds(kFieldLeft, 298, kFieldWidth, 17);

    XPGroupBox2.SetBounds(192, 0, 385, 321);
    PlaceRow(LLyrTitle, Lyrics3Title, 0);
    PlaceRow(LLyrArtist, Lyrics3Artist, 1);
    PlaceRow(LLyrAlbum, Lyrics3Album, 2);
    PlaceRow(LLyrAuthor, Lyrics3Author, 3);
    Lyrics3UseTimestamp.SetBounds(kFieldLeft, kFieldTop + 4 * kRowStep, kFieldWidth, 17);
    SetID3.SetBounds(kFieldLeft, kFieldTop + 4 * kRowStep + 24, 49, kButtonHeight);
    SetID3.SetCaption(u8"<<");
    Pages.SetBounds(385 - 207, 0, 207, 304);
    Pages.SetAlign(ui::Align::Right);
    Pages.SetTabWidth(101);
    Pages.SetMultiLine(true);
    for (auto [memo, text] : {std::pair{&MemoLyrics, "MemoLyrics"}, std::pair{&MemoImages, "MemoImages"},
                              std::pair{&MemoInfos, "MemoInfos"}, std::pair{&MemoOthers, "MemoOthers"}}) {
        memo->SetAlign(ui::Align::Client);
        memo->SetText(text);
    }
    Pages.SetActivePageIndex(kOthersPage);
    MemoOthers.SetEnabled(false);  // display only

    V1UseID3v1.SetBounds(8, 322, 190, 15);
    V1UseLyrics3.SetBounds(208, 322, 200, 15);
    V1UseID3v2.SetBounds(8, 337, 190, 15);
    BtSave.SetBounds(424, 330, kButtonWidth, kButtonHeight);
    Reload.SetBounds(504, 330, kButtonWidth, kButtonHeight);
    BtExit.SetBounds(504, 370, kButtonWidth, kButtonHeight);
    Bevel2.SetBounds(0, 358, kClientWidth, 2);
    Autoremowe.SetBounds(8, 362, 490, 15);
    Autorestore.SetBounds(8, 377, 490, 15);
    EngBox.SetBounds(8, 400, 200, 17);
    EngBox.SetCaption(editor::kEngBoxCaption);
    StatusBar.SetBounds(0, kClientHeight - kStatusHeight, kClientWidth, kStatusHeight);
    StatusBar.SetPanelWidths({kStatusPanel0Width, 0});

    for (ui::Control* field : std::initializer_list<ui::Control*>{
             &V1Title, &V1Artist, &V1Album, &V1Year, &V1Comment, &V1Genr, &V1TrackNo, &V1UseID3v11,
             &Lyrics3Title, &Lyrics3Artist, &Lyrics3Album, &Lyrics3Author, &Lyrics3UseTimestamp, &BtSave,
             &Autoremowe, &Autorestore})
        field->SetEnabled(false);
}

void TATagFrm::SetStartingProperties()
{
    auto& v1 = ID31.ID3v1();
    v1.Lyrics3().SetUseLyrics3v2(false);
    v1.Lyrics3().SetUseTimestamp(false);
    v1.SetGenreID(0);
    v1.SetGenre("Blues");
    v1.SetTrackNo(0);
    v1.SetUseID3v11(true);
    ID31.SetAutoLoad(true);
    ID31.SetUseID3v1(true);
}

void TATagFrm::AttachHandlers()
{
    OnCreate = [this] { FormCreate(); };
    OnActivate = [this] { FormActivate(); };
    OnCloseQuery = [this](bool& canClose) { FormClose(canClose); };
    OnDestroy = [this] { FormDestroy(); };
    OnKeyDown = [this](int& key, ui::ShiftState shift) { FormKeyDown(key, shift); };
    OnKeyPress = [this](char& key) { FormKeyPress(key); };

    for (ui::Control* edit : std::initializer_list<ui::Control*>{&V1Title, &V1Album, &V1TrackNo, &Lyrics3Title,
                                                                 &Lyrics3Album, &Lyrics3Author}) {
        edit->OnChange = [this] { ID3v1Change(); };
        edit->OnKeyDown = [this](int& key, ui::ShiftState shift) { V1TitleKeyDown(key, shift); };
    }
    for (ui::ComboBox* history : {&V1Artist, &V1Year, &V1Comment, &Lyrics3Artist}) {
        history->OnChange = [this] { ID3v1Change(); };
        history->OnEnter = [this] { V1ArtistEnter(); };
        history->OnExit = [this, history] { V1ArtistExit(*history); };
    }
    V1Comment.OnEnter = [this] { V1CommentEnter(); };
    V1Genr.OnChange = [this] { ID3v1Change(); };
    V1Genr.OnEnter = [this] { V1ArtistEnter(); };
    V1Genr.OnExit = [this] { V1GenrExit(); };
    for (ui::Memo* memo : {&MemoLyrics, &MemoImages, &MemoInfos, &MemoOthers})
        memo->OnChange = [this] { ID3v1Change(); };

    SetLyr.OnClick = [this] { SetLyrClick(); };
    SetID3.OnClick = [this] { SetID3Click(); };
    Lyrics3UseTimestamp.OnClick = [this] { Lyrics3UseTimestampClick(); };
    V1UseID3v1.OnClick = [this] { V1UseID3v1Click(); };
    V1UseID3v2.OnClick = [this] { V1UseID3v2Click(); };
    V1UseLyrics3.OnClick = [this] { V1UseLyrics3Click(); };
    BtSave.OnClick = [this] { SaveID3v1(); };
    Reload.OnClick = [this] { FormActivate(); };
    BtExit.OnClick = [this] { BtExitClick(); };
    Autoremowe.OnClick = [this] { AutoremoweClick(); };
    Autorestore.OnClick = [this] { AutorestoreClick(); };
    EngBox.OnClick = [this] { EngBoxClick(); };
}

// ---- creation, activation, closing, destruction ------------------------------------

void TATagFrm::FormCreate()
{
    styles_.CheckStylePlatform();
    if (styles_.StylePlatformOk() && styles_.StylesActive()) {
        themeData_ = styles_.OpenTheme(u"window");
        for (ui::TabSheet* sheet : {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4})
            sheet->OnPaint = [this, sheet](const ui::PaintContext& paint) { PaintTabSheet(*sheet, paint); };
    }

    V1Genr.SetItems({twID3::GenreNames.begin(), twID3::GenreNames.end()});
    V1TrackNo.SetDigitsOnly(true);
    moduleDir_ = ModuleDirOf(moduleFileName_, kNativePathStyle);
    settingsFile_.emplace(SettingsFile::InFolder(moduleDir_));

    // A stored true runs the box's click handler, which writes it back.
    EngBox.SetChecked(settingsFile_->ReadBool(setting::kEng, false));
    ApplyLanguage(EngBox.Checked());
    Autoremowe.SetChecked(settingsFile_->ReadBool(setting::kAutoRemoveReadOnly, false));
    Autorestore.SetChecked(settingsFile_->ReadBool(setting::kAutoRestoreReadOnly, false));

    LoadHistory(history::kArtists, V1Artist);
    LoadHistory(history::kArtists, Lyrics3Artist);
    LoadHistory(history::kYears, V1Year);
    LoadHistory(history::kComments, V1Comment);
}

void TATagFrm::FormActivate()
{
    if (!platform::FileExists(TargetFile)) return;
    ReadFileAttributes();
    GetBackend().ProcessMessages();
    StatusBar.SetPanelText(1, text::FromAnsi(editor::FileNameOf(TargetFile)));
    ID31.LoadFromFile(TargetFile);
    SetID3v1Enabled(ID31.UseID3v1() || ID31.UseID3v2(), false);
    {
        // Showing what was loaded is no user's click.
        auto id3v1 = ui::Detach(V1UseID3v1.OnClick);
        auto id3v2 = ui::Detach(V1UseID3v2.OnClick);
        auto lyrics3 = ui::Detach(V1UseLyrics3.OnClick);
        V1UseID3v1.SetChecked(ID31.UseID3v1());
        V1UseID3v2.SetChecked(ID31.UseID3v2());
        V1UseLyrics3.SetChecked(ID31.ID3v1().UseLyrics3());
    }
    BtSave.SetEnabled(false);
    SetLyrics3Enabled(ID31.ID3v1().UseLyrics3(), false);
    // Filling the fields ran their change handlers.
    BtSave.SetEnabled(false);
    tagsChanged_ = false;
}

void TATagFrm::FormClose(bool& canClose)
{
    if (!tagsChanged_) return;
    const int answer =
        GetBackend().ShowMessageBox({this, 0}, Message(TagFrmMessage::CloseWithChanges), hostmsg::QuestionCaption,
                                    ui::mb::YesNoCancel | ui::mb::IconQuestion);
    if (answer == ui::answer::Yes) {
        // A save that ends in an error leaves by the exception: the window stays open.
        SaveID3v1();
    } else if (answer != ui::answer::No) {
        canClose = false;
    }
}

void TATagFrm::FormDestroy()
{
    try {
        SaveHistories();
    } catch (const std::exception&) {
        // Destruction comes when the module is unloaded, where nothing may be
        // shown; the file is replaced in one step, so it stays as it was.
    }
    settingsFile_.reset();
    // At unload the style library may be gone already; its theme data went with it.
    if (themeData_ != 0 && styles_.libraryLoaded()) styles_.CloseTheme(themeData_);
    themeData_ = 0;
}

void TATagFrm::BtExitClick() { Close(); }

void TATagFrm::EngBoxClick()
{
    ApplyLanguage(EngBox.Checked());
    settingsFile_->WriteBool(setting::kEng, EngBox.Checked());
}

void TATagFrm::ApplyLanguage(bool english)
{
    ui::ApplyCaptions(*this, editor::kTagFrmCaptions, english);
    for (std::size_t i = 0; i < messages_.size(); ++i) messages_[i] = editor::kTagFrmMessages[i].In(english);
}

// ---- fields ----------------------------------------------------------------------------

void TATagFrm::ID3v1Change()
{
    BtSave.SetEnabled(true);
    tagsChanged_ = true;
}

void TATagFrm::V1ArtistEnter() { searchBuffer_.Clear(); }
void TATagFrm::V1CommentEnter() { searchBuffer_.Clear(); }
void TATagFrm::V1GenrExit() { V1Genr.SetDroppedDown(false); }
void TATagFrm::V1TitleKeyDown(int&, ui::ShiftState) {}

void TATagFrm::FormKeyDown(int& key, ui::ShiftState shift)
{
    if (key == ui::keys::Escape) {
        key = 0;
        BtExitClick();
    } else if (key == ui::keys::Tab && (shift & ui::ssCtrl) != 0 && ActiveControl() != &Pages) {
        // The page control steps its pages itself when it has the focus.
        Pages.SelectNextPage();
    }
}

void TATagFrm::FormKeyPress(char& key)
{
    ui::Control* focused = ActiveControl();
    ui::ComboBox* combo = nullptr;
    for (ui::ComboBox* box : {&V1Artist, &V1Year, &V1Comment, &V1Genr, &Lyrics3Artist})
        if (focused == box) combo = box;
    if (combo == nullptr) return;

    if (key == '\r') {
        combo->SetDroppedDown(false);
        searchBuffer_.RemoveLast();
    } else if (key == '\b') {
        searchBuffer_.RemoveLast();
    } else if (static_cast<unsigned char>(key) >= ' ' && searchBuffer_.Append(key)) {
        // A full buffer searches no further: the key is typed as usual.
        combo->SetDroppedDown(true);
        const int found = editor::FindPrefixIgnoringCase(combo->Items(), searchBuffer_.Text());
        if (found >= 0) {
            combo->SetItemIndex(found);
            key = 0;
        }
    }
}

void TATagFrm::PaintTabSheet(ui::TabSheet&, const ui::PaintContext& paint)
{
    if (paint.window == 0 || paint.dc == 0) return;
    if (styles_.BackgroundPartiallyTransparent(themeData_, 0, 0))
        styles_.DrawParentBackground(paint.window, paint.dc, nullptr);
    styles_.DrawBackground(themeData_, paint.dc, 0, 0, paint.client, nullptr);
}

void TATagFrm::LoadID3v1Controls()
{
    const auto& v1 = ID31.ID3v1();
    V1Title.SetText(v1.Title());
    V1Artist.SetText(v1.Artist());
    V1Album.SetText(v1.Album());
    V1Year.SetText(v1.Year());
    V1Comment.SetText(v1.Comment());
    V1UseID3v11.SetChecked(v1.UseID3v11());
    V1Genr.SetItemIndex(editor::GenreIndexOf(v1.GenreID()));
    V1TrackNo.SetText(editor::TrackNoText(v1.TrackNo()));
}

void TATagFrm::LoadLyrics3Controls()
{
    const auto& lyrics3 = ID31.ID3v1().Lyrics3();
    MemoImages.SetLines(lyrics3.Images());
    MemoInfos.SetLines(lyrics3.Infos());
    MemoLyrics.SetLines(lyrics3.Lyrics());
    MemoOthers.SetLines(lyrics3.Others());
    Lyrics3UseTimestamp.SetChecked(lyrics3.UseTimestamp());
    Lyrics3Author.SetText(lyrics3.Author());
    Lyrics3Title.SetText(lyrics3.Title());
    Lyrics3Artist.SetText(lyrics3.Artist());
    Lyrics3Album.SetText(lyrics3.Album());
}

void TATagFrm::SetID3v1Enabled(bool on, bool byUser)
{
    for (ui::Control* control : std::initializer_list<ui::Control*>{
             &SetLyr, &V1Title, &V1Artist, &V1Album, &V1Year, &V1Comment, &V1Genr, &V1TrackNo, &V1UseID3v11})
        control->SetEnabled(on);
    if (byUser) SetID3v1UserSteps(on);
    LoadID3v1Controls();
}

void TATagFrm::SetLyrics3Enabled(bool on, bool byUser)
{
    for (ui::Control* control : std::initializer_list<ui::Control*>{
             &SetID3, &Lyrics3UseTimestamp, &Lyrics3Author, &Lyrics3Title, &Lyrics3Artist, &Lyrics3Album, &Pages})
        control->SetEnabled(on);
    if (byUser) SetLyrics3UserSteps(on);
    LoadLyrics3Controls();
}

bool TATagFrm::AskYesNo(TagFrmMessage question)
{
    return GetBackend().ShowMessageBox({nullptr, HostWindow}, Message(question), hostmsg::QuestionCaption,
                                       ui::mb::YesNo | ui::mb::IconQuestion) == ui::answer::Yes;
}

void TATagFrm::SetStatus(std::u8string_view text) { StatusBar.SetPanelText(0, text); }

void TATagFrm::ShowStatus(TagFrmMessage text)
{
    SetStatus(Message(text));
    GetBackend().ProcessMessages();
}

}  // namespace sonrik
