#include "status_line.h"

#include <QLabel>
#include <QPointer>

namespace {

QPointer<QLabel>& line() {
    static QPointer<QLabel> l;
    return l;
}

}  // namespace

void setStatusLine(QLabel* l) { line() = l; }

QLabel* statusLine() { return line(); }

void setStatusText(const QString& text) {
    if (QLabel* l = line()) l->setText(text);
}
