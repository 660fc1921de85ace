#pragma once

#include "phases/form_values.h"
#include "platform/controls_view.h"

namespace pelmora {

// The phase routines, called for each item holding "voltage", "pwrFactor" or
// "current". Each adds 1 to its own counter, takes the item's value (the text
// after the first ":" up to the next, rounded to one decimal, ties to even)
// and acts by ordinal:
//   2-4: first meter's phases 1-3; 6-8: second meter's phases 1-3; else nothing.
// GetVolts sets the tooltip of A1-A3; GetAmps sets their text (second meter:
// current x the phase's power factor); GetPFs keeps PhasePF1-3 (second meter).
// An item without ":" or with a value that is not a number is a Failure,
// after the counter has moved.
void GetVolts(FormValues& form, ControlsView& view);
void GetAmps(FormValues& form, ControlsView& view);
void GetPFs(FormValues& form, ControlsView& view);

// The product of two one-decimal values, exact in its decimal form (1.5 x 0.3
// is 0.45, not the double 0.44999...).
double DecimalProduct(double a, double b);

}  // namespace pelmora
