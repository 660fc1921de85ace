#include "access/gateway_page_model.h"

#include <utility>

namespace pelmora {

GatewayPageModel::GatewayPageModel(AccessServices access, GatewayModeSwitch mode)
    : m_access(access), m_mode(std::move(mode)) {
    m_access.keeper.LookAgain();
}

void GatewayPageModel::say(std::string message, bool problem) {
    m_message = std::move(message);
    m_problem = problem;
}

void GatewayPageModel::Pasted(const std::string& text) {
    if (m_saving) return;
    PasteVerdict verdict = PastedTokenVerdict(text, m_access.clock.EpochSeconds());
    say(std::move(verdict.message), verdict.problem);
}

void GatewayPageModel::Save(const std::string& text) {
    if (const std::optional<TokenKeeper::SaveResult> refused = m_access.keeper.StartSave(text)) {
        answered(*refused);
        return;
    }
    m_saving = true;
    say("Saving...", false);
}

void GatewayPageModel::answered(const TokenKeeper::SaveResult& result) {
    m_saving = false;
    say(result.message, !result.saved);
    // The page stays open with what was saved, as the other pages do.
    if (result.saved) m_emptied = true;
}

void GatewayPageModel::Remove() {
    m_access.keeper.Remove();
    m_emptied = true;
    say("Removed: reads go back to plain http.", false);
}

void GatewayPageModel::Trust() {
    if (const auto& change = m_access.request.pending_key_change()) m_access.request.trust(change->seen);
}

void GatewayPageModel::SetModeFromList(bool on) {
    if (!m_mode.set) return;
    m_mode.on = on;
    m_mode.set(on);
    say("Saved.", false);
}

void GatewayPageModel::Tick() {
    if (!m_saving) return;
    if (const std::optional<TokenKeeper::SaveResult> saved = m_access.keeper.SaveDone()) answered(*saved);
}

bool GatewayPageModel::TakeEmptiedPaste() { return std::exchange(m_emptied, false); }

}  // namespace pelmora
