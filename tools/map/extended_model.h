// The extended sky-wave model of fieldcast-map (--model extended): every hop order that
// reaches the point, summed with the ground wave, out to 12,000 km. It runs the core's steps
// (range, midpoint, E layer, hop geometry, the FF, AF and RCX lookups, the ground reflection,
// the sky-wave field) once per ionospheric reflection and adds only what is new:
//
// Hop orders. Order n has n hops of equal ground range d/n. The ionospheric reflection k
// (k = 1..n) lies at (2k - 1)/(2n) of the great circle from the transmitter, its control point;
// the ground reflection j (j = 1..n-1) at j/n. An order reaches the point when neither end lies
// deeper in the shadow than its ground's limit: geometric rays above 0 degrees, and rays past
// grazing through the antenna factor's diffraction region, until Fock's pattern of the ground
// at that end has fallen by kShadowFloorDb (40 dB: the ray then adds nothing a map shows, so
// dropping it leaves no step), but not below kMinHopElevationDeg. Orders are
// taken from the lowest that reaches the point upwards, and the sum stops after the first order
// that is weaker than the one before and changes the total by less than 0.1 dB (under
// --combine phasor: could change it by less than 0.1 dB at the worst of its phase), but not
// before twice the lowest order whose ray leaves above the horizon (an order alone can dip below
// the orders around it, one of its control points in daylight, while their peak is still to come).
//
// Each reflection at its own place and time. The E-layer height, the cosine of the solar
// zenith angle and f cos(i) of reflection k are those of its own control point at the hour (the
// core's E-layer function with that control point, the core's hop path over d/n at that
// height). The E layer takes the hour at the control point from the JST hour shifted by the
// longitude from the receiving point to the control point, which puts the sun of a one-hop
// path's midpoint at the transmitter's longitude; the first order keeps that, so that it is
// fieldcast's 1-hop sky wave exactly, and every reflection of the higher orders takes the sun
// at its own control point (the receiving longitude given to the E layer is the control
// point's). Unequal heights: every hop is taken as a symmetric hop of d/n at the height of its
// own control point; the sky path is the sum of the hops' slant paths, the transmitter's
// elevation that of the first hop, the receiving point's that of the last, and a ground
// reflection between two hops takes the mean of their elevations (0 when that mean is below
// 0: grazing). Each intermediate ground reflection is the core's reflection coefficient for
// the ground under it (the run's midpoint ground under --ground codes, the mask under --ground
// coastlines), with the downcoming wave's horizontal part beside it (below); over the sea near
// grazing both take the curved earth's coefficient (kCurvedJoinS below).
//
// Grazing incidence on the ionosphere. The core looks f cos(i) below 5 kHz up at 5 kHz. Long
// hops at VLF and low LF meet the ionosphere nearer grazing than that, where ln |R| falls in
// proportion to cos(i) (the measured exp(-a cos i) law, that of any reflecting boundary near
// grazing): below the floor |R| is the floor's |R| to the power f cos(i) / 5 kHz, 1 at grazing.
//
// Polarisation at the ground. At LF the electron gyrofrequency (1-1.5 MHz) is far above the
// wave's, so the ordinary wave that returns from the ionosphere is polarised nearly along the
// transverse part of the earth's field: beside the vertical component that the reflection
// tables give (||R||, measured with vertical antennas), the downcoming wave carries a horizontal
// one, of power ratio rho^2 = (sin(A) cot(I))^2 for a low ray, I the dip and A the path's
// azimuth from geomagnetic north at the ground point (centred dipole); held at most 1. The
// ground reflects it with the horizontal-polarisation coefficient (near 1 over any ground at
// low elevation, where the vertical one of land passes its pseudo-Brewster minimum), and the
// next reflection returns the power of both as it returns a vertical wave's: the ground factor
// is sqrt(|Rv|^2 + rho^2 |Rh|^2), their relative phase taken as random. Its phase is the
// vertical component's.
//
// Past grazing. The antenna-factor tables end at 0 degrees. Below, the factor is the table's
// value at 0 times Fock's pattern integral below grazing relative to its value at grazing, the
// integral that fieldcast-tables computes the tables from, for the ground and the run's
// frequency (docs/extended-model.md).
//
// Focusing. Over concentric spheres the focusing factor of n equal hops is that of one hop
// times sqrt(n sin(theta/n) / sin(theta)), theta the path's central angle: the in-plane
// spreading of the ray tube grows with each hop as over one, and the lateral one follows the
// great circles, which converge toward the antipode. The one-hop factor is the FF table's at
// d/n; beyond the table's last hop range it keeps its last value (the table limits the factor
// toward grazing already), below its first (50 km) its first, about 1. For n = 1 the extra factor
// is exactly 1.
//
// Field of an order. The core's sky-wave field with the first hop's elevation and ionospheric
// reflection and the whole sky path, times the other reflections: for n = 1 fieldcast's 1-hop
// sky wave exactly, for n = 2 with equal heights fieldcast's 2-hop product with the
// focusing factor above.
//
// Sum. The ground wave and every order in power (the median for random relative phases): the
// maps show no interference fringes. --combine phasor adds phasors instead, each order lagging
// the ground wave by its path difference and its ground reflections' phases, as fieldcast's
// combination does. Under a result mode other than 2 the ground wave is left out, as in
// fieldcast.
//
// Ground wave. Up to 4000 km the curves; beyond, up to 12,000 km, the curves' own
// extrapolation: the straight line in dB through their last interval (3000 to 4000 km), the
// decay rate of the first mode that rules there. Under --ground coastlines the ground wave is
// Millington's over the mixed path (mixed_path.h).
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "coastline_grounds.h"
#include "geometry/e_layer.h"
#include "geometry/great_circle.h"
#include "geometry/hop_geometry.h"
#include "mixed_path.h"
#include "point_prediction.h"
#include "propagation_model.h"
#include "run_inputs.h"
#include "skywave/sky_wave.h"

