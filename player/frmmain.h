#pragma once

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>

#include "songlist.h"

class QCheckBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QTimer;
class ClickLabel;
class frmAbout;
class FrmAddDir;
class Form4;
class frmeditplaylist;
class frmSound;
class QAction;

namespace platform {
class ImageButton;
class ProgressBar;
class Slider;
namespace media {
class AudioEngine;
class MediaPlayer;
} // namespace media
} // namespace platform

// The main window: a borderless, skinned face with two decks, a mixer, the song list and the auto-mix
// switches, plus a work area on the right (the path list and the two media players) that is cut off unless
// the debug word is on. Every element lies where mainlayout.h puts it.
class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(platform::media::AudioEngine& engine, QWidget* parent = nullptr);
    ~frmMain() override;

    // The splash/about window: shown by About_Click; its hidden text field holds the debug word.
    void setAboutWindow(frmAbout* about) { m_about = about; }
    bool debugWordOn() const;
    // What a confirmed close does; ends the program unless a test replaces it.
    void setQuitAction(std::function<void()> quit) { m_quit = std::move(quit); }

    // --- elements (names as on the window) ---
    ClickLabel* lblCaption = nullptr;
    platform::ImageButton* Min = nullptr;
    std::array<platform::ImageButton*, 2> Close{};
    platform::ImageButton* About = nullptr;

    std::array<platform::ImageButton*, 2> LoadToPlayer{};
    std::array<platform::ImageButton*, 2> Vorig{};
    std::array<platform::ImageButton*, 2> Play{};
    std::array<platform::ImageButton*, 2> Pause{};
    std::array<platform::ImageButton*, 2> Stop{};
    std::array<platform::ImageButton*, 2> Volgend{};
    std::array<QFrame*, 2> SongInfo{};
    std::array<QLabel*, 2> lblnow{};
    std::array<platform::ProgressBar*, 2> PB1{};
    QWidget* PB = nullptr; // the hosted gradient bar; nothing here reads or changes it
    std::array<platform::Slider*, 2> Vol{};
    platform::Slider* volMain = nullptr;

    QListWidget* lstnames = nullptr;
    QLabel* lblnrs = nullptr;
    ClickLabel* lblsearch = nullptr;
    platform::ImageButton* Add = nullptr;
    platform::ImageButton* Remove = nullptr;
    platform::ImageButton* Clear = nullptr;
    platform::ImageButton* New = nullptr;
    platform::ImageButton* Open = nullptr;
    platform::ImageButton* Save = nullptr;
    platform::ImageButton* edit = nullptr;
    platform::ImageButton* Search = nullptr;

    QCheckBox* chbgoon = nullptr;
    QCheckBox* chbrandom = nullptr;

    // the work area
    QLabel* lblWerkgebied = nullptr;
    QListWidget* lstFiles = nullptr;
    std::array<platform::media::MediaPlayer*, 2> MP{};

    // The footer: says so while the program plays without sound; a right-click opens the Sound window.
    ClickLabel* lblSound = nullptr;

    QTimer* Timer1 = nullptr; // display tick
    QTimer* Timer2 = nullptr; // deck caption scroll

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

    // --- sound (frmmain_sound.cpp) ---
    // Opens the Sound settings window (F2, Ctrl+comma, a right-click on the footer).
    void openSoundSettings();
    // Shows the engine's status in the footer.
    void showSoundStatus();
    frmSound* soundWindow() const;

    // --- song list handlers (frmmain_songlist.cpp) ---
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
    void MnuAddFile_Click();
    void mnuAddPlaylist_Click();
    void mnuAddDir_Click();
    void mnuRmvLst_Click();
    void mnuDelete_Click();
    void mnuFromList_Click();
    void mnuFromPc_Click();

    // The song list over lstnames and lstFiles.
    SongList songList() const { return SongList(lstnames, lstFiles); }

    // What a deck holds, as the window knows it: the display name of the song it opened, and its caption's
    // left edge in twips inside its viewport.
    QString deckSongName(int index) const { return m_deck[index].name; }
    bool deckHasSong(int index) const { return m_deck[index].loaded; }
    int captionLeft(int index) const { return m_deck[index].captionLeft; }
    void setCaptionLeft(int index, int twips);

    // Song list state (frmmain_songlist.cpp)
    // The three pop-up menus; never shown in a menu bar.
    QMenu* mnuAdd = nullptr; // "AddToList"
    QAction* MnuAddFile = nullptr;
    QAction* mnuAddPlaylist = nullptr;
    QAction* mnuAddDir = nullptr;
    QMenu* mnuremove = nullptr; // "Remove"
    QAction* mnuRmvLst = nullptr;
    QAction* mnuDelete = nullptr;
    QMenu* mnuPlaylist = nullptr;      // "Playlist"
    QMenu* mnuremoveselsong = nullptr; // "Remove selected song"
    QAction* mnuFromList = nullptr;
    QAction* mnuFromPc = nullptr;
    // The windows that are unloaded and built again; null (or unloaded) when not loaded.
    QPointer<FrmAddDir> m_addDir;
    QPointer<Form4> m_form4;
    QPointer<frmeditplaylist> m_editor;
    // Off while the add-folder loop runs, so nothing changes the list under it.
    void setListCommandsEnabled(bool enabled);
    bool listCommandsEnabled() const { return m_listCommandsEnabled; }
    bool m_listCommandsEnabled = true;
    // End of song list state

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Deck {
        bool loaded = false;
        QString name;
        int captionLeft = 0;
    };

    void buildElements(platform::media::AudioEngine& engine);
    void connectHandlers();
    void hostGradientBar();
    void setupSongList(); // builds the song list's pop-up menus (frmmain_songlist.cpp)
    void setDeckCaption(int index, const QString& text);
    void placeCaption(int index);
    // Opens entry n of the song list in deck `index` and plays it; false when the song cannot be opened.
    bool autoPlayEntry(int index, int n);

    void setupSound(platform::media::AudioEngine& engine);
    void dropSoundListener();
    platform::media::AudioEngine* m_engine = nullptr;
    QPointer<frmSound> m_sound;

    frmAbout* m_about = nullptr;
    std::function<void()> m_quit;
    QPixmap m_skin;
    bool m_loaded = false;
    std::array<Deck, 2> m_deck;
};
