#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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
    // Puts `source` at `target` of the window the last show() reached, from any thread, as long as the
    // caller keeps the UI thread's show() and setImage() away meanwhile (a ServerBeat's hold does); nothing
    // before a show() has made the server's copy. Sent with the next flush(). Returns whether it copied.
    bool copy(const QRect& source, const QPoint& target = QPoint(0, 0));
    void flush();

private:
    struct X;
    explicit ServerPicture(std::unique_ptr<X> x, QWidget* widget);
    void release();

    std::unique_ptr<X> m_x;
    QWidget* m_widget;
    QImage m_image;      // kept, to go up again on a window of another depth
    bool m_stale = true; // the server's copy is missing or older than m_image
};

// Slides server pictures on a thread of its own, at a steady pace: each beat, every lane's step moves its
// owner's state on by one and names the slice of its picture to put up, and the beat's copies leave in one
// write. A picture that only slides (a scrolling caption) then never wakes the program's event loop, whose
// wake-ups alone cost more than the copies: an idle window's UI thread sleeps.
//
// A step runs on the beat's thread with the hold taken: plain arithmetic on its owner's state, no Qt call, no
// allocation. The UI thread takes hold() around anything a step reads or a copy uses (its state, the
// picture's show() and setImage()), which it gets within one beat's copies; the hold may be taken again
// by the same thread, as a paint event sent while it is held does.
class ServerBeat {
public:
    // Gives the slice to put up, or an empty rectangle to count the step without showing it.
    using Step = std::function<QRect()>;

    explicit ServerBeat(std::chrono::milliseconds period);
    ~ServerBeat();
    ServerBeat(const ServerBeat&) = delete;
    ServerBeat& operator=(const ServerBeat&) = delete;

    // The lane list may change at any time; a picture must be removed before it goes.
    void add(ServerPicture* picture, Step step);
    void remove(const ServerPicture* picture);
    // A stopped beat steps nothing (and its thread sleeps) until started again.
    void start();
    void stop();
    bool running() const;
    std::unique_lock<std::recursive_mutex> hold() const {
        return std::unique_lock<std::recursive_mutex>(m_mutex);
    }

private:
    void run();

    const std::chrono::milliseconds m_period;
    mutable std::recursive_mutex m_mutex;
    std::condition_variable_any m_wake;
    std::vector<std::pair<ServerPicture*, Step>> m_lanes;
    bool m_running = false;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace platform
