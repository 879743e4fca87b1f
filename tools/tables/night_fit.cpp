// The fit is linear least squares in the row's values y_j (dB): a sample at f cos(i) = v
// between columns j and j+1 sees (1 - t) y_j + t y_{j+1}, t = (v - v_j) / (v_{j+1} - v_j),
// as the program interpolates; the smoothness term is the second derivative of y in
// x = ln(f cos i) at each inner column, times kSmoothnessWeight. Columns that would rise above
// kMaxNightReflectionDb are held there and the rest fitted again. Lawson's reweighting then
// takes the row toward the least largest miss, since the anchors are held to a tolerance.
#include "night_fit.h"

#include <gsl/gsl_errno.h>
#include <gsl/gsl_linalg.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>

#include "geometry/e_layer.h"
#include "night_sky_wave_reference.h"
#include "path_prediction.h"

namespace fieldcast::tables {

namespace {

// weight of the squared second derivative (dB per unit ln(f cos i), squared) beside the
// samples' squared misses (dB^2)
constexpr double kSmoothnessWeight = 0.15;
constexpr double kHeldWeight = 1e8;
constexpr int kReweightingRounds = 6;
constexpr double kLeastMissDb = 0.1;

// P.1147's band and the path lengths of its night anchors (one hop).
constexpr double kReferenceLowKhz = 150.0;
constexpr double kReferenceHighKhz = 1700.0;
constexpr std::array<double, 11> kReferenceRangesKm = {
    300.0, 400.0, 500.0, 650.0, 800.0, 1000.0, 1200.0, 1400.0, 1600.0, 1800.0, 1990.0};
// Frequencies of the night samples: those within both the band and P.1147's.
constexpr std::array<double, 10> kReferenceFreqsKhz = {150.0, 200.0,  300.0,  450.0,  600.0,
                                                       800.0, 1000.0, 1250.0, 1500.0, 1700.0};
// Paths of the fit: centred at 35 N 135 E, east-west, in January (long nights at every
// length); at night the program's |R| = 1 field depends on the length alone.
constexpr Site kFitMidpoint{35.0, 135.0};
constexpr double kFitBearingDeg = 90.0;
constexpr int kFitMonth = 1;

// LF measurements.
constexpr double kDeccaNightReflection = 0.25;
constexpr std::array<double, 3> kDeccaNightFcsKhz = {24.0, 35.0, 46.0};
constexpr double kGbrFreqKhz = 16.0;
constexpr double kGbrNightA = 0.3;
constexpr std::array<double, 3> kGbrNightFcsKhz = {5.0, 6.0, 7.3};

double toDb(double reflection) { return 20.0 * std::log10(reflection); }

struct GslMatrix {
    void operator()(gsl_matrix* m) const { gsl_matrix_free(m); }
};
struct GslVector {
    void operator()(gsl_vector* v) const { gsl_vector_free(v); }
};

// Where an f cos(i) falls on the axis: the interval's first column j and the share t of the
// way to the next, as the program interpolates (the last interval beyond the ends).
struct Bracket {
    std::size_t column;
    double share;
};
Bracket bracket(const BandAxes& axes, double fcsKhz) {
    const auto& v = axes.fcsAxisKhz;
    const auto upper = std::upper_bound(v.begin(), v.end(), fcsKhz);
    const std::size_t j =
        std::clamp<std::size_t>(static_cast<std::size_t>(upper - v.begin()), 1, kFcsCount - 1) - 1;
    return {j, (fcsKhz - v[j]) / (v[j + 1] - v[j])};
}

double rowAt(const BandAxes& axes, const std::array<double, kFcsCount>& row, double fcsKhz) {
    const Bracket b = bracket(axes, fcsKhz);
    return (1.0 - b.share) * row[b.column] + b.share * row[b.column + 1];
}

// Weighted least squares with the smoothness term; columns above kMaxNightReflectionDb are
// held there and the rest solved again.
std::array<double, kFcsCount> solveRow(const BandAxes& axes,
                                       const std::vector<NightSample>& samples,
                                       const std::vector<double>& weights) {
    const auto& v = axes.fcsAxisKhz;
    constexpr std::size_t n = kFcsCount;
    std::array<double, n> x{};
    for (std::size_t j = 0; j < n; ++j) x[j] = std::log(v[j]);

    std::array<bool, n> held{};
    std::array<double, n> row{};
    for (std::size_t pass = 0; pass <= n; ++pass) {
        const std::unique_ptr<gsl_matrix, GslMatrix> m(gsl_matrix_calloc(n, n));
        const std::unique_ptr<gsl_vector, GslVector> r(gsl_vector_calloc(n));
        const auto add = [&](std::size_t i, std::size_t j, double value) {
            gsl_matrix_set(m.get(), i, j, gsl_matrix_get(m.get(), i, j) + value);
        };
        const auto addRight = [&](std::size_t i, double value) {
            gsl_vector_set(r.get(), i, gsl_vector_get(r.get(), i) + value);
        };
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const Bracket b = bracket(axes, samples[i].freqCosIncidenceKhz);
            const std::array<std::pair<std::size_t, double>, 2> a = {
                {{b.column, 1.0 - b.share}, {b.column + 1, b.share}}};
            for (const auto& [p, ap] : a) {
                for (const auto& [q, aq] : a) add(p, q, weights[i] * ap * aq);
                addRight(p, weights[i] * ap * samples[i].reflectionDb);
            }
        }
        for (std::size_t j = 1; j + 1 < n; ++j) {
            // second derivative in x: c0 y_{j-1} + c1 y_j + c2 y_{j+1}
            const double hl = x[j] - x[j - 1];
            const double hr = x[j + 1] - x[j];
            const double mid = 0.5 * (hl + hr);
            const std::array<std::pair<std::size_t, double>, 3> c = {
                {{j - 1, 1.0 / (hl * mid)},
                 {j, -(1.0 / hl + 1.0 / hr) / mid},
                 {j + 1, 1.0 / (hr * mid)}}};
            for (const auto& [p, cp] : c) {
                for (const auto& [q, cq] : c) add(p, q, kSmoothnessWeight * mid * cp * cq);
            }
        }
        for (std::size_t j = 0; j < n; ++j) {
            if (!held[j]) continue;
            add(j, j, kHeldWeight);
            addRight(j, kHeldWeight * kMaxNightReflectionDb);
        }
        const std::unique_ptr<gsl_vector, GslVector> y(gsl_vector_alloc(n));
        // a failure is reported by status, not by GSL's default abort
        gsl_error_handler_t* previous = gsl_set_error_handler_off();
        const bool solved = gsl_linalg_cholesky_decomp1(m.get()) == GSL_SUCCESS &&
                            gsl_linalg_cholesky_solve(m.get(), r.get(), y.get()) == GSL_SUCCESS;
        gsl_set_error_handler(previous);
        if (!solved) throw std::runtime_error("night fit: the samples do not fix the row");
        std::size_t worst = n;
        for (std::size_t j = 0; j < n; ++j) {
            row[j] = gsl_vector_get(y.get(), j);
            if (!held[j] && row[j] > kMaxNightReflectionDb && (worst == n || row[j] > row[worst])) {
                worst = j;
            }
        }
        if (worst == n) break;
        held[worst] = true;
    }
    for (double& value : row) value = std::min(value, kMaxNightReflectionDb);
    return row;
}

}  // namespace

