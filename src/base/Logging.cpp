#include "base/Logging.h"

Q_LOGGING_CATEGORY(lcError, "kvd.error")
