// Focusing factor of one ionospheric hop: the ratio of the sky-wave field over concentric
// spheres (earth radius a, reflector at height h) to that of the same slant path in free space,
// by geometrical optics:
//   D^2 = L^2 cos(psi) / (a^2 sin(theta) sin(psi) |d theta / d psi|),
//   d theta / d psi = 2 (a sin(psi) / ((a + h) cos(i)) - 1),
// with theta = d / a the hop's central angle, psi the elevation, i the incidence angle and L the
// slant path. Toward grazing D grows as sin(psi)^(-1/2) where geometrical optics fails: below
// kMinFocusingElevationDeg the factor keeps its value at that elevation.
#pragma once

namespace fieldcast::tables {

// One hop of `hopRangeKm` reflected at `heightKm` over an earth of `earthRadiusKm`, by the
// program's own hop geometry (computeHopPath on a one-hop record).
struct HopRay {
    double elevationRad;
    double incidenceRad;
    double slantKm;
};
HopRay traceHop(double hopRangeKm, double heightKm, double earthRadiusKm);

// Elevation below which geometrical optics is not trusted (degrees).
constexpr double kMinFocusingElevationDeg = 1.0;

// The unlimited geometrical-optics factor for a hop of `hopRangeKm` reflected at `heightKm`,
// with the program's own hop geometry.
double geometricFocusingFactor(double hopRangeKm, double heightKm, double earthRadiusKm);
// Limited near grazing as described above.
double focusingFactor(double hopRangeKm, double heightKm, double earthRadiusKm);

// Reflection height of the program's E-layer model at a mid-latitude control point (35 N) on
// an equinox day with solar activity code 2, at the clock hour given.
double representativeHeightKm(double freqKhz, double hourJst);
// The table's factor: geometric mean of the factors for the noon and midnight heights.
double tableFocusingFactor(double freqKhz, double hopRangeKm);

}  // namespace fieldcast::tables
