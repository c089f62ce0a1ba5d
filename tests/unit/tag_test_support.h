// Helpers for tests that work on real files in a temporary folder.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <utility>
#include <vector>
#include <string_view>

namespace sonrik::testing {

// A fresh folder, removed with everything in it when the test ends.
class TempDir {
public:
    TempDir()
    {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("sonrik-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        for (const auto& entry : std::filesystem::directory_iterator(path_, ec))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(std::string_view name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::string& name, std::string_view bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Stand-in for audio: bytes that never form a tag marker by chance.
inline std::string Audio(std::size_t size, char seed = 'a')
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + (i * 7) % 13);
    return bytes;
}

// A 128-byte ID3v1 record from its fields; `track` >= 0 makes it ID3v1.1.
inline std::string Record(std::string_view title, std::string_view artist = {}, std::string_view album = {},
                          std::string_view year = {}, std::string_view comment = {}, int track = -1,
                          std::uint8_t genre = 0)
{
    std::string r(128, '\0');
    r.replace(0, 3, "TAG");
    auto put = [&r](std::size_t at, std::size_t width, std::string_view v) {
        r.replace(at, std::min(width, v.size()), v.substr(0, width));
    };
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, album);
    put(93, 4, year);
    put(97, 30, comment);
    if (track >= 0) {
        r[125] = '\0';
        r[126] = static_cast<char>(track);
    }
    r[127] = static_cast<char>(genre);
    return r;
}

// A version 2.00 block from ready-made fields ("LYR00005Hello...").
inline std::string BlockV2(std::string_view fields)
{
    std::string block = "LYRICSBEGIN";
    block += fields;
    std::string size = std::to_string(block.size());
    size.insert(0, 6 - size.size(), '0');
    return block + size + "LYRICS200";
}

// Compares file contents and reports the first difference with a little
// context, instead of printing megabytes of audio.
inline ::testing::AssertionResult SameBytes(std::string_view actual, std::string_view expected)
{
    if (actual == expected) return ::testing::AssertionSuccess();
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    const std::size_t from = at > 16 ? at - 16 : 0;
    return ::testing::AssertionFailure()
           << "sizes " << actual.size() << " and " << expected.size() << ", first difference at " << at
           << "\n  actual:   " << ::testing::PrintToString(std::string(actual.substr(from, 64)))
           << "\n  expected: " << ::testing::PrintToString(std::string(expected.substr(from, 64)));
}

inline std::string BlockV1(std::string_view lyrics)
{
    return "LYRICSBEGIN" + std::string(lyrics) + "LYRICSEND";
}

// An ID3v2.3 tag of ISO-8859-1 text frames ({"TIT2", "Title"}), as the start of a file.
inline std::string ID3v2TextTag(const std::vector<std::pair<std::string, std::string>>& frames)
{
    const auto size = [](std::size_t n, int bits) {
        std::string bytes;
        for (int shift = 3 * bits; shift >= 0; shift -= bits) bytes += static_cast<char>(n >> shift & ((1u << bits) - 1));
        return bytes;
    };
    std::string body;
    for (const auto& [id, text] : frames) body += id + size(text.size() + 1, 8) + std::string(3, '\0') + text;
    return std::string("ID3\3\0\0", 6) + size(body.size(), 7) + body;
}

}  // namespace sonrik::testing
