#pragma once
// Dates as command messages carry them.

#include "platform/rtl/Tdatetime.h"

#include <string_view>

// COMPOSE_DATETIME, "mm/dd/yyyy hh:nn:ss" (seconds may be left out); 0 for a text that
// is not such a date.
TDateTime ParseComposeDateTime(std::string_view text);
