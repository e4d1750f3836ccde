// The main window as a window: its elements, the skin, start-up, moving, minimising, closing and the about
// box.
#include "mainwindow.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <cstdio>
#include <functional>

#include "aboutwindow.h"
#include "analysis/analysisservice.h"
#include "captionlabel.h"
#include "clicklabel.h"
#include "component/controlhost.h"
#include "console/listhistory.h"
#include "console/listkeeper.h"
#include "console/mixrecording.h"
#include "console/windowsize.h"
#include "djview.h"
#include "lumaband/lumabandinterface.h"
#include "mainlayout.h"
#include "media/mediaplayer.h"
#include "skin.h"
#include "switchbutton.h"
#include "ticks.h"
#include "ui/imagebutton.h"
#include "ui/progressbar.h"
#include "ui/prompts.h"
#include "ui/serverpicture.h"
#include "ui/slider.h"
#include "ui/visibilitygate.h"
#include "ui/windowplace.h"

// The resource initialiser is declared where it is used, so it must be called from outside any namespace.
static void initResources() {
    Q_INIT_RESOURCE(player);
}

namespace player {

using mainlayout::Face;
using mainlayout::Item;
using platform::ImageButton;

namespace {

constexpr auto kTitle = "Deckmora";
// The design settings the hosted gradient bar restores.
constexpr auto kGradientBarProps = ":/player/frmmain_pb.props";

void place(QWidget* w, Item item) {
    w->setGeometry(platform::toPixels(mainlayout::rect(item)));
}

// Where an element made from the table is kept: its item and its field, whatever the field's type.
struct Home {
    template <class W>
    Home(Item at, W*& field)
        : item(at), keep([&field](QWidget* w) {
              field = qobject_cast<W*>(w);
              Q_ASSERT(field); // the table's kind and the field's type agree
          }) {}
    Item item;
    std::function<void(QWidget*)> keep;
};

QString toQString(std::string_view words) {
    return QString::fromUtf8(words.data(), qsizetype(words.size()));
}

// A deck's fader carries its colour.
void dressFader(platform::Slider* fader, const mainlayout::Entry& e, qreal scale) {
    const int deck = e.accent == mainlayout::Accent::Deck0   ? 0
                     : e.accent == mainlayout::Accent::Deck1 ? 1
                                                             : -1;
    const qreal dpr = fader->devicePixelRatioF();
    fader->setRailPicture(
        skin::faderRail(fader->orientation(), platform::toPixels(e.rect, scale).size(), dpr));
    fader->setThumbPicture(skin::faderThumb(fader->orientation(), deck, dpr, scale));
}

// An element that is not a button, made as its look says, in its place, with its tip.
QWidget* makeElement(const mainlayout::Look& look, QWidget* window, platform::media::AudioEngine& engine) {
    const mainlayout::Entry& e = mainlayout::entry(look.item);
    const QRect rect = platform::toPixels(e.rect);
    QWidget* w = nullptr;
    switch (look.kind) {
    case mainlayout::Kind::Label:
    case mainlayout::Kind::ClickLabel: {
        auto* label = look.kind == mainlayout::Kind::Label ? new QLabel(window) : new ClickLabel(window);
        label->setText(toQString(look.text));
        if (look.align)
            label->setAlignment(look.align);
        if (look.indent)
            label->setIndent(platform::twipsToPixels(look.indent));
        w = label;
        break;
    }
    case mainlayout::Kind::CaptionViewport:
        w = new CaptionViewport(window);
        break;
    case mainlayout::Kind::PositionBar: {
        auto* bar = new platform::ProgressBar(window);
        bar->setBarColor(skin::accentColour(e.accent));
        w = bar;
        break;
    }
    case mainlayout::Kind::Fader: {
        // A fader standing upright belongs to a deck; the crossfader lies flat.
        auto* fader =
            new platform::Slider(rect.height() > rect.width() ? Qt::Vertical : Qt::Horizontal, window);
        fader->setBackColor(look.surface.value_or(platform::kButtonFace));
        w = fader;
        break;
    }
    case mainlayout::Kind::List: {
        auto* list = new QListWidget(window);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setSortingEnabled(false);
        w = list;
        break;
    }
    case mainlayout::Kind::CheckBox:
        w = new QCheckBox(toQString(look.text), window);
        break;
    case mainlayout::Kind::MediaPlayer:
        w = new platform::media::MediaPlayer(engine, window);
        break;
    }
    w->setGeometry(rect);
    w->setObjectName(toQString(look.name));
    if (auto* fader = qobject_cast<platform::Slider*>(w))
        dressFader(fader, e, 1);
    if (e.tip)
        w->setToolTip(MainWindow::tr(e.tip));
    if (look.surface && look.kind != mainlayout::Kind::Fader)
        skin::styleSurface(w, platform::toQColor(*look.surface));
    skin::dress(w, look);
    return w;
}

// A pad or glyph becomes an image button, a switch a button that paints its lit face.
QWidget* makeButton(const mainlayout::Entry& e, QWidget* window) {
    QWidget* w = e.face == Face::Switch ? new SwitchButton(e.item, window) : new ImageButton(window);
    place(w, e.item);
    w->setToolTip(MainWindow::tr(e.tip));
    return w;
}

} // namespace

MainWindow::MainWindow(platform::media::AudioEngine& engine, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_quit([] { QCoreApplication::exit(0); }) {
    setObjectName(QStringLiteral("frmMain")); // the name the program's behaviour knows this window by
    initResources();
    setWindowTitle(QString());
    setWindowIcon(skin::appIcon());
    setFixedSize(platform::toPixels({0, 0, mainlayout::kDesignWidth, mainlayout::kDesignHeight}).size());
    m_gate = new platform::VisibilityGate(this);
    buildElements(engine);
    connectHandlers();
    hostGradientBar();
    Timer1->start();
    followDisplay();
    setupSongList();
    setupConsole();
    setupKeys();
    setupWindowMenu();
    setupDrops();
    announceChanges();
    platform::keepPlace(this);
    setupSound(engine);
    setupDjView();
}

// A recording still running is closed whole: the program's end is its end.
MainWindow::~MainWindow() {
    // Written while the list's controls are still there.
    delete m_keeper;
    m_keeper = nullptr;
    delete m_recording;
    dropSoundListener();
    // The beat goes before the viewports it steps.
    for (int d = 0; d < 2; ++d)
        SongInfo[d]->joinBeat(nullptr);
    // The elements are deleted after this window has stopped being a MainWindow; what they send while going
    // (a list's model reset) must not reach its handlers.
    for (QObject* child : findChildren<QObject*>())
        child->disconnect(this);
    // The history watches the list's models, which reset while the list controls are half destroyed.
    delete m_history;
    m_history = nullptr;
    // The analysis goes with this window; the console, a child, goes later.
    m_console->setAnalysis(nullptr);
}

void MainWindow::buildElements(platform::media::AudioEngine& engine) {
    // clang-format off
    const Home homes[] = {
        {Item::lblSound, lblSound}, {Item::lblsearch, lblsearch}, {Item::lblCaption, lblCaption},
        {Item::lblRec, lblRec}, {Item::SongInfo0, SongInfo[0]}, {Item::SongInfo1, SongInfo[1]},
        {Item::PB1_0, PB1[0]}, {Item::PB1_1, PB1[1]}, {Item::Vol0, Vol[0]}, {Item::Vol1, Vol[1]},
        {Item::volMain, volMain}, {Item::lstnames, lstnames}, {Item::lblnrs, lblnrs}, {Item::chbgoon, chbgoon},
        {Item::chbrandom, chbrandom}, {Item::lblWerkgebied, lblWerkgebied}, {Item::lstFiles, lstFiles},
        {Item::MP0, MP[0]}, {Item::MP1, MP[1]},
        {Item::Min, Min}, {Item::Close0, Close[0]}, {Item::Close1, Close[1]}, {Item::About, About},
        {Item::Rec, Rec}, {Item::DJ, DJ}, {Item::Cue0, Cue[0]}, {Item::Cue1, Cue[1]},
        {Item::Vorig0, Vorig[0]}, {Item::Play0, Play[0]}, {Item::Pause0, Pause[0]}, {Item::Stop0, Stop[0]},
        {Item::Volgend0, Volgend[0]}, {Item::LoadToPlayer0, LoadToPlayer[0]},
        {Item::Vorig1, Vorig[1]}, {Item::Play1, Play[1]}, {Item::Pause1, Pause[1]}, {Item::Stop1, Stop[1]},
        {Item::Volgend1, Volgend[1]}, {Item::LoadToPlayer1, LoadToPlayer[1]},
        {Item::Search, Search}, {Item::Add, Add}, {Item::Remove, Remove}, {Item::Clear, Clear},
        {Item::New, New}, {Item::Open, Open}, {Item::Save, Save}, {Item::edit, edit},
    };
    // clang-format on
    auto keep = [this, &homes](Item item, QWidget* w) {
        m_placed.emplace_back(int(item), w);
        for (const Home& home : homes)
            if (home.item == item)
                home.keep(w);
    };
    for (const mainlayout::Look& look : mainlayout::kLooks)
        keep(look.item, makeElement(look, this, engine));
    // The buttons are made last, so they lie over everything else (the search button over its label).
    for (const mainlayout::Entry& e : mainlayout::kTable)
        if (e.face == Face::Pad || e.face == Face::Glyph || e.face == Face::Switch)
            keep(e.item, makeButton(e, this));

    for (int d = 0; d < 2; ++d) {
        lblnow[d] = new CaptionLabel(SongInfo[d]);
        lblnow[d]->setObjectName(QStringLiteral("lblnow"));
        skin::styleLabel(lblnow[d], Qt::white, skin::uiFont(11));
        SongInfo[d]->setCaption(lblnow[d]);
        lblnow[d]->move(0, platform::twipsToPixels(mainlayout::kLblnow[d].top));
        SongInfo[d]->setCaptionLeft(mainlayout::kLblnow[d].left);
        setDeckCaption(d, QStringLiteral("No song loaded"));
        Vol[d]->setRange(-5000, 0);
    }
    Vol[1]->setValue(-5000);
    volMain->setRange(1, 100);
    volMain->setValue(50);
    lblSound->setAttribute(Qt::WA_TranslucentBackground); // the maker's line shows through
    lblCaption->installEventFilter(this);
    lstnames->viewport()->installEventFilter(this);
    for (QWidget* fader :
         {static_cast<QWidget*>(Vol[0]), static_cast<QWidget*>(Vol[1]), static_cast<QWidget*>(volMain)})
        fader->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setInterval(kTickIntervalMs);
    Timer2 = Timer1;
    if (SongInfo[0]->showsCaptionItself() && SongInfo[1]->showsCaptionItself()) {
        m_beat = std::make_unique<platform::ServerBeat>(std::chrono::milliseconds(kTickIntervalMs));
        for (int d = 0; d < 2; ++d)
            SongInfo[d]->joinBeat(m_beat.get());
        captionBeat = m_beat.get();
    }
}

void MainWindow::connectHandlers() {
    connect(lblCaption, &ClickLabel::mouseDown, this, &MainWindow::lblCaption_MouseDown);
    connect(Min, &ImageButton::clicked, this, &MainWindow::Min_Click);
    connect(About, &ImageButton::clicked, this, &MainWindow::About_Click);
    connect(Rec, &ImageButton::clicked, this, &MainWindow::Rec_Click);
    connect(DJ, &ImageButton::clicked, this, &MainWindow::DJ_Click);
    for (int d = 0; d < 2; ++d) {
        connect(Close[d], &ImageButton::clicked, this, [this, d] { Close_Click(d); });
        connect(LoadToPlayer[d], &ImageButton::clicked, this, [this, d] { LoadToPlayer_Click(d); });
        connect(Play[d], &ImageButton::clicked, this, [this, d] { Play_Click(d); });
        connect(Pause[d], &ImageButton::clicked, this, [this, d] { Pause_Click(d); });
        connect(Stop[d], &ImageButton::clicked, this, [this, d] { Stop_Click(d); });
        connect(Vorig[d], &ImageButton::clicked, this, [this, d] { Vorig_Click(d); });
        connect(Volgend[d], &ImageButton::clicked, this, [this, d] { Volgend_Click(d); });
        connect(PB1[d], &platform::ProgressBar::mouseDown, this,
                [this, d](short b, short s, float x, float y) { PB1_MouseDown(d, b, s, x, y); });
        connect(Vol[d], &platform::Slider::changed, this, [this, d] { Vol_Change(d); });
        connect(MP[d], &platform::media::MediaPlayer::ended, this,
                [this, d](int r) { MP_EndOfStream(d, r); });
        connect(Cue[d], &ImageButton::clicked, this, [this, d] { Cue_Click(d); });
    }
    connect(volMain, &platform::Slider::changed, this, &MainWindow::volMain_Change);
    connect(chbgoon, &QCheckBox::toggled, this, &MainWindow::chbgoon_Click);
    connect(chbrandom, &QCheckBox::toggled, this, &MainWindow::chbrandom_Click);
    connect(Timer1, &QTimer::timeout, this, &MainWindow::tick);
    connect(m_gate, &platform::VisibilityGate::hiddenChanged, this, &MainWindow::windowHiddenChanged);

    connect(Add, &ImageButton::clicked, this, &MainWindow::Add_Click);
    connect(Remove, &ImageButton::clicked, this, &MainWindow::Remove_Click);
    connect(Clear, &ImageButton::clicked, this, &MainWindow::Clear_Click);
    connect(New, &ImageButton::clicked, this, &MainWindow::New_Click);
    connect(Open, &ImageButton::clicked, this, &MainWindow::Open_Click);
    connect(Save, &ImageButton::clicked, this, &MainWindow::Save_Click);
    connect(edit, &ImageButton::clicked, this, &MainWindow::edit_Click);
    connect(Search, &ImageButton::clicked, this, &MainWindow::Search_Click);
    connect(lblsearch, &ClickLabel::clicked, this, &MainWindow::lblsearch_Click);
}

// Made after every handler's own connection, so whoever listens sees the change already done.
void MainWindow::announceChanges() {
    for (int d = 0; d < 2; ++d) {
        for (ImageButton* b : {LoadToPlayer[d], Play[d], Pause[d], Stop[d]})
            connect(b, &ImageButton::clicked, this, &MainWindow::playerChanged);
        connect(MP[d], &platform::media::MediaPlayer::ended, this, &MainWindow::playerChanged);
        connect(Vol[d], &QAbstractSlider::valueChanged, this, &MainWindow::playerChanged);
    }
    connect(chbrandom, &QCheckBox::toggled, this, &MainWindow::playerChanged);
    QAbstractItemModel* list = lstnames->model();
    connect(list, &QAbstractItemModel::rowsInserted, this, &MainWindow::playerChanged);
    connect(list, &QAbstractItemModel::rowsRemoved, this, &MainWindow::playerChanged);
    connect(list, &QAbstractItemModel::modelReset, this, &MainWindow::playerChanged);
    connect(this, &MainWindow::playerChanged, this, &MainWindow::followDisplay);
}

// The gradient bar shares deck 1's position bar rectangle and lies beneath it, so the position bar stays
// visible and takes the presses that seek. Without the control the window goes on.
void MainWindow::hostGradientBar() {
    QString error;
    PB = platform::component::createControl(QString::fromLatin1(lumaband::kClassId), this,
                                            QString::fromLatin1(kGradientBarProps), &error);
    if (!PB) {
        std::fprintf(stderr, "deckmora: the gradient bar is not shown: %s\n", qPrintable(error));
        return;
    }
    place(PB, Item::PB1_0);
    m_placed.emplace_back(int(Item::PB1_0), PB);
    PB->stackUnder(PB1[0]);
    PB->show();
}

bool MainWindow::debugWordOn() const {
    return m_about && m_about->debugWordOn();
}

int MainWindow::captionLeft(int index) const {
    return SongInfo[index]->captionLeft();
}

void MainWindow::setCaptionLeft(int index, int twips) {
    SongInfo[index]->setCaptionLeft(twips);
}

// Every command that changes what a deck does writes its caption: the display follows it at once.
void MainWindow::setDeckCaption(int index, const QString& text) {
    lblnow[index]->setText(text);
    placeCaption(index);
    followDisplay();
}

// The caption is sized to its text once per text.
void MainWindow::placeCaption(int index) {
    QLabel* label = lblnow[index];
    label->resize(label->sizeHint().width(),
                  platform::twipsToPixels(mainlayout::kLblnow[index].height, windowScale()));
    SongInfo[index]->captionChanged();
}

void MainWindow::tick() {
    Timer1_Timer();
    if (m_beat)
        keepPace();
    if (m_fastTick)
        Timer2_Timer();
}

// A bar that moved on the last display tick may move on the next (a seek settling, a length found by the
// scan); a playing deck's bar and a recording's time move by themselves.
bool MainWindow::displayMoves() const {
    using platform::media::PlayState;
    return m_barsMoved || MP[0]->state() == PlayState::Playing || MP[1]->state() == PlayState::Playing ||
           (m_recording && m_recording->active()) || (m_djOpen && !m_dj->atRest());
}

void MainWindow::followDisplay() {
    if (!m_beat)
        return;
    Timer1_Timer();
    keepPace();
}

// A window at rest wakes twice a second: a song opened or a list changed by a way that does not announce
// itself still shows within half a second. While the timer ticks fast anyway, it steps the captions too, and
// the beat rests: one wake-up a tick rather than two. Either way each tick or beat is one step, so the
// captions' pace stays what it was.
void MainWindow::keepPace() {
    const bool fast = displayMoves();
    if (m_fastTick == fast)
        return;
    m_fastTick = fast;
    Timer1->setInterval(fast ? kTickIntervalMs : kRestingTickMs);
    if (fast)
        m_beat->stop();
    else
        m_beat->start();
}

// The task bar's caption follows the window's state at once, not at the next tick.
void MainWindow::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && m_beat)
        Timer1_Timer();
}

