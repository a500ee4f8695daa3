#include "update_check.h"

UpdateCheck::UpdateCheck(QObject* parent) : QObject(parent) {
    deadline_.setSingleShot(true);
    deadline_.setInterval(kTimeoutMs);
    connect(&deadline_, &QTimer::timeout, this, [this] { finish(std::nullopt); });
}

void UpdateCheck::start(const QUrl& url, const QByteArray& version) {
    if (running()) return;
    // Never a local file or another scheme, whatever the address says.
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) return;
    if (!http_) http_ = HttpGet::load();
    if (!http_) return;
    version_ = version;
    running_ = true;
    deadline_.start();
    const HttpGet::Headers headers = {{"Accept", "text/html, */*"},
                                      {"User-Agent", "Mozilla/3.0 (compatible; Indy Library)"},
                                      {"Content-Type", "text/html"}};
    // A longer reply than the limit is not a version text, so it names another version.
    http_->get(url, headers, kBodyLimit, [this](std::optional<QByteArray> body) {
        if (!body) return finish(std::nullopt);
        finish(*body == version_);
    });
}

void UpdateCheck::finish(std::optional<bool> sameVersion) {
    deadline_.stop();
    if (http_) http_->abort();
    running_ = false;
    if (sameVersion) emit answered(*sameVersion);
}
