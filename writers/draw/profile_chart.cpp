#include "writers/draw/profile_chart.h"

#include "writers/draw/plot.h"

namespace seep {

void DrawProfileChart(std::string& svg, const ProfileRun& run, const Store& s) {
  HistoryChart chart;
  chart.field = run.field;
  chart.what = std::string(FieldName(run.field)) + " along the line";
  chart.axis = FieldName(run.field);
  chart.units = run.units;
  chart.quantity = FieldQuantity(run.field);
  chart.across = "Distance along the line";
  chart.acrossQuantity = Quantity::kLength;
  // The chart's lines are its steps; its "times" the distances.
  for (std::size_t step = 0; step < run.steps.size(); ++step) {
    chart.inside.push_back(static_cast<std::int32_t>(step + 1));
    chart.labels.push_back("step " + std::to_string(run.steps[step]) + ", time " +
                           TimeText(run.times[step], run.units));
  }
  for (double d : run.distance) chart.times.push_back(run.units.Show(Quantity::kLength, d));
  const Quantity q = FieldQuantity(run.field);
  for (std::size_t k = 0; k < run.at.size(); ++k) {
    for (std::size_t step = 0; step < run.steps.size(); ++step)
      chart.values.push_back(run.units.Show(q, ProfileValue(run, step, k)));
  }
  DrawHistoryChart(svg, chart, s);
}

}  // namespace seep
