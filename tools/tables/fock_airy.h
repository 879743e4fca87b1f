// Fock's Airy function w(t) and the roots of w'(t) - q w(t) = 0.
//
// Notation: time factor exp(-i omega t) as in Fock's work, so w(t) = sqrt(pi) (Bi(t) + i Ai(t))
// and its zeros, and the roots t_s, lie in the upper half plane near arg t = pi/3. Every table
// holds magnitudes, which are the same in the exp(+j omega t) convention.
#pragma once

#include <complex>
#include <vector>

namespace fieldcast::tables {

using Complex = std::complex<double>;

struct AiryAi {
    Complex value;       // Ai(z)
    Complex derivative;  // Ai'(z)
};

// Ai(z) and Ai'(z) to double precision (Arb's floating-point wrappers).
AiryAi airyAi(Complex z);

struct FockAiryValue {
    Complex w;       // w(t)
    Complex wPrime;  // w'(t)
};

// w(t) and w'(t), from Ai(t e^{i 2 pi / 3}) alone so that nothing cancels.
FockAiryValue fockAiry(Complex t);

// Root t_s (s = 1, 2, ...) of w'(t) - q w(t) = 0, followed from its value at q = 0 (the s-th
// zero of Ai' turned onto the ray arg t = pi / 3) along the straight line to q.
Complex fockRoot(Complex q, int index);
// Appends roots t_{n+1} .. t_count to `roots` (which holds t_1 .. t_n).
void extendFockRoots(Complex q, int count, std::vector<Complex>& roots);

}  // namespace fieldcast::tables
