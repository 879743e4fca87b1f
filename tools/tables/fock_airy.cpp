#include "fock_airy.h"

#include <arb_fpwrap.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "physics_constants.h"

namespace fieldcast::tables {

namespace {

const Complex kRotate(std::cos(2.0 * kPi / 3.0), std::sin(2.0 * kPi / 3.0));  // e^{i 2pi/3}
const Complex kOnRay(std::cos(kPi / 3.0), std::sin(kPi / 3.0));               // e^{i pi/3}

Complex fromArb(const complex_double& z) { return {z.real, z.imag}; }

// One Newton step on r(t) - q with r = w'/w; r'(t) = t - r^2 because w'' = t w.
Complex newtonStep(Complex t, Complex q) {
    const FockAiryValue v = fockAiry(t);
    const Complex r = v.wPrime / v.w;
    return (r - q) / (t - r * r);
}

// Newton from `start`; false when it does not settle within a few steps.
bool polishRoot(Complex& t, Complex q) {
    for (int i = 0; i < 30; ++i) {
        const Complex step = newtonStep(t, q);
        t -= step;
        if (!std::isfinite(t.real()) || !std::isfinite(t.imag())) return false;
        if (std::abs(step) <= 1e-13 * (1.0 + std::abs(t))) return true;
    }
    return false;
}

// Follows one root from q = 0 to q along the straight line, with predictor dt/dq = 1/(t - q^2)
// and a Newton corrector; the step halves whenever the corrector strays.
Complex followRoot(Complex t, Complex q) {
    double lambda = 0.0;
    double stepSize = 0.125;
    while (lambda < 1.0) {
        const double next = std::min(1.0, lambda + stepSize);
        const Complex qNow = lambda * q;
        const Complex qNext = next * q;
        Complex guess = t + (qNext - qNow) / (t - qNow * qNow);
        const Complex predicted = guess;
        if (polishRoot(guess, qNext) &&
            std::abs(guess - predicted) < 0.2 * (1.0 + std::abs(guess - t))) {
            t = guess;
            lambda = next;
            stepSize = std::min(0.25, stepSize * 1.5);
        } else {
            stepSize *= 0.5;
            if (stepSize < 1e-6) throw std::runtime_error("root of w' - q w lost");
        }
    }
    return t;
}

}  // namespace

AiryAi airyAi(Complex z) {
    const complex_double in{z.real(), z.imag()};
    complex_double ai{};
    complex_double aiPrime{};
    if (arb_fpwrap_cdouble_airy_ai(&ai, in, 0) != FPWRAP_SUCCESS ||
        arb_fpwrap_cdouble_airy_ai_prime(&aiPrime, in, 0) != FPWRAP_SUCCESS) {
        throw std::runtime_error("Airy function did not converge");
    }
    return {fromArb(ai), fromArb(aiPrime)};
}

FockAiryValue fockAiry(Complex t) {
    static const Complex kScale =
        2.0 * std::sqrt(kPi) * Complex(std::cos(kPi / 6.0), std::sin(kPi / 6.0));
    const Complex z = t * kRotate;
    const AiryAi airy = airyAi(z);
    return {kScale * airy.value, kScale * kRotate * airy.derivative};
}

Complex fockRoot(Complex q, int index) {
    double aiPrimeZero = 0.0;  // negative
    if (arb_fpwrap_double_airy_ai_prime_zero(&aiPrimeZero, static_cast<ulong>(index), 0) !=
        FPWRAP_SUCCESS) {
        throw std::runtime_error("zero of Ai' did not converge");
    }
    const Complex start = -aiPrimeZero * kOnRay;  // the root at q = 0
    // Far roots hardly move: t_s = t0 + q / t0 + ... needs no continuation.
    if (std::abs(start) > 16.0 * (1.0 + std::norm(q))) {
        Complex t = start + q / start;
        if (polishRoot(t, q)) return t;
    }
    return followRoot(start, q);
}

void extendFockRoots(Complex q, int count, std::vector<Complex>& roots) {
    for (int s = static_cast<int>(roots.size()) + 1; s <= count; ++s) {
        roots.push_back(fockRoot(q, s));
    }
}

}  // namespace fieldcast::tables
