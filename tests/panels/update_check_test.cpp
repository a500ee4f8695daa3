// The update check against a real HTTP server on 127.0.0.1, started by the test.
#include "fake_desktop.h"
#include "http_stub.h"
#include "skin.h"
#include "update_window.h"

#include <QFile>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace fixture;

namespace {

const QString kConnecting = ".::Соединение...::.";
const QString kUpToDate = ".:: У вас самая последняя версия программы ::.";
const QString kNewVersion = ".:: Появилась новая версия программы! ::.";

class UpdateCheckTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(Skin::load().isEmpty()); }
    void TearDown() override { qunsetenv("RWN8_UPDATE_URL"); }
    // Runs the window's check of `url` to its end.
    void check(const QString& url) {
        qputenv("RWN8_UPDATE_URL", url.toUtf8());
        form.check();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form.IdHTTP1.running(); }, 15000));
    }
    FakeDesktop desk;
    HttpStub server;
    TForm3 form;
};

struct Reply {
    const char* name;
    int status;
    QByteArray body;
    int result;  // 0 kept, 1 up to date, 2 new version
};

void PrintTo(const Reply& r, std::ostream* os) { *os << r.name; }

class Replies : public UpdateCheckTest, public ::testing::WithParamInterface<Reply> {};

TEST_P(Replies, SetTheTextsAsTheyAnswer) {
    server.answer(GetParam().status, GetParam().body);
    check(server.url());
    EXPECT_EQ(form.Label3->text(), (QStringList{kConnecting, kUpToDate, kNewVersion}[GetParam().result]));
    EXPECT_EQ(form.Label4->isVisibleTo(&form), GetParam().result == 2);
    EXPECT_TRUE(desk.shown.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Check, Replies,
                         ::testing::Values(Reply{"same", 200, "1.0.2.", 1}, Reply{"line_break", 200, "1.0.2.\r\n", 2},
                                           Reply{"other", 200, "1.0.3.", 2}, Reply{"empty", 200, "", 2},
                                           Reply{"not_found", 404, "1.0.2.", 0}, Reply{"server_error", 500, "", 0},
                                           Reply{"redirect", 302, "1.0.2.", 0}),
                         [](const ::testing::TestParamInfo<Reply>& info) { return std::string(info.param.name); });

TEST_F(UpdateCheckTest, AsksOnceWithItsHeadersOnlyOverHttp) {
    EXPECT_EQ(TForm3::updateUrl().path(), "/update/1.0.2..txt");
    server.answer(200, "1.0.2.");
    check(server.url());
    EXPECT_TRUE(server.request.startsWith("GET /update/1.0.2..txt HTTP/1.1\r\n")) << server.request.constData();
    EXPECT_TRUE(server.request.contains("\r\nAccept: text/html, */*\r\n"));
    EXPECT_TRUE(server.request.contains("\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"));
    // Another scheme is never asked, whatever the address says.
    form.Label3->setText(kConnecting);
    qputenv("RWN8_UPDATE_URL", "file:///dev/null");
    form.check();
    EXPECT_FALSE(form.IdHTTP1.running());
    EXPECT_EQ(form.Label3->text(), kConnecting);
}

TEST_F(UpdateCheckTest, NoServerOrNoAnswerKeepsTheConnectingText) {
    QTcpServer closed;
    closed.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
    const QString nobody = QStringLiteral("http://127.0.0.1:%1/update/1.0.2..txt").arg(closed.serverPort());
    closed.close();
    check(nobody);
    EXPECT_EQ(form.Label3->text(), kConnecting);

    // Only the deadline ends a check that the server never answers.
    form.IdHTTP1.setTimeout(300);
    server.silent();
    check(server.url());
    EXPECT_FALSE(server.request.isEmpty());
    EXPECT_EQ(form.Label3->text(), kConnecting);
    EXPECT_FALSE(form.Label4->isVisibleTo(&form));
    EXPECT_TRUE(desk.shown.isEmpty());
}

long statusKb(const char* field) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qstrlen(field)).trimmed().split(' ').first().toLong();
    return 0;
}

// The process's peak memory from now on, as the kernel counts it.
bool resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    return f.open(QIODevice::WriteOnly) && f.write("5") == 1;
}

// Ten megabytes announce a new version after the first few kilobytes: the body is
// neither read nor held in full.
TEST_F(UpdateCheckTest, AHugeReplyIsANewVersionReadOnlyToItsLimit) {
    server.answer(200, "1.0.2.");
    check(server.url());  // the network's own start-up, before measuring
    server.answer(200, QByteArray(64 * 1024, 'x'), 160);
    const long before = statusKb("VmRSS:");
    ASSERT_TRUE(resetPeak());
    check(server.url());
    EXPECT_EQ(form.Label3->text(), kNewVersion);
    EXPECT_LT(statusKb("VmHWM:") - before, 4 * 1024);
    EXPECT_LT(server.bytesSent, 10 * 1024 * 1024);

    // A later answer overwrites the result; the link stays.
    server.answer(200, "1.0.2.");
    check(server.url());
    EXPECT_EQ(form.Label3->text(), kUpToDate);
    EXPECT_TRUE(form.Label4->isVisibleTo(&form));
}

}  // namespace
