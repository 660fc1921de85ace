#include "publish/publish_page_model.h"

#include <chrono>
#include <utility>

namespace pelmora {

PublishPageModel::PublishPageModel(PublishServices services, std::function<std::string()> address)
    : m_services(services), m_address(std::move(address)), m_loaded(LoadPublishForm(m_services)) {
    BrokerPassword& kept = m_services.password;
    m_asked = std::async(std::launch::async, [&kept] { return !kept.Load().empty(); });
    m_state = connection_state();
}

std::string PublishPageModel::connection_state() const {
    return m_services.publisher.running() ? m_services.bus.State() : "Not publishing";
}

bool PublishPageModel::Save(const PublishForm& form) {
    if (std::string problem = SavePublishForm(m_services, form, m_address()); !problem.empty()) {
        m_message = std::move(problem);
        return false;
    }
    // What is kept now is known without asking the store again, except an
    // empty field over a password the store has not yet told of.
    if (form.user.empty() || !form.password.empty()) {
        m_kept = !form.user.empty();
        m_asked = {};
    }
    m_message = "Saved.";
    m_state_at_save = connection_state();
    Tick();
    return true;
}

void PublishPageModel::Tick() {
    m_state = connection_state();
    if (m_message == "Saved." && m_state != m_state_at_save) {
        if (m_state_at_save == "Connecting...") {
            m_state_at_save = m_state;
        } else {
            m_message.clear();
        }
    }
    if (m_asked.valid() && m_asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
        m_kept = m_asked.get();
}

}  // namespace pelmora