namespace fieldcast::map {

constexpr double kExtendedMaxRangeKm = 12000.0;  // beyond: no value
constexpr double kMinHopElevationDeg = -20.0;    // no ray deeper in the shadow is summed
constexpr double kShadowFloorDb = -40.0;         // an end whose pattern fell further: no ray
constexpr double kHopOrderStopDb = 0.1;
// Under --combine phasor an order whose field is below this fraction of the total before it
// changes that total by less than kHopOrderStopDb whatever its phase: 1 - 10^(-0.1/20).
constexpr double kPhasorStopFraction = 0.011446;
constexpr int kMaxHopOrder = 64;

// Fock's pattern of a ground code at `elevationDeg` below 0, relative to grazing, in dB (0 at
// and above 0 degrees); interpolated in steps of 1/8 degree down to -2 degrees, then of 1 degree
// down to the ground's shadow limit.
double shadowFallDb(int groundCode, double freqKhz, double elevationDeg);

// The lowest elevation of an end on ground `groundCode` whose ray is summed: where Fock's
// pattern has fallen by kShadowFloorDb, at most kMinHopElevationDeg deep (-2 degrees for a code
// other than 1-3, whose pattern is not known).
double shadowLimitDeg(int groundCode, double freqKhz);

// The AF factor of the table of ground `groundCode` at the record's elevationAngle (degrees),
// continued below the table's last angle as described above. At and above the last angle, or
// for a code other than 1-3, it is the core's lookup.
double antennaFactorPastGrazing(PredictionState& state, std::span<const double> afTable,
                                int groundCode);

// |R| at f cos(i) `freqCosIncidenceKhz` below the floor, from `rcxAtFloor`, the table's at the
// floor (above the floor: `rcxAtFloor` itself).
double reflectionBelowFloor(double rcxAtFloor, double freqCosIncidenceKhz);

// |Rh|, the horizontal-polarisation reflection coefficient of a ground of relative permittivity
// `permittivity` and loss term x = 60 lambda sigma at elevation `elevationRad`.
double horizontalGroundReflectionMag(double elevationRad, double permittivity, double lossTerm);

// The sea's reflection at an intermediate point over the curved earth (curved_reflection.h of
// the Fock library): for s = m sin(psi) below kCurvedJoinS, where the plane-earth coefficient no
// longer describes it, |Rv| and |Rh| of the earth-flattened curved earth, the sea's surface
// impedance entering through q = i m delta; at and above it the plane coefficients (the core's
// |Rv|, and |Rh| above), which it meets there within 0.03 dB. The plane |Rv| of the sea passes
// its pseudo-Brewster minimum (0.41) and turns back to 1 at s of the order of |q|, 0.01-0.05 at
// LF, far inside the region the curvature rules: a notch of up to 6.4 dB in the field where the
// two-hop order's sea reflection neared grazing (4400-4950 km). Land keeps the plane
// coefficients: its curved coefficient stays near its pseudo-Brewster minimum down to grazing
// (0.27-0.29 at 40-100 kHz against the plane 1), which lowered the field of land paths by up to
// 5.4 dB at 8000 km and took the mean bias against P.1147 beyond its anchor
// (docs/extended-model.md).
constexpr int kCurvedReflectionGround = 1;
constexpr double kCurvedJoinS = 6.0;
struct GroundReflectionMags {
    double vertical;    // |Rv|
    double horizontal;  // |Rh|
};
// For ground `groundCode` at the frequency of `base` and elevation `elevationRad` (below 0:
// grazing), as an intermediate reflection takes it.
GroundReflectionMags curvedGroundReflectionMags(const PredictionState& base, int groundCode,
                                                double elevationRad);
struct CurvedReflectionTable;

// rho^2 of the downcoming ordinary wave at a ground point of geomagnetic latitude
// `geomagneticLatRad`, for a path of azimuth `geomagneticAzimuthRad` from geomagnetic north.
double crossPolarPowerRatio(double geomagneticLatRad, double geomagneticAzimuthRad);

// The focusing factor of `order` equal hops over a path of `centralAngle` (radians), relative
// to that of one of its hops.
double hopOrderFocusing(int order, double centralAngle);

// The first order's control point: fieldcast's path midpoint (midLat, midLon) where it lies on
// the path, within kMidpointToleranceRad of the great circle's own midpoint, which it takes
// otherwise. Needs txLat, txLon, rxLat, rxLon and centralAngle (radians).
constexpr double kMidpointToleranceRad = 1e-6;
void setFirstOrderControlPoint(PredictionState& state);

// One order's sky wave at one hour.
struct HopOrderField {
    bool reaches = false;  // neither end lies deeper in the shadow than its ground's limit
    double mvm = 0.0;
    double phaseDeg = 0.0;  // its lag behind the ground wave
};

// One worker's extended predictor: a record of its own, copied from the run's inputs.
class ExtendedPredictor {
  public:
    // `grounds` under --ground coastlines (null under codes), with `curves` the three curve
    // tables of the mixed-path ground wave.
    ExtendedPredictor(const RunInputs& inputs, const RunGrounds* grounds,
                      const GroundWaveCurves* curves, CombineRule combine);

