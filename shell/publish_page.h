#pragma once

#include <QWidget>
#include <functional>
#include <future>
#include <string>

#include "platform/message_bus.h"
#include "platform/settings_store.h"
#include "publish/broker_password.h"
#include "publish/publish_page_model.h"
#include "publish/publish_services.h"
#include "publish/publisher.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QTimer;

namespace pelmora {

// The Options dialog's "Publish" page: where the readings go over MQTT. Its
// fields are checked before anything is kept; Save keeps the settings in
// [Mqtt] and the password in the secret store, and applies them at once;
// the page stays open and shows the connection's state live. Close ends it.
// The password field says "unchanged" only when a password is kept.
class PublishPage : public QWidget {
public:
    PublishPage(PublishServices services, std::function<std::string()> address, QWidget* parent = nullptr);

    void on_done(std::function<void()> done) { m_done = std::move(done); }
    void Save();

private:
    void show_state();

    PublishPageModel m_model;
    QCheckBox* m_enabled;
    QLineEdit* m_host;
    QLineEdit* m_port;
    QCheckBox* m_tls;
    QCheckBox* m_verify;
    QLineEdit* m_user;
    QLineEdit* m_password;
    QLineEdit* m_prefix;
    QCheckBox* m_discovery;
    QLineEdit* m_discovery_prefix;
    QCheckBox* m_inverters;
    QLineEdit* m_interval;
    QLabel* m_state;
    QLabel* m_message;
    QTimer* m_refresh;
    std::function<void()> m_done;
};

}  // namespace pelmora
