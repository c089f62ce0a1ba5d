#include "batch/record.h"

#include "twID3/twID3.h"

#include <algorithm>
#include <array>
#include <iterator>

namespace sonrik::batch {

namespace {

struct Texts {
    std::u8string_view english, russian;
};

constexpr std::array<Texts, RowStatusCount> kStatusTexts = {{
    {u8"Test OK", u8"Тест пройден"},
    {u8"File exists", u8"Файл существует"},
    {u8"Test ERROR", u8"Ошибка"},
    {u8"Not enough information", u8"Недостаточно информации"},
    {u8"Write Error", u8"Ошибка записи в файл"},
    {u8"TAG(s) is recorded", u8"ТЭГ(и) записан(ы)"},
    {u8"No changes", u8"Изменений не было"},
    {u8"File is renamed", u8"Файл переименован"},
}};

constexpr std::array<Texts, FieldKindCount> kColumnCaptions = {{
    {u8"Track number", u8"Номер дорожки"},
    {u8"Title", u8"Название"},
    {u8"Artist", u8"Исполнитель"},
    {u8"Album", u8"Альбом"},
    {u8"Genre", u8"Жанр"},
    {u8"Year", u8"Год"},
    {u8"Comment", u8"Комментарий"},
    {u8"Status", u8"Статус"},
}};

template <std::size_t N>
std::u8string_view Pick(const std::array<Texts, N>& table, unsigned code, bool english)
{
    if (code >= N) return {};
    return english ? table[code].english : table[code].russian;
}

// Member pointers of the seven tag fields, in TFieldKind order.
struct FieldMembers {
    std::string TFTag::*text;
    bool TFTag::*mark;
};
constexpr std::array<FieldMembers, fkStatus> kFields = {{
    {&TFTag::TrackText, &TFTag::TrackSet},
    {&TFTag::TitleText, &TFTag::TitleSet},
    {&TFTag::ArtistText, &TFTag::ArtistSet},
    {&TFTag::AlbumText, &TFTag::AlbumSet},
    {&TFTag::GenreText, &TFTag::GenreSet},
    {&TFTag::YearText, &TFTag::YearSet},
    {&TFTag::CommentText, &TFTag::CommentSet},
}};

}  // namespace

std::u8string_view RowStatusText(TRowStatus status, bool english)
{
    return Pick(kStatusTexts, status, english);
}

std::u8string_view FieldKindCaption(std::uint8_t kind, bool english)
{
    return Pick(kColumnCaptions, kind, english);
}

std::string* FieldText(TFTag& tag, std::uint8_t kind)
{
    return kind < kFields.size() ? &(tag.*kFields[kind].text) : nullptr;
}

const std::string* FieldText(const TFTag& tag, std::uint8_t kind)
{
    return kind < kFields.size() ? &(tag.*kFields[kind].text) : nullptr;
}

const std::string* NameText(const TFTag& tag, std::uint8_t kind)
{
    for (const auto& [field, value] : tag.ID3v2Names)
        if (field == kind) return &value;
    return FieldText(tag, kind);
}

bool* FieldMark(TFTag& tag, std::uint8_t kind)
{
    return kind < kFields.size() ? &(tag.*kFields[kind].mark) : nullptr;
}

std::string CommentShown(std::string_view comment)
{
    if (comment.empty() || comment[0] == '\0' || (comment.size() > 1 && comment[1] == '\0')) return {};
    std::string shown;
    std::copy_if(comment.begin(), comment.end(), std::back_inserter(shown),
                 [](char c) { return c != '\0' && c != '\1'; });
    return shown;
}

void FillRecord(TFTag& tag, const std::string& path, const twID3::TtwID3v1& id3v1)
{
    tag.FilePath = path;
    tag.NewName = path;
    tag.TitleText = id3v1.Title();
    tag.ArtistText = id3v1.Artist();
    tag.AlbumText = id3v1.Album();
    tag.YearText = id3v1.Year();
    tag.GenreText = std::string(id3v1.Genre());
    if (std::string comment = CommentShown(id3v1.Comment()); !comment.empty()) tag.CommentText = std::move(comment);
    tag.TrackText = std::to_string(id3v1.TrackNo());
    for (std::uint8_t kind = 0; kind < fkStatus; ++kind) *FieldMark(tag, kind) = false;
    tag.RenameReady = false;
}


}  // namespace sonrik::batch
