#include "batch_common.h"

#include <unistd.h>

#include <cstdio>

#include "gmt_maps.h"
#include "parallel.h"

namespace fieldcast::map {

namespace {
constexpr const char* kMonthNames[] = {"January",   "February", "March",    "April",
                                       "May",       "June",     "July",     "August",
                                       "September", "October",  "November", "December"};
}  // namespace

unsigned threadCount(const CommonOptions& common) {
    return common.threads == 0 ? defaultThreadCount() : common.threads;
}

std::vector<std::unique_ptr<PointPredictor>> makePredictors(const RunInputs& inputs,
                                                            unsigned threads) {
    std::vector<std::unique_ptr<PointPredictor>> predictors;
    for (unsigned w = 0; w < threads; ++w) {
        predictors.push_back(std::make_unique<PointPredictor>(inputs));
    }
    return predictors;
}

void requireGmt(const char* withoutGmt) {
    if (!gmtAvailable()) {
        throw GmtError(std::string("the gmt program was not found (Debian packages gmt, "
                                   "gmt-gshhg-low and ghostscript); or run with ") +
                       withoutGmt);
    }
}

std::string runTitle(const RunInputs& inputs) {
    const PredictionState& s = inputs.base;
    char text[160];
    std::snprintf(text, sizeof text, "%g kHz, %g kW, %s, %s", s.freqKhz, s.txPowerKw,
                  kMonthNames[s.month - 1],
                  s.resultMode == 2 ? "sky wave with ground wave" : "sky wave");
    return text;
}

std::string sessionName(const std::string& what) {
    return "fieldcast-map-" + std::to_string(getpid()) + "-" + what;
}

void refusePoint(const PointRefusal& refusal, const std::string& point, double latDeg,
                 double lonDeg) {
    char where[160];
    std::snprintf(where, sizeof where, " (%s at latitude %g, longitude %g, hour %d)", point.c_str(),
                  latDeg, lonDeg, refusal.hourIndex);
    throw DataError(refusal.line + where);
}

}  // namespace fieldcast::map