    // All 24 hours at the point. Returns the refusal of an hour whose factor or field is no
    // number, as fieldcast refuses one.
    std::optional<PointRefusal> predict(double rxLatDeg, double rxLonDeg, PointResult& result);

    // After predict on a sky-wave path: the field of one order at one hour.
    HopOrderField orderField(int order, int hour);
    // The lowest order that can reach the point at any hour.
    int firstHopOrder() const { return firstOrder_; }

  private:
    struct OrderTerms {
        HopTerms hop;
        double ffFactor;
        std::size_t firstControl;  // into controls_
        std::size_t firstGround;   // into grounds_ of the path
    };
    struct GroundPoint {
        int code;
        double crossPolarPowerRatio;  // rho^2 there
        // the reflection at the last elevation angle computed here: the ground factor and its
        // phase
        double reflectionElevation = std::numeric_limits<double>::quiet_NaN();
        double reflectionMag = 0.0;
        double reflectionPhaseDeg = 0.0;
    };
    struct ControlPoint {
        double latRad;
        double lonRad;
        ELayerTerms day;
        // the hop's path at the last reflection height computed here, with its f cos(i)
        // before the floor
        double pathHeightKm = std::numeric_limits<double>::quiet_NaN();
        HopPath path{};
        double freqCosIncidenceKhz = 0.0;
    };
    const OrderTerms& orderTerms(int order);
    int groundCodeAt(double latRad, double lonRad) const;
    const GroundTerms& groundTermsOf(int code);
    double shadowLimitOf(int groundCode) const;
    void setGroundConstants(int code);

    const RunInputs& inputs_;
    const RunGrounds* grounds_;
    const GroundWaveCurves* curves_;
    CombineRule combine_;
    PredictionState state_;
    std::span<const double> rxAfTable_;
    int firstOrder_ = 1;
    double rxLatRad_ = 0.0;
    double rxLonRad_ = 0.0;
    GreatCircleArc pathArc_{0.0, 0.0, 0.0, 0.0};     // from the transmitter to the point in hand
    std::vector<std::optional<OrderTerms>> orders_;  // by order - 1
    std::vector<ControlPoint> controls_;
    std::vector<GroundPoint> groundPoints_;
    std::array<std::optional<GroundTerms>, 4> groundTerms_;  // by ground code 1..3
    std::array<double, 4> shadowLimits_{};                   // by ground code 1..3, 0 others
    // the curved earth's reflection of the sea (null: the plane coefficients)
    const CurvedReflectionTable* curvedReflection_ = nullptr;
    const char* refusedFile_ = nullptr;
    std::vector<double> elevations_;   // of the hops of the order in hand, rad
    std::vector<double> reflections_;  // |R| of its ionospheric reflections
};

}  // namespace fieldcast::map
