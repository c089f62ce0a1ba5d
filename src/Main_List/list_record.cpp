#include "Main_List/list_record.h"

#include <array>

namespace sonrik::list {

namespace {

struct Texts {
    std::string_view english, russian;
};

constexpr std::array<Texts, RowStatusCount> kStatusTexts = {{
    {"Test OK", "Тест пройден"},
    {"File exists", "Файл существует"},
    {"Test ERROR", "Ошибка"},
    {"Not enough information", "Недостаточно информации"},
    {"Write Error", "Ошибка записи в файл"},
    {"TAG(s) is recorded", "ТЭГ(и) записан(ы)"},
    {"No changes", "Изменений не было"},
    {"File is renamed", "Файл переименован"},
}};

constexpr std::array<Texts, FieldKindCount> kColumnCaptions = {{
    {"Track number", "Номер дорожки"},
    {"Title", "Название"},
    {"Artist", "Исполнитель"},
    {"Album", "Альбом"},
    {"Genre", "Жанр"},
    {"Year", "Год"},
    {"Comment", "Комментарий"},
    {"Status", "Статус"},
}};

template <std::size_t N>
std::string_view Pick(const std::array<Texts, N>& table, unsigned code, bool english)
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

std::string_view RowStatusText(TRowStatus status, bool english)
{
    return Pick(kStatusTexts, status, english);
}

std::string_view FieldKindCaption(std::uint8_t kind, bool english)
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

bool* FieldMark(TFTag& tag, std::uint8_t kind)
{
    return kind < kFields.size() ? &(tag.*kFields[kind].mark) : nullptr;
}

}  // namespace sonrik::list
