# The special-function libraries of Fock's integrals and the flat-earth attenuation: Boost.Math's
# quadrature (header-only), libcerf and Arb (with FLINT). fieldcast-tables needs them, and the
# map tool's extended model through the Fock library; fieldcast itself needs none.
find_package(Boost 1.71 REQUIRED)
find_path(CERF_INCLUDE_DIR cerf.h REQUIRED)
find_library(CERF_LIBRARY cerf REQUIRED)
find_path(ARB_INCLUDE_DIR arb_fpwrap.h REQUIRED)
find_library(ARB_LIBRARY flint-arb REQUIRED)
find_library(FLINT_LIBRARY flint REQUIRED)
