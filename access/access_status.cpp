#include "access/access_status.h"

#include "access/pinned_key.h"
#include "access/token_text.h"
#include "records/utc_text.h"

namespace pelmora {

std::string KeyChangeText(const TokenGatewayRequest::KeyChange& change) {
    return "The gateway shows a different certificate from the one trusted until now. If you did not replace or "
           "reset the gateway, another device may be answering at its address.\n\n"
           "Trusted key (SHA-256):\n" +
           Fingerprint(change.pinned.key_sha256) + "\n\nNew key (SHA-256):\n" + Fingerprint(change.seen.key_sha256) +
           "\n\nNew certificate: " + change.seen.subject + ", valid from " + UtcDateText(change.seen.not_before) +
           " to " + UtcDateText(change.seen.not_after);
}

std::string KeyChangeQuestion(const TokenGatewayRequest::KeyChange& change) {
    return KeyChangeText(change) + "\n\nTrust the new certificate? Until you do, nothing is sent to the gateway.";
}

void AccessStatus::RefreshCaption() {
    if (m_base_caption.empty()) return;
    std::string caption = m_base_caption;
    if (const std::optional<std::string> token = m_services.keeper.Token()) {
        if (const TokenCheck check = DecodeToken(*token); check.facts)
            caption = TokenCaption(m_base_caption, check.facts->exp, m_services.clock.EpochSeconds());
    }
    if (m_frame.caption() != caption) m_frame.set_caption(caption);
}

bool AccessStatus::AfterRead() {
    RefreshCaption();
    if (const std::optional<std::string> note = m_services.request.take_renewal_note()) m_view.set_tooltip("IP", *note);
    if (!m_question) m_question = m_services.request.key_change_to_ask();
    return m_question.has_value();
}

void AccessStatus::AskAboutKey() {
    const std::optional<TokenGatewayRequest::KeyChange> change = std::exchange(m_question, std::nullopt);
    if (!change) return;
    if (m_box.AskYesNo(KeyChangeQuestion(*change), "Gateway certificate changed"))
        m_services.request.trust(change->seen);
}

}  // namespace pelmora
