#include "shell/publish_page.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "publish/publish_form.h"
#include "shell/page_buttons.h"

namespace pelmora {

namespace {

QString q(const std::string& text) { return QString::fromStdString(text); }

QLineEdit* field(QWidget* parent, const char* name, const std::string& text) {
    auto* edit = new QLineEdit(q(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QCheckBox* switch_box(QWidget* parent, const char* name, const char* caption, bool on) {
    auto* box = new QCheckBox(QString::fromLatin1(caption), parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(on);
    return box;
}

}  // namespace

PublishPage::PublishPage(PublishServices services, std::function<std::string()> address, QWidget* parent)
    : QWidget(parent), m_model(services, std::move(address)) {
    setObjectName(QStringLiteral("PublishPage"));
    const PublishForm& s = m_model.loaded();
    m_enabled = switch_box(this, "Enabled", "Publish every reading to an MQTT broker", s.enabled);
    m_host = field(this, "Host", s.host);
    m_port = field(this, "Port", s.port);
    m_tls = switch_box(this, "Tls", "TLS", s.tls);
    m_verify = switch_box(this, "VerifyPeer", "Verify the broker's certificate", s.verify_peer);
    m_user = field(this, "User", s.user);
    m_password = field(this, "Password", "");
    m_password->setEchoMode(QLineEdit::Password);
    m_prefix = field(this, "Prefix", s.prefix);
    m_discovery = switch_box(this, "Discovery", "Home Assistant discovery", s.discovery);
    m_discovery_prefix = field(this, "DiscoveryPrefix", s.discovery_prefix);
    m_inverters = switch_box(this, "Inverters", "A power sensor for each panel (up to a hundred)", s.inverters);
    m_interval = field(this, "Interval", s.interval);
    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("MqttState"));
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("MqttMessage"));
    m_message->setWordWrap(true);
    connect(m_tls, &QCheckBox::toggled, m_verify, &QWidget::setEnabled);
    m_verify->setEnabled(s.tls);

    auto* form = new QFormLayout;
    form->addRow(m_enabled);
    form->addRow(QStringLiteral("Broker host"), m_host);
    form->addRow(QStringLiteral("Port"), m_port);
    form->addRow(m_tls);
    form->addRow(m_verify);
    form->addRow(QStringLiteral("User name"), m_user);
    form->addRow(QStringLiteral("Password"), m_password);
    form->addRow(QStringLiteral("Topic prefix"), m_prefix);
    form->addRow(m_discovery);
    form->addRow(QStringLiteral("Discovery prefix"), m_discovery_prefix);
    form->addRow(m_inverters);
    form->addRow(QStringLiteral("Publish every (s)"), m_interval);
    form->addRow(QStringLiteral("Connection"), m_state);

    QHBoxLayout* buttons = SaveCloseButtons(
        this, [this] { Save(); },
        [this] {
            if (m_done) m_done();
        },
        QStringLiteral("PublishSave"), QStringLiteral("PublishClose"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_message);
    layout->addLayout(buttons);

    m_refresh = new QTimer(this);
    m_refresh->setInterval(500);
    connect(m_refresh, &QTimer::timeout, this, [this] { show_state(); });
    m_refresh->start();
    show_state();
}

void PublishPage::show_state() {
    m_model.Tick();
    m_state->setText(q(m_model.state()));
    m_message->setText(q(m_model.message()));
    m_password->setPlaceholderText(m_model.password_kept() ? QStringLiteral("unchanged") : QString());
}

void PublishPage::Save() {
    const PublishForm form{m_enabled->isChecked(),
                           m_host->text().toStdString(),
                           m_port->text().toStdString(),
                           m_tls->isChecked(),
                           m_verify->isChecked(),
                           m_user->text().toStdString(),
                           m_password->text().toStdString(),
                           m_prefix->text().toStdString(),
                           m_discovery->isChecked(),
                           m_discovery_prefix->text().toStdString(),
                           m_interval->text().toStdString(),
                           m_inverters->isChecked()};
    if (m_model.Save(form)) m_password->clear();
    show_state();
}

}  // namespace pelmora
