#pragma once
// The settings window: whether the buttons show their hints, the volume levelling and
// whether the list is kept. A choice takes effect at once: it is saved in Config2.ini
// through the program's one writer and announced by a signal that `app` connects.
#include "config2.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;

class TForm5 : public QWidget {
    Q_OBJECT

public:
    // Reads the choices saved in `config` and saves each new one there; without a
    // file the choices are the defaults and nothing is saved.
    explicit TForm5(const Config2File* config = nullptr, QWidget* parent = nullptr);

    const UserSettings& settings() const { return settings_; }
    // Announces every choice as it stands, as though just made: start-up applies the
    // saved settings through the same connections as a later change.
    void announce();

    QLabel* Label1;        // "Настройки:"
    QLabel* Label2;        // "Показывать подсказки к кнопкам:"
    QCheckBox* CheckBox1;  // hints
    QLabel* Label3;        // "Выравнивание громкости:"
    QComboBox* ComboBox1;  // "Нет", "По трекам", "По альбомам"
    QCheckBox* CheckBox2;  // "Запоминать плейлист и позицию"

signals:
    void hintsChanged(bool on);
    void levellingChanged(Levelling levelling);
    void keepListChanged(bool on);

private:
    // Saves `next` and announces what differs from the choices before it.
    void choose(const UserSettings& next);
    void layOut();

    const Config2File* config_;
    UserSettings settings_;
};
