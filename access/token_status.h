#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "access/access_status.h"
#include "access/token_text.h"

namespace pelmora {

// The Gateway page's switch that reads the second meter as the meter list
// says; no switch on the page without `set`.
struct GatewayModeSwitch {
    bool on = false;
    std::function<void(bool)> set;
};

// "Expires 2027-03-01 (81 days left); user: owner; gateway 122233445566":
// the token's expiry in UTC with the whole days left, its role and serial.
std::string DescribeToken(const TokenFacts& facts, std::int64_t now);

// What the Gateway page says of access: the token in force, where it is
// kept and whether the gateway refused it; or why there is none.
std::string TokenStatusText(AccessServices access);

// What the Gateway page says of a changed certificate key waiting for the
// user's trust; "" when there is none.
std::string PendingKeyText(AccessServices access);

// What the Gateway page says of the text pasted so far: "" for none, the
// token's facts, or why it is no token.
struct PasteVerdict {
    std::string message;
    bool problem = false;
};
PasteVerdict PastedTokenVerdict(const std::string& pasted, std::int64_t now);

}  // namespace pelmora
