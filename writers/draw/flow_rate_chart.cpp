#include "writers/draw/flow_rate_chart.h"

#include "writers/draw/plot.h"

namespace seep {

void DrawFlowRateChart(std::string& svg, const Store& s, const std::vector<std::string>& names,
                       const std::vector<double>& times, const std::vector<double>& net,
                       const MeasureUnits& units) {
  HistoryChart chart;
  chart.what = "Net flow rate through sections";
  chart.axis = "Net flow rate";
  chart.labels = names;
  for (std::size_t k = 0; k < names.size(); ++k) chart.inside.push_back(static_cast<std::int32_t>(k + 1));
  chart.units = units;
  chart.quantity = Quantity::kFlow;
  for (double t : times) chart.times.push_back(units.Show(Quantity::kTime, t));
  for (double q : net) chart.values.push_back(units.Show(Quantity::kFlow, q));
  DrawHistoryChart(svg, chart, s);
}

}  // namespace seep
