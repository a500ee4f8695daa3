#pragma once
// One HTTP GET, for the update check. It is done by Qt Network in the module
// `rwn8_http` beside the program, loaded the first time a check is asked for: Qt
// Network and the libraries it brings (Kerberos, proxy lookup, compression) would
// otherwise stay in the program's memory for the whole session for one request
// that most sessions never make.
#include <QByteArray>
#include <QList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class HttpGet {
public:
    using Headers = QList<std::pair<QByteArray, QByteArray>>;
    // Called once per get(), on the thread that asked: the body of a successful
    // (2xx) answer, cut at `limit` + 1 bytes; nothing for any failure.
    using Done = std::function<void(std::optional<QByteArray>)>;

    virtual ~HttpGet() = default;
    // GETs `url` with `headers`, without proxy and without following a redirect.
    // One request at a time; a new get() drops the one before without calling it back.
    virtual void get(const QUrl& url, const Headers& headers, qint64 limit, Done done) = 0;
    // Drops the running request; its `done` is not called.
    virtual void abort() = 0;

    // A new getter from the module beside the program, or nothing when the module
    // cannot be loaded (then a check fails as if there were no network).
    static std::unique_ptr<HttpGet> load();
};

// The module's one entry point.
extern "C" HttpGet* rwn8_make_http_get();
