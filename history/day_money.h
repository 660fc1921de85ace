#pragma once

#include <string>
#include <vector>

#include "history/day_file.h"
#include "site/tariff.h"

namespace pelmora {

// What a stretch of days cost and earned, in the tariff's currency, unrounded.
struct Money {
    double bought = 0;   // imported kWh at the buying price of their minute
    double sold = 0;     // exported kWh at the selling price of their minute
    double fixed = 0;    // the fixed charge of each day
    double savings = 0;  // (consumed - imported) kWh at the buying price of their minute

    double net() const { return bought + fixed - sold; }
    Money& operator+=(const Money& other) {
        bought += other.bought;
        sold += other.sold;
        fixed += other.fixed;
        savings += other.savings;
        return *this;
    }
};

// The money of one day's minutes (MinuteEnergies) at the prices of their
// local minutes, with the day's fixed charge; nothing but that charge for a
// day without minutes.
Money DayMoney(const std::vector<MinuteRecord>& minutes, const Tariff& tariff);

// 1 - imported / consumed, 0 to 1; 0 without consumption.
double SelfSufficiency(const Energy& energy);

// "Bought 2.22 USD, sold 0.00 USD, net 2.22 USD, savings 4.41 USD": each
// rounded to the cent once, here; without a currency, the amounts alone.
std::string MoneyText(const Money& money, const std::string& currency);
// The same for the History window's headings: "Bought 2.22 USD   Sold 0.00 USD   Net 2.22 USD   Savings 4.41 USD".
std::string MoneyHeading(const Money& money, const std::string& currency);
// An amount rounded to the cent, "2.22".
std::string AmountText(double value);
// "Self-sufficiency 66.5 %, self-consumption 51.7 %".
std::string RatiosText(const Energy& energy);
// "Covers 1,320 of 1,440 minutes" where the day's lines cover fewer minutes
// than its local day has (23 or 25 hours on a day the clocks change); "" otherwise.
std::string CoverageText(const std::vector<MinuteRecord>& minutes);

}  // namespace pelmora
