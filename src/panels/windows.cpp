#include "windows.h"

#include <QLabel>

Windows& windows() {
    static Windows w;
    return w;
}

void setStatusText(const QString& text) {
    if (QLabel* line = windows().statusLine) line->setText(text);
}
