#pragma once
// A one-reply HTTP server on 127.0.0.1 for the update check: it records the request
// it was sent and answers with a status and a body, or never answers. A long body
// goes out in pieces as the socket drains, so the server itself stays small.
#include <QByteArray>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

namespace fixture {

class HttpStub {
public:
    enum class Mode { Answer, Silent };

    HttpStub() {
        server_.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { onRead(s); });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    HttpStub(const HttpStub&) = delete;
    HttpStub& operator=(const HttpStub&) = delete;
    // Answers every request with `status` and `body` (or `repeat` copies of `body`).
    void answer(int status, QByteArray body, qint64 repeat = 1) {
        mode_ = Mode::Answer;
        status_ = status;
        body_ = std::move(body);
        repeat_ = repeat;
    }
    // Accepts and reads, and never answers.
    void silent() { mode_ = Mode::Silent; }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1/update/1.0.2..txt").arg(server_.serverPort()); }
    // The request head as last received.
    QByteArray request;
    qint64 bytesSent = 0;

private:
    void onRead(QTcpSocket* s) {
        request += s->readAll();
        if (!request.contains("\r\n\r\n") || mode_ == Mode::Silent || s->property("answered").toBool()) return;
        s->setProperty("answered", true);
        const qint64 length = body_.size() * repeat_;
        s->write("HTTP/1.1 " + QByteArray::number(status_) + " X\r\nContent-Type: text/plain\r\nContent-Length: " +
                 QByteArray::number(length) + "\r\nConnection: close\r\n\r\n");
        auto left = std::make_shared<qint64>(repeat_);
        const auto more = [this, s, left] {
            // Keeps about one piece in flight.
            if (s->bytesToWrite() > body_.size() || *left == 0) return;
            --*left;
            bytesSent += s->write(body_);
            if (*left == 0) s->disconnectFromHost();
        };
        QObject::connect(s, &QTcpSocket::bytesWritten, s, more);
        more();
    }

    QTcpServer server_;
    Mode mode_ = Mode::Silent;
    int status_ = 200;
    QByteArray body_;
    qint64 repeat_ = 1;
};

}  // namespace fixture
