#include "shell/gateway_page.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "access/token_status.h"
#include "shell/token_box.h"

namespace pelmora {

GatewayPage::GatewayPage(AccessServices access, const GatewayModeSwitch& mode, QWidget* parent)
    : QWidget(parent),
      m_model(access, mode),
      m_paste(new TokenBox(this)),
      m_facts(new QLabel(this)),
      m_message(new QLabel(this)),
      m_key(new QPlainTextEdit(this)),
      m_trust(new QPushButton(QStringLiteral("Trust the new certificate"), this)),
      m_save(new QPushButton(QStringLiteral("Save"), this)),
      m_watch(new QTimer(this)) {
    setObjectName(QStringLiteral("GatewayPage"));
    auto* intro = new QLabel(QStringLiteral("Gateways with firmware 7 or later answer only over HTTPS, and only to the "
                                            "holder of an owner token made for the gateway's serial number. Paste "
                                            "the token below. Without a token Pelmora speaks plain http."),
                             this);
    intro->setWordWrap(true);
    m_paste->setObjectName(QStringLiteral("Token"));
    m_paste->setPlaceholderText(QStringLiteral("Paste the token here"));
    m_paste->setTabChangesFocus(true);
    for (QLabel* label : {m_facts, m_message}) {
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    m_facts->setObjectName(QStringLiteral("TokenFacts"));
    m_message->setObjectName(QStringLiteral("TokenMessage"));
    m_key->setObjectName(QStringLiteral("KeyChange"));
    // The keys are long: they scroll in a box of their own, and can be copied.
    m_key->setReadOnly(true);
    m_key->setStyleSheet(QStringLiteral("color: #b00000"));
    m_key->setFixedHeight(m_key->fontMetrics().lineSpacing() * 7);
    m_trust->setObjectName(QStringLiteral("TrustKey"));

    auto* remove = new QPushButton(QStringLiteral("Remove"), this);
    auto* cancel = new QPushButton(QStringLiteral("Close"), this);
    m_save->setObjectName(QStringLiteral("Save"));
    remove->setObjectName(QStringLiteral("Remove"));
    cancel->setObjectName(QStringLiteral("GatewayClose"));
    remove->setToolTip(QStringLiteral("Erase the token and go back to plain http"));
    connect(m_save, &QPushButton::clicked, this, [this] { Save(); });
    connect(remove, &QPushButton::clicked, this, [this] { Remove(); });
    connect(cancel, &QPushButton::clicked, this, [this] {
        if (m_done) m_done(false);
    });
    connect(m_trust, &QPushButton::clicked, this, [this] {
        m_model.Trust();
        draw();
    });
    connect(m_paste, &QPlainTextEdit::textChanged, this, [this] {
        m_model.Pasted(m_paste->toPlainText().toStdString());
        draw();
    });
    // The keeper's lookups and saves, and the reads, change what the page says.
    m_watch->setInterval(250);
    connect(m_watch, &QTimer::timeout, this, [this] {
        m_model.Tick();
        draw();
    });
    m_watch->start();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_save);
    buttons->addWidget(remove);
    buttons->addWidget(cancel);
    auto* trust_row = new QHBoxLayout;
    trust_row->addStretch();
    trust_row->addWidget(m_trust);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_paste, 1);
    layout->addWidget(m_facts);
    layout->addWidget(m_message);
    layout->addWidget(m_key);
    if (m_model.has_mode_switch()) {
        auto* from_list = new QCheckBox(
            QStringLiteral("Read the second meter as the gateway's meter list says, whatever the program's name"),
            this);
        from_list->setObjectName(QStringLiteral("SecondMeterFromList"));
        from_list->setChecked(m_model.mode_on());
        connect(from_list, &QCheckBox::toggled, this, [this](bool on) {
            m_model.SetModeFromList(on);
            draw();
        });
        layout->addWidget(from_list);
    }
    layout->addLayout(trust_row);
    layout->addLayout(buttons);
    m_model.Pasted(m_paste->toPlainText().toStdString());
    draw();
}

void GatewayPage::draw() {
    if (m_model.TakeEmptiedPaste()) {
        const QSignalBlocker quiet(m_paste);
        m_paste->clear();
    }
    m_save->setEnabled(!m_model.saving());
    const QString message = QString::fromStdString(m_model.message());
    const QString style = m_model.problem() ? QStringLiteral("color: #b00000") : QString();
    if (m_message->styleSheet() != style) m_message->setStyleSheet(style);
    if (m_message->text() != message) m_message->setText(message);
    m_message->setVisible(!message.isEmpty());

    const std::string text = m_model.facts();
    if (m_facts->text().toStdString() != text) m_facts->setText(QString::fromStdString(text));
    const bool change = m_model.key_changed();
    const std::string key = m_model.key_text();
    if (m_key->toPlainText().toStdString() != key) m_key->setPlainText(QString::fromStdString(key));
    m_key->setVisible(change);
    m_trust->setVisible(change);
}

void GatewayPage::Save() {
    m_model.Save(m_paste->toPlainText().toStdString());
    draw();
}

void GatewayPage::Remove() {
    m_model.Remove();
    draw();
}

}  // namespace pelmora
