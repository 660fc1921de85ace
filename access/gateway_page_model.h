#pragma once

#include <string>

#include "access/access_status.h"
#include "access/token_keeper.h"
#include "access/token_status.h"

namespace pelmora {

// What the Gateway page of Options does, the same for every front end: what
// a paste is, Save (never waiting for the secret store: "Saving..." until
// it answers), Remove, trusting a changed certificate, the switch for the
// second meter, and what the page says of each. The page copies the paste
// in and draws the rest.
class GatewayPageModel {
public:
    // Asks the keeper to look for the token again.
    GatewayPageModel(AccessServices access, GatewayModeSwitch mode);

    // The paste changed: what the page says of it, unless a save waits.
    void Pasted(const std::string& text);
    void Save(const std::string& text);
    void Remove();
    void Trust();
    void SetModeFromList(bool on);
    // Takes up the keeper's answer to a save; the page calls it a few times a second.
    void Tick();

    const std::string& message() const { return m_message; }
    // The message tells of a problem.
    bool problem() const { return m_problem; }
    // A save waits for the store: Save is not offered.
    bool saving() const { return m_saving; }
    // The token in force and what keeps one from being used.
    std::string facts() const { return TokenStatusText(m_access); }
    // A changed certificate waits to be trusted, and what it is.
    bool key_changed() const { return m_access.request.pending_key_change().has_value(); }
    std::string key_text() const { return PendingKeyText(m_access); }
    bool has_mode_switch() const { return static_cast<bool>(m_mode.set); }
    bool mode_on() const { return m_mode.on; }
    // True once after a save or a removal emptied what was pasted.
    bool TakeEmptiedPaste();

private:
    void say(std::string message, bool problem);
    void answered(const TokenKeeper::SaveResult& result);

    AccessServices m_access;
    GatewayModeSwitch m_mode;
    std::string m_message;
    bool m_problem = false;
    bool m_saving = false;
    bool m_emptied = false;
};

}  // namespace pelmora
