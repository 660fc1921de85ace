#pragma once

#include <array>

namespace pelmora {

// One phase's figures as the window shows them.
struct PhaseFigures {
    double solar_w = 0.0;
    double grid_w = 0.0;  // signed: positive import, negative export
    double amps = 0.0;
    double volts = 0.0;
};

// The figures the window shows, as numbers: each is set where the read puts
// its box's text, to the value that text shows, so that whoever takes a read
// never parses the window's texts back.
struct ShownFigures {
    double production_w = 0.0;
    double consumption_w = 0.0;
    double grid_w = 0.0;  // signed: positive import, negative export
    std::array<PhaseFigures, 3> phases{};
};

}  // namespace pelmora
