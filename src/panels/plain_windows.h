#pragma once
// The empty window that start-up creates beside the others and nothing shows.
#include <QWidget>

class TForm6 : public QWidget {
public:
    explicit TForm6(QWidget* parent = nullptr);
};
