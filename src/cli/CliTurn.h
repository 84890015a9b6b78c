// velkor-cli jpeg-turn: JPEG files turned in place without loss.
#pragma once

#include "cli/CliOptions.h"

// Turns every input on as many workers as -j says (one per core by
// default); returns the exit status: 0 when every file was turned or was
// upright already, 1 when any failed or needed --trim.
int RunJpegTurn(const CliRequest& request);
