#pragma once
#include <QTemporaryDir>

#include <string>

namespace fixture {

// A fresh folder per test, removed afterwards.
class TempDir {
public:
    std::string path(const std::string& name) const { return (dir_.path() + "/").toStdString() + name; }
    std::string root() const { return dir_.path().toStdString(); }

private:
    QTemporaryDir dir_;
};

}  // namespace fixture
