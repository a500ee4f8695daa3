#pragma once
// A one-line text strip over an image or a colour, whose text can run to the
// left like a ticker, fade into its ends, be dragged, or give way to a fixed text.
#include "click.h"
#include "run_motion.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRegion>
#include <QTimer>
#include <QWidget>

#include <tuple>

// Fills (left, top, right, bottom) with bands between the colours; false, with the
// error box, for fewer than two colours.
bool GradientFill(QImage& image, const QRect& area, const QList<QColor>& colours, bool horizontal);

class QPainter;

class TZMRunString : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString _Author READ author)
    Q_PROPERTY(QString _Caption READ caption WRITE setCaption)
    Q_PROPERTY(QImage _LoadBitmap READ loadBitmap WRITE setLoadBitmap)
    Q_PROPERTY(QColor _Color READ color WRITE setColor)
    Q_PROPERTY(bool _Enabled READ enabled WRITE setEnabled_)
    Q_PROPERTY(bool _DrawBorder READ drawBorder WRITE setDrawBorder)
    Q_PROPERTY(zm::ZMDrawMode _DrawMode READ drawMode WRITE setDrawMode)
    Q_PROPERTY(zm::ZMRunMode _RunMode READ runMode WRITE setRunMode)
    Q_PROPERTY(int _FreePos READ freePos WRITE setFreePos)
    Q_PROPERTY(QFont _FreeFont READ freeFont WRITE setFreeFont)
    Q_PROPERTY(QString _FreeCaption READ freeCaption WRITE setFreeCaption)
    Q_PROPERTY(int _EdgeSize READ edgeSize WRITE setEdgeSize)
    Q_PROPERTY(int _Interval READ interval WRITE setInterval)
    Q_PROPERTY(bool _FreeCentered READ freeCentered WRITE setFreeCentered)
    Q_PROPERTY(bool _ShowActive READ showActive WRITE setShowActive)
    Q_PROPERTY(bool _HideActive READ hideActive WRITE setHideActive)
    Q_PROPERTY(int _ShowInterval READ showInterval WRITE setShowInterval)
    Q_PROPERTY(int _HideInterval READ hideInterval WRITE setHideInterval)
    Q_PROPERTY(bool _SmoothEdges READ smoothEdges WRITE setSmoothEdges)
    Q_PROPERTY(QColor _BorderColor READ borderColor WRITE setBorderColor)
    Q_PROPERTY(bool _ColoredEnable READ coloredEnable WRITE setColoredEnable)

public:
    explicit TZMRunString(QWidget* parent = nullptr);

    // Every published setting keeps its accessors, whether or not a window sets it.

    QString author() const;
    QString caption() const { return caption_; }
    void setCaption(const QString& text);
    QImage loadBitmap() const { return bitmap_; }
    void setLoadBitmap(const QImage& image);
    QColor color() const { return color_; }
    void setColor(const QColor& c) {
        color_ = c;
        update();
    }
    bool enabled() const { return enabled_; }
    void setEnabled_(bool on);
    bool drawBorder() const { return drawBorder_; }
    void setDrawBorder(bool on) {
        drawBorder_ = on;
        update();
    }
    zm::ZMDrawMode drawMode() const { return drawMode_; }
    void setDrawMode(zm::ZMDrawMode m) {
        drawMode_ = m;
        update();
    }
    zm::ZMRunMode runMode() const { return runMode_; }
    void setRunMode(zm::ZMRunMode m);
    int freePos() const { return freePos_; }
    void setFreePos(int x) {
        freePos_ = x;
        update();
    }
    QFont freeFont() const { return freeFont_; }
    void setFreeFont(const QFont& f) {
        freeFont_ = f;
        update();
    }
    QColor freeFontColor() const { return freeFontColor_; }
    void setFreeFontColor(const QColor& c) {
        freeFontColor_ = c;
        update();
    }
    QString freeCaption() const { return freeCaption_; }
    void setFreeCaption(const QString& text);
    int edgeSize() const { return edgeSize_; }
    void setEdgeSize(int v) {
        edgeSize_ = std::max(v, 0);
        update();
    }
    int interval() const { return RunTimer.interval(); }
    void setInterval(int v);
    bool freeCentered() const { return freeCentered_; }
    void setFreeCentered(bool on) {
        freeCentered_ = on;
        update();
    }
    bool showActive() const { return showActive_; }
    void setShowActive(bool on) { showActive_ = on; }
    bool hideActive() const { return hideActive_; }
    void setHideActive(bool on) { hideActive_ = on; }
    int showInterval() const { return ShowTimer.interval(); }
    void setShowInterval(int ms) { ShowTimer.setInterval(ms); }
    int hideInterval() const { return HideTimer.interval(); }
    void setHideInterval(int ms) { HideTimer.setInterval(ms); }
    bool smoothEdges() const { return smoothEdges_; }
    void setSmoothEdges(bool on) {
        smoothEdges_ = on;
        update();
    }
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& c) {
        borderColor_ = c;
        update();
    }
    bool coloredEnable() const { return colored_; }
    void setColoredEnable(bool on);
    // The colour of `Font`, in which the running text is drawn.
    QColor fontColor() const { return fontColor_; }
    void setFontColor(const QColor& c) {
        fontColor_ = c;
        update();
    }

    void RunTimerTimer();
    void ShowTimerTimer();
    void HideTimerTimer();
    // The end of the entry pause: what the pausing tick moved shows, and the run goes on.
    void PauseTimerTimer();
    // The picture a paint draws now.
    QImage render();
    // Device pixels per pixel of what the strip draws.
    int ratio() const;
    const RunMotion& motion() const { return motion_; }
    // What the last tick of the motion asked to be repainted.
    const QRegion& lastStep() const { return lastStep_; }
    bool pausing() const { return PauseTimer.isActive(); }

    QTimer RunTimer, ShowTimer, HideTimer;