// While out of sight the captions go on counting their steps without being shown; they take their places
// as the window is repainted on showing again.
void MainWindow::windowHiddenChanged(bool hidden) {
    for (int d = 0; d < 2; ++d)
        SongInfo[d]->setInSight(!hidden);
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const double scale = windowScale();
    const QRect visible =
        platform::toPixels({0, 0, mainlayout::kVisibleWidth, mainlayout::kVisibleHeight}, scale);
    p.fillRect(rect(), skin::workAreaColour());
    p.fillRect(visible, skin::baseColour());
    if (m_skin.isNull() || m_skin.devicePixelRatio() != devicePixelRatioF() || m_skinScale != scale) {
        m_skin = skin::mainBackground(true, devicePixelRatioF(), scale);
        m_skinScale = scale;
    }
    p.drawPixmap(0, 0, m_skin);
    p.setPen(QColor(0, 0, 0));
    p.drawRect(visible.adjusted(0, 0, -1, -1));
}

void MainWindow::showEvent(QShowEvent*) {
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

// Closing by the system's own means asks the same question as the EXIT button; the window itself never
// closes.
void MainWindow::closeEvent(QCloseEvent* e) {
    e->ignore();
    Close_Click(0);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        Form_Click();
}

// The wheel over a fader moves it by its keys' steps. The caption follows the pointer while the button that
// started the window's own move is held.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblCaption && m_dragButton != Qt::NoButton) {
        if (event->type() == QEvent::MouseMove) {
            auto* e = static_cast<QMouseEvent*>(event);
            if (e->buttons() & m_dragButton)
                move(m_dragWindow + e->globalPosition().toPoint() - m_dragPointer);
            else // released where we could not see it (another window took the pointer)
                m_dragButton = Qt::NoButton;
            return true;
        }
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == m_dragButton) {
            m_dragButton = Qt::NoButton;
            return true;
        }
    }
    if (event->type() == QEvent::Wheel) {
        for (int fader = 0; fader < 3; ++fader)
            if (watched == (fader < 2 ? Vol[fader] : volMain)) {
                turnFader(fader, static_cast<QWheelEvent*>(event)->angleDelta());
                return true;
            }
    }
    if (lstnames && watched == lstnames->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto* e = static_cast<QMouseEvent*>(event);
        const QPointF p = e->position();
        const short button = platform::buttonCode(e->button());
        const double scale = windowScale();
        lstnames_MouseDown(button, platform::shiftCode(e->modifiers()),
                           qRound(platform::pixelsToTwips(p.x(), scale)),
                           qRound(platform::pixelsToTwips(p.y(), scale)));
        return button == 2;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::Form_Load() {
    if (!debugWordOn()) {
        m_cutToFace = true;
        setFixedSize(
            platform::toPixels({0, 0, mainlayout::kVisibleWidth, mainlayout::kVisibleHeight}, windowScale())
                .size());
    } else {
        platform::prompts().message(QString::number(MP[0]->level()) + QStringLiteral("\r\n") +
                                        QString::number(MP[1]->level()),
                                    platform::Buttons::Ok, platform::Icon::None, QString::fromLatin1(kTitle));
    }
    lblCaption->setText(QStringLiteral("Olvane Software - Deckmora v2"));
    fitWindow();
}

void MainWindow::Form_Click() {
    show();
    raise();
    activateWindow();
    QCoreApplication::processEvents();
}

// Any button drags, and the window follows the pointer itself until the button that started the drag comes
// up. The window system's move (as if the title bar had been grabbed) is left to Wayland, where a program
// cannot place its own window: under X it follows the left button only, so a right or middle drag, or a left
// click quicker than the window manager, left the window stuck to the pointer until a left click, which it
// then swallowed.
void MainWindow::lblCaption_MouseDown(short button, short, int x, int y) {
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")) && button == 1 &&
        windowHandle() && windowHandle()->startSystemMove())
        return;
    m_dragButton = button == 1   ? Qt::LeftButton
                   : button == 2 ? Qt::RightButton
                   : button == 4 ? Qt::MiddleButton
                                 : Qt::NoButton;
    m_dragPointer = lblCaption->mapToGlobal(QPoint(x, y));
    m_dragWindow = pos();
}

