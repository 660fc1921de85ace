#include "site/gateway_info.h"

#include "site/printable_text.h"
#include "site/side_document_limits.h"

namespace pelmora {

namespace {

constexpr std::size_t kLongestField = 64;

// The text between the first <tag> and the </tag> after it; nothing when either is missing.
std::optional<std::string_view> element(std::string_view text, std::string_view tag) {
    const std::string open = "<" + std::string(tag) + ">";
    const std::string close = "</" + std::string(tag) + ">";
    const std::size_t start = text.find(open);
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t from = start + open.size();
    const std::size_t end = text.find(close, from);
    if (end == std::string_view::npos) return std::nullopt;
    return text.substr(from, end - from);
}

std::string field(std::string_view device, std::string_view tag) {
    const std::optional<std::string_view> inner = element(device, tag);
    // Markup or an entity inside a field is not a value this program takes.
    if (!inner || inner->find_first_of("<&") != std::string_view::npos) return {};
    std::string value = PrintableText(inner->substr(0, kLongestField));
    const std::size_t first = value.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return value.substr(first, value.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

std::optional<GatewayInfo> ParseGatewayInfo(std::string_view text) {
    if (text.size() > kLargestSideDocument) return std::nullopt;
    const std::optional<std::string_view> device = element(text, "device");
    if (!device) return std::nullopt;
    GatewayInfo info{field(*device, "sn"), field(*device, "pn"), field(*device, "software")};
    if (info.serial.empty()) return std::nullopt;
    return info;
}

}  // namespace pelmora
