#include "jump_window.h"

#include "desktop.h"
#include "labels.h"
#include "path_bytes.h"
#include "playlist_box.h"
#include "playlist_row.h"
#include "playlist_rows.h"
#include "playlist_window.h"
#include "skin.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("Поиск трека");
constexpr QSize kSize(400, 240);
constexpr QRect kTitlePlace(12, 5, 200, 14);
constexpr QRect kEditPlace(10, 22, 380, 18);
constexpr QRect kListPlace(4, 44, 392, 192);
constexpr int kLengthWidth = 54;
constexpr int kWheelRows = 3;
// Tags taken in one turn of the event loop: a few milliseconds' work, so that a key
// typed meanwhile waits no longer.
constexpr size_t kArrivalsPerTurn = 1000;

}  // namespace

// The matches as rows of text on black, the chosen one in the selection colours.
class TJumpList : public QWidget {
public:
    TJumpList(TJumpWindow* w, QWidget* parent) : QWidget(parent), w_(w), font_(TPlaylistRowDelegate::rowFont()) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        p.setFont(font_);
        const QFontMetrics m(font_);
        const int ascent = m.ascent() + (TJumpWindow::kRowHeight - m.height()) / 2;
        const QPalette& pal = palette();
        const int playing = w_->playingRow_ ? w_->playingRow_() : -1;
        const auto& matches = w_->matches_;
        const int last = std::min<int>(int(matches.size()), w_->top_ + w_->visibleRows());
        const int textRight = width() - kLengthWidth - 6;
        std::vector<int> shown;
        for (int i = w_->top_; i < last; ++i) {
            const int row = matches[size_t(i)];
            shown.push_back(row);
            const QRect r(0, (i - w_->top_) * TJumpWindow::kRowHeight, width() - 4, TJumpWindow::kRowHeight);
            const bool chosen = i == w_->choice_;
            if (chosen) p.fillRect(r, pal.color(QPalette::Highlight));
            p.setPen(rowTextColour(chosen, row, playing, pal.color(QPalette::HighlightedText)));
            const TJumpWindow::Shown s = w_->shownRow(row);
            p.save();
            p.setClipRect(QRect(r.left(), r.top(), textRight - r.left(), r.height()));
            p.drawText(r.left() + 4, r.top() + ascent, s.first.left(256));
            p.restore();
            p.drawText(width() - kLengthWidth - 4, r.top() + ascent, s.length);
        }
        // Where the shown rows lie in the matches: a thin mark at the right edge.
        const int n = int(matches.size());
        if (n > w_->visibleRows()) {
            const int h = height();
            const int markTop = int(int64_t(h) * w_->top_ / n);
            const int markHeight = std::max(8, int(int64_t(h) * w_->visibleRows() / n));
            p.fillRect(QRect(width() - 3, std::min(markTop, h - markHeight), 3, markHeight), QColor(0x4a, 0x4e, 0x56));
        }
        w_->askShown(shown);
    }
    void mousePressEvent(QMouseEvent* e) override {
        const int at = matchAt(e->position().toPoint());
        if (e->button() == Qt::LeftButton && at >= 0) {
            w_->choice_ = at;
            update();
        }
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        const int at = matchAt(e->position().toPoint());
        if (e->button() == Qt::LeftButton && at >= 0) w_->chooseAt(at);
    }
    void wheelEvent(QWheelEvent* e) override {
        const int steps = e->angleDelta().y() / 120;
        const int most = std::max(0, int(w_->matches_.size()) - w_->visibleRows());
        w_->top_ = std::clamp(w_->top_ - steps * kWheelRows, 0, most);
        update();
    }

private:
    int matchAt(QPoint p) const {
        const int i = w_->top_ + p.y() / TJumpWindow::kRowHeight;
        return p.y() >= 0 && i < int(w_->matches_.size()) ? i : -1;
    }

    TJumpWindow* w_;
    QFont font_;
};

TJumpWindow::TJumpWindow(const PlaylistRows* rows, std::function<int()> playingRow, TagsAhead* tags, QWidget* parent)
    : TPopupPanel({.size = kSize, .picture = QStringLiteral("playlist_background")}, parent),
      rows_(rows),
      playingRow_(std::move(playingRow)),
      tags_(tags ? tags : &TagsAhead::instance()),
      index_(rows) {
    setWindowTitle(kTitle);
    QFont titleFont = TPlaylistRowDelegate::rowFont();
    textLabel(this, kTitle, titleFont.family(), 11, SkinColour::grey, kTitlePlace);

    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(kEditPlace);
    Edit1->setFrame(false);
    Edit1->setFont(titleFont);
    QPalette p = Edit1->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, SkinColour::playingSilver);
    Edit1->setPalette(p);
    Edit1->setTextMargins(4, 0, 4, 0);
    Edit1->installEventFilter(this);
    connect(Edit1, &QLineEdit::textChanged, this, &TJumpWindow::typed);

    List1 = new TJumpList(this, this);
    List1->setGeometry(kListPlace);

    connect(tags_, &TagsAhead::tagsRead, this, &TJumpWindow::tagsArrived);
    connect(&index_, &JumpIndex::rowsChanged, this, &TJumpWindow::rowsChanged);
}

TJumpWindow::~TJumpWindow() = default;

int TJumpWindow::visibleRows() const { return List1->height() / kRowHeight; }

