// The report file and the console lines of the hour.
#pragma once

#include "record/prediction_state.h"

namespace fieldcast {

void writeNotice(std::FILE* stream);  // two lines and a blank line
void writeReportHeader(PredictionState& state);
void printRangeCaution(PredictionState& state);
void writeShortRangeLine(PredictionState& state);
void printStationSummary(PredictionState& state);
void writeHourLines(PredictionState& state);
// The report line of writeHourLines alone, without the console lines.
void writeHourReportLine(PredictionState& state);

}  // namespace fieldcast
