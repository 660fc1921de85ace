#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "phases/shown_figures.h"

namespace pelmora {

// The window's form-level values that the read routine and the phase
// routines share; they live as long as the window.
struct FormValues {
    bool ConsumptionMode = false;  // second meter read as consumption ("PelmoraB")
    std::int32_t ZoneOffset = 0;   // seconds, taken once at start-up
    std::string CurrentItem;       // the item being applied
    std::int16_t VoltsCount = 0;   // ordinals within one read; never past 32767
    std::int16_t AmpsCount = 0;
    std::int16_t PFCount = 0;
    // Power factors of the second meter's phases, rounded to one decimal;
    // kept from read to read.
    double PhasePF1 = 0.0;
    double PhasePF2 = 0.0;
    double PhasePF3 = 0.0;
    // What the figure boxes show, as numbers; kept from read to read as the boxes are.
    ShownFigures Shown;
};

}  // namespace pelmora