std::vector<NightSample> referenceNightSamples(const map::RunInputs& inputs, const BandAxes& axes,
                                               const NightDesign& design) {
    auto copy = std::make_unique<map::RunInputs>(inputs);
    map::RunInputs& s = *copy;
    s.base.month = kFitMonth;
    const NightReference where{design.geomagneticLatitudeDeg, design.solarCycleLossDb,
                               solarActivity(s.base.solarActivityCode).sunspotLevel};
    std::vector<NightSample> samples;
    for (double freqKhz : kReferenceFreqsKhz) {
        if (freqKhz < std::max(axes.band.lowKhz, kReferenceLowKhz) ||
            freqKhz > std::min(axes.band.highKhz, kReferenceHighKhz)) {
            continue;
        }
        s.base.freqKhz = freqKhz;
        for (double rangeKm : kReferenceRangesKm) {
            const PathPrediction unit =
                predictPathWithUnitReflection(s, pathAround(kFitMidpoint, rangeKm, kFitBearingDeg));
            const double unitDb = medianNightSkyWaveDb(unit);
            double fcsKhz = 0.0;
            for (const HourOnPath& h : unit.hours) {
                if (h.cosSolarZenith <= kNightCosSolarZenith) fcsKhz = h.freqCosIncidenceKhz;
            }
            if (std::isnan(unitDb))
                throw std::logic_error("night fit: a path without a night hour");
            // A path that needs more than the highest night |R| (MF paths near 2000 km, where
            // the program's ray leaves at about 2 degrees) is served best by that |R|; asking
            // for more would only pull the row away from the paths it can serve.
            const double wantedDb = nightSkyWaveDb(freqKhz, unit.groundRangeKm, where);
            samples.push_back(
                {fcsKhz, std::min(wantedDb - unitDb, kMaxNightReflectionDb), "P.1147"});
        }
    }
    return samples;
}

std::vector<NightSample> measuredNightSamples(const BandAxes& axes) {
    std::vector<NightSample> samples;
    const double lowest = axes.fcsAxisKhz.front();
    for (double fcsKhz : kGbrNightFcsKhz) {
        const double cosIncidence = fcsKhz / kGbrFreqKhz;
        if (fcsKhz >= lowest) {
            samples.push_back({fcsKhz, toDb(std::exp(-kGbrNightA * cosIncidence)), "GBR"});
        }
    }
    for (double fcsKhz : kDeccaNightFcsKhz) {
        if (fcsKhz >= lowest) samples.push_back({fcsKhz, toDb(kDeccaNightReflection), "Decca"});
    }
    return samples;
}

std::array<double, kFcsCount> fitNightRow(const BandAxes& axes,
                                          const std::vector<NightSample>& samples) {
    // the smoothness term leaves a straight line in ln(f cos i) free: two places fix it
    const bool twoPlaces = std::any_of(samples.begin(), samples.end(), [&](const NightSample& s) {
        return s.freqCosIncidenceKhz != samples.front().freqCosIncidenceKhz;
    });
    if (!twoPlaces)
        throw std::runtime_error("night fit: samples at two f cos(i) at least are needed");
    std::vector<double> weights(samples.size(), 1.0);
    std::array<double, kFcsCount> row{};
    for (int round = 0; round < kReweightingRounds; ++round) {
        row = solveRow(axes, samples, weights);
        // Lawson's reweighting toward the least largest miss: the anchors are held to a
        // tolerance, not to a mean square. Six rounds: more chase the few extreme paths of
        // the fit and leave the anchors' other paths further off (at 40 rounds 3 of the
        // 315 code-2 rows up to 1500 km go beyond 4 dB; at 6, none).; a few rounds take the largest
        // miss within a tenth of a decibel of its least
        double sum = 0.0;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const double miss = std::fabs(rowAt(axes, row, samples[i].freqCosIncidenceKhz) -
                                          samples[i].reflectionDb);
            weights[i] *= std::max(miss, kLeastMissDb);
            sum += weights[i];
        }
        for (double& w : weights) w *= static_cast<double>(weights.size()) / sum;
    }
    return row;
}

}  // namespace fieldcast::tables
