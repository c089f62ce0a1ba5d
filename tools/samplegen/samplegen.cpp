// sonrik-samplegen: writes a short MPEG-1 Layer III stream of silence, a real
// file that players and tag tools accept, for the samples and tests.
//
//   sonrik-samplegen [--frames N] OUTPUT
//
// Every frame is 128 kbit/s, 44.1 kHz, stereo, without CRC. Its side info and
// main data are all zero, which decodes to silence. Frames are padded the way
// encoders pad them so the average bit rate is exactly 128 kbit/s.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr long kBitRate = 128000;
constexpr long kSampleRate = 44100;
constexpr long kSamplesPerFrame = 1152;
// Bytes per frame = 144 * bit rate / sample rate = 417.96...
constexpr long kFrameBytesTimesRate = kSamplesPerFrame / 8 * kBitRate;
constexpr int kDefaultFrames = 40;
constexpr int kMaxFrames = 100000;

// Sync, MPEG-1, Layer III, no CRC; 128 kbit/s (index 9), 44.1 kHz (index 0),
// padding bit in the third byte; stereo, no emphasis.
constexpr std::array<std::uint8_t, 4> kHeader = {0xFF, 0xFB, 0x90, 0x00};
constexpr std::uint8_t kPaddingBit = 0x02;

std::vector<std::uint8_t> SilentStream(int frames)
{
    std::vector<std::uint8_t> stream;
    long remainder = 0;
    for (int i = 0; i < frames; ++i) {
        long length = kFrameBytesTimesRate / kSampleRate;
        remainder += kFrameBytesTimesRate % kSampleRate;
        const bool padded = remainder >= kSampleRate;
        if (padded) {
            remainder -= kSampleRate;
            ++length;
        }
        const auto start = stream.size();
        stream.resize(start + static_cast<std::size_t>(length), 0);
        std::copy(kHeader.begin(), kHeader.end(), stream.begin() + static_cast<std::ptrdiff_t>(start));
        if (padded)
            stream[start + 2] |= kPaddingBit;
    }
    return stream;
}

// Writes beside the target and renames, so OUTPUT is either complete or untouched.
void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes)
{
    std::filesystem::path temp = path;
    temp += ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            throw std::runtime_error("cannot write " + temp.string());
        }
    }
    std::filesystem::rename(temp, path);
}

int ParseFrames(std::string_view text)
{
    int frames = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), frames);
    if (error != std::errc() || end != text.data() + text.size() || frames < 1 || frames > kMaxFrames)
        throw std::invalid_argument("--frames needs a number from 1 to " + std::to_string(kMaxFrames));
    return frames;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        int frames = kDefaultFrames;
        std::string output;
        for (int i = 1; i < argc; ++i) {
            const std::string_view arg = argv[i];
            if (arg == "--frames" && i + 1 < argc)
                frames = ParseFrames(argv[++i]);
            else if (!arg.starts_with("-") && output.empty())
                output = arg;
            else
                throw std::invalid_argument("unexpected argument '" + std::string(arg) + "'");
        }
        if (output.empty())
            throw std::invalid_argument("no output file given");
        WriteFile(output, SilentStream(frames));
        return 0;
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "sonrik-samplegen: %s\nusage: sonrik-samplegen [--frames N] OUTPUT\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "sonrik-samplegen: %s\n", error.what());
        return 1;
    }
}