signals:
    void OnClick(QObject* sender);
    void OnMouseDown(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers keys, int x, int y);
    void OnMouseUp(QObject* sender, Qt::MouseButton button, Qt::KeyboardModifiers keys, int x, int y);
    void OnMouseMove(QObject* sender, Qt::KeyboardModifiers keys, int x, int y);
    void OnShow(QObject* sender);
    void OnHide(QObject* sender);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;
    void changeEvent(QEvent* e) override;
    void showEvent(QShowEvent*) override;
    void hideEvent(QHideEvent*) override;

private:
    int textWidth() const;
    void forgetLayout();
    const QImage& captionImage();
    void rebuildBackImage();
    const QImage& backdrop();
    void drawText(QPainter& p);
    void press(QMouseEvent* e, bool secondOfDouble);
    void followRunState();
    // Where the caption's copies lie in `m`, within the strip.
    QRegion textArea(const RunMotion& m);

    // What `_Interval` was set to; the timer runs at 1 ms while rmRightLeft enters.
    int intervalMs_ = 25;
    static constexpr int kMaxDrawnCharacters = 1024;
    QString drawnCaption() const;
    QString caption_ = QStringLiteral("TZMRunString");
    mutable int textWidth_ = -1;
    QImage captionImage_;
    QColor captionColour_;
    QString freeCaption_ = QStringLiteral("\"Free Text\"");
    QImage bitmap_;
    QImage backImage_;
    QImage shownBitmap_;  // the loaded background at the screen's density
    using BackdropKey = std::tuple<QSize, int, qint64, bool, QColor, int, bool, int, QColor, bool, QColor>;
    BackdropKey backdropKey_;
    QImage backdrop_;
    QColor color_ = Qt::black;
    QColor borderColor_ = Qt::black;
    QColor fontColor_ = Qt::black;
    QColor freeFontColor_ = Qt::black;
    QFont freeFont_;
    bool enabled_ = true;
    bool drawBorder_ = false;
    zm::ZMDrawMode drawMode_ = zm::dmBitmap;
    zm::ZMRunMode runMode_ = zm::rmNone;
    int freePos_ = 2;
    int edgeSize_ = 15;
    bool freeCentered_ = false;
    bool showActive_ = false;
    bool hideActive_ = false;
    bool smoothEdges_ = true;
    bool colored_ = false;
    RunMotion motion_;
    // The motion the last tick asked to be shown, and what that tick repainted.
    RunMotion shown_;
    QRegion lastStep_;
    // A drag moved the text since the last tick: the next one repaints the whole strip.
    bool draggedSinceTick_ = false;
    bool dragged_ = false;
    int dragOffset_ = 0;
    ClickTracker clicks_;
    // Shown on screen: set by show events, cleared by hide events (the window hidden
    // into the tray, or minimised).
    bool onScreen_ = false;
    // The one-second stop on entering: the rest of the interface runs on.
    QTimer PauseTimer;
};