void MainWindow::Min_Click() {
    setWindowState(windowState() | Qt::WindowMinimized);
}

void MainWindow::Close_Click(int) {
    const platform::Answer a = platform::prompts().message(
        QStringLiteral("Are you sure you want to close Deckmora?"), platform::Buttons::YesNo,
        platform::Icon::Question, QString::fromLatin1(kTitle));
    if (a == platform::Answer::Yes && m_quit)
        m_quit();
}

void MainWindow::quitNow() {
    if (m_quit)
        m_quit();
}

void MainWindow::bringToFront() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void MainWindow::About_Click() {
    if (!m_about)
        return;
    m_about->show();
    m_about->raise();
}

double MainWindow::windowScale() const {
    return windowsize::scaleOf(m_sizePercent);
}

void MainWindow::setWindowSize(int percent) {
    showAtSize(percent);
    windowsize::write(m_sizePercent);
}

void MainWindow::largerWindow() {
    setWindowSize(windowsize::larger(m_sizePercent));
}

void MainWindow::smallerWindow() {
    setWindowSize(windowsize::smaller(m_sizePercent));
}

void MainWindow::showAtSize(int percent) {
    percent = windowsize::step(percent);
    for (QAction* a : m_sizeActions)
        a->setChecked(a->data().toInt() == percent);
    if (percent == m_sizePercent)
        return;
    m_sizePercent = percent;
    applyScale();
}

