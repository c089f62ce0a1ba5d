#include "batch/id3v2_names.h"

#include "batch/templates.h"
#include "text/codepage.h"
#include "twID3/id3v2.h"

#include <array>

namespace sonrik::batch {

namespace {

struct NameField {
    TFieldKind kind;
    std::vector<std::string> twID3::ID3v2Tag::*values;
    std::string_view name;    // for notes
    std::size_t width;        // the record's field: a value this long may be cut
    std::size_t shortWidth;   // ... or this long (a comment beside a track)
};

constexpr std::array<NameField, 6> kNameFields = {{
    {fkTitle, &twID3::ID3v2Tag::title, "title", 30, 30},
    {fkArtist, &twID3::ID3v2Tag::artist, "artist", 30, 30},
    {fkAlbum, &twID3::ID3v2Tag::album, "album", 30, 30},
    {fkComment, &twID3::ID3v2Tag::comment, "comment", 30, 28},
    {fkTrack, &twID3::ID3v2Tag::track, "track", 0, 0},
    {fkGenre, &twID3::ID3v2Tag::genre, "genre", 0, 0},
}};

std::string Joined(const std::vector<std::string>& values)
{
    std::string text;
    for (const auto& value : values) {
        if (value.empty()) continue;
        if (!text.empty()) text += " & ";
        text += value;
    }
    return text;
}

std::string_view TrimmedRight(std::string_view text)
{
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// The record's value is the ID3v2 value cut at the field's width.
bool CutFrom(std::string_view record, std::string_view whole, const NameField& field)
{
    for (const std::size_t width : {field.width, field.shortWidth}) {
        if (width > 0 && whole.size() > width && !record.empty() && TrimmedRight(whole.substr(0, width)) == record)
            return true;
    }
    return false;
}

}  // namespace

std::string ID3v2TrackNumber(std::string_view text)
{
    const auto number = TrackNumberValue(text.substr(0, text.find('/')));
    return number && *number > 0 ? std::to_string(*number) : std::string();
}

std::vector<std::string> TakeID3v2Names(TFTag& tag, const twID3::ID3v2Tag& v2, bool hasRecord,
                                        const text::CodePage& codePage)
{
    tag.ID3v2Names.clear();
    std::vector<std::string> notes;
    for (const NameField& field : kNameFields) {
        std::string whole = Joined(v2.*field.values);
        if (field.kind == fkTrack) whole = ID3v2TrackNumber(whole);
        if (whole.empty()) continue;
        const std::string& record = *FieldText(tag, field.kind);
        const bool lacking = !hasRecord || record.empty() || (field.kind == fkTrack && record == "0");
        std::string value;
        try {
            value = codePage.Encode(whole);
        } catch (const text::EncodeError& e) {
            if (lacking || CutFrom(record, whole, field))
                notes.push_back("the ID3v2 " + std::string(field.name) + " is not taken: " + e.what());
            continue;
        }
        if (value != record && (lacking || CutFrom(record, value, field)))
            tag.ID3v2Names.emplace_back(field.kind, std::move(value));
    }
    return notes;
}

}  // namespace sonrik::batch
