#pragma once

#include <QWidget>
#include <functional>

#include "site/tariff_form.h"

class QLabel;
class QLineEdit;
class QRadioButton;

namespace pelmora {

// The Options dialog's "Tariff" page: the gateway's tariff or prices typed
// here, with time-of-use periods for weekdays and the weekend and a fixed
// charge a day. Save keeps them in [Tariff] and puts them in force.
class TariffPage : public QWidget {
public:
    explicit TariffPage(TariffServices services, QWidget* parent = nullptr);

    void on_done(std::function<void()> done) { m_done = std::move(done); }
    void Save();

private:
    TariffServices m_services;
    QRadioButton* m_gateway;
    QRadioButton* m_typed;
    QLineEdit* m_currency;
    QLineEdit* m_buy;
    QLineEdit* m_sell;
    QLineEdit* m_weekdays;
    QLineEdit* m_weekend;
    QLineEdit* m_fixed;
    QLabel* m_message;
    std::function<void()> m_done;
};

}  // namespace pelmora
