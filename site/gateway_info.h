#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelmora {

// Who the gateway is, from its /info document.
struct GatewayInfo {
    std::string serial;
    std::string part;
    std::string firmware;

    bool operator==(const GatewayInfo&) const = default;
};

// The gateway's serial, part number and firmware: the texts of the <sn>,
// <pn> and <software> tags inside its <device> element, taken as they stand
// (no entity is expanded, no markup inside them is accepted), made printable
// and at most 64 characters each. Nothing for a document without a <device>
// holding a serial, or larger than kLargestSideDocument.
std::optional<GatewayInfo> ParseGatewayInfo(std::string_view text);

}  // namespace pelmora
