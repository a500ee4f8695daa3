#pragma once
// The settings window's "Выравнивание громкости:" handed to the engine. Interface
// thread; connected by the program to the settings window's levellingChanged, and
// called once at start with the saved choice.
#include "config2.h"

// From the next samples the engine decodes: the next track from its first sample,
// the playing one once what is queued at the sound server is heard.
void applyLevelling(Levelling choice);
