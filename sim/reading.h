// One analogue quantity of a device: the value it is set to and a bounded wander around it.
#pragma once

#include <algorithm>
#include <random>

namespace sim {

class Reading {
 public:
  Reading(double nominal, double step, double bound)
      : nominal_(nominal), step_(step), bound_(bound) {}
  double Value() const { return nominal_ + wander_; }
  void Set(double value) {
    nominal_ = value;
    wander_ = 0;
  }
  void Drift(std::mt19937& random) {
    wander_ += std::uniform_real_distribution<double>(-step_, step_)(random);
    wander_ = std::clamp(wander_, -bound_, bound_);
  }

 private:
  double nominal_;
  double step_;
  double bound_;
  double wander_ = 0;
};

}  // namespace sim
