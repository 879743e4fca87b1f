#include "extended_model.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "antenna_factor.h"
#include "curved_reflection.h"
#include "geomagnetic_dipole.h"
#include "geometry/great_circle.h"
#include "ground_wave_curve.h"
#include "groundwave/ground_wave.h"
#include "record/file_names.h"
#include "skywave/sky_tables.h"

namespace fieldcast::map {

namespace {

PointRefusal factorRefusal(const char* file, int hour) {
    HourOutcome outcome{HourEnd::refused, HourRefusal::factor, file, false};
    return PointRefusal{refusalLine(outcome), hour};
}

}  // namespace

const char* modelName(PropagationModel model) {
    return model == PropagationModel::extended ? "extended" : "classic";
}

const char* combineName(CombineRule combine) {
    return combine == CombineRule::phasor ? "phasor" : "power";
}

double noValueRangeKm(PropagationModel model) {
    return model == PropagationModel::extended ? kExtendedMaxRangeKm : kMaxRangeKm;
}

double groundOnlyRangeKm(PropagationModel model) {
    return model == PropagationModel::extended ? 0.0 : kShortRangeLimitKm;
}

std::string modelDescription(const ModelChoice& choice) {
    if (choice.model == PropagationModel::classic) {
        return "classic: ground wave of the transmitter's ground curve on the whole path, one- or "
               "two-hop sky wave from the E-layer tables";
    }
    return std::string(
               "extended: ground wave of the transmitter's ground curve (Millington's "
               "mixed path under --ground coastlines), every hop order that reaches the "
               "point up to 12,000 km, each reflection at its own control point, ") +
           (choice.combine == CombineRule::phasor ? "phasor sum" : "power sum");
}

namespace {

// Fock's pattern past grazing, |G(xi)| / |G(0)| in dB, by ground code and frequency: every
// 1/8 degree from 0 to -2 degrees, where it bends, then every degree (in dB it is nearly
// straight there), down to where it has fallen by kShadowFloorDb or to kMinHopElevationDeg.
// Computed once per process (a few dozen quadratures a ground) and shared by the workers.
constexpr double kFineStepDeg = 0.125;
constexpr int kFineSteps = 16;
constexpr double kFineEndDeg = -kFineSteps * kFineStepDeg;
constexpr double kCoarseStepDeg = 1.0;

struct ShadowFall {
    std::vector<double> fallDb;  // at shadowStepAngleDeg(i)
    double limitDeg = kMinHopElevationDeg;
};

double shadowStepAngleDeg(int i) {
    return i <= kFineSteps ? -i * kFineStepDeg : kFineEndDeg - (i - kFineSteps) * kCoarseStepDeg;
}

// the inverse of shadowStepAngleDeg, continuous between the steps
double shadowStepPosition(double elevationDeg) {
    return elevationDeg >= kFineEndDeg ? -elevationDeg / kFineStepDeg
                                       : kFineSteps + (kFineEndDeg - elevationDeg) / kCoarseStepDeg;
}

ShadowFall computeShadowFall(int groundCode, double freqKhz) {
    const tables::AntennaFactor fock(*groundConstantsOf(groundCode), freqKhz);
    const double atZero = fock.diffractionFactor(0.0);
    ShadowFall result;
    std::vector<double>& fall = result.fallDb;
    bool floorCrossed = false;
    for (int i = 0;; ++i) {
        const double angleDeg = shadowStepAngleDeg(i);
        fall.push_back(20.0 * std::log10(fock.diffractionFactor(angleDeg) / atZero));
        if (!floorCrossed && fall.back() <= kShadowFloorDb) {
            // where the floor is crossed, linear in dB as shadowFallDb reads the steps
            floorCrossed = true;
            const double before = fall[fall.size() - 2];
            const double t = (kShadowFloorDb - before) / (fall.back() - before);
            const double previousDeg = shadowStepAngleDeg(i - 1);
            result.limitDeg = previousDeg + t * (angleDeg - previousDeg);
        }
        if ((floorCrossed && i >= kFineSteps) || angleDeg <= kMinHopElevationDeg) break;
    }
    return result;
}

const ShadowFall& shadowFall(int groundCode, double freqKhz) {
    static std::mutex mutex;
    static std::map<std::pair<int, double>, ShadowFall> computed;
    const std::lock_guard lock(mutex);
    const auto found = computed.find({groundCode, freqKhz});
    if (found != computed.end()) return found->second;
    // a map's elements stay where they are
    return computed.emplace(std::pair{groundCode, freqKhz}, computeShadowFall(groundCode, freqKhz))
        .first->second;
}

}  // namespace

double shadowFallDb(int groundCode, double freqKhz, double elevationDeg) {
    if (!(elevationDeg < 0.0)) return 0.0;
    const std::vector<double>& fall = shadowFall(groundCode, freqKhz).fallDb;
    // linear between the steps; below the last, its interval carried on
    const double at = shadowStepPosition(elevationDeg);
    const double last = static_cast<double>(fall.size() - 2);
    const auto i = static_cast<std::size_t>(std::min(std::floor(at), last));
    const double t = at - static_cast<double>(i);
    return fall[i] + t * (fall[i + 1] - fall[i]);
}

double shadowLimitDeg(int groundCode, double freqKhz) {
    if (groundConstantsOf(groundCode) == nullptr) return kFineEndDeg;
    return shadowFall(groundCode, freqKhz).limitDeg;
}

double antennaFactorPastGrazing(PredictionState& state, std::span<const double> afTable,
                                int groundCode) {
    const double lastDeg = state.psAxis[kPsCount - 1];
    const double elevationDeg = state.elevationAngle;
    if (!(elevationDeg < lastDeg) || groundConstantsOf(groundCode) == nullptr) {
        return lookupAfFactor(state, afTable);
    }
    state.elevationAngle = lastDeg;
    const double atLast = lookupAfFactor(state, afTable);
    state.elevationAngle = elevationDeg;
    // the table at its last angle, then Fock's pattern below it
    return atLast * std::pow(10.0, (shadowFallDb(groundCode, state.freqKhz, elevationDeg) -
                                    shadowFallDb(groundCode, state.freqKhz, lastDeg)) /
                                       20.0);
}

namespace {

// The curved earth's |Rv| and |Rh| of a ground at one frequency, every kCurvedStepS of
// s = m sin(psi) from grazing to kCurvedJoinS, where they meet the plane coefficients.
// Computed once per process (a hundred Airy functions a ground) and shared by the workers.
constexpr double kCurvedStepS = 1.0 / 16.0;
constexpr int kCurvedSteps = static_cast<int>(kCurvedJoinS / kCurvedStepS);

}  // namespace

struct CurvedReflectionTable {
    double fockScale = 0.0;  // m
    std::vector<double> vertical;
    std::vector<double> horizontal;
};

namespace {

// A copy of the record with the constants of `groundCode` as its midpoint ground.
PredictionState recordOnGround(const PredictionState& base, int groundCode) {
    PredictionState state = base;
    state.midGroundType = groundCode;
    setMidpointGround(state);
    return state;
}

CurvedReflectionTable computeCurvedReflection(const PredictionState& base, int groundCode) {
    const PredictionState state = recordOnGround(base, groundCode);
    // the core's ground: its permittivity and loss term x = 60 lambda sigma
    const GroundTerms ground = computeGroundTerms(state);
    const tables::Complex permittivity(state.groundPermittivity, ground.lossTerm);
    CurvedReflectionTable table;
    table.fockScale = tables::fockScale(state.freqKhz, kEffectiveEarthRadiusKm);
    for (int i = 0; i <= kCurvedSteps; ++i) {
        const double s = i * kCurvedStepS;
        const double elevationRad = std::asin(std::min(1.0, s / table.fockScale));
        table.vertical.push_back(std::abs(tables::curvedEarthReflection(
            s, tables::verticalFockParameter(permittivity, table.fockScale, elevationRad))));
        table.horizontal.push_back(std::abs(tables::curvedEarthReflection(
            s, tables::horizontalFockParameter(permittivity, table.fockScale, elevationRad))));
    }
    return table;
}

// The sea's table; null for land, which keeps the plane coefficients (extended_model.h)
const CurvedReflectionTable* curvedReflectionTable(const PredictionState& base, int groundCode) {
    if (groundCode != kCurvedReflectionGround) return nullptr;
    static std::mutex mutex;
    static std::map<std::pair<int, double>, CurvedReflectionTable> computed;
    const std::lock_guard lock(mutex);
    const std::pair key{groundCode, base.freqKhz};
    const auto found = computed.find(key);
    if (found != computed.end()) return &found->second;
    return &computed.emplace(key, computeCurvedReflection(base, groundCode)).first->second;
}

double curvedAt(const std::vector<double>& table, double s) {
    const double at = s / kCurvedStepS;
    const auto i = static_cast<std::size_t>(std::min(std::floor(at), kCurvedSteps - 1.0));
    const double t = at - static_cast<double>(i);
    return table[i] + t * (table[i + 1] - table[i]);
}

// |Rv| and |Rh| at the record's elevationAngle (radians, at least 0): the curved earth's below
// kCurvedJoinS, the plane earth's (the core's) above, or for a ground whose constants are not
// known. Sets the record's plane reflection (its phase is the one an order takes).
GroundReflectionMags reflectionMags(PredictionState& state, const GroundTerms& ground,
                                    const CurvedReflectionTable* curved) {
    computeGroundReflection(state, ground);
    const double s =
        curved == nullptr ? kCurvedJoinS : curved->fockScale * std::sin(state.elevationAngle);
    if (s < kCurvedJoinS) return {curvedAt(curved->vertical, s), curvedAt(curved->horizontal, s)};
    return {state.groundReflMag,
            horizontalGroundReflectionMag(state.elevationAngle, state.groundPermittivity,
                                          ground.lossTerm)};
}

}  // namespace

GroundReflectionMags curvedGroundReflectionMags(const PredictionState& base, int groundCode,
                                                double elevationRad) {
    PredictionState state = recordOnGround(base, groundCode);
    state.elevationAngle = std::max(0.0, elevationRad);
    return reflectionMags(state, computeGroundTerms(state),
                          curvedReflectionTable(base, groundCode));
}

double reflectionBelowFloor(double rcxAtFloor, double freqCosIncidenceKhz) {
    if (!(freqCosIncidenceKhz < kFreqCosIncidenceFloorKhz)) return rcxAtFloor;
    if (!(rcxAtFloor > 0.0 && rcxAtFloor < 1.0)) return rcxAtFloor;
    // ln |R| in proportion to cos(i), so to f cos(i) at one frequency
    return std::pow(rcxAtFloor, std::max(0.0, freqCosIncidenceKhz) / kFreqCosIncidenceFloorKhz);
}

double horizontalGroundReflectionMag(double elevationRad, double permittivity, double lossTerm) {
    const double sinE = std::sin(elevationRad);
    const double cosE = std::cos(elevationRad);
    const std::complex<double> root =
        std::sqrt(std::complex<double>(permittivity - cosE * cosE, -lossTerm));
    return std::abs((sinE - root) / (sinE + root));
}

double crossPolarPowerRatio(double geomagneticLatRad, double geomagneticAzimuthRad) {
    const double tanDip = std::fabs(std::tan(magneticDipRad(geomagneticLatRad)));
    const double across = std::sin(geomagneticAzimuthRad);
    // sin(A)^2 cot(I)^2 <= 1, written without the division by a dip of 0
    const double across2 = across * across;
    return across2 >= tanDip * tanDip ? 1.0 : across2 / (tanDip * tanDip);
}

double hopOrderFocusing(int order, double centralAngle) {
    if (order == 1) return 1.0;
    const double whole = std::sin(centralAngle);
    if (!(whole > 1e-12)) return 1.0;  // a path of no length
    return std::sqrt(order * std::sin(centralAngle / order) / whole);
}

void setFirstOrderControlPoint(PredictionState& state) {
    computePathMidpoint(state);  // fieldcast's control point
    double lat = 0.0;
    double lon = 0.0;
    greatCirclePoint(state.txLat, state.txLon, state.rxLat, state.rxLon, 0.5, lat, lon);
    // fieldcast's midpoint takes its direction from the longitudes as written and its offset
    // within a quarter turn: across the antimeridian, or past a pole, it is not on the path
    const double cosApart = std::sin(lat) * std::sin(state.midLat) +
                            std::cos(lat) * std::cos(state.midLat) * std::cos(lon - state.midLon);
    if (cosApart < std::cos(kMidpointToleranceRad)) {
        state.midLat = lat;
        state.midLon = lon;
    }
}

ExtendedPredictor::ExtendedPredictor(const RunInputs& inputs, const RunGrounds* grounds,
                                     const GroundWaveCurves* curves, CombineRule combine)
    : inputs_(inputs),
      grounds_(grounds),
      curves_(curves),
      combine_(combine),
      state_(inputs.base),
      rxAfTable_(inputs.rxAfTable) {
    // Fock's pattern past grazing of every ground an end can stand on, computed here, on the
    // thread that makes the workers' predictors: the special-function library keeps caches
    // per thread, which a worker's end would leave unfreed
    const double freqKhz = inputs.base.freqKhz;
    shadowLimits_.fill(shadowLimitDeg(0, freqKhz));
    const auto keepLimit = [&](int code) {
        if (code >= 1 && code <= 3)
            shadowLimits_[static_cast<std::size_t>(code)] = shadowLimitDeg(code, freqKhz);
    };
    keepLimit(inputs.base.txGroundType);
    keepLimit(inputs.base.rxGroundType);
    if (grounds_ != nullptr) {
        keepLimit(1);
        keepLimit(grounds_->landCode);
    }
    // the curved earth's reflection of the sea, where an intermediate reflection can meet it
    if (grounds_ != nullptr || inputs.base.midGroundType == kCurvedReflectionGround) {
        curvedReflection_ = curvedReflectionTable(inputs.base, kCurvedReflectionGround);
    }
}

double ExtendedPredictor::shadowLimitOf(int groundCode) const {
    return shadowLimits_[static_cast<std::size_t>(groundCode >= 1 && groundCode <= 3 ? groundCode
                                                                                     : 0)];
}

int ExtendedPredictor::groundCodeAt(double latRad, double lonRad) const {
    if (grounds_ == nullptr) return state_.midGroundType;
    return grounds_->groundCode(latRad * kDegPerRad, lonRad * kDegPerRad);
}

void ExtendedPredictor::setGroundConstants(int code) {
    state_.midGroundType = code;
    setMidpointGround(state_);
}

const GroundTerms& ExtendedPredictor::groundTermsOf(int code) {
    const auto index = static_cast<std::size_t>(code >= 1 && code <= 3 ? code : 0);
    if (!groundTerms_[index]) {
        setGroundConstants(code);
        groundTerms_[index] = computeGroundTerms(state_);
    }
    return *groundTerms_[index];
}

const ExtendedPredictor::OrderTerms& ExtendedPredictor::orderTerms(int order) {
    const auto slot = static_cast<std::size_t>(order - 1);
    if (orders_.size() <= slot) orders_.resize(slot + 1);
    if (orders_[slot]) return *orders_[slot];
    PredictionState& s = state_;
    OrderTerms terms{};
    s.hopCount = order;
    terms.hop = computeHopTerms(s);  // sets hopRangeKm = groundRangeKm / order
    // outside its hop ranges the table's lookup would carry its last interval on both sides:
    // the factor keeps its value at the nearer end instead (about 1 below the first)
    s.hopRangeKm = std::clamp(s.hopRangeKm, s.dAxis[0], s.dAxis[kDCount - 1]);
    terms.ffFactor = lookupFfFactor(s) * hopOrderFocusing(order, s.centralAngle);
    terms.firstControl = controls_.size();
    for (int k = 0; k < order; ++k) {
        if (order == 1) {
            setFirstOrderControlPoint(s);
        } else {
            pathArc_.at((2.0 * k + 1.0) / (2.0 * order), s.midLat, s.midLon);
        }
        setMonthDeclination(s);
        setHourAndControlPoint(s);
        controls_.push_back({s.midLat, s.midLon, evaluateELayerDayTerms(s)});
    }
    terms.firstGround = groundPoints_.size();
    for (int j = 1; j < order; ++j) {
        double lat = 0.0;
        double lon = 0.0;
        pathArc_.at(static_cast<double>(j) / order, lat, lon);
        const double azimuth = geomagneticAzimuthRad(lat, lon, rxLatRad_, rxLonRad_);
        groundPoints_.push_back({groundCodeAt(lat, lon),
                                 crossPolarPowerRatio(geomagneticLatitudeRad(lat, lon), azimuth)});
    }
    orders_[slot] = terms;
    return *orders_[slot];
}

HopOrderField ExtendedPredictor::orderField(int order, int hour) {
    PredictionState& s = state_;
    const OrderTerms terms = orderTerms(order);  // a copy: the cache may grow below
    HopOrderField field{};
    if (!isUsableFactor(terms.ffFactor)) {
        refusedFile_ = kFfFileName;
        return field;
    }
    s.hourIndex = hour;
    s.hopCount = order;
    elevations_.resize(static_cast<std::size_t>(order));
    reflections_.resize(static_cast<std::size_t>(order));
    double slantKm = 0.0;
    for (int k = 0; k < order; ++k) {
        ControlPoint& c = controls_[terms.firstControl + static_cast<std::size_t>(k)];
        s.midLat = c.latRad;
        s.midLon = c.lonRad;
        setMonthDeclination(s);
        setHourAndControlPoint(s);
        // the sun at the control point itself: the E layer's shifted hour refers the hour to the
        // receiving longitude, so that longitude is taken at the control point (the first order
        // keeps fieldcast's own hour)
        if (order > 1) s.rxLon = c.lonRad;
        computeReflectionHeight(s, c.day);
        s.rxLon = rxLonRad_;
        // the hop's path at this height: that of an hour before at the same height (a night
        // under the floor of foE) again
        if (!(c.pathHeightKm == s.reflectionHeightKm)) {
            c.path = evaluateHopPath(s, terms.hop);
            c.pathHeightKm = s.reflectionHeightKm;
            c.freqCosIncidenceKhz = std::cos(c.path.incidenceAngle) * s.freqKhz;
        }
        setHopPath(s, c.path);
        elevations_[static_cast<std::size_t>(k)] = s.elevationAngle;
        // the order does not reach when an end lies deeper in the shadow than its ground's limit
        const double endDeg = s.elevationAngle * kDegPerRad;
        if (k == 0 && endDeg < shadowLimitOf(s.txGroundType)) return field;
        if (k == order - 1 && endDeg < shadowLimitOf(s.rxGroundType)) return field;
        slantKm += s.hopSlantKm;
        const double rcx = reflectionBelowFloor(lookupRcxFactor(s), c.freqCosIncidenceKhz);
        if (!isUsableFactor(rcx)) {
            refusedFile_ = rcxFileName(s.solarActivityCode);
            return field;
        }
        // a passive ionosphere returns at most what it is given; the tables hold |R| <= 1, but
        // their edge extrapolation far above their band does not
        reflections_[static_cast<std::size_t>(k)] = std::min(1.0, rcx);
    }
    field.reaches = true;

    // the hops after the first: a ground reflection and the ionospheric one after it
    double laterHopsMag = 1.0;
    double groundPhaseDeg = 0.0;
    for (int j = 1; j < order; ++j) {
        GroundPoint& point = groundPoints_[terms.firstGround + static_cast<std::size_t>(j - 1)];
        const GroundTerms& ground = groundTermsOf(point.code);
        setGroundConstants(point.code);
        const double mean = 0.5 * (elevations_[static_cast<std::size_t>(j - 1)] +
                                   elevations_[static_cast<std::size_t>(j)]);
        s.elevationAngle = std::max(0.0, mean);
        // the reflection at this angle: that of an hour before at the same angle again
        if (!(point.reflectionElevation == s.elevationAngle)) {
            const GroundReflectionMags mags = reflectionMags(
                s, ground, point.code == kCurvedReflectionGround ? curvedReflection_ : nullptr);
            point.reflectionMag =
                std::sqrt(mags.vertical * mags.vertical +
                          point.crossPolarPowerRatio * mags.horizontal * mags.horizontal);
            // the phase stays the plane coefficient's (under --combine phasor)
            point.reflectionPhaseDeg = s.groundReflPhaseDeg;
            point.reflectionElevation = s.elevationAngle;
        }
        // the vertical |R| of the tables applied to both parts can return more than the hop was
        // given (over the sea near grazing, where the ground reflects both fully and |R| nears
        // 1): a hop of a passive ground and ionosphere returns at most what it was given
        laterHopsMag *=
            std::min(1.0, point.reflectionMag * reflections_[static_cast<std::size_t>(j)]);
        groundPhaseDeg += point.reflectionPhaseDeg;
    }

    // the ends: the first hop's elevation at the transmitter, the last hop's at the point
    s.elevationAngle = elevations_.back() * kDegPerRad;
    s.rxAfFactor = antennaFactorPastGrazing(s, rxAfTable_, s.rxGroundType);
    s.elevationAngle = elevations_.front() * kDegPerRad;
    s.txAfFactor = antennaFactorPastGrazing(s, inputs_.txAfTable, s.txGroundType);
    if (!isUsableFactor(s.txAfFactor) || !isUsableFactor(s.rxAfFactor)) {
        refusedFile_ = afFileName(isUsableFactor(s.txAfFactor) ? s.rxGroundType : s.txGroundType);
        return field;
    }
    s.ffFactor = terms.ffFactor;
    s.rcxFactor = reflections_.front();
    s.skyPathKm = slantKm;
    setGroundConstants(s.midGroundType);
    // the sky-wave field of the core; its ground reflection at the midpoint is no part of an
    // order's field (the ground reflections are those above)
    computeOneHopSkyWave(s);
    field.mvm = s.skyWave1HopMvm * laterHopsMag;
    const double pathDiff = (slantKm - s.groundRangeKm) / s.wavelengthKm;
    field.phaseDeg = (pathDiff - std::floor(pathDiff)) * 360.0 + groundPhaseDeg;
    return field;
}

std::optional<PointRefusal> ExtendedPredictor::predict(double rxLatDeg, double rxLonDeg,
                                                       PointResult& result) {
    PredictionState& s = state_;
    s.txLat = inputs_.base.txLat;
    s.txLon = inputs_.base.txLon;
    if (grounds_ != nullptr) {
        s.rxGroundType = grounds_->groundCode(rxLatDeg, rxLonDeg);
        rxAfTable_ = s.rxGroundType == 1 ? std::span<const double>(grounds_->seaAfTable)
                                         : std::span<const double>(grounds_->landAfTable);
    }
    result.rxGroundCode = s.rxGroundType;
    s.hourIndex = 0;
    startHour(s, rxLatDeg, rxLonDeg);
    rxLatRad_ = s.rxLat;
    rxLonRad_ = s.rxLon;
    result.groundRangeKm = s.groundRangeKm;
    if (s.groundRangeKm > kExtendedMaxRangeKm) {
        result.pathKind = PathKind::beyondRange;
        return std::nullopt;
    }
    // the ground wave: the curves (below their first distance by the rule of mixed_path.h, past
    // their last by their own extrapolation), or Millington's over the mixed path. fieldcast's
    // closed form within 50 km knows no ground: it stood up to 36 dB above the land curve at
    // 50 km (1700 kHz), a step where the curves took over; only the transmitter's own point,
    // whose field is infinite, keeps it
    GroundWaveOutcome ground = computeGroundWave(s);
    if (ground == GroundWaveOutcome::shortRange && s.groundRangeKm > 0.0) {
        const double firstKm = s.gwDistAxis[0];
        s.groundWaveDb = belowFirstDistanceDb(curveFieldDb(s.gwFreqAxis, s.gwDistAxis,
                                                           s.gwCurveTable, firstKm, s.freqKhz),
                                              firstKm, s.groundRangeKm) +
                         powerCorrectionDb(s.txPowerKw);
        setGroundWaveMvm(s);
        ground = GroundWaveOutcome::fromCurves;
    }
    // the curve a ground wave that is no number came from: the transmitter's, or on a mixed
    // path the one that gave it
    int curveGround = s.txGroundType;
    if (ground == GroundWaveOutcome::fromCurves && grounds_ != nullptr && curves_ != nullptr) {
        s.groundWaveDb =
            mixedPathFieldDb(*curves_, grounds_->mask, grounds_->landCode, s.freqKhz,
                             inputs_.base.txLat, inputs_.base.txLon, rxLatDeg, rxLonDeg,
                             s.groundRangeKm, pathSampleStepKm(grounds_->mask), &curveGround) +
            powerCorrectionDb(s.txPowerKw);
        setGroundWaveMvm(s);
    }
    result.groundWaveMvm = s.groundWaveMvm;
    result.groundWaveDb = s.groundWaveDb;
    if (ground == GroundWaveOutcome::shortRange) {
        result.pathKind = PathKind::groundOnly;
        return std::nullopt;
    }
    if (!std::isfinite(s.groundWaveDb) || !std::isfinite(s.groundWaveMvm)) {
        HourOutcome outcome{HourEnd::refused, HourRefusal::groundWave, curveFileName(curveGround),
                            false};
        return PointRefusal{refusalLine(outcome), 0};
    }
    result.pathKind = PathKind::skyWave;
    if (grounds_ != nullptr) {
        s.midGroundType = grounds_->midpointGroundCode(inputs_.base.txLat, inputs_.base.txLon,
                                                       rxLatDeg, rxLonDeg);
    } else {
        s.midGroundType = inputs_.base.midGroundType;
    }
    result.midGroundCode = s.midGroundType;
    const int midCode = s.midGroundType;

    // a new path: its great circle, orders, control points and grounds
    pathArc_ = GreatCircleArc(s.txLat, s.txLon, rxLatRad_, rxLonRad_);
    for (auto& o : orders_) o.reset();
    controls_.clear();
    groundPoints_.clear();
    refusedFile_ = nullptr;
    // the lowest order whose ray leaves above the lower end's shadow limit at the highest
    // reflection
    const double lowestDeg = std::min(shadowLimitOf(s.txGroundType), shadowLimitOf(s.rxGroundType));
    const auto leavesAbove = [&](int order, double elevationDeg) {
        s.hopCount = order;
        const HopTerms hop = computeHopTerms(s);
        s.reflectionHeightKm = kTopReflectionHeightKm;
        computeHopPath(s, hop);
        return s.elevationAngle * kDegPerRad >= elevationDeg;
    };
    firstOrder_ = 1;
    while (firstOrder_ < kMaxHopOrder && !leavesAbove(firstOrder_, lowestDeg)) ++firstOrder_;
    // the sum may stop from twice the lowest order whose ray leaves above the horizon (hops of
    // half the longest geometric one) on: before, one order can dip below the orders around it
    // (a control point of its own in daylight) while the orders' peak is still to come
    int aboveHorizonOrder = firstOrder_;
    while (aboveHorizonOrder < kMaxHopOrder && !leavesAbove(aboveHorizonOrder, 0.0)) {
        ++aboveHorizonOrder;
    }
    const int stopFromOrder = 2 * aboveHorizonOrder;

    const double groundMvm = s.resultMode == 2 ? s.groundWaveMvm : 0.0;
    for (int hour = 0; hour < kHoursPerDay; ++hour) {
        double skyPower = 0.0;
        double skyRe = 0.0;
        double skyIm = 0.0;
        double strongestMvm = -1.0;
        double previousMvm = -1.0;
        int strongest = 0;
        int count = 0;
        for (int order = firstOrder_; order <= kMaxHopOrder; ++order) {
            s.midGroundType = midCode;
            const HopOrderField f = orderField(order, hour);
            if (refusedFile_ != nullptr) return factorRefusal(refusedFile_, hour);
            if (!f.reaches) continue;
            const double power = f.mvm * f.mvm;
            skyPower += power;
            const double phasorBeforeMvm = std::hypot(skyRe + groundMvm, skyIm);
            const double lag = f.phaseDeg * kRadPerDeg;
            skyRe += f.mvm * std::cos(lag);
            skyIm -= f.mvm * std::sin(lag);
            ++count;
            if (f.mvm > strongestMvm) {
                strongestMvm = f.mvm;
                strongest = order;
            }
            const double total = skyPower + groundMvm * groundMvm;
            // the phasor sum: what the order could change at the worst of its phase, from the
            // total before it (the power it adds says nothing there: near a null of the others
            // an order 10 dB under the power sum moved the total by 2 dB)
            const bool addsNextToNothing =
                combine_ == CombineRule::power
                    ? !(power > 0.0) || 10.0 * std::log10(total / (total - power)) < kHopOrderStopDb
                    : f.mvm < kPhasorStopFraction * phasorBeforeMvm;
            const bool weakening = previousMvm >= 0.0 && f.mvm < previousMvm && addsNextToNothing;
            previousMvm = f.mvm;
            // a weaker order than the one before that adds next to nothing: past the peak, the
            // rest add less
            if (weakening && order >= stopFromOrder) break;
        }
        s.midGroundType = midCode;
        HourResult& h = result.hours[static_cast<std::size_t>(hour)];
        h.strongestHopOrder = static_cast<std::uint8_t>(strongest);
        h.hopOrderCount = static_cast<std::uint8_t>(count);
        if (combine_ == CombineRule::power) {
            h.skyWaveMvm = std::sqrt(skyPower);
            h.combinedMvm = std::sqrt(skyPower + s.groundWaveMvm * s.groundWaveMvm);
        } else {
            h.skyWaveMvm = std::hypot(skyRe, skyIm);
            h.combinedMvm = std::hypot(skyRe + s.groundWaveMvm, skyIm);
        }
        h.skyWaveDb = dbFromMvm(h.skyWaveMvm);
        h.combinedDb = dbFromMvm(h.combinedMvm);
        const FieldStrength reported = s.resultMode == 2
                                           ? FieldStrength{h.combinedMvm, h.combinedDb}
                                           : FieldStrength{h.skyWaveMvm, h.skyWaveDb};
        if (!std::isfinite(reported.mvm) || std::isnan(reported.db)) {
            HourOutcome outcome{HourEnd::refused, HourRefusal::field, nullptr, false};
            return PointRefusal{refusalLine(outcome), hour};
        }
    }
    return std::nullopt;
}

}  // namespace fieldcast::map
