// The main window's keys: every command has one, the help window (F1) lists them, and each button's tooltip
// names its own. The active deck (the deck whose transport was used last) takes the commands that name no
// deck.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <map>
#include <vector>

#include "console/temporules.h"
#include "djview.h"
#include "mainwindow.h"
#include "media/mediaplayer.h"
#include "soundstrip.h"
#include "switchbutton.h"
#include "ui/imagebutton.h"
#include "ui/progressbar.h"
#include "ui/slider.h"

namespace player {

namespace {

constexpr int kVolumeStep = 250;  // of the deck sliders' 5000
constexpr int kCrossfadeStep = 5; // of the crossfader's 100

// Keys of deck 0 and deck 1: the left hand for the left deck, the right hand for the right one, in the
// order the buttons stand on the window (<< play pause stop >>).
struct DeckKeys {
    const char* load;
    const char* back;
    const char* play;
    const char* pause;
    const char* stop;
    const char* forward;
    const char* louder;
    const char* softer;
    const char* cue; // the index fingers' home keys, side by side like the decks
    // The channel strip: the gain with Shift on the level's keys; high, mid and low up (top row) and down
    // (home row; deck 1's upper keys sit one to the right, W being the DJ view's), Shift on the upper key
    // kills the band; the filter left and right and "reset deck" on the number row above the hand.
    const char* gainUp;
    const char* gainDown;
    const char* bandUp[3]; // low, mid, high
    const char* bandDown[3];
    const char* kill[3];
    const char* filterLeft;
    const char* filterRight;
    const char* reset;
};
constexpr DeckKeys kDeckKeys[2] = {
    {"1",
     "Z",
     "X",
     "C",
     "V",
     "B",
     "Q",
     "A",
     "G",
     "Shift+Q",
     "Shift+A",
     {"T", "R", "E"},
     {"F", "D", "S"},
     {"Shift+T", "Shift+R", "Shift+E"},
     "3",
     "4",
     "5"},
    {"2",
     "N",
     "M",
     ",",
     ".",
     "/",
     "O",
     "L",
     "H",
     "Shift+O",
     "Shift+L",
     {"P", "I", "U"},
     {";", "K", "J"},
     {"Shift+P", "Shift+I", "Shift+U"},
     "8",
     "9",
     "0"},
};
// The tempo's keys: Alt with the keys of the deck's hand, the home row for the fader and the grid's tempo,
// the bottom row for what is held or struck (the nudges, SYNC, key lock, the tap).
struct TempoKeys {
    const char* slower;
    const char* faster;
    const char* reset;
    const char* halve;
    const char* twice;
    const char* nudgeSlower;
    const char* nudgeFaster;
    const char* sync;
    const char* keyLock;
    const char* tap;
};
constexpr TempoKeys kTempoKeys[2] = {
    {"Alt+A", "Alt+S", "Alt+D", "Alt+F", "Alt+G", "Alt+Z", "Alt+X", "Alt+C", "Alt+V", "Alt+B"},
    {"Alt+H", "Alt+J", "Alt+K", "Alt+L", "Alt+;", "Alt+N", "Alt+M", "Alt+,", "Alt+.", "Alt+/"},
};

// A held key's end: the release of its key, whatever modifier went first, or the window losing the keyboard
// (a release it never sees). A nudge never sticks.
class HeldKeys : public QObject {
public:
    explicit HeldKeys(QObject* parent) : QObject(parent) { qApp->installEventFilter(this); }
    void hold(int key, std::function<void()> release) { m_held[key] = std::move(release); }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (m_held.empty())
            return false;
        if (e->type() == QEvent::KeyRelease) {
            auto* k = static_cast<QKeyEvent*>(e);
            const auto it = m_held.find(k->key());
            if (!k->isAutoRepeat() && it != m_held.end()) {
                const auto release = std::move(it->second);
                m_held.erase(it);
                release();
            }
        } else if (e->type() == QEvent::ApplicationDeactivate) {
            auto held = std::move(m_held);
            m_held.clear();
            for (auto& [key, release] : held)
                release();
        }
        return false;
    }

private:
    std::map<int, std::function<void()>> m_held;
};

constexpr double kGainStepDb = 1.0;
constexpr double kKnobStep = 0.1; // of a knob's travel from the centre to one end

} // namespace

void MainWindow::setActiveDeck(int index) {
    if (m_activeDeck == index)
        return;
    m_activeDeck = index;
    emit activeDeckChanged(index);
}

