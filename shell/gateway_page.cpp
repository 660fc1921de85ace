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
      m_access(access),
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
        if (const auto& change = m_access.request.pending_key_change()) m_access.request.trust(change->seen);
        show_status();
    });
    connect(m_paste, &QPlainTextEdit::textChanged, this, [this] { show_paste(); });
    // The keeper's lookups and saves, and the reads, change what the page says.
    m_watch->setInterval(250);
    connect(m_watch, &QTimer::timeout, this, [this] {
        if (m_saving) {
            if (const std::optional<TokenKeeper::SaveResult> saved = m_access.keeper.SaveDone()) {
                m_saving = false;
                save_answered(*saved);
            }
        }
        show_status();
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
    if (mode.set) {
        auto* from_list = new QCheckBox(
            QStringLiteral("Read the second meter as the gateway's meter list says, whatever the program's name"),
            this);
        from_list->setObjectName(QStringLiteral("SecondMeterFromList"));
        from_list->setChecked(mode.on);
        connect(from_list, &QCheckBox::toggled, this, [this, set = mode.set](bool on) {
            set(on);
            say("Saved.", false);
        });
        layout->addWidget(from_list);
    }
    layout->addLayout(trust_row);
    layout->addLayout(buttons);
    m_access.keeper.LookAgain();
    show_status();
    show_paste();
}

void GatewayPage::show_status() {
    const std::string text = TokenStatusText(m_access);
    if (m_facts->text().toStdString() != text) m_facts->setText(QString::fromStdString(text));

    const bool change = m_access.request.pending_key_change().has_value();
    const std::string key = PendingKeyText(m_access);
    if (m_key->toPlainText().toStdString() != key) m_key->setPlainText(QString::fromStdString(key));
    m_key->setVisible(change);
    m_trust->setVisible(change);
}

void GatewayPage::show_paste() {
    if (m_saving) return;
    const PasteVerdict verdict =
        PastedTokenVerdict(m_paste->toPlainText().toStdString(), m_access.clock.EpochSeconds());
    say(verdict.message, verdict.problem);
}

void GatewayPage::say(const std::string& message, bool problem) {
    m_message->setStyleSheet(problem ? QStringLiteral("color: #b00000") : QString());
    m_message->setText(QString::fromStdString(message));
    m_message->setVisible(!message.empty());
}

void GatewayPage::Save() {
    if (const std::optional<TokenKeeper::SaveResult> refused =
            m_access.keeper.StartSave(m_paste->toPlainText().toStdString())) {
        save_answered(*refused);
        return;
    }
    m_saving = true;
    m_save->setEnabled(false);
    say("Saving...", false);
}

void GatewayPage::save_answered(const TokenKeeper::SaveResult& result) {
    m_save->setEnabled(true);
    say(result.message, !result.saved);
    show_status();
    if (result.saved) {
        // The page stays open with what was saved, as the other pages do.
        const QSignalBlocker quiet(m_paste);
        m_paste->clear();
    }
}

void GatewayPage::Remove() {
    m_access.keeper.Remove();
    {
        const QSignalBlocker quiet(m_paste);
        m_paste->clear();
    }
    say("Removed: reads go back to plain http.", false);
    show_status();
}

}  // namespace pelmora