void TJumpWindow::openOver(QRect playerFrame, bool playerInTray) {
    // Whatever was read while the window was closed is in the keys before the search.
    tagsArrived();
    index_.keyNames();
    if (auto wanted = index_.askUnread(); !wanted.empty()) tags_->want(std::move(wanted), false);
    askedShown_.clear();
    refilter();

    const QRect area = desktop().workArea();
    QRect place(QPoint(), size());
    place.moveCenter(playerInTray ? area.center() : playerFrame.center());
    const int x = std::max(area.left(), std::min(place.left(), area.right() + 1 - width()));
    const int y = std::max(area.top(), std::min(place.top(), area.bottom() + 1 - height()));
    ShowAt(x, y);
    // The last text, selected, so that typing replaces it.
    Edit1->selectAll();
    Edit1->setFocus();
}

void TJumpWindow::typed(const QString& text) {
    JumpQuery q(text);
    index_.filter(q, matches_);
    query_ = std::move(q);
    choice_ = matches_.empty() ? -1 : 0;
    top_ = 0;
    List1->update();
}

void TJumpWindow::refilter() {
    query_ = JumpQuery(Edit1->text());
    index_.filter(query_, matches_);
    choice_ = matches_.empty() ? -1 : 0;
    top_ = 0;
    List1->update();
}

void TJumpWindow::rowsChanged() {
    if (!isVisible()) return;  // the next opening searches afresh
    index_.keyNames();
    if (auto wanted = index_.askUnread(); !wanted.empty()) tags_->want(std::move(wanted), false);
    refilter();
}

void TJumpWindow::tagsArrived() {
    std::vector<int> fresh;
    for (const FoundTags& f : tags_->take(kArrivalsPerTurn)) {
        if (!index_.fill(f)) continue;
        // A row that matches now, with its artist and title, joins the matches.
        if (query_.matches(index_.key(f.row)) && !std::binary_search(matches_.begin(), matches_.end(), f.row))
            fresh.push_back(f.row);
    }
    if (!fresh.empty() && isVisible()) {
        std::sort(fresh.begin(), fresh.end());
        fresh.erase(std::unique(fresh.begin(), fresh.end()), fresh.end());
        const int chosen = chosenRow();
        std::vector<int> merged;
        merged.reserve(matches_.size() + fresh.size());
        std::merge(matches_.begin(), matches_.end(), fresh.begin(), fresh.end(), std::back_inserter(merged));
        matches_.swap(merged);
        // The choice stays on its row; the first row shown stays unless the choice left it.
        if (chosen >= 0) choice_ = int(std::lower_bound(matches_.begin(), matches_.end(), chosen) - matches_.begin());
        else choice_ = 0;
        const int topRow = top_ < int(merged.size()) ? merged[size_t(top_)] : 0;
        top_ = int(std::lower_bound(matches_.begin(), matches_.end(), topRow) - matches_.begin());
        keepChoiceInView();
    }
    if (isVisible()) List1->update();
}

void TJumpWindow::askShown(const std::vector<int>& rows) {
    std::vector<WantedTags> wanted;
    std::vector<int> asked;
    for (int row : rows) {
        const QByteArrayView path = rows_->bytes(row);
        const auto glance = tags_->glance(std::string(path.data(), size_t(path.size())));
        if (glance && !glance->length.isEmpty()) continue;
        asked.push_back(row);
        wanted.push_back({row, std::string(path.data(), size_t(path.size())), true});
    }
    // The same rows, still unknown, are not asked again at every paint.
    if (wanted.empty() || asked == askedShown_) return;
    askedShown_ = asked;
    tags_->want(std::move(wanted), true);
}

TJumpWindow::Shown TJumpWindow::shownRow(int row) const {
    const QByteArrayView path = rows_->bytes(row);
    const auto glance = tags_->glance(std::string(path.data(), size_t(path.size())));
    QString artist, title, length;
    if (glance) {
        artist = glance->artist;
        title = glance->title.isEmpty() ? QStringLiteral("Название не определено") : glance->title;
        length = glance->length;
    } else {
        title = pathFromBytes(fileNameOf(path));
    }
    return {QString::number(row) + ". [" + artist + "] - [" + title + "]", length};
}

void TJumpWindow::keepChoiceInView() {
    const int n = int(matches_.size());
    const int v = std::max(1, visibleRows());
    if (choice_ >= 0) {
        if (choice_ < top_) top_ = choice_;
        if (choice_ >= top_ + v) top_ = choice_ - v + 1;
    }
    top_ = std::clamp(top_, 0, std::max(0, n - v));
}

void TJumpWindow::moveChoice(int by) {
    if (matches_.empty()) return;
    choice_ = std::clamp(std::max(choice_, 0) + by, 0, int(matches_.size()) - 1);
    keepChoiceInView();
    List1->update();
}

void TJumpWindow::chooseAt(int match) {
    if (match < 0 || match >= int(matches_.size())) return;
    choice_ = match;
    const int row = matches_[size_t(match)];
    emit rowChosen(row);
    hide();
}

void TJumpWindow::choose() { chooseAt(choice_); }

bool TJumpWindow::eventFilter(QObject* watched, QEvent* e) {
    if (watched == Edit1 && e->type() == QEvent::KeyPress) {
        const int page = std::max(1, visibleRows() - 1);
        switch (static_cast<QKeyEvent*>(e)->key()) {
        case Qt::Key_Up: moveChoice(-1); return true;
        case Qt::Key_Down: moveChoice(1); return true;
        case Qt::Key_PageUp: moveChoice(-page); return true;
        case Qt::Key_PageDown: moveChoice(page); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: choose(); return true;
        case Qt::Key_Escape: hide(); return true;
        default: break;
        }
    }
    return TPopupPanel::eventFilter(watched, e);
}

void startChosenRow(TForm2& playlist, int row) {
    if (row < 0 || row >= playlist.count()) return;
    playlist.setFocus(row);
    playlist.ListBox1->scrollTo(playlist.ListBox1->model()->index(row, 0));
    playlist.ListBox1DblClick(row);
}
