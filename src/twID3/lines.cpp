#include "twID3/twID3.h"

#include "text/text.h"

namespace sonrik::twID3 {

LineList TextToLines(std::string_view text) { return text::SplitLines(text::UpToZero(text)); }

std::string LinesToText(const LineList& lines) { return text::JoinLines(lines); }

}  // namespace sonrik::twID3
