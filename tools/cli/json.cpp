#include "cli/json.h"

#include "text/utf8.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace sonrik::cli {

namespace {

void AppendJsonString(std::string& out, std::string_view utf8)
{
    // Plain ASCII, the usual case, needs no decoding.
    const bool ascii = std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const std::string sanitized = ascii ? std::string() : text::SanitizeUtf8(utf8);
    const std::string_view text = ascii ? utf8 : std::string_view(sanitized);
    out += '"';
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", u);
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
}

}  // namespace

std::string JsonString(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size() + 2);
    AppendJsonString(out, utf8);
    return out;
}

void JsonWriter::NewLine(std::size_t depth)
{
    pending_ += '\n';
    pending_.append(depth * 2, ' ');
}

void JsonWriter::Flush()
{
    if (pending_.empty()) return;
    out_.write(pending_.data(), static_cast<std::streamsize>(pending_.size()));
    pending_.clear();
}

// Writing out of order is a programming error, caught here rather than
// producing broken output.
void JsonWriter::BeforeValue()
{
    if (levels_.empty()) return;
    Level& level = levels_.back();
    if (level.object) {
        if (!afterKey_) throw std::logic_error("JSON value without a key");
        afterKey_ = false;
        return;
    }
    if (!level.empty) pending_ += ',';
    level.empty = false;
    NewLine(levels_.size());
}

void JsonWriter::Key(std::string_view name)
{
    if (levels_.empty() || !levels_.back().object || afterKey_)
        throw std::logic_error("JSON key outside an object");
    Level& level = levels_.back();
    if (!level.empty) pending_ += ',';
    level.empty = false;
    NewLine(levels_.size());
    AppendJsonString(pending_, name);
    pending_ += ": ";
    afterKey_ = true;
}

void JsonWriter::BeginObject()
{
    BeforeValue();
    pending_ += '{';
    levels_.push_back({true});
}

void JsonWriter::BeginArray()
{
    BeforeValue();
    pending_ += '[';
    levels_.push_back({false});
}

void JsonWriter::Close(char bracket)
{
    if (levels_.empty() || levels_.back().object != (bracket == '}') || afterKey_)
        throw std::logic_error("unbalanced JSON");
    const bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty) NewLine(levels_.size());
    pending_ += bracket;
    constexpr std::size_t kPiece = 64 * 1024;
    if (levels_.empty()) {
        pending_ += '\n';
        Flush();
    } else if (pending_.size() >= kPiece) {
        Flush();
    }
}

void JsonWriter::EndObject() { Close('}'); }
void JsonWriter::EndArray() { Close(']'); }

void JsonWriter::String(std::string_view utf8)
{
    BeforeValue();
    AppendJsonString(pending_, utf8);
}

void JsonWriter::Number(std::int64_t value)
{
    BeforeValue();
    pending_ += std::to_string(value);
}

void JsonWriter::Bool(bool value)
{
    BeforeValue();
    pending_ += value ? "true" : "false";
}

void JsonWriter::Null()
{
    BeforeValue();
    pending_ += "null";
}

void JsonWriter::StringArray(std::string_view name, const std::vector<std::string>& items)
{
    Key(name);
    BeginArray();
    for (const auto& item : items) String(item);
    EndArray();
}

}  // namespace sonrik::cli
