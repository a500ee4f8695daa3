#include "update_check.h"

#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>

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
    QNetworkRequest request(url);
    request.setRawHeader("Accept", "text/html, */*");
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArrayLiteral("Mozilla/3.0 (compatible; Indy Library)"));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("text/html"));
    // One GET: a redirect is not followed, it is a failed check.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    if (!net_) {
        net_ = std::make_unique<QNetworkAccessManager>();
        net_->setProxy(QNetworkProxy::NoProxy);
    }
    version_ = version;
    body_.clear();
    reply_ = net_->get(request);
    // The reply holds no more than the part of the body that is read.
    reply_->setReadBufferSize(kBodyLimit + 1);
    connect(reply_, &QNetworkReply::readyRead, this, &UpdateCheck::readSome);
    connect(reply_, &QNetworkReply::finished, this, &UpdateCheck::replyFinished);
    deadline_.start();
}

bool UpdateCheck::successStatus() const {
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 200 && status < 300;
}

void UpdateCheck::readSome() {
    // A failed status ends by itself (or at the deadline); its body is never read.
    if (!successStatus()) return;
    body_ += reply_->read(kBodyLimit + 1 - body_.size());
    if (body_.size() > kBodyLimit) finish(false);
}

void UpdateCheck::replyFinished() {
    if (reply_->error() != QNetworkReply::NoError || !successStatus()) return finish(std::nullopt);
    body_ += reply_->read(kBodyLimit + 1 - body_.size());
    finish(body_ == version_);
}

void UpdateCheck::finish(std::optional<bool> sameVersion) {
    deadline_.stop();
    if (QNetworkReply* r = reply_) {
        reply_.clear();
        r->disconnect(this);
        if (r->isRunning()) r->abort();
        r->deleteLater();
    }
    body_.clear();
    if (sameVersion) emit answered(*sameVersion);
}
