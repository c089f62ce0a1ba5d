#include "sonrik/settings_file.h"

#include "platform/platform.h"
#include "text/text.h"

#include <charconv>
#include <cstdint>

namespace sonrik {

namespace {

template <typename T>
std::optional<T> ParseWhole(std::string_view text, int base)
{
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<int> ParseSettingInteger(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const auto bits = ParseWhole<std::uint32_t>(text.substr(2), 16);
        if (!bits) return std::nullopt;
        return static_cast<int>(static_cast<std::int32_t>(*bits));
    }
    // from_chars takes '-' but not '+'; a stored "+5" is still a signed decimal.
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
    return ParseWhole<std::int32_t>(text, 10);
}

bool SettingsFile::ReadBool(const std::string& key, bool defaultValue) const
{
    return ReadInteger(key, defaultValue ? 1 : 0) != 0;
}

int SettingsFile::ReadInteger(const std::string& key, int defaultValue) const
{
    const std::string text = platform::ReadProfileString(path_, kSection, key, "");
    return ParseSettingInteger(text).value_or(defaultValue);
}

void SettingsFile::WriteBool(const std::string& key, bool value) const
{
    WriteString(key, value ? "1" : "0");
}

void SettingsFile::WriteInteger(const std::string& key, int value) const
{
    WriteString(key, std::to_string(value));
}

void SettingsFile::WriteString(const std::string& key, const std::string& value) const
{
    if (!platform::WriteProfileString(path_, kSection, key, value))
        throw Error(u8"Unable to write to " + text::FromAnsi(path_));
}

}  // namespace sonrik
