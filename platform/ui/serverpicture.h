#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <memory>

class QWidget;

namespace platform {

// A picture the X server keeps for one widget, put on the widget's own window by a single copy request. A
// picture that only slides (a scrolling caption) then costs one small request a step, instead of a repaint,
// a paint of the uncovered strip and a flush of the window's backing store through Qt, which is most of what
// an idle window spends 30 times a second.
//
// The widget becomes a native window that Qt does not paint (its paintEngine() must return null); the owner
// puts the picture up from its paintEvent, which Qt sends when the window is exposed, and whenever it moves.
// create() gives null where this cannot work (not on X11, no libxcb, a display whose pixels are not 32-bit
// words in this machine's byte order): the owner then paints as any widget does.
class ServerPicture {
public:
    static std::unique_ptr<ServerPicture> create(QWidget* widget);
    ~ServerPicture();
    ServerPicture(const ServerPicture&) = delete;
    ServerPicture& operator=(const ServerPicture&) = delete;

    // Hands the picture to the server (in device pixels, cut to 32767 a side); the next show() puts it up.
    void setImage(const QImage& image);
    QSize size() const { return m_image.size(); }
    // Puts `source` of the picture at `target` of the widget's window (device pixels); the request is sent
    // before the event loop next waits, with any other copies of the same turn. Does nothing while the widget
    // has no window of its own yet.
    void show(const QRect& source, const QPoint& target);

private:
    struct X;
    explicit ServerPicture(std::unique_ptr<X> x, QWidget* widget);
    void release();

    std::unique_ptr<X> m_x;
    QWidget* m_widget;
    QImage m_image;      // kept, to go up again on a window of another depth
    bool m_stale = true; // the server's copy is missing or older than m_image
};

} // namespace platform
