// Inside the ID3v2 reader: the table of frames whose values it reads, and
// the decoding of their data. Every other frame is only listed.
#pragma once

#include "twID3/id3v2.h"

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sonrik::twID3::id3v2 {

// The frame's row in the table of frames read, by its id in the tag's own
// version (three characters in 2.2); -1 for a frame that is only listed.
int WantedFrame(std::string_view id, std::uint8_t version);

// Collects the values of the wanted frames of one tag, in file order.
class FrameValues {
public:
    explicit FrameValues(std::uint8_t version) : version_(version) {}
    // Takes the data of the frame in row `row` (flag bytes removed,
    // unsynchronisation undone). False when its text encoding is unknown.
    bool Take(int row, std::string_view data);
    // Puts the values into `tag`: the first frame of each id wins; the year
    // from TDRC, else TYER; the comment chosen among all.
    void Finish(ID3v2Tag& tag);

private:
    std::uint8_t version_;
    std::bitset<16> seen_;
    std::vector<std::vector<std::string>> values_ = std::vector<std::vector<std::string>>(16);
    std::vector<std::pair<std::string, std::string>> comments_;  // description, text
};

// Text in an ID3v2 encoding (0 ISO-8859-1, 1 UTF-16 with a byte-order mark,
// 2 UTF-16BE, 3 UTF-8) as UTF-8; ill-formed sequences become U+FFFD.
std::string DecodeText(std::uint8_t encoding, std::string_view bytes);

// A genre as stored in TCON ("(17)", "(17)Rock", "17", "RX", "CR", a name)
// as the names it stands for.
std::vector<std::string> GenreNamesOf(std::string_view value);

}  // namespace sonrik::twID3::id3v2
