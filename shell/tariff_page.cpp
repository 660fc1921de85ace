#include "shell/tariff_page.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/page_buttons.h"

namespace pelmora {

namespace {

QLineEdit* field(QWidget* parent, const char* name, const std::string& text) {
    auto* edit = new QLineEdit(QString::fromStdString(text), parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

}  // namespace

TariffPage::TariffPage(TariffServices services, QWidget* parent)
    : QWidget(parent),
      m_services(std::move(services)),
      m_gateway(new QRadioButton(QStringLiteral("Use the gateway's tariff"), this)),
      m_typed(new QRadioButton(QStringLiteral("Use these prices"), this)),
      m_message(new QLabel(this)) {
    setObjectName(QStringLiteral("TariffPage"));
    m_gateway->setObjectName(QStringLiteral("UseGateway"));
    m_typed->setObjectName(QStringLiteral("UseTyped"));
    m_message->setObjectName(QStringLiteral("TariffMessage"));
    m_message->setWordWrap(true);
    const TariffForm current = LoadTariffForm(m_services);
    (current.use_gateway ? m_gateway : m_typed)->setChecked(true);
    m_currency = field(this, "Currency", current.currency);
    m_buy = field(this, "Buy", current.buy);
    m_sell = field(this, "Sell", current.sell);
    m_weekdays = field(this, "Weekdays", current.weekdays);
    m_weekend = field(this, "Weekend", current.weekend);
    m_fixed = field(this, "FixedPerDay", current.fixed);
    for (QLineEdit* periods : {m_weekdays, m_weekend})
        periods->setPlaceholderText(QStringLiteral("07:00=0.30, 22:00=0.20"));

    auto* told = new QLabel(
        QString::fromStdString(GatewayTariffText(m_services.gateway ? m_services.gateway() : std::nullopt)), this);
    told->setObjectName(QStringLiteral("GatewayTariff"));
    told->setWordWrap(true);
    told->setIndent(20);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Currency (code or symbol)"), m_currency);
    fields->addRow(QStringLiteral("Buying price a kWh"), m_buy);
    fields->addRow(QStringLiteral("Selling price a kWh"), m_sell);
    fields->addRow(QStringLiteral("Weekday periods"), m_weekdays);
    fields->addRow(QStringLiteral("Weekend periods"), m_weekend);
    fields->addRow(QStringLiteral("Fixed charge a day"), m_fixed);
    auto* hint = new QLabel(QStringLiteral("Periods: up to 8 starts of the day with their buying price. Before a "
                                           "day's first period the day before's last one goes on; days without "
                                           "periods pay the buying price above."),
                            this);
    hint->setWordWrap(true);

    QHBoxLayout* buttons = SaveCloseButtons(
        this, [this] { Save(); },
        [this] {
            if (m_done) m_done();
        });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_gateway);
    layout->addWidget(told);
    layout->addWidget(m_typed);
    layout->addLayout(fields);
    layout->addWidget(hint);
    layout->addWidget(m_message);
    layout->addStretch();
    layout->addLayout(buttons);
}

void TariffPage::Save() {
    const TariffForm form{m_gateway->isChecked(),           m_currency->text().toStdString(),
                          m_buy->text().toStdString(),      m_sell->text().toStdString(),
                          m_weekdays->text().toStdString(), m_weekend->text().toStdString(),
                          m_fixed->text().toStdString()};
    m_message->setText(QString::fromStdString(SaveTariffForm(m_services, form)));
}

}  // namespace pelmora
