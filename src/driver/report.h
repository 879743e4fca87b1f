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
// False when the field that writeHourLines would report is no number: the sky-wave product
// or the combination beyond a double, or a NaN. 0 mV/m, whose dB value is -inf, is a field.
bool hourFieldIsNumber(const PredictionState& state);
// The report line of writeHourLines alone, without the console lines.
void writeHourReportLine(PredictionState& state);

}  // namespace fieldcast
