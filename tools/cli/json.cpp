#include "cli/json.h"

#include "cli/utf8.h"

#include <cstdio>
#include <stdexcept>

namespace sonrik::cli {

std::string JsonString(std::string_view utf8)
{
    const std::string text = SanitizeUtf8(utf8);
    std::string out;
    out.reserve(text.size() + 2);
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
    return out;
}

void JsonWriter::NewLine(std::size_t depth)
{
    out_ << '\n' << std::string(depth * 2, ' ');
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
    if (!level.empty) out_ << ',';
    level.empty = false;
    NewLine(levels_.size());
}

void JsonWriter::Key(std::string_view name)
{
    if (levels_.empty() || !levels_.back().object || afterKey_)
        throw std::logic_error("JSON key outside an object");
    Level& level = levels_.back();
    if (!level.empty) out_ << ',';
    level.empty = false;
    NewLine(levels_.size());
    out_ << JsonString(name) << ": ";
    afterKey_ = true;
}

void JsonWriter::BeginObject()
{
    BeforeValue();
    out_ << '{';
    levels_.push_back({true});
}

void JsonWriter::BeginArray()
{
    BeforeValue();
    out_ << '[';
    levels_.push_back({false});
}

void JsonWriter::Close(char bracket)
{
    if (levels_.empty() || levels_.back().object != (bracket == '}') || afterKey_)
        throw std::logic_error("unbalanced JSON");
    const bool empty = levels_.back().empty;
    levels_.pop_back();
    if (!empty) NewLine(levels_.size());
    out_ << bracket;
    if (levels_.empty()) out_ << '\n';
}

void JsonWriter::EndObject() { Close('}'); }
void JsonWriter::EndArray() { Close(']'); }

void JsonWriter::String(std::string_view utf8)
{
    BeforeValue();
    out_ << JsonString(utf8);
}

void JsonWriter::Number(std::int64_t value)
{
    BeforeValue();
    out_ << value;
}

void JsonWriter::Bool(bool value)
{
    BeforeValue();
    out_ << (value ? "true" : "false");
}

void JsonWriter::Null()
{
    BeforeValue();
    out_ << "null";
}

void JsonWriter::StringArray(std::string_view name, const std::vector<std::string>& items)
{
    Key(name);
    BeginArray();
    for (const auto& item : items) String(item);
    EndArray();
}

}  // namespace sonrik::cli
