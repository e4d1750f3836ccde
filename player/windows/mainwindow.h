#pragma once

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "console/console.h"
#include "console/songlist.h"
#include "mainelements.h"

namespace platform {
class VisibilityGate;
namespace analysis {
class AnalysisService;
} // namespace analysis
namespace media {
class AudioEngine;
class MediaPlayer;
} // namespace media
} // namespace platform

namespace player {

class AboutWindow;
class DjView;
class MissingFiles;
class ListHistory;
class ListKeeper;
class SoundWindow;
class SongIntake;
class MixRecording;

// The main window: a borderless, skinned face with two decks, a mixer, the song list and the auto-mix
// switches, plus a work area on the right (the path list and the two media players) that is cut off unless
// the debug word is on. Its elements (mainelements.h) are its own; what other classes may do with the
// window is said below, as commands (the handlers) and narrow reads.
class MainWindow : public QWidget, private MainElements {
    Q_OBJECT
public:
    explicit MainWindow(platform::media::AudioEngine& engine, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The splash/about window: shown by About_Click; its hidden text field holds the debug word.
    void setAboutWindow(AboutWindow* about) { m_about = about; }
    bool debugWordOn() const;
    // What a confirmed close does; ends the program unless a test replaces it.
    void setQuitAction(std::function<void()> quit) { m_quit = std::move(quit); }

    // --- start-up and window handlers ---
    void Form_Load();
    void Form_Click();
    void lblCaption_MouseDown(short button, short shift, int x, int y);
    void Min_Click();
    void Close_Click(int index);
    void About_Click();

    // --- deck handlers ---
    void LoadToPlayer_Click(int index);
    void Play_Click(int index);
    void Pause_Click(int index);
    void Stop_Click(int index);
    void Volgend_Click(int index);
    void Vorig_Click(int index);
    void Timer1_Timer();
    void Timer2_Timer();
    void PB1_MouseDown(int index, short button, short shift, float x, float y);
    void Vol_Change(int index);
    void volMain_Change();
    void chbgoon_Click();
    void chbrandom_Click();
    void MP_EndOfStream(int index, int result);
    void Cue_Click(int index);
    void Rec_Click();

    // --- sound (mainwindow_sound.cpp) ---
    // Opens the Sound settings window (F2, Ctrl+comma, a right-click on the footer).
    void openSoundSettings();
    // Shows the engine's status in the footer.
    void showSoundStatus();
    // The Sound window's "Faders" choice, from the settings file, handed to the console.
    void applyFaders();
    SoundWindow* soundWindow() const;
    MixRecording* recording() const { return m_recording; }

    // --- the DJ view (mainwindow_dj.cpp) ---
    // The footer's DJ switch and W: opens or closes the view beneath the face, and keeps the choice.
    void DJ_Click();
    bool djViewOpen() const { return m_djOpen; }
    // Made when first opened.
    DjView* djView() const { return m_dj; }
    // The waveforms' zoom, `steps` rungs closer (positive) or farther, while the view is open.
    void zoomDjView(int steps);

    // --- song list handlers (mainwindow_songlist.cpp) ---
    void Add_Click();
    void Remove_Click();
    void Clear_Click();
    void New_Click();
    void Open_Click();
    void Save_Click();
    void edit_Click();
    void Search_Click();
    void lblsearch_Click();
    void lstnames_MouseDown(short button, short shift, int x, int y);
    void lstnames_DblClick();
    void MnuAddFile_Click();
    void mnuAddPlaylist_Click();
    void mnuAddDir_Click();
    void mnuRmvLst_Click();
    void mnuDelete_Click();
    void mnuRmvMissing_Click();
    void mnuFromList_Click();
    void mnuFromPc_Click();
    // Undo and redo of the song list's changes, whatever command made them.
    void undoListChange();
    void redoListChange();
    // Keeps the song list in the file at `path` across runs: restores it now (telling the user when a damaged
    // file was set aside) and writes it whenever it changes. The program calls it once; tests that do not
    // start nothing shared.
    void keepList(const QString& path);

    // The song list over lstnames and lstFiles.
    SongList songList() const { return SongList(lstnames, lstFiles); }

    // What a deck holds, as the window knows it: the display name of the song it opened, and its caption's
    // left edge in twips inside its viewport.
    QString deckSongName(int index) const { return m_console->songName(index); }
    bool deckHasSong(int index) const { return m_console->hasSong(index); }
    int captionLeft(int index) const;
    void setCaptionLeft(int index, int twips);

    // Whether the commands that change or walk the song list are on (see holdList).
    bool listCommandsEnabled() const { return m_console->listCommandsEnabled(); }

    // The commands behind the handlers, without the window: what the desktop and later views call.
    Console& console() const { return *m_console; }

    // --- the desktop: the active deck, keys, drops and songs from outside (mainwindow_keys.cpp,
    // mainwindow_drops.cpp) ---
    // The deck whose transport was used last; deck 0 at start.
    int activeDeck() const { return m_activeDeck; }
    // Deck `index`'s player, for what the desktop reads of it and its seeks.
    platform::media::MediaPlayer& deckPlayer(int index) const { return *MP[index]; }
    // Deck `index`'s volume slider as its travel from the bottom (0) to the top (1); a new travel is
    // clamped and heard as if the slider had been moved there.
    double deckVolume(int index) const;
    void setDeckVolume(int index, double travel);
    // "Random playing"; ticking it ticks "Go on playing..." too, as a click does.
    bool randomPlaying() const;
    void setRandomPlaying(bool on);
    // Loads a song into deck `index` as "LOAD TO" does, wherever the song comes from.
    // `row` is the song list entry the song came from, or -1 for a song from outside the list.
    void loadSong(int index, const QString& name, const QString& path, int row = -1);
    // Moves deck `index` on to the next list entry, or a random one when "Random playing" is ticked, and
    // plays it: what the auto-mix does at a song's end.
    void goOn(int index);
    // Ends the program without the close question (a quit asked for by the desktop).
    void quitNow();
    // Shows the window un-minimised, raised and active.
    void bringToFront();
    // Files, folders and playlists from outside are added to the song list through here.
    SongIntake* intake() const { return &m_console->intake(); }
    // Every key command as an action (its keys and its words), in the help window's order.
    QList<QAction*> keyActions() const { return m_keyActions; }
    void showKeyHelp();

    // --- the window's size (mainwindow_scale.cpp) ---
    // The size the window is drawn at, in percent of its design (one of windowsize::kSteps); the layout's
    // twips, the skin, the pictures and the fonts all follow it.
    int windowSize() const { return m_sizePercent; }
    // Pixels per design pixel: what a view that lays itself out in the window's twips multiplies by.
    double windowScale() const;
    // Redraws the window at `percent` and keeps it in the settings for the next start.
    void setWindowSize(int percent);
    // Shows the window at `percent` without keeping it: the start, with what the settings hold.
    void showAtSize(int percent);
    void largerWindow();
    void smallerWindow();
    // The menu a right-click on the window's face opens: the window's sizes.
    QMenu* windowMenu() const { return m_windowMenu; }

    // For tests, and the tools and benches that drive the window as a test does: every element by its name.
    // The program itself goes through the handlers and reads above.
    MainElements& elementsForTest() { return *this; }

signals:
    void activeDeckChanged(int index);
    // A position bar click or a skip moved deck `index`.
    void deckSeeked(int index);
    // A song was loaded into deck `index` (or failed to load), whatever the way.
    void deckLoaded(int index);
    // What a remote view of the player shows may have changed: a deck's transport was used, a song ended,
    // a deck's volume, "Random playing" or the song list changed. Sent after the window's own handlers.
    void playerChanged();
    // The window is now drawn at `scale` (1 for its design).
    void windowScaleChanged(double scale);

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void changeEvent(QEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void contextMenuEvent(QContextMenuEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildElements(platform::media::AudioEngine& engine);
    // Places every element, its font, pictures and the window's own size at the window's scale.
    void applyScale();
    void setupWindowMenu();
    // The wheel over a deck's volume slider (fader 0, 1) or the crossfader (2), as steps of their keys.
    void turnFader(int fader, QPoint angleDelta);
    void connectHandlers();
    void announceChanges();
    void hostGradientBar();
    void setupSongList(); // builds the song list's pop-up menus (mainwindow_songlist.cpp)
    void setupKeys();     // mainwindow_keys.cpp
    void setupDrops();    // mainwindow_drops.cpp
    void setActiveDeck(int index);
    void setDeckCaption(int index, const QString& text);
    void placeCaption(int index);
    // One tick of the shared timer: the display tick, then the caption scroll (elsewhere than on X11).
    void tick();
    // With the captions on their beat, the timer ticks fast only while the display tick has something to
    // follow, and slowly otherwise, to catch what changes unannounced; an announced change is shown at once.
    void followDisplay();
    void keepPace();
    bool displayMoves() const;
    void windowHiddenChanged(bool hidden);
    // Made once the song list is (mainwindow_decks.cpp); the handlers ask it and show its answers.
    void setupConsole();
    Console* m_console = nullptr;
    // What the songs hold (picture, tempo, loudness), lent to the console and the DJ view.
    std::unique_ptr<platform::analysis::AnalysisService> m_analysis;
    // The list commands' buttons, menus and windows follow the console's hold on the list.
    void showListHold();
    // Dims the entries whose file is missing.
    MissingFiles* m_missing = nullptr;
    ListHistory* m_history = nullptr;
    bool m_listWasHeld = false;
    ListKeeper* m_keeper = nullptr;

    // Moves deck `index` to where a press at `x` twips sends it on a position bar `widthTwips` wide.
    void seekAt(int index, float x, float widthTwips);

    void setupDjView();
    void setDjViewOpen(bool open);
    void fitWindow();
    void overviewPressed(int index, float x, float widthTwips);
    DjView* m_dj = nullptr;
    bool m_djOpen = false;
    double m_djZoom = 10;

    void setupSound(platform::media::AudioEngine& engine);
    void dropSoundListener();
    void showRecording();
    platform::media::AudioEngine* m_engine = nullptr;
    QPointer<SoundWindow> m_sound;
    MixRecording* m_recording = nullptr;
    QString m_recKeys; // " (F9, ...)" for the record switch's tooltip, which changes with its state

    AboutWindow* m_about = nullptr;
    std::function<void()> m_quit;
    QPixmap m_skin;
    bool m_loaded = false;
    // The window's own move while its caption is dragged: the button that started it, where the pointer and
    // the window were then.
    Qt::MouseButton m_dragButton = Qt::NoButton;
    QPoint m_dragPointer;
    QPoint m_dragWindow;
    int m_activeDeck = 0;
    QList<QAction*> m_keyActions;
    QObject* m_dropFilter = nullptr;
    platform::VisibilityGate* m_gate = nullptr;
    std::unique_ptr<platform::ServerBeat> m_beat;
    bool m_fastTick = true;   // the timer ticks fast and steps the captions (with the beat resting)
    bool m_barsMoved = false; // on the last display tick
    int m_shownCount = -1;    // the song count lblnrs shows

    // Every element made from the layout table, with its place, for a new scale.
    std::vector<std::pair<int, QWidget*>> m_placed;
    int m_sizePercent = 100;
    bool m_cutToFace = false; // Form_Load cut the window down to its face
    qreal m_skinScale = 1;    // what m_skin was drawn at
    QMenu* m_windowMenu = nullptr;
    QList<QAction*> m_sizeActions;
    std::array<int, 3> m_wheelRest{}; // eighths of a degree the wheel turned short of a step, per fader
};

} // namespace player
