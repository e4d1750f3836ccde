#include "core/random.h"

namespace platform {

Random::Random() : m_engine(0x5EED) {}

double Random::next() {
    // 53 random bits make a double in [0, 1) with every value equally likely and 1.0 never reached.
    return static_cast<double>(m_engine() >> 11) * 0x1.0p-53;
}

void Random::seed(std::uint64_t s) {
    m_engine.seed(s);
}

void Random::seedFromEntropy() {
    std::random_device rd;
    m_engine.seed((static_cast<std::uint64_t>(rd()) << 32) ^ rd());
}

Random& rnd() {
    static Random r;
    return r;
}

} // namespace platform
