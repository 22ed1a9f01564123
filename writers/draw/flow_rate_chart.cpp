#include "writers/draw/flow_rate_chart.h"

#include "writers/draw/plot.h"

namespace seep {

void DrawFlowRateChart(std::string& svg, const Store& s, const std::vector<std::string>& names,
                       const std::vector<double>& times, const std::vector<double>& net) {
  HistoryChart chart;
  chart.what = "Net flow rate through sections";
  chart.axis = "Net flow rate";
  chart.labels = names;
  for (std::size_t k = 0; k < names.size(); ++k) chart.inside.push_back(static_cast<std::int32_t>(k + 1));
  chart.times = times;
  chart.values = net;
  DrawHistoryChart(svg, chart, s);
}

}  // namespace seep
