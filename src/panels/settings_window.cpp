#include "settings_window.h"

#include "labels.h"
#include "skin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include <algorithm>

namespace {

constexpr int kTextPixels = 13;

// The controls speak as the labels do: grey "Capture it" on the window's own colour.
void dress(QWidget* control) {
    QFont f(SkinFace::captureIt);
    f.setPixelSize(kTextPixels);
    control->setFont(f);
    QPalette p = control->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        p.setColor(role, SkinColour::grey);
    control->setPalette(p);
}

QLabel* text(QWidget* parent, const QString& s, QPoint at) {
    return textLabel(parent, s, SkinFace::captureIt, kTextPixels, SkinColour::grey, {at, QSize()});
}

}  // namespace

TForm5::TForm5(const Config2File* config, QWidget* parent)
    : QWidget(parent, Qt::Window),
      Label1(text(this, QStringLiteral("Настройки:"), {8, 8})),
      Label2(text(this, QStringLiteral("Показывать подсказки к кнопкам:"), {8, 32})),
      CheckBox1(new QCheckBox(this)),
      Label3(text(this, QStringLiteral("Выравнивание громкости:"), {8, 60})),
      ComboBox1(new QComboBox(this)),
      CheckBox2(new QCheckBox(QStringLiteral("Запоминать плейлист и позицию"), this)),
      config_(config),
      settings_(config ? UserSettings::load(*config) : UserSettings{}) {
    setWindowTitle(QStringLiteral("Настройки"));
    ComboBox1->addItems({QStringLiteral("Нет"), QStringLiteral("По трекам"), QStringLiteral("По альбомам")});
    for (QWidget* control :
         {static_cast<QWidget*>(CheckBox1), static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(CheckBox2)})
        dress(control);
    CheckBox1->setChecked(settings_.hints);
    ComboBox1->setCurrentIndex(int(settings_.levelling));
    CheckBox2->setChecked(settings_.keepList);
    layOut();
    // Connected once the saved choices are shown, so that showing them saves nothing.
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool on) {
        UserSettings next = settings_;
        next.hints = on;
        choose(next);
    });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int index) {
        UserSettings next = settings_;
        next.levelling = Levelling(std::clamp(index, 0, 2));
        choose(next);
    });
    connect(CheckBox2, &QCheckBox::toggled, this, [this](bool on) {
        UserSettings next = settings_;
        next.keepList = on;
        choose(next);
    });
}

// The check box and the list stand in one column right of the longer of their labels;
// the window keeps at least its old size and grows to hold them.
void TForm5::layOut() {
    const int column = std::max(Label2->geometry().right(), Label3->geometry().right()) + 9;
    const auto beside = [](QWidget* control, const QLabel* label, int x) {
        const QSize size = control->sizeHint();
        control->setGeometry(x, label->geometry().center().y() - size.height() / 2, size.width(), size.height());
    };
    beside(CheckBox1, Label2, column);
    beside(ComboBox1, Label3, column);
    CheckBox2->setGeometry(QRect(QPoint(8, ComboBox1->geometry().bottom() + 9), CheckBox2->sizeHint()));
    int right = 0, bottom = 0;
    for (const QWidget* w : {static_cast<const QWidget*>(Label2), static_cast<const QWidget*>(CheckBox1),
                             static_cast<const QWidget*>(ComboBox1), static_cast<const QWidget*>(CheckBox2)}) {
        right = std::max(right, w->geometry().right() + 1);
        bottom = std::max(bottom, w->geometry().bottom() + 1);
    }
    // The place is the frame's corner; the size is the inside, the frame being the desktop's.
    resize(std::max(309, right + 8), std::max(183, bottom + 8));
    move(450, 242);
}

void TForm5::announce() {
    emit hintsChanged(settings_.hints);
    emit levellingChanged(settings_.levelling);
    emit keepListChanged(settings_.keepList);
}

// A failed save (a folder that cannot be written) leaves the choice in force for this
// session: the user sees it work, and the next change tries the file again.
void TForm5::choose(const UserSettings& next) {
    const UserSettings before = std::exchange(settings_, next);
    if (config_) settings_.save(*config_);
    if (next.hints != before.hints) emit hintsChanged(next.hints);
    if (next.levelling != before.levelling) emit levellingChanged(next.levelling);
    if (next.keepList != before.keepList) emit keepListChanged(next.keepList);
}
