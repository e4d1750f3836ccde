#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>
#include <array>

namespace player {

// A deck's tempo against its song's own ("+2.4 %") over its tempo buttons in two rows: KEY (lit while key
// lock is on) and SYNC; the nudges - and + (lit while held) and the fader's range, which a click moves on.
// They only tell what was pressed.
class TempoButtons : public QWidget {
    Q_OBJECT
public:
    enum class Part { KeyLock, Sync, Slower, Faster, Range };
    TempoButtons(QColor accent, QWidget* parent);

    struct View {
        bool keyLock = false;
        int nudge = 0;
        double range = 0.08;
        QString tempo;
        bool operator==(const View&) const = default;
    };
    // Repaints only on a change.
    void show(const View& view);
    const View& shown() const { return m_view; }
    void setScale(double scale) {
        m_scale = scale;
        update();
    }
    // Where `part` lies in the widget, for a press (and a test) to find it.
    QRectF area(Part part) const;
    // Each part's tooltip; the window adds its keys.
    void setTip(Part part, const QString& tip) { m_tips[size_t(part)] = tip; }

signals:
    void keyLockClicked();
    void syncClicked();
    void rangeClicked();
    // A nudge held (-1 slower, +1 faster) and let go (0).
    void nudged(int direction);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    int partAt(QPointF at) const;

    QColor m_accent;
    View m_view;
    double m_scale = 1.0;
    bool m_holding = false;
    std::array<QString, 5> m_tips;
};

} // namespace player
