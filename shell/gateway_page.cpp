#include "shell/gateway_page.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

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

GatewayPage::GatewayPage(TokenKeeper& keeper, const WallClock& clock, QWidget* parent)
    : QWidget(parent),
      m_keeper(keeper),
      m_clock(clock),
      m_paste(new QPlainTextEdit(this)),
      m_facts(new QLabel(this)),
      m_message(new QLabel(this)) {
    setObjectName(QStringLiteral("GatewayPage"));
    auto* intro = new QLabel(QStringLiteral("Gateways with firmware 7 or later answer only over HTTPS, and only to the "
                                            "holder of an owner token made for the gateway's serial number. Paste "
                                            "the token below. Without a token Pelmora speaks plain http."),
                             this);
    intro->setWordWrap(true);
    m_paste->setObjectName(QStringLiteral("Token"));
    m_paste->setPlaceholderText(QStringLiteral("Paste the token here"));
    m_paste->setTabChangesFocus(true);
    m_facts->setObjectName(QStringLiteral("TokenFacts"));
    m_facts->setWordWrap(true);
    m_message->setObjectName(QStringLiteral("TokenMessage"));
    m_message->setWordWrap(true);
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* save = new QPushButton(QStringLiteral("Save"), this);
    auto* remove = new QPushButton(QStringLiteral("Remove"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    save->setObjectName(QStringLiteral("Save"));
    remove->setObjectName(QStringLiteral("Remove"));
    cancel->setObjectName(QStringLiteral("Cancel"));
    remove->setToolTip(QStringLiteral("Erase the token and go back to plain http"));
    connect(save, &QPushButton::clicked, this, [this] { Save(); });
    connect(remove, &QPushButton::clicked, this, [this] { Remove(); });
    connect(cancel, &QPushButton::clicked, this, [this] {
        if (m_done) m_done(false);
    });
    connect(m_paste, &QPlainTextEdit::textChanged, this, [this] { show_facts(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(remove);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(m_paste, 1);
    layout->addWidget(m_facts);
    layout->addWidget(m_message);
    layout->addLayout(buttons);
    show_facts();
}

void GatewayPage::show_facts() {
    const std::int64_t now = m_clock.EpochSeconds();
    const std::string pasted = TrimToken(m_paste->toPlainText().toStdString());
    std::string text;
    if (!pasted.empty()) {
        const TokenCheck check = DecodeToken(pasted);
        text = check.facts ? "This token: " + DescribeToken(*check.facts, now) : check.error;
    } else if (const std::optional<std::string> current = m_keeper.Token()) {
        const TokenCheck check = DecodeToken(*current);
        text = "Current token: " + (check.facts ? DescribeToken(*check.facts, now) : check.error) + ".\nKept in " +
               m_keeper.Where() + ".";
    } else {
        text = "No token: Pelmora reads the gateway over plain http.";
        if (const std::string problem = m_keeper.Problem(); !problem.empty()) text += "\n" + problem;
    }
    m_facts->setText(QString::fromStdString(text));
}

void GatewayPage::Save() {
    const TokenKeeper::SaveResult result = m_keeper.Save(m_paste->toPlainText().toStdString());
    m_message->setStyleSheet(result.saved ? QString() : QStringLiteral("color: #b00000"));
    m_message->setText(QString::fromStdString(result.message));
    if (result.saved) {
        m_paste->clear();
        if (m_done) m_done(true);
    }
}

void GatewayPage::Remove() {
    m_keeper.Remove();
    m_paste->clear();
    if (m_done) m_done(true);
}

}  // namespace pelmora
