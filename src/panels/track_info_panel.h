#pragma once
// The track information panel: the loaded track's tags, length and path, filled
// from what the player publishes when a track starts and at each tick.
#include "popup_panel.h"
#include "published.h"

class TZMRunString;

class TFail_info : public TPopupPanel {
public:
    explicit TFail_info(QWidget* parent = nullptr);

    // A track started: title, artist, album, genre, year and path, in that order.
    void showTrack(const TrackTexts& texts);
    // The player's tick: the length into `Label5`.
    void showProgress(const PlayProgress& progress);

    QLabel* Label1;              // title
    QLabel* Label2;              // artist
    QLabel* Label3;              // album
    QLabel* Label4;              // year
    QLabel* Label5;              // length
    QLabel* Label6;              // genre
    TZMRunString* ZMRunString1;  // path

private:
    static void setSized(QLabel* label, const QString& text);
};
