// The main window's part in the DJ view: the footer's switch that unfolds it beneath the face, its zoom, and
// the seeks its overviews ask for.
#include "console/djrules.h"
#include "core/twips.h"
#include "djlayout.h"
#include "djview.h"
#include "mainwindow.h"
#include "switchbutton.h"
#include "ui/progressbar.h"

namespace player {

void MainWindow::setupDjView() {
    const djrules::ViewChoice choice = djrules::loadViewChoice();
    m_djZoom = choice.zoom;
    if (choice.open)
        setDjViewOpen(true);
}

void MainWindow::DJ_Click() {
    setDjViewOpen(!m_djOpen);
    djrules::saveViewChoice({m_djOpen, m_djZoom});
}

// The view is made when first opened, and only hidden when closed: its songs' pictures stay at hand.
void MainWindow::setDjViewOpen(bool open) {
    if (open && !m_dj) {
        m_dj = new DjView(*m_console, *m_engine, *m_analysis, this);
        m_dj->setZoom(m_djZoom);
        connect(m_dj, &DjView::overviewPressed, this, &MainWindow::overviewPressed);
        connect(m_dj, &DjView::zoomChanged, this, [this](double seconds) {
            m_djZoom = seconds;
            djrules::saveViewChoice({m_djOpen, m_djZoom});
        });
    }
    m_djOpen = open;
    if (m_dj)
        m_dj->setVisible(open);
    DJ->setOn(open);
    fitWindow();
    followDisplay();
}

void MainWindow::zoomDjView(int steps) {
    if (m_djOpen)
        m_dj->zoomBy(steps);
}

// The face keeps its size and place; the view adds its height below it, at the window's size.
void MainWindow::fitWindow() {
    const double scale = windowScale();
    const int face =
        platform::toPixels({0, 0, mainlayout::kVisibleWidth, mainlayout::kVisibleHeight}, scale).height();
    if (m_dj) {
        m_dj->setScale(scale);
        m_dj->move(0, face);
    }
    const int view =
        m_djOpen ? platform::toPixels({0, 0, djlayout::kWidth, djlayout::kHeight}, scale).height() : 0;
    setFixedSize(width(), face + view);
}

// A press on an overview is a press on a position bar as wide as the overview.
void MainWindow::overviewPressed(int index, float x, float widthTwips) {
    seekAt(index, x, widthTwips);
    setActiveDeck(index);
    emit deckSeeked(index);
}

} // namespace player
