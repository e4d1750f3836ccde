#include "searchwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPointer>
#include <QShortcut>

#include "console/songsearch.h"
#include "core/twips.h"
#include "ui/windowplace.h"

namespace player {

using platform::toPixels;
using platform::TwipsRect;

namespace {

constexpr TwipsRect kClient{0, 0, 6225, 2145};
constexpr TwipsRect kFrame1{120, 120, 6015, 1935};
// Inside the frame.
// The instruction takes two lines at the skin's text size; the text box gives up the height it does not need.
constexpr TwipsRect kLabel1{120, 360, 5775, 480};
constexpr TwipsRect kText1{120, 900, 5775, 405};
constexpr TwipsRect kCommand1{3600, 1440, 1455, 375};
constexpr TwipsRect kCommand2{720, 1440, 1455, 375};

} // namespace

SearchWindow::SearchWindow(QListWidget* lstnames, QLabel* lblsearch, QWidget* parent,
                           std::shared_ptr<SearchState> state)
    : QWidget(parent, Qt::Window), m_lstnames(lstnames), m_lblsearch(lblsearch),
      m_state(state ? std::move(state) : std::make_shared<SearchState>()) {
    setObjectName(QStringLiteral("Form4")); // the name the program's behaviour knows this window by
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Search"));
    setFixedSize(toPixels(kClient).size());
    setStyleSheet(QStringLiteral("SearchWindow { background: rgb(64, 64, 64); }"
                                 "QGroupBox, QGroupBox > QLabel { color: rgb(0, 255, 0); }"));
    setAttribute(Qt::WA_StyledBackground);

    Frame1 = new QGroupBox(QStringLiteral("Search"), this);
    Frame1->setGeometry(toPixels(kFrame1));
    Label1 = new QLabel(
        QStringLiteral("Please type the song name or a part off it and press search to begin the search..."),
        Frame1);
    Label1->setGeometry(toPixels(kLabel1));
    Label1->setWordWrap(true);
    Text1 = new QLineEdit(Frame1);
    Text1->setGeometry(toPixels(kText1));
    Command1 = new QPushButton(QStringLiteral("Search"), Frame1);
    Command1->setGeometry(toPixels(kCommand1));
    Command2 = new QPushButton(QStringLiteral("Cancel"), Frame1);
    Command2->setGeometry(toPixels(kCommand2));

    connect(Command1, &QPushButton::clicked, this, &SearchWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &SearchWindow::Command2_Click);
    connect(Text1, &QLineEdit::returnPressed, this, &SearchWindow::Command1_Click);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &SearchWindow::Command2_Click);
    platform::keepPlace(this);
}

// Typing goes to the text box every time the window comes up, and replaces the last search's text.
void SearchWindow::showEvent(QShowEvent*) {
    Text1->setFocus();
    Text1->selectAll();
}

void SearchWindow::Command1_Click() {
    // One search at a time: a second "Search" while one runs is ignored.
    if (m_searching)
        return;
    const QString text = Text1->text();
    if (text.isEmpty())
        return;
    QLabel* label = m_lblsearch;
    const std::shared_ptr<SearchState> state = m_state;
    state->start();
    label->setText(kCancelSearch);
    m_searching = true;
    hide();

    QPointer<SearchWindow> self(this);
    SongSearch search(m_lstnames,
                      {[state] { return state->cancelled(); }, [] { QCoreApplication::processEvents(); }});
    const SongSearch::Result result = search.run(text);
    state->finish();
    label->setText(QString());
    if (!self) // unloaded and gone during the search
        return;
    m_searching = false;
    if (result != SongSearch::Result::Found)
        unload();
}

void SearchWindow::Command2_Click() {
    unload();
}

void SearchWindow::unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    hide();
    deleteLater();
}

void SearchWindow::closeEvent(QCloseEvent* e) {
    m_unloaded = true;
    e->accept();
}

} // namespace player
