#include "phases/phase_detail.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/failure.h"
#include "readings/number_text.h"
#include "readings/readings_parser.h"

namespace pelmora {

namespace {

constexpr std::string_view kAmpsBoxes[] = {"A1", "A2", "A3"};

// Counts one more item; the count stops at the top of its range.
std::int16_t count(std::int16_t& counter) {
    if (counter < std::numeric_limits<std::int16_t>::max()) ++counter;
    return counter;
}

// The value of the current item: the second ":"-piece rounded to one decimal.
double item_value(const std::string& item) {
    const std::optional<std::string_view> piece = SecondPiece(item);
    if (!piece) fail_subscript_range();
    return RoundHalfEven(*piece, 1);
}

// The phase (0 to 2) of an ordinal and whether it belongs to the second meter.
bool phase_of(std::int16_t ordinal, int& phase, bool& second_meter) {
    if (ordinal >= 2 && ordinal <= 4) {
        phase = ordinal - 2;
        second_meter = false;
        return true;
    }
    if (ordinal >= 6 && ordinal <= 8) {
        phase = ordinal - 6;
        second_meter = true;
        return true;
    }
    return false;
}

double& phase_pf(FormValues& form, int phase) {
    return phase == 0 ? form.PhasePF1 : phase == 1 ? form.PhasePF2 : form.PhasePF3;
}

}  // namespace

double DecimalProduct(double a, double b) {
    // Both factors carry at most one decimal, so their product in hundredths
    // is a whole number; beyond these bounds the double product is as exact as needed.
    if (!(std::fabs(a) < 1e10 && std::fabs(b) < 1e3)) return a * b;
    const long long tenths_a = std::llround(a * 10.0);
    const long long tenths_b = std::llround(b * 10.0);
    return static_cast<double>(tenths_a * tenths_b) / 100.0;
}

void GetVolts(FormValues& form, ControlsView& view) {
    const std::int16_t ordinal = count(form.VoltsCount);
    const double value = item_value(form.CurrentItem);
    int phase = 0;
    bool second = false;
    if (!phase_of(ordinal, phase, second)) return;
    view.set_tooltip(kAmpsBoxes[phase], FormatTenths(value));
    form.Shown.phases[static_cast<std::size_t>(phase)].volts = ShownTenths(value);
}

void GetAmps(FormValues& form, ControlsView& view) {
    const std::int16_t ordinal = count(form.AmpsCount);
    const double value = item_value(form.CurrentItem);
    int phase = 0;
    bool second = false;
    if (!phase_of(ordinal, phase, second)) return;
    const double shown = second ? DecimalProduct(value, phase_pf(form, phase)) : value;
    view.set_text(kAmpsBoxes[phase], FormatTenths(shown));
    form.Shown.phases[static_cast<std::size_t>(phase)].amps = ShownTenths(shown);
}

void GetPFs(FormValues& form, ControlsView& view) {
    (void)view;
    const std::int16_t ordinal = count(form.PFCount);
    const double value = item_value(form.CurrentItem);
    int phase = 0;
    bool second = false;
    if (phase_of(ordinal, phase, second) && second) phase_pf(form, phase) = value;
}

}  // namespace pelmora
