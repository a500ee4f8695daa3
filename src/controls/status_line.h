#pragma once
// The program's status line: the player's `Label3`, which every window's controls
// write their hover texts into. The player registers it at its creation.
class QLabel;
class QString;

// `line` becomes the status line; nullptr when its window goes.
void setStatusLine(QLabel* line);
QLabel* statusLine();

// Writes the status line, when there is one.
void setStatusText(const QString& text);
