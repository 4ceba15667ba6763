#include "trend/marker_clusters.h"

namespace tarvex {

std::vector<MarkerCluster> clusterMarkers(const std::vector<double>& pixels, double minGap) {
  std::vector<MarkerCluster> out;
  double start = 0, sum = 0;
  for (int i = 0; i < int(pixels.size()); ++i) {
    const double p = pixels[std::size_t(i)];
    if (!out.empty() && p - start < minGap) {
      MarkerCluster& c = out.back();
      ++c.count;
      sum += p;
      c.pixel = sum / c.count;
      continue;
    }
    out.push_back({i, 1, p});
    start = p;
    sum = p;
  }
  return out;
}

}  // namespace tarvex
