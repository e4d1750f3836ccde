#include "ui/serverpicture.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>
#include <utility>

#ifdef __linux__
#include <pthread.h>
#endif

#ifdef DECKMORA_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <xcb/xcb.h>
#endif

namespace platform {

#ifdef DECKMORA_HAVE_XCB

namespace {

xcb_connection_t* connection() {
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

// Pixels go up as they lie in a QImage: 32-bit words in this machine's byte order.
bool takesOurPixels(xcb_connection_t* c, uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    const uint8_t ours =
        QSysInfo::ByteOrder == QSysInfo::LittleEndian ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    if (setup->image_byte_order != ours || (depth != 24 && depth != 32))
        return false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth)
            return it.data->bits_per_pixel == 32 && it.data->scanline_pad == 32;
    return false;
}

// The copies of one tick (both captions) leave in one write, just before the event loop waits again. The
// connection lives as long as the application, and the hook goes with the application's event loop.
void sendBeforeWaiting(xcb_connection_t* c) {
    static xcb_connection_t* pending = nullptr;
    static QMetaObject::Connection hook;
    if (!hook)
        if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance()) {
            pending = nullptr; // of an application that has gone
            hook = QObject::connect(loop, &QAbstractEventDispatcher::aboutToBlock, [] {
                if (xcb_connection_t* live = std::exchange(pending, nullptr))
                    xcb_flush(live);
            });
        }
    if (hook)
        pending = c;
    else
        xcb_flush(c);
}

} // namespace

struct ServerPicture::X {
    xcb_connection_t* c = nullptr;
    xcb_window_t window = 0; // the window the picture was last put on
    uint8_t depth = 0;
    xcb_pixmap_t pixmap = 0;
    xcb_gcontext_t gc = 0;
};

std::unique_ptr<ServerPicture> ServerPicture::create(QWidget* widget) {
    xcb_connection_t* c = connection();
    if (!c)
        return nullptr;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen || !takesOurPixels(c, screen->root_depth))
        return nullptr;
    // A native child makes Qt give every sibling stacked above it a native window of its own unless told not
    // to: dozens of windows, and a see-through label among them shows whatever the server has behind it.
    QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    widget->setAttribute(Qt::WA_NativeWindow);
    widget->setAttribute(Qt::WA_PaintOnScreen);
    widget->setAttribute(Qt::WA_NoSystemBackground);
    widget->setAttribute(Qt::WA_OpaquePaintEvent);
    auto x = std::make_unique<X>();
    x->c = c;
    return std::unique_ptr<ServerPicture>(new ServerPicture(std::move(x), widget));
}

ServerPicture::ServerPicture(std::unique_ptr<X> x, QWidget* widget) : m_x(std::move(x)), m_widget(widget) {}

ServerPicture::~ServerPicture() {
    release();
}

// The connection outlives every widget of a running application; after it has gone there is nothing to free.
void ServerPicture::release() {
    if (m_x->pixmap && connection() == m_x->c) {
        xcb_free_pixmap(m_x->c, m_x->pixmap);
        xcb_free_gc(m_x->c, m_x->gc);
        xcb_flush(m_x->c);
    }
    m_x->pixmap = m_x->gc = 0;
}

void ServerPicture::setImage(const QImage& image) {
    // A pixmap side may not pass 32767 pixels.
    const bool fits = image.width() <= 32767 && image.height() <= 32767;
    m_image =
        fits ? image : image.copy(0, 0, std::min(image.width(), 32767), std::min(image.height(), 32767));
    m_stale = true;
}

