// "--log=": opens the run log named on the command line for this process,
// marked with the role the switches give it, and records the command line.
#pragma once

#include "app/command_line.h"

void StartRunLog(const CommandLineOptions& options);
// The switch as passed on to the programs a run starts itself (the
// installers of a container): empty without a log.
WString LogSwitch();