// The layout is the same at every size: each place is the table's, converted at the window's scale, and each
// picture and font is drawn for that scale rather than stretched.
void MainWindow::applyScale() {
    const double scale = windowScale();
    const int width = m_cutToFace ? mainlayout::kVisibleWidth : mainlayout::kDesignWidth;
    setFixedSize(platform::toPixels({0, 0, width, mainlayout::kDesignHeight}, scale).size());
    for (const auto& [item, w] : m_placed)
        w->setGeometry(platform::toPixels(mainlayout::rect(Item(item)), scale));
    for (const mainlayout::Look& look : mainlayout::kLooks)
        for (const auto& [item, w] : m_placed)
            if (item == int(look.item)) {
                skin::dress(w, look, scale);
                if (auto* label = qobject_cast<QLabel*>(w); label && look.indent)
                    label->setIndent(platform::twipsToPixels(look.indent, scale));
                if (auto* fader = qobject_cast<platform::Slider*>(w))
                    dressFader(fader, mainlayout::entry(look.item), scale);
            }
    for (SwitchButton* s : {Rec, DJ, Cue[0], Cue[1]})
        s->setScale(scale);
    for (int d = 0; d < 2; ++d) {
        skin::styleLabel(lblnow[d], Qt::white, skin::uiFont(qRound(11 * scale)));
        lblnow[d]->move(0, platform::twipsToPixels(mainlayout::kLblnow[d].top, scale));
        SongInfo[d]->setScale(scale);
        placeCaption(d);
    }
    fitWindow();
    update();
    emit windowScaleChanged(scale);
}

// A right-click on the face, away from the controls, offers the window's sizes.
void MainWindow::setupWindowMenu() {
    m_windowMenu = new QMenu(tr("Window"), this);
    QMenu* sizes = m_windowMenu->addMenu(tr("Window size"));
    auto* group = new QActionGroup(sizes);
    for (const int percent : windowsize::kSteps) {
        QAction* a = sizes->addAction(QStringLiteral("%1 %").arg(percent));
        a->setCheckable(true);
        a->setChecked(percent == m_sizePercent);
        a->setData(percent);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, percent] { setWindowSize(percent); });
        m_sizeActions.append(a);
    }
    sizes->addSeparator();
    // The key commands themselves, so the menu shows their keys.
    for (QAction* a : m_keyActions)
        if (a->property("windowSize").toBool())
            sizes->addAction(a);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* e) {
    // A control's own right-click (the song list's menu, the footer's Sound window) is its own.
    if (childAt(e->pos())) {
        e->ignore();
        return;
    }
    m_windowMenu->popup(e->globalPos());
}

} // namespace player
