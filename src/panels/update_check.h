#pragma once
// One question to the update server: GET the version file and say whether it holds
// exactly this program's version text. It runs in the background (see http_get.h),
// so the interface and the sound never wait for it, and it is bounded both in time
// and in what it reads. A check that fails for any reason says nothing.
#include "http_get.h"

#include <QByteArray>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

class UpdateCheck : public QObject {
    Q_OBJECT

public:
    // The whole request, from asking to the last byte.
    static constexpr int kTimeoutMs = 10000;
    // A longer reply is not a version text, so it names another version.
    static constexpr int kBodyLimit = 4096;

    explicit UpdateCheck(QObject* parent = nullptr);

    // Asks `url` (http or https only; anything else is not asked) whether `version`
    // is the current one. While a check runs, another request is not started.
    void start(const QUrl& url, const QByteArray& version);
    bool running() const { return running_; }
    void setTimeout(int ms) { deadline_.setInterval(ms); }

signals:
    // The server answered with success: whether its reply is exactly `version`.
    void answered(bool sameVersion);

private:
    // Ends the request; with a verdict, reports it.
    void finish(std::optional<bool> sameVersion);

    // Made at the first check: nothing of the network is loaded before the user asks.
    std::unique_ptr<HttpGet> http_;
    bool running_ = false;
    QTimer deadline_;
    QByteArray version_;
};
