#include "access/token_status.h"
#include "records/utc_text.h"

namespace pelmora {

std::string DescribeToken(const TokenFacts& facts, std::int64_t now) {
    std::string text = "Expires " + UtcDateText(facts.exp);
    if (facts.exp <= now) {
        text += " (expired)";
    } else {
        const std::int64_t days = DaysLeft(facts.exp, now);
        text += " (" + std::to_string(days) + (days == 1 ? " day left)" : " days left)");
    }
    if (!facts.role.empty()) text += "; user: " + facts.role;
    if (!facts.serial.empty()) text += "; gateway " + facts.serial;
    return text;
}

std::string TokenStatusText(AccessServices access) {
    TokenKeeper& keeper = access.keeper;
    std::string text;
    if (const std::optional<std::string> current = keeper.Token()) {
        const TokenCheck check = DecodeToken(*current);
        text =
            "Current token: " + (check.facts ? DescribeToken(*check.facts, access.clock.EpochSeconds()) : check.error) +
            ".\nKept in " + keeper.Where() + ".";
        if (const std::optional<std::int64_t> refused = access.request.token_refused_at()) {
            text += "\nThe gateway refused this token on " + UtcDateText(*refused) +
                    "; Pelmora tries it again each minute. Paste a token made for this gateway's serial number.";
        }
    } else if (keeper.Expected()) {
        text = "Token not available, so Pelmora does not read the gateway.";
        if (const std::string problem = keeper.Problem(); !problem.empty()) text += "\n" + problem;
        text += "\nPelmora looks again each minute and whenever Options opens.";
    } else {
        text = "No token: Pelmora reads the gateway over plain http.";
        if (const std::string problem = keeper.Problem(); !problem.empty()) text += "\n" + problem;
    }
    return text;
}

std::string PendingKeyText(AccessServices access) {
    const std::optional<TokenGatewayRequest::KeyChange>& change = access.request.pending_key_change();
    if (!change) return "";
    return KeyChangeText(*change) + "\n\nUntil you trust it, nothing is sent to the gateway.";
}

PasteVerdict PastedTokenVerdict(const std::string& pasted, std::int64_t now) {
    const std::string token = TrimToken(pasted);
    if (token.empty()) return {};
    const TokenCheck check = DecodeToken(token);
    if (check.facts) return {"This token: " + DescribeToken(*check.facts, now), false};
    return {check.error, true};
}

}  // namespace pelmora
