#pragma once
#include <QString>

// "hh:mm:ss" of a duration as a time of day: rounded to the nearest millisecond
// (ties to even), then cut to whole seconds; hours count modulo 24. A negative or
// undefined duration reads as 0.
QString timeText(double seconds);
