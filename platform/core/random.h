#pragma once

#include <cstdint>
#include <random>

namespace platform {

// The program-wide uniform generator in [0, 1). The program seeds it from entropy once at start; tests seed
// it to make draws repeatable.
class Random {
public:
    Random();
    double next();
    void seed(std::uint64_t s);
    void seedFromEntropy();

private:
    std::mt19937_64 m_engine;
};

Random& rnd();

} // namespace platform
