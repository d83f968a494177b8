#pragma once
// The chart of an elevation sweep as SVG text: VR2 and the VR1 wiper-to-ground resistance
// against elevation, rows with a design warning shaded, rows that failed left as gaps.

#include <cstddef>
#include <string>
#include <vector>

#include "calc/design.h"
#include "calc/solver.h"

namespace sondrel::chart {

// One elevation of a chart.
struct ChartRow {
    double elevation_ft = 0;
    bool succeeded = false;  // else a gap
    double vr2_ohms = 0;
    double vr1_wiper_to_gnd_ohms = 0;
    std::string warnings;  // the design warnings' codes joined by ";", empty when none
};

// The indices of the sweep's rows a chart draws: all of them, or 1,001 spread evenly over
// them (the first and the last included), so that the file and its drawing stay small.
std::vector<std::size_t> ChartRowIndices(std::size_t rows);

// A sweep row's calculation at `elevation_ft` as the chart draws it.
ChartRow ChartRowOf(double elevation_ft, const Outcome& outcome);

// The chart of `rows` (in sweep order) as a complete SVG document, its title naming the four
// inputs after the elevation. Axes have round-number ticks; a row's warnings shade its
// stretch of elevation, one colour and legend entry for each set of codes; a failed row
// breaks both lines and is shaded grey. Numbers are written the same in every locale.
std::string SweepChartSvg(const std::vector<ChartRow>& rows, const InputTexts& inputs);

}  // namespace sondrel::chart
