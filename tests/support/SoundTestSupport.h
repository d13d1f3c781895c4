#pragma once
// Rendered sound examined as a signal: WAV files read back, levels, and a
// pitch estimator exact to a fraction of a cent on a steady tone.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/PlaybackTestSupport.h"

namespace skirlo::test {

struct Wav {
    int rate = 0;
    int channels = 0;
    std::vector<std::int16_t> samples;  // interleaved

    long frames() const { return static_cast<long>(samples.size()) / std::max(channels, 1); }
    double mono(long frame) const {
        return (samples[static_cast<std::size_t>(frame * 2)] + samples[static_cast<std::size_t>(frame * 2 + 1)]) / 2.0;
    }
    long frameAt(double ms) const { return static_cast<long>(ms * rate / 1000); }
    // The largest absolute sample between two times.
    int peak(double fromMs, double toMs) const {
        int peak = 0;
        for (long f = std::max(0L, frameAt(fromMs)); f < std::min(frames(), frameAt(toMs)); ++f) {
            peak = std::max({peak, std::abs(int{samples[std::size_t(f * 2)]}), std::abs(int{samples[std::size_t(f * 2 + 1)]})});
        }
        return peak;
    }
};

inline std::uint32_t littleEndian(const std::string& bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + std::size_t(i)]);
    return value;
}

inline Wav readWav(const std::filesystem::path& path) {
    const std::string bytes = readFile(path);
    Wav wav;
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 8, "WAVEfmt ") != 0) return wav;
    EXPECT_EQ(littleEndian(bytes, 4, 4), bytes.size() - 8);
    EXPECT_EQ(littleEndian(bytes, 20, 2), 1U);   // PCM
    EXPECT_EQ(littleEndian(bytes, 34, 2), 16U);  // bits
    EXPECT_EQ(bytes.compare(36, 4, "data"), 0);
    EXPECT_EQ(littleEndian(bytes, 40, 4), bytes.size() - 44);
    wav.channels = static_cast<int>(littleEndian(bytes, 22, 2));
    wav.rate = static_cast<int>(littleEndian(bytes, 24, 4));
    wav.samples.resize((bytes.size() - 44) / 2);
    std::memcpy(wav.samples.data(), bytes.data() + 44, wav.samples.size() * 2);
    return wav;
}

// Decibels of a level against a reference level.
inline double decibels(double level, double reference) { return 20 * std::log10(std::max(level, 1e-9) / reference); }

// The pitch (Hz) of a steady tone near `expected` Hz in `signal[start, start
// + window)`: the autocorrelation's peak at the lag of as many whole periods
// as fit in about 2000 frames, found to a fraction of a frame by a parabola
// through it and its neighbours. Only lags within a third of a period of that
// many expected periods are looked at, so no other multiple is taken; a
// tone off by more than a sixth of a semitone is reported at the search's edge.
inline double estimatePitch(const std::vector<double>& signal, long start, long window, double expected, int rate) {
    const double period = rate / expected;
    const int periods = std::max(1, static_cast<int>(2000 / period));
    const long low = static_cast<long>(periods * period - period / 3);
    const long high = static_cast<long>(periods * period + period / 3) + 1;
    if (start < 0 || start + window + high + 1 > static_cast<long>(signal.size())) return 0;
    const auto correlation = [&](long lag) {
        double sum = 0;
        for (long i = start; i < start + window; ++i) sum += signal[std::size_t(i)] * signal[std::size_t(i + lag)];
        return sum;
    };
    long best = low + 1;
    double bestValue = correlation(best);
    for (long lag = low + 2; lag < high; ++lag) {
        if (const double value = correlation(lag); value > bestValue) {
            best = lag;
            bestValue = value;
        }
    }
    const double before = correlation(best - 1);
    const double after = correlation(best + 1);
    const double curve = before - 2 * bestValue + after;
    const double offset = curve < 0 ? 0.5 * (before - after) / curve : 0;
    return rate * periods / (double(best) + offset);
}

inline double centsBetween(double hz, double reference) { return 1200 * std::log2(hz / reference); }

inline std::vector<double> monoOf(const Wav& wav) {
    std::vector<double> mono(std::size_t(wav.frames()));
    for (long f = 0; f < wav.frames(); ++f) mono[std::size_t(f)] = wav.mono(f);
    return mono;
}

// An iterative radix-2 FFT in place; the size is a power of two.
inline void fft(std::vector<std::complex<double>>& a) {
    const std::size_t n = a.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        const std::complex<double> step = std::polar(1.0, -2 * std::numbers::pi / double(length));
        for (std::size_t i = 0; i < n; i += length) {
            std::complex<double> w = 1;
            for (std::size_t k = 0; k < length / 2; ++k, w *= step) {
                const auto u = a[i + k];
                const auto v = a[i + k + length / 2] * w;
                a[i + k] = u + v;
                a[i + k + length / 2] = u - v;
            }
        }
    }
}

// A spectral peak: its frequency (Hz, between bins by a parabola through
// the log magnitudes) and its level in dB under the strongest peak.
struct Partial {
    double hz;
    double belowStrongest;
};

// The peaks of `signal[start, start + 2^log2Size)` within `rangeDb` of the
// strongest, under a four-term Blackman-Harris window (side lobes 92 dB
// down, so no lobe of a strong partial passes for a partial of its own).
inline std::vector<Partial> partials(const std::vector<double>& signal, long start, int log2Size, int rate,
                                     double rangeDb) {
    const std::size_t n = std::size_t{1} << log2Size;
    std::vector<std::complex<double>> bins(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = 2 * std::numbers::pi * double(i) / double(n);
        const double window = 0.35875 - 0.48829 * std::cos(x) + 0.14128 * std::cos(2 * x) - 0.01168 * std::cos(3 * x);
        bins[i] = signal[std::size_t(start) + i] * window;
    }
    fft(bins);
    std::vector<double> level(n / 2);
    for (std::size_t i = 0; i < n / 2; ++i) level[i] = 20 * std::log10(std::abs(bins[i]) + 1e-12);
    const double strongest = *std::max_element(level.begin() + 1, level.end());
    std::vector<Partial> found;
    for (std::size_t i = 2; i + 1 < n / 2; ++i) {
        if (level[i] < strongest - rangeDb || level[i] < level[i - 1] || level[i] <= level[i + 1]) continue;
        const double curve = level[i - 1] - 2 * level[i] + level[i + 1];
        const double offset = curve < 0 ? 0.5 * (level[i - 1] - level[i + 1]) / curve : 0;
        found.push_back({(double(i) + offset) * rate / double(n), strongest - level[i]});
    }
    return found;
}

}  // namespace skirlo::test
