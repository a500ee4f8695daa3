#include "label_events.h"

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
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) pressed_ = true;
            break;
        case QEvent::MouseButtonRelease: {
            auto* m = static_cast<QMouseEvent*>(e);
            if (m->button() != Qt::LeftButton) break;
            const bool click = pressed_ && control->rect().contains(m->position().toPoint());
            pressed_ = false;
            if (click && h_.click) h_.click();
            break;
        }
        default: break;
        }
        return false;
    }

private:
    LabelHandlers h_;
    bool pressed_ = false;
};

}  // namespace

void handleLabel(QWidget* control, LabelHandlers handlers) {
    control->setMouseTracking(true);
    control->installEventFilter(new LabelFilter(control, std::move(handlers)));
}
