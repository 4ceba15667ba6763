// The signal shapes the trend benchmarks draw, as controllers record them
// all day: a random walk, a sine, a sine under Gaussian noise of 20 % of its
// range, an on/off output switching every 7 samples, a random 0/1 every
// sample and a sawtooth that jumps every sample. Each channel lies in a band
// of its own; 0.5 % of the samples are gaps (NaN). Deterministic.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

namespace bench {

enum class Shape { Walk, Sine, Noisy, OnOff, Random01, Sawtooth };

inline constexpr Shape kShapes[] = {Shape::Walk,  Shape::Sine,     Shape::Noisy,
                                    Shape::OnOff, Shape::Random01, Shape::Sawtooth};

inline const char* shapeName(Shape s) {
  switch (s) {
    case Shape::Walk:
      return "walk";
    case Shape::Sine:
      return "sine";
    case Shape::Noisy:
      return "noisy";
    case Shape::OnOff:
      return "onoff";
    case Shape::Random01:
      return "random01";
    case Shape::Sawtooth:
      return "sawtooth";
  }
  return "?";
}

inline std::optional<Shape> shapeFromName(const char* name) {
  for (Shape s : kShapes)
    if (std::strcmp(name, shapeName(s)) == 0) return s;
  return std::nullopt;
}

// The samples of one channel, one call of next() a sample.
class Signal {
 public:
  Signal(Shape shape, int channel)
      : shape_(shape),
        level_(20.0 + 15.0 * channel),
        amplitude_(5.0),
        period_(3600.0 * (1.0 + channel / 8.0)),
        state_(0x9E3779B97F4A7C15ull * static_cast<std::uint64_t>(channel + 1)),
        walk_(level_) {}

  double next() {
    const std::uint64_t i = index_++;
    const double v = value(i);
    return uniform() < 0.005 ? std::numeric_limits<double>::quiet_NaN() : v;
  }

 private:
  double value(std::uint64_t i) {
    constexpr double kTwoPi = 6.283185307179586;
    const double sine = level_ + amplitude_ * std::sin(kTwoPi * static_cast<double>(i) / period_);
    switch (shape_) {
      case Shape::Walk:
        walk_ += (uniform() - 0.5) * 0.2;
        return walk_;
      case Shape::Sine:
        return sine;
      case Shape::Noisy:
        // Gaussian noise, standard deviation 20 % of the sine's range.
        return sine + 0.2 * 2.0 * amplitude_ * gaussian();
      case Shape::OnOff:
        return level_ + ((i / 7) % 2 ? amplitude_ : 0.0);
      case Shape::Random01:
        return level_ + (uniform() < 0.5 ? amplitude_ : 0.0);
      case Shape::Sawtooth: {
        // A ramp over 500 samples with a jump of the full amplitude between
        // every two samples.
        const double ramp = static_cast<double>(i % 500) / 500.0;
        return level_ + amplitude_ * (0.5 * ramp + (i % 2 ? 1.0 : 0.0));
      }
    }
    return 0;
  }

  double uniform() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return static_cast<double>(state_ >> 11) * 0x1.0p-53;
  }

  double gaussian() {
    const double u = std::max(uniform(), 1e-300);
    return std::sqrt(-2.0 * std::log(u)) * std::cos(6.283185307179586 * uniform());
  }

  Shape shape_;
  double level_, amplitude_, period_;
  std::uint64_t state_;
  double walk_;
  std::uint64_t index_ = 0;
};

}  // namespace bench
