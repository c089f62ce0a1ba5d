// The options of both editor windows in the settings file "moduls.ini", which
// the module shares with the host: only the section SONRIKSETTS is ours. The
// object only remembers the path; every read and write goes to the file at
// once, so a change made by one window is seen by the next one created.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace sonrik {

namespace setting {
inline constexpr char kEng[] = "ENG";
inline constexpr char kAutoRemoveReadOnly[] = "AUTOREMOWE_READONLY";  // spelled with W
inline constexpr char kAutoRestoreReadOnly[] = "AUTORESTORE_READONLY";
inline constexpr char kEmptyOnly[] = "EMPTY_ONLY";
inline constexpr char kUnderscoreBySpaces[] = "UNDERSCORE_BY_SPACES";
inline constexpr char kOptionList[] = "OPTIONLIST";
}  // namespace setting

// A stored integer: "0x"/"0X" followed by hexadecimal digits when the text is
// longer than two characters (up to eight digits, the 32-bit pattern), a
// signed decimal otherwise. Nothing for any other text and out of range.
std::optional<int> ParseSettingInteger(std::string_view text);

class SettingsFile {
public:
    static constexpr char kFileName[] = "moduls.ini";
    static constexpr char kSection[] = "SONRIKSETTS";

    explicit SettingsFile(std::string path) : path_(std::move(path)) {}
    // The settings file in the module's folder (ModuleDir, which ends in a separator).
    static SettingsFile InFolder(const std::string& moduleDir)
    {
        return SettingsFile(moduleDir + kFileName);
    }

    const std::string& path() const noexcept { return path_; }

    // An absent key or a value that is not a number gives the default.
    bool ReadBool(const std::string& key, bool defaultValue) const;
    int ReadInteger(const std::string& key, int defaultValue) const;

    // Written as "1"/"0" and as decimal text. A failed write throws Error
    // "Unable to write to <path>".
    void WriteBool(const std::string& key, bool value) const;
    void WriteInteger(const std::string& key, int value) const;

private:
    void WriteString(const std::string& key, const std::string& value) const;

    std::string path_;
};

}  // namespace sonrik
