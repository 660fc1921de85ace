#pragma once

#include <functional>
#include <future>
#include <optional>
#include <string>

#include "publish/publish_form.h"
#include "publish/publish_services.h"

namespace pelmora {

// What the Publish page of Options does, the same for every front end: the
// fields as [Mqtt] has them, Save with its message ("Saved." or what is
// wrong), the connection's state, and whether a broker password is kept so
// that an empty field keeps it. The store is asked off the window's thread;
// until it answers no password counts as kept. "Saved." goes once the
// connection moves on from the state it was saved in (after "Connecting...",
// from the state that followed).
class PublishPageModel {
public:
    PublishPageModel(PublishServices services, std::function<std::string()> address);

    // The fields as the page opens with them.
    const PublishForm& loaded() const { return m_loaded; }
    // Checks and keeps the fields; true once saved.
    bool Save(const PublishForm& form);
    // Follows the connection and the store; the page calls it twice a second.
    void Tick();

    const std::string& state() const { return m_state; }
    const std::string& message() const { return m_message; }
    bool password_kept() const { return m_kept.value_or(false); }

private:
    std::string connection_state() const;

    PublishServices m_services;
    std::function<std::string()> m_address;
    PublishForm m_loaded;
    std::future<bool> m_asked;   // whether the store holds a password
    std::optional<bool> m_kept;  // known once the store answered or a save told
    std::string m_state;
    std::string m_message;
    std::string m_state_at_save;
};

}  // namespace pelmora
