// fieldcast: hourly LF/MF field-strength prediction from the files of the working directory.
#include "driver/prediction_state.h"
#include "driver/run.h"

int main() {
    // One record for the whole run, zero at start; static, as it holds 50 receiving points
    // and every table.
    static fieldcast::PredictionState state{};
    const int status = fieldcast::runPrediction(state);
    if (status == fieldcast::kExitComplete) fieldcast::waitForKey();
    return status;
}
