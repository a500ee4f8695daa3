#include "desktop.h"

#include "qt_desktop.h"

namespace {
Desktop* installed = nullptr;
}

Desktop& desktop() {
    static QtDesktop real;
    return installed ? *installed : real;
}

void installDesktop(Desktop* d) { installed = d; }
