// The module `rwn8_http`: the update check's GET through Qt Network.
#include "http_get.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

#include <memory>

namespace {

class QtHttpGet final : public HttpGet {
public:
    QtHttpGet() { net_.setProxy(QNetworkProxy::NoProxy); }
    ~QtHttpGet() override { abort(); }

    void get(const QUrl& url, const Headers& headers, qint64 limit, Done done) override {
        abort();
        QNetworkRequest request(url);
        for (const auto& [name, value] : headers) request.setRawHeader(name, value);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
        limit_ = limit;
        done_ = std::move(done);
        body_.clear();
        reply_ = net_.get(request);
        // The reply holds no more than the part of the body that is read.
        reply_->setReadBufferSize(limit + 1);
        QObject::connect(reply_, &QNetworkReply::readyRead, reply_, [this] { readSome(); });
        QObject::connect(reply_, &QNetworkReply::finished, reply_, [this] { finished(); });
    }

    void abort() override {
        done_ = nullptr;
        if (QNetworkReply* r = reply_) {
            reply_.clear();
            r->disconnect();
            if (r->isRunning()) r->abort();
            r->deleteLater();
        }
    }

private:
    bool success() const {
        const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        return status >= 200 && status < 300;
    }
    void readSome() {
        // A failed status ends by itself (or at the caller's deadline); its body is never read.
        if (!success()) return;
        body_ += reply_->read(limit_ + 1 - body_.size());
        if (body_.size() > limit_) end(body_);
    }
    void finished() {
        if (reply_->error() != QNetworkReply::NoError || !success()) return end(std::nullopt);
        body_ += reply_->read(limit_ + 1 - body_.size());
        end(body_);
    }
    void end(std::optional<QByteArray> body) {
        Done done = std::move(done_);
        abort();
        body_.clear();
        if (done) done(std::move(body));
    }

    QNetworkAccessManager net_;
    QPointer<QNetworkReply> reply_;
    Done done_;
    QByteArray body_;
    qint64 limit_ = 0;
};

}  // namespace

extern "C" Q_DECL_EXPORT HttpGet* rwn8_make_http_get() { return new QtHttpGet; }
