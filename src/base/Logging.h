#pragma once

#include <QLoggingCategory>

// Error entries: a failure's message plus a tag naming the place, e.g. "... (Read1)".
// They never reach the program log or a view; they go to stderr through this category.
Q_DECLARE_LOGGING_CATEGORY(lcError)