void ServerPicture::show(const QRect& source, const QPoint& target) {
    if (!m_widget->testAttribute(Qt::WA_WState_Created) || m_image.isNull())
        return;
    xcb_connection_t* c = m_x->c;
    const auto window = static_cast<xcb_window_t>(m_widget->winId());
    if (window != m_x->window) {
        // Qt made the window anew (a change of flags does): learn its depth once, keep the pixmap if it fits.
        xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
        const uint8_t depth = g ? g->depth : 0;
        std::free(g);
        if (!takesOurPixels(c, depth))
            return;
        if (depth != m_x->depth)
            m_stale = true;
        m_x->window = window;
        m_x->depth = depth;
    }
    if (m_stale) {
        release();
        m_stale = false;
        const QImage image = m_image.convertToFormat(m_x->depth == 32 ? QImage::Format_ARGB32_Premultiplied
                                                                      : QImage::Format_RGB32);
        m_x->pixmap = xcb_generate_id(c);
        xcb_create_pixmap(c, m_x->depth, m_x->pixmap, window, uint16_t(image.width()),
                          uint16_t(image.height()));
        // Without graphics exposures a copy sends no NoExpose event back, so a step wakes nothing in return.
        const uint32_t noExposures = 0;
        m_x->gc = xcb_generate_id(c);
        xcb_create_gc(c, m_x->gc, m_x->pixmap, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
        const size_t stride = size_t(image.bytesPerLine());
        const size_t room = size_t(xcb_get_maximum_request_length(c)) * 4 - 64;
        const int rowsEach = int(std::max<size_t>(1, room / stride));
        for (int y = 0; y < image.height(); y += rowsEach) {
            const int rows = std::min(rowsEach, image.height() - y);
            xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_x->pixmap, m_x->gc, uint16_t(image.width()),
                          uint16_t(rows), 0, int16_t(y), 0, m_x->depth, uint32_t(stride * size_t(rows)),
                          image.constScanLine(y));
        }
    }
    if (copy(source, target))
        sendBeforeWaiting(c);
}

bool ServerPicture::copy(const QRect& source, const QPoint& target) {
    if (!m_x->pixmap || !m_x->window)
        return false;
    const QRect from = source.intersected(m_image.rect());
    if (from.isEmpty())
        return false;
    const QPoint to = target + (from.topLeft() - source.topLeft());
    xcb_copy_area(m_x->c, m_x->pixmap, m_x->window, m_x->gc, int16_t(from.x()), int16_t(from.y()),
                  int16_t(to.x()), int16_t(to.y()), uint16_t(from.width()), uint16_t(from.height()));
    return true;
}

void ServerPicture::flush() {
    xcb_flush(m_x->c);
}

#else

struct ServerPicture::X {};

std::unique_ptr<ServerPicture> ServerPicture::create(QWidget*) {
    return nullptr;
}
ServerPicture::ServerPicture(std::unique_ptr<X> x, QWidget* widget) : m_x(std::move(x)), m_widget(widget) {}
ServerPicture::~ServerPicture() = default;
void ServerPicture::release() {}
void ServerPicture::setImage(const QImage&) {}
void ServerPicture::show(const QRect&, const QPoint&) {}
bool ServerPicture::copy(const QRect&, const QPoint&) {
    return false;
}
void ServerPicture::flush() {}

#endif

ServerBeat::ServerBeat(std::chrono::milliseconds period) : m_period(period) {}

ServerBeat::~ServerBeat() {
    {
        const std::lock_guard<std::recursive_mutex> lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ServerBeat::add(ServerPicture* picture, Step step) {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_lanes.emplace_back(picture, std::move(step));
}

void ServerBeat::remove(const ServerPicture* picture) {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    std::erase_if(m_lanes, [picture](const auto& lane) { return lane.first == picture; });
}

void ServerBeat::start() {
    {
        const std::lock_guard<std::recursive_mutex> lock(m_mutex);
        if (m_running)
            return;
        m_running = true;
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_wake.notify_all();
}

void ServerBeat::stop() {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_running = false;
}

bool ServerBeat::running() const {
    const std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_running;
}

// Beats keep to a grid from the start, so a late wake-up does not slow the pace; after a stall (a suspended
// machine) the grid starts again rather than rushing through the missed beats.
void ServerBeat::run() {
#ifdef __linux__
    pthread_setname_np(pthread_self(), "ServerBeat");
#endif
    using clock = std::chrono::steady_clock;
    std::unique_lock<std::recursive_mutex> lock(m_mutex);
    clock::time_point next = clock::now() + m_period;
    while (!m_quit) {
        if (!m_running) {
            m_wake.wait(lock, [this] { return m_quit || m_running; });
            next = clock::now() + m_period;
            continue;
        }
        if (m_wake.wait_until(lock, next, [this] { return m_quit || !m_running; }))
            continue;
        next += m_period;
        if (const clock::time_point now = clock::now(); next < now)
            next = now + m_period;
        ServerPicture* sent = nullptr;
        for (auto& [picture, step] : m_lanes)
            if (const QRect slice = step(); !slice.isEmpty() && picture->copy(slice))
                sent = picture;
        if (sent)
            sent->flush();
    }
}

} // namespace platform
