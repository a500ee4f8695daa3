#include "update_window.h"

#include "labels.h"
#include "skin.h"

#include <QLabel>

namespace {

const char* const kUpdateUrl = "http://rwn8.example/update/1.0.2..txt";
const char* const kDownloadPage = "http://rwn8.example/download/";

QLabel* captureLabel(QWidget* parent, const QString& text, int pixels, QPoint at) {
    return textLabel(parent, text, SkinFace::captureIt, pixels, SkinColour::grey, {at, QSize()});
}

}  // namespace

TForm3::TForm3(QWidget* parent)
    : TSkinWindow(QStringLiteral("Form3"), QStringLiteral("update_background"), {532, 26},
                  QStringLiteral("update_close"), parent),
      Label1(captureLabel(this, QStringLiteral("Версия вашей программы:"), 13, {80, 40})),
      Label2(captureLabel(this, QStringLiteral("1.0.2."), 13, {272, 40})),
      Label3(captureLabel(this, QStringLiteral(".::Соединение...::."), 11, {72, 72})),
      Label4(captureLabel(this, QStringLiteral("Скачать, блеать!"), 13, {144, 136})) {
    Label4->hide();
    setLink(Label4, QLatin1String(kDownloadPage), QStringLiteral("Скачать"));
    connect(&IdHTTP1, &UpdateCheck::answered, this, &TForm3::showAnswer);
}

QUrl TForm3::updateUrl() {
    const QString set = qEnvironmentVariable("RWN8_UPDATE_URL");
    return QUrl(set.isEmpty() ? QLatin1String(kUpdateUrl) : set);
}

void TForm3::check() { IdHTTP1.start(updateUrl(), Label2->text().toUtf8()); }

// Nothing takes the link away again: once announced, it stays until exit.
void TForm3::showAnswer(bool sameVersion) {
    Label3->setText(sameVersion ? QStringLiteral(".:: У вас самая последняя версия программы ::.")
                                : QStringLiteral(".:: Появилась новая версия программы! ::."));
    Label3->adjustSize();
    if (!sameVersion) Label4->show();
}
