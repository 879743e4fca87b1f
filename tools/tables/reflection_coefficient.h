// Reflection coefficient of an isotropic D region with the exponential profile of Wait and
// Spies (NBS Technical Note 300), at vertical incidence, by a full-wave integration.
//
// Notation: heights z and h' in km, beta in 1/km; time factor exp(-i omega t), so
// n^2 = 1 - X / (1 + i Z) and an upgoing wave is exp(+i k integral n dz).
#pragma once

#include <complex>
#include <functional>

namespace fieldcast::tables {

struct DRegionProfile {
    double referenceHeightKm;  // h'
    double sharpnessPerKm;     // beta
};

double electronDensityPerM3(const DRegionProfile& profile, double heightKm);
double collisionFrequencyPerS(double heightKm);
// n^2 at a height for a wave of the given frequency.
std::complex<double> refractiveIndexSquared(const DRegionProfile& profile, double freqKhz,
                                            double heightKm);

// n^2 as a function of height (km).
using IndexProfile = std::function<std::complex<double>(double)>;

// |R| at vertical incidence of a layer n^2(z) that tends to 1 below and absorbs above, for a
// wave of wave number k; `insideKm` is a height within the layer from which the integration
// limits are sought.
double fullWaveReflection(const IndexProfile& indexSquared, double waveNumberPerKm,
                          double insideKm);

// |R| at vertical incidence for a wave of the given (equivalent vertical) frequency.
double reflectionMagnitude(const DRegionProfile& profile, double freqKhz);

// The profile's day-night course: h' and beta by the solar zenith angle (degrees).
// By day h' = 74 - 3 cos(chi) km and beta = 0.4 / km (71 km with the sun overhead); through
// twilight (chi from 80 to 100 degrees) both move on a smooth step to the night values
// 85 km and 0.6 / km, which hold with the sun further below the horizon.
DRegionProfile profileForZenith(double solarZenithDeg);
// The same by cos(chi), the axis of the tables.
DRegionProfile profileForCosZenith(double cosSolarZenith);

}  // namespace fieldcast::tables