std::array<QString, 5> MainWindow::tempoTips(int deck) {
    const TempoKeys& t = kTempoKeys[deck];
    auto name = [](const char* k) {
        return QKeySequence(QString::fromLatin1(k)).toString(QKeySequence::NativeText);
    };
    return {tr("Key lock: the tempo moves, the pitch stays (%1)").arg(name(t.keyLock)),
            tr("Sync: the other deck's tempo and beat (%1)").arg(name(t.sync)),
            tr("Slower while held (%1)").arg(name(t.nudgeSlower)),
            tr("Faster while held (%1)").arg(name(t.nudgeFaster)),
            tr("The tempo fader's range: a click takes the next")};
}

void MainWindow::setupKeys() {
    m_heldKeys = new HeldKeys(this);
    // Window keys only: the splash's hidden text field must keep every letter typed while it is up.
    std::vector<std::pair<QWidget*, QStringList>> buttonKeys;
    auto command = [this, &buttonKeys](const QString& text, const QList<QKeySequence>& keys, auto&& slot,
                                       QWidget* button = nullptr) {
        auto* a = new QAction(text, this);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, slot);
        addAction(a);
        m_keyActions.append(a);
        if (button) {
            auto it = std::find_if(buttonKeys.begin(), buttonKeys.end(),
                                   [button](const auto& entry) { return entry.first == button; });
            if (it == buttonKeys.end())
                it = buttonKeys.insert(buttonKeys.end(), {button, {}});
            for (const QKeySequence& k : keys)
                it->second << k.toString(QKeySequence::NativeText);
        }
        return a;
    };
    auto keys = [](const char* k) { return QList<QKeySequence>{QKeySequence(QString::fromLatin1(k))}; };
    // A key press is a click: the button's own handler runs and the deck becomes the active one.
    auto click = [](platform::ImageButton* b) { return [b] { emit b->clicked(); }; };

    for (int d = 0; d < 2; ++d) {
        const DeckKeys& k = kDeckKeys[d];
        const QString deck = tr("deck %1: ").arg(d + 1);
        command(deck + tr("load the selected song"), keys(k.load), click(LoadToPlayer[d]), LoadToPlayer[d]);
        command(deck + tr("play"), keys(k.play), click(Play[d]), Play[d]);
        command(deck + tr("pause"), keys(k.pause), click(Pause[d]), Pause[d]);
        command(deck + tr("stop and rewind"), keys(k.stop), click(Stop[d]), Stop[d]);
        command(deck + tr("back 5 seconds"), keys(k.back), click(Vorig[d]), Vorig[d]);
        command(deck + tr("forward 5 seconds"), keys(k.forward), click(Volgend[d]), Volgend[d]);
        auto volume = [this, d](int step) {
            return [this, d, step] { m_console->setDeckLevel(d, m_console->deckLevel(d) + step); };
        };
        command(deck + tr("louder"), keys(k.louder), volume(kVolumeStep));
        command(deck + tr("softer"), keys(k.softer), volume(-kVolumeStep));
        command(deck + tr("pre-listen on the headphones, on or off"), keys(k.cue), click(Cue[d]), Cue[d]);
        command(deck + tr("gain up"), keys(k.gainUp),
                [this, d] { m_console->setGain(d, m_console->gain(d) + kGainStepDb); });
        command(deck + tr("gain down"), keys(k.gainDown),
                [this, d] { m_console->setGain(d, m_console->gain(d) - kGainStepDb); });
        const QString bandNames[3] = {tr("low"), tr("mid"), tr("high")};
        for (int b = 2; b >= 0; --b) {
            const auto band = Console::Band(b);
            auto turn = [this, d, band](double step) {
                return
                    [this, d, band, step] { m_console->setBand(d, band, m_console->band(d, band) + step); };
            };
            command(deck + tr("%1 up").arg(bandNames[b]), keys(k.bandUp[b]), turn(kKnobStep));
            command(deck + tr("%1 down").arg(bandNames[b]), keys(k.bandDown[b]), turn(-kKnobStep));
            command(deck + tr("kill the %1, on or off").arg(bandNames[b]), keys(k.kill[b]),
                    [this, d, band] { m_console->setKill(d, band, !m_console->kill(d, band)); });
        }
        auto filter = [this, d](double step) {
            return [this, d, step] { m_console->setFilter(d, m_console->filter(d) + step); };
        };
        command(deck + tr("filter towards low-pass"), keys(k.filterLeft), filter(-kKnobStep));
        command(deck + tr("filter towards high-pass"), keys(k.filterRight), filter(kKnobStep));
        command(deck + tr("reset the gain, the bands and the filter"), keys(k.reset),
                [this, d] { m_console->resetDeck(d); });
        const TempoKeys& t = kTempoKeys[d];
        auto tempoBy = [this, d](double step) {
            return [this, d, step] { m_console->setTempo(d, m_console->tempo(d) + step); };
        };
        command(deck + tr("tempo slower"), keys(t.slower), tempoBy(-temporules::kStep));
        command(deck + tr("tempo faster"), keys(t.faster), tempoBy(temporules::kStep));
        command(deck + tr("tempo to 0 %"), keys(t.reset), [this, d] { m_console->setTempo(d, 1.0); });
        command(deck + tr("the song's tempo is half what was found"), keys(t.halve),
                [this, d] { m_console->halveTempo(d); });
        command(deck + tr("the song's tempo is twice what was found"), keys(t.twice),
                [this, d] { m_console->doubleTempo(d); });
        auto nudge = [this, d](const char* key, int direction) {
            return [this, d, key, direction] {
                m_console->nudge(d, direction);
                static_cast<HeldKeys*>(m_heldKeys)
                    ->hold(QKeySequence(QString::fromLatin1(key))[0].key(),
                           [this, d] { m_console->nudge(d, 0); });
            };
        };
        command(deck + tr("nudge slower while held"), keys(t.nudgeSlower), nudge(t.nudgeSlower, -1));
        command(deck + tr("nudge faster while held"), keys(t.nudgeFaster), nudge(t.nudgeFaster, 1));
        command(deck + tr("sync: the other deck's tempo and beat"), keys(t.sync),
                [this, d] { m_console->sync(d); });
        command(deck + tr("key lock, on or off"), keys(t.keyLock),
                [this, d] { m_console->setKeyLock(d, !m_console->keyLock(d)); });
        command(deck + tr("tap the tempo (four taps or more)"), keys(t.tap),
                [this, d] { m_console->tapTempo(d, temporules::tapClock()); });
        // The slider's own tooltip names both keys.
        Vol[d]->setToolTip(Vol[d]->toolTip() +
                           QStringLiteral(" (%1, %2)").arg(QLatin1String(k.louder), QLatin1String(k.softer)));
    }
    auto crossfade = [this](int step) {
        return [this, step] { m_console->setCrossfader(m_console->crossfader() + step); };
    };
    command(tr("crossfader towards deck 1"), {QKeySequence(Qt::Key_Left)}, crossfade(-kCrossfadeStep));
    command(tr("crossfader towards deck 2"), {QKeySequence(Qt::Key_Right)}, crossfade(kCrossfadeStep));
    volMain->setToolTip(volMain->toolTip() + QStringLiteral(" (Left, Right)"));

    command(tr("active deck: play or pause"), {QKeySequence(Qt::Key_Space)}, [this] {
        const int d = m_activeDeck;
        platform::ImageButton* button =
            MP[d]->state() == platform::media::PlayState::Playing ? Pause[d] : Play[d];
        emit button->clicked();
    });
    command(tr("active deck: load the selected song"),
            {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)},
            [this] { emit LoadToPlayer[m_activeDeck]->clicked(); });

    auto moveSelection = [this](int delta) {
        return [this, delta] {
            if (const std::optional<int> to = m_console->moveSelection(delta))
                lstnames->scrollToItem(lstnames->item(*to));
        };
    };
    const int page = 10;
    command(tr("song list: previous song"), {QKeySequence(Qt::Key_Up)}, moveSelection(-1));
    command(tr("song list: next song"), {QKeySequence(Qt::Key_Down)}, moveSelection(1));
    command(tr("song list: a page up"), {QKeySequence(Qt::Key_PageUp)}, moveSelection(-page));
    command(tr("song list: a page down"), {QKeySequence(Qt::Key_PageDown)}, moveSelection(page));
    command(tr("song list: first song"), {QKeySequence(Qt::Key_Home)}, moveSelection(-SongList::kMaxEntries));
    command(tr("song list: last song"), {QKeySequence(Qt::Key_End)}, moveSelection(SongList::kMaxEntries));

    auto listCommand = [this](void (MainWindow::*handler)()) {
        return [this, handler] {
            if (listCommandsEnabled())
                (this->*handler)();
        };
    };
    // The menus name the keys of their entries; the key is the command's, the menu only shows it (and takes
    // it while open).
    auto inMenus = [](QAction* key, std::initializer_list<QAction*> entries) {
        for (QAction* entry : entries) {
            entry->setShortcuts(key->shortcuts());
            entry->setShortcutContext(Qt::WidgetShortcut);
            entry->setShortcutVisibleInContextMenu(true);
        }
    };
    inMenus(command(tr("remove the selected song from the list"), {QKeySequence(Qt::Key_Delete)},
                    listCommand(&MainWindow::mnuRmvLst_Click), Remove),
            {mnuRmvLst, mnuFromList});
    inMenus(command(tr("remove the selected song from the computer"),
                    {QKeySequence(Qt::SHIFT | Qt::Key_Delete)}, listCommand(&MainWindow::mnuDelete_Click),
                    Remove),
            {mnuDelete, mnuFromPc});
    inMenus(command(tr("add an MP3 or WAV file"), {QKeySequence(Qt::Key_Insert)},
                    listCommand(&MainWindow::MnuAddFile_Click), Add),
            {MnuAddFile});
    inMenus(command(tr("add a playlist"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
                    listCommand(&MainWindow::mnuAddPlaylist_Click), Add),
            {mnuAddPlaylist});
    inMenus(command(tr("add a folder"), {QKeySequence(Qt::CTRL | Qt::Key_D)},
                    listCommand(&MainWindow::mnuAddDir_Click), Add),
            {mnuAddDir});
    command(tr("clear the song list"), {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete)},
            listCommand(&MainWindow::Clear_Click), Clear);
    command(tr("new playlist"), {QKeySequence(Qt::CTRL | Qt::Key_N)}, listCommand(&MainWindow::New_Click),
            New);
    command(tr("open a playlist"), {QKeySequence(Qt::CTRL | Qt::Key_O)}, listCommand(&MainWindow::Open_Click),
            Open);
    command(tr("save the playlist"), {QKeySequence(Qt::CTRL | Qt::Key_S)},
            listCommand(&MainWindow::Save_Click), Save);
    command(tr("edit the playlist"), {QKeySequence(Qt::CTRL | Qt::Key_E)},
            listCommand(&MainWindow::edit_Click), edit);
    command(tr("search the song list"), {QKeySequence(Qt::CTRL | Qt::Key_F)},
            listCommand(&MainWindow::Search_Click), Search);
    command(tr("cancel the running search"), {QKeySequence(Qt::Key_Escape)}, &MainWindow::lblsearch_Click);
    command(tr("undo the last change of the song list"), {QKeySequence(Qt::CTRL | Qt::Key_Z)},
            listCommand(&MainWindow::undoListChange));
    command(tr("redo the change undone last"),
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
            listCommand(&MainWindow::redoListChange));

    command(tr("auto-mix: go on playing"), {QKeySequence(Qt::CTRL | Qt::Key_G)},
            [this] { chbgoon->click(); });
    command(tr("auto-mix: random playing"), {QKeySequence(Qt::CTRL | Qt::Key_R)},
            [this] { chbrandom->click(); });

    const QList<QKeySequence> recKeys = {QKeySequence(Qt::Key_F9),
                                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)};
    command(tr("record the mix, or stop recording"), recKeys, &MainWindow::Rec_Click);
    QStringList recNames;
    for (const QKeySequence& k : recKeys)
        recNames << k.toString(QKeySequence::NativeText);
    m_recKeys = QStringLiteral(" (") + recNames.join(QStringLiteral(", ")) + QLatin1Char(')');

    // Ctrl and the plus key, with or without the Shift a keyboard may need for it, or the keypad's.
    command(tr("window: larger"),
            {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
            &MainWindow::largerWindow)
        ->setProperty("windowSize", true);
    command(tr("window: smaller"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, &MainWindow::smallerWindow)
        ->setProperty("windowSize", true);
    command(tr("the DJ view, open or close"), keys("W"), &MainWindow::DJ_Click, DJ);
    command(tr("DJ view: zoom in (fewer seconds across)"),
            {QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal)}, [this] { zoomDjView(1); });
    command(tr("DJ view: zoom out"), {QKeySequence(Qt::Key_Minus)}, [this] { zoomDjView(-1); });

    command(tr("these keys"), {QKeySequence(Qt::Key_F1)}, &MainWindow::showKeyHelp);
    command(tr("about Deckmora"), {QKeySequence(Qt::SHIFT | Qt::Key_F1)}, &MainWindow::About_Click, About);
    command(tr("minimise"), {QKeySequence(Qt::CTRL | Qt::Key_M)}, &MainWindow::Min_Click, Min);
    command(
        tr("close Deckmora"), {QKeySequence(Qt::CTRL | Qt::Key_Q)}, [this] { Close_Click(0); }, Close[0]);
    buttonKeys.push_back({Close[1], buttonKeys.back().second});
    for (const auto& [button, names] : buttonKeys)
        button->setToolTip(button->toolTip() + QStringLiteral(" (") + names.join(QStringLiteral(", ")) +
                           QLatin1Char(')'));

    // Which deck is active follows the transport, whether used by mouse, key or a press on a position bar;
    // these run after the handlers, so a seek is done by the time deckSeeked is sent.
    for (int d = 0; d < 2; ++d) {
        for (platform::ImageButton* b : {LoadToPlayer[d], Play[d], Pause[d], Stop[d]})
            connect(b, &platform::ImageButton::clicked, this, [this, d] { setActiveDeck(d); });
        for (platform::ImageButton* b : {Vorig[d], Volgend[d]})
            connect(b, &platform::ImageButton::clicked, this, [this, d] {
                setActiveDeck(d);
                emit deckSeeked(d);
            });
        connect(PB1[d], &platform::ProgressBar::mouseDown, this, [this, d] {
            setActiveDeck(d);
            emit deckSeeked(d);
        });
    }
}

