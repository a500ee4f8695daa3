#pragma once
// The track information panel: the loaded track's tags, length and path. The
// player fills it whenever a track starts and keeps `Label5` current while playing.
#include "popup_panel.h"

class TZMRunString;

class TFail_info : public TPopupPanel {
public:
    explicit TFail_info(QWidget* parent = nullptr);

    // The player's writes, in its order: title, artist, album, genre, year, path.
    void setTexts(const QString& title, const QString& artist, const QString& album, const QString& genre,
                  const QString& year, const QString& path);
    void setLength(const QString& text);

    QLabel* Label1;  // title
    QLabel* Label2;  // artist
    QLabel* Label3;  // album
    QLabel* Label4;  // year
    QLabel* Label5;  // length
    QLabel* Label6;  // genre
    TZMRunString* ZMRunString1;  // path

private:
    static void setSized(QLabel* label, const QString& text);
};
