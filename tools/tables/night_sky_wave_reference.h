// The annual median night-time sky wave of ITU-R P.1147 (150 to 1700 kHz, about six hours
// after sunset), the measured reference that the night reflection coefficients are fitted to
// and checked against:
//   E = V + G_S - L_p + A - 20 log10(p) - k_R p / 1000 - L_r   dB(uV/m),
//   A = 106.6 - 2 sin(Phi), p = sqrt(d^2 + 40000) km,
//   k_R = 3.2 + 0.19 f^0.4 tan^2(Phi + 3 deg)   (f in kHz, Phi limited to +-60 degrees),
//   L_r = b (R / 100) (p / 1000),
// with Phi the geomagnetic latitude of the path midpoint, R the sunspot number and b the
// regional solar-activity coefficient (4 within North America, 1 within Europe and Australia,
// 0 elsewhere). Here V = 0 (1 kW from a short monopole: 300 mV/m at 1 km), and G_S = L_p = 0:
// land paths whose ends lie outside the tropics (magnetic dip above 45 degrees).
#pragma once

namespace fieldcast::tables {

// Geomagnetic latitude (degrees) of a point (tools/common/geomagnetic_dipole.h).
double geomagneticLatitudeDeg(double latDeg, double lonDeg);

struct NightReference {
    double geomagneticLatitudeDeg;  // Phi of the path midpoint
    double solarCycleLossDb;        // b, dB per 100 sunspots per 1000 km of slant path
    double sunspotNumber;           // R
};

double slantPathKm(double groundRangeKm);  // p
// k_R, dB per 1000 km of slant path.
double nightLossFactorDbPerMm(double freqKhz, double geomagneticLatitudeDeg);
// E for 1 kW, dB(uV/m).
double nightSkyWaveDb(double freqKhz, double groundRangeKm, const NightReference& where);

}  // namespace fieldcast::tables
