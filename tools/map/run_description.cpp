#include "run_description.h"

#include <cmath>
#include <cstdio>

#include "csv_table.h"
#include "html_viewer.h"
#include "output_files.h"

#ifndef FIELDCAST_VERSION
#define FIELDCAST_VERSION "unknown"
#endif

namespace fieldcast::map {

namespace {

DescriptionItem text(std::string key, std::string value) {
    return {std::move(key), std::move(value), 0.0, false};
}

DescriptionItem number(std::string key, double value) {
    return {std::move(key), formatNumber(value), value, true, false};
}

DescriptionItem whole(std::string key, int value) {
    return {std::move(key), std::to_string(value), static_cast<double>(value), true, true};
}

std::string degrees(double value, char positive, char negative) {
    char out[32];
    std::snprintf(out, sizeof out, "%g %c", std::fabs(value), value < 0 ? negative : positive);
    return out;
}

}  // namespace

const char* programVersion() { return FIELDCAST_VERSION; }

RunDescription describeRun(const RunSetup& setup, const CommonOptions& common,
                           const TimeZone& zone) {
    const PredictionState& s = setup.inputs->base;
    const bool coastlines = setup.grounds != nullptr;
    RunDescription d;
    d.zone = zone;
    const ModelChoice& choice = setup.inputs->model;
    d.model = modelDescription(choice);
    d.noValueRangeKm = noValueRangeKm(choice.model);
    d.warning = frequencyCoverageWarning(s);
    auto& items = d.items;
    items.push_back(text("program", "fieldcast-map"));
    items.push_back(text("programVersion", programVersion()));
    items.push_back(text("model", d.model));
    items.push_back(number("freqKhz", s.freqKhz));
    items.push_back(number("txPowerKw", s.txPowerKw));
    items.push_back(number("txLatDeg", s.txLat));
    items.push_back(number("txLonDeg", s.txLon));
    items.push_back(whole("month", s.month));
    items.push_back(whole("solarActivityCode", s.solarActivityCode));
    items.push_back(text("groundSource", coastlines ? "coastlines" : "codes"));
    items.push_back(whole("txGroundCode", s.txGroundType));
    if (coastlines) {
        items.push_back(text("rxGroundCode", "from the coastlines: sea 1, land " +
                                                 std::to_string(setup.grounds->landCode)));
        items.push_back(text("midGroundCode", "from the coastlines at each path's midpoint"));
    } else {
        items.push_back(whole("rxGroundCode", s.rxGroundType));
        items.push_back(whole("midGroundCode", s.midGroundType));
    }
    items.push_back(whole("resultMode", s.resultMode));
    // the classic model reports the closed-form ground wave alone within 50 km; the extended
    // model sums its orders there too (only the transmitter's own point is the ground wave)
    const bool classic = choice.model == PropagationModel::classic;
    const std::string sky = classic ? "the sky wave" : "the sky wave of every hop order";
    const std::string shortRange =
        classic ? " (the ground wave alone within 50 km)" : ", within 50 km too";
    items.push_back(text(
        "field", (s.resultMode == 2 ? sky + " combined with the ground wave" : sky) + shortRange));
    items.push_back(text("timeZone", zone.label));
    items.push_back(whole("timeZoneOffsetMinutes", zone.offsetMinutes));
    items.push_back(text("hoursComputedIn", "JST (UTC+09:00), the 24 whole hours"));
    std::error_code ignored;
    items.push_back(text(
        "dataDir", std::filesystem::absolute(common.dataDir, ignored).lexically_normal().string()));
    if (!d.warning.empty()) items.push_back(text("frequencyWarning", d.warning));

    const auto ground = [](int code) { return std::string(groundName(code)); };
    const std::string grounds =
        coastlines ? "grounds from the coastlines (tx " + ground(s.txGroundType) + ")"
                   : "grounds tx " + ground(s.txGroundType) + ", rx " + ground(s.rxGroundType) +
                         ", mid " + ground(s.midGroundType);
    d.month = s.month;
    // a shared picture says it too when the frequency leaves the tables (the warning's words are
    // in the metadata and on standard error)
    d.headline = formatNumber(s.freqKhz) + " kHz" +
                 (d.warning.empty() ? "" : " (outside the tables)") + ", " +
                 formatNumber(s.txPowerKw) + " kW, " + monthName(s.month) + ", activity " +
                 std::to_string(s.solarActivityCode);
    d.details = "transmitter " + degrees(s.txLat, 'N', 'S') + " " + degrees(s.txLon, 'E', 'W') +
                ", " + grounds + ", " +
                (s.resultMode == 2 ? "sky wave with ground wave" : "sky wave") + ", " +
                modelName(choice.model) + " model" +
                (choice.model == PropagationModel::extended && choice.combine == CombineRule::phasor
                     ? ", phasor sum"
                     : "");
    d.title = d.headline + ", " + d.details;
    return d;
}

std::string terminatorTime(int month, int hourJst) {
    char text[32];
    std::snprintf(text, sizeof text, "2000-%02d-15T%02d:00:00",
                  month >= 1 && month <= 12 ? month : 1, utcHourOfJstHour(hourJst));
    return text;
}

std::string descriptionJson(const RunDescription& description,
                            const std::vector<DescriptionItem>& extra) {
    std::string json = "{";
    bool first = true;
    for (const auto* list : {&description.items, &extra}) {
        for (const DescriptionItem& item : *list) {
            json += first ? "\n  " : ",\n  ";
            first = false;
            json += jsString(item.key) + ": " + (item.isNumber ? item.text : jsString(item.text));
        }
    }
    return json + "\n}\n";
}

void writeDescriptionFile(const RunDescription& description, const std::filesystem::path& path,
                          const std::vector<DescriptionItem>& extra) {
    OutputFile file = createOutput(path);
    writeOutput(file.get(), descriptionJson(description, extra), path);
    closeOutput(file, path);
}

}  // namespace fieldcast::map
