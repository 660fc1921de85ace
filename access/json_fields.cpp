#include "access/json_fields.h"

#include <simdjson.h>

#include <charconv>

namespace pelmora {

namespace {

constexpr std::size_t kMaxDepth = 32;

std::string number_text(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::optional<std::map<std::string, JsonScalar>> ReadJsonObject(std::string_view text) {
    simdjson::dom::parser parser;
    if (parser.allocate(text.size() + 1, kMaxDepth) != simdjson::SUCCESS) return std::nullopt;
    simdjson::dom::object object;
    if (parser.parse(text.data(), text.size()).get(object) != simdjson::SUCCESS) return std::nullopt;
    std::map<std::string, JsonScalar> members;
    for (const simdjson::dom::key_value_pair member : object) {
        JsonScalar scalar;
        const simdjson::dom::element value = member.value;
        switch (value.type()) {
            case simdjson::dom::element_type::STRING:
                scalar.text = std::string(value.get_string().value_unsafe());
                scalar.is_string = true;
                break;
            case simdjson::dom::element_type::INT64:
                scalar.text = std::to_string(value.get_int64().value_unsafe());
                scalar.is_number = true;
                break;
            case simdjson::dom::element_type::UINT64:
                scalar.text = std::to_string(value.get_uint64().value_unsafe());
                scalar.is_number = true;
                break;
            case simdjson::dom::element_type::DOUBLE:
                scalar.text = number_text(value.get_double().value_unsafe());
                scalar.is_number = true;
                break;
            case simdjson::dom::element_type::BOOL:
                scalar.text = value.get_bool().value_unsafe() ? "true" : "false";
                break;
            default: break;  // null, arrays and objects carry no scalar
        }
        // A key given twice keeps its last value.
        members[std::string(member.key)] = std::move(scalar);
    }
    return members;
}

}  // namespace pelmora
