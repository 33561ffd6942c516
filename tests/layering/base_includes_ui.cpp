// Must not compile: the foundation knows no layer above it.
#include "ui/MainWindow.h"
