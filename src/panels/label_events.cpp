#include "label_events.h"

#include "click.h"

#include <QMouseEvent>
#include <QWidget>

namespace {

class LabelFilter : public QObject {
public:
    LabelFilter(QWidget* control, LabelHandlers handlers) : QObject(control), h_(std::move(handlers)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* control = static_cast<QWidget*>(watched);
        switch (e->type()) {
        case QEvent::MouseMove:
            if (h_.move) h_.move(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
            break;
        // Only the left button counts here: another button's press or release leaves
        // a held left press as it is.
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) clicks_.press(Qt::LeftButton);
            break;
        case QEvent::MouseButtonRelease: {
            auto* m = static_cast<QMouseEvent*>(e);
            if (m->button() != Qt::LeftButton) break;
            if (clicks_.release(m, control) && h_.click) h_.click();
            break;
        }
        default: break;
        }
        return false;
    }

private:
    LabelHandlers h_;
    ClickTracker clicks_;
};

}  // namespace

void handleLabel(QWidget* control, LabelHandlers handlers) {
    control->setMouseTracking(true);
    control->installEventFilter(new LabelFilter(control, std::move(handlers)));
}
