// Must not compile: the commands layer sits beside the monitor, not above it.
#include "monitor/PlayerLines.h"
