// Must not compile: a subsystem never reaches the composition root.
#include "console/Console.h"
