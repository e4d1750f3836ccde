#include "analysis/waveform.h"

#include <algorithm>

namespace platform::analysis {

Waveform::Waveform() = default;

Waveform::~Waveform() {
    for (auto& b : m_blocks)
        delete[] b.load(std::memory_order_relaxed);
}

const WaveColumn& Waveform::column(int i) const {
    return m_blocks[size_t(i / kBlockColumns)].load(std::memory_order_acquire)[i % kBlockColumns];
}

WaveColumn Waveform::at(double seconds) const {
    const double c = seconds * kColumnsPerSecond;
    if (!(c >= 0.0) || c >= double(ready()))
        return {};
    return column(int(c));
}

double Waveform::progress() const {
    if (complete())
        return 1.0;
    const int64_t expected = m_expected.load(std::memory_order_relaxed);
    if (expected <= 0)
        return 0.0;
    return std::clamp(double(ready()) / double(expected), 0.0, 0.99);
}

QString Waveform::error() const {
    std::lock_guard lk(m_errorMutex);
    return m_error;
}

void Waveform::append(const WaveColumn* columns, int count) {
    int n = m_ready.load(std::memory_order_relaxed);
    for (int i = 0; i < count && n < capacity(); ++i, ++n) {
        auto& slot = m_blocks[size_t(n / kBlockColumns)];
        WaveColumn* block = slot.load(std::memory_order_relaxed);
        if (!block) {
            block = new WaveColumn[kBlockColumns];
            slot.store(block, std::memory_order_release);
        }
        block[n % kBlockColumns] = columns[i];
    }
    m_ready.store(n, std::memory_order_release);
}

void Waveform::fail(const QString& error) {
    {
        std::lock_guard lk(m_errorMutex);
        m_error = error;
    }
    m_state.store(kFailed, std::memory_order_release);
}

SongFacts Waveform::facts() const {
    std::lock_guard lk(m_errorMutex);
    return m_facts;
}

void Waveform::setFacts(const SongFacts& facts) {
    std::lock_guard lk(m_errorMutex);
    m_facts = facts;
}

} // namespace platform::analysis
