// Markers on a picture, merged where they would overlap: plain arithmetic
// over their pixel positions, so that ten thousand notes draw as the few
// lines and labels a picture can show.
#pragma once

#include <vector>

namespace tarvex {

// Markers drawn as one: `count` markers from index `first` of the pixels
// given, drawn at `pixel` (their mean).
struct MarkerCluster {
  int first = 0;
  int count = 0;
  double pixel = 0;
};

// Clusters `pixels` (ascending): a marker closer than `minGap` pixels to
// the first marker of the cluster being made joins it; the next one starts
// a new cluster. So no two clusters are drawn closer than `minGap`.
std::vector<MarkerCluster> clusterMarkers(const std::vector<double>& pixels, double minGap);

}  // namespace tarvex