// A notch of the wheel (120 eighths of a degree) is one step of the fader's keys, up being louder or towards
// deck 2; a touchpad's smaller turns add up to one, and a turn back starts counting again.
void MainWindow::turnFader(int fader, QPoint angleDelta) {
    const int turn = angleDelta.y() != 0 ? angleDelta.y() : angleDelta.x();
    int& rest = m_wheelRest[fader];
    if ((rest > 0 && turn < 0) || (rest < 0 && turn > 0))
        rest = 0;
    rest += turn;
    const int steps = rest / 120;
    rest -= steps * 120;
    if (steps == 0)
        return;
    if (fader < 2)
        m_console->setDeckLevel(fader, m_console->deckLevel(fader) + steps * kVolumeStep);
    else
        m_console->setCrossfader(m_console->crossfader() + steps * kCrossfadeStep);
}

// The sound settings' keys belong to that window; they are listed here so the help names every key.
void MainWindow::showKeyHelp() {
    if (!frmKeys) {
        auto* window = new QWidget(this, Qt::Window);
        window->setWindowTitle(tr("Deckmora keys"));
        auto* table = new QTableWidget(0, 2, window);
        table->setObjectName(QStringLiteral("keyTable"));
        table->setHorizontalHeaderLabels({tr("Keys"), tr("Command")});
        table->verticalHeader()->hide();
        table->setEditTriggers(QAbstractItemView::NoEditTriggers);
        auto row = [table](const QString& keys, const QString& what) {
            const int r = table->rowCount();
            table->insertRow(r);
            table->setItem(r, 0, new QTableWidgetItem(keys));
            table->setItem(r, 1, new QTableWidgetItem(what));
        };
        for (const QAction* a : m_keyActions) {
            QStringList names;
            for (const QKeySequence& k : a->shortcuts())
                names << k.toString(QKeySequence::NativeText);
            row(names.join(QStringLiteral(", ")), a->text());
        }
        row(QKeySequence(Qt::Key_F2).toString(QKeySequence::NativeText) + QStringLiteral(", ") +
                QKeySequence(Qt::CTRL | Qt::Key_Comma).toString(QKeySequence::NativeText),
            tr("Sound settings"));
        table->resizeColumnsToContents();
        table->horizontalHeader()->setStretchLastSection(true);
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(table);
        window->resize(460, 560);
        auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), window);
        connect(close, &QShortcut::activated, window, &QWidget::close);
        frmKeys = window;
    }
    frmKeys->show();
    frmKeys->raise();
    frmKeys->activateWindow();
}

void MainWindow::tellKnobKeys() {
    using knobrules::Kind;
    auto name = [](const char* k) {
        return QKeySequence(QString::fromLatin1(k)).toString(QKeySequence::NativeText);
    };
    for (int d = 0; d < 2; ++d) {
        const DeckKeys& k = kDeckKeys[d];
        SoundStrip* strip = m_dj->sound(d);
        strip->setKeys(Kind::Gain, tr("%1 up, %2 down").arg(name(k.gainUp), name(k.gainDown)));
        const Kind bands[3] = {Kind::Low, Kind::Mid, Kind::High}; // as the table lists them
        for (int b = 0; b < 3; ++b)
            strip->setKeys(
                bands[b],
                tr("%1 up, %2 down, %3 kills").arg(name(k.bandUp[b]), name(k.bandDown[b]), name(k.kill[b])));
        strip->setKeys(
            Kind::Filter,
            tr("%1 towards low-pass, %2 towards high-pass").arg(name(k.filterLeft), name(k.filterRight)));
        strip->setResetKeys(name(k.reset));
    }
}

} // namespace player
