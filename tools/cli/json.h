// A small streaming JSON writer: indented output, correct escaping.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace sonrik::cli {

// The quoted JSON string for a UTF-8 text: '"' and '\' escaped, control
// characters below U+0020 as \u00XX, ill-formed UTF-8 replaced by U+FFFD.
std::string JsonString(std::string_view utf8);

// Output is gathered and handed to the stream in large pieces: when the
// outermost value is closed, and on the way whenever much has gathered.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}
    JsonWriter(const JsonWriter&) = delete;
    JsonWriter& operator=(const JsonWriter&) = delete;
    ~JsonWriter() { Flush(); }

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // The name of the next member of the current object.
    void Key(std::string_view name);

    void String(std::string_view utf8);
    void Number(std::int64_t value);
    void Bool(bool value);
    void Null();

    // Shorthands for one member.
    void Member(std::string_view name, std::string_view utf8) { Key(name), String(utf8); }
    void NumberMember(std::string_view name, std::int64_t value) { Key(name), Number(value); }
    void BoolMember(std::string_view name, bool value) { Key(name), Bool(value); }
    void StringArray(std::string_view name, const std::vector<std::string>& items);

private:
    struct Level {
        bool object;
        bool empty = true;
    };
    void BeforeValue();
    void NewLine(std::size_t depth);
    void Close(char bracket);
    void Flush();

    std::ostream& out_;
    std::string pending_;
    std::vector<Level> levels_;
    bool afterKey_ = false;
};

}  // namespace sonrik::cli
