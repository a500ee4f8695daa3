#pragma once
#include "bass.h"

// "%TITL", "%ARTI", "%ALBM", "%GNRE", "%YEAR", alone or mixed with literal text
// ("%%" is a percent sign). UTF-8; "" when missing or no stream; the text stays
// valid until the next call on the same thread.
const char* TAGS_Read(HSTREAM, const char* format);
