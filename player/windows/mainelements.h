#pragma once

#include <QPointer>
#include <QWidget>
#include <array>

#include "captionlabel.h"

class QAction;
class QCheckBox;
class QLabel;
class QListWidget;
class QMenu;
class QTimer;

namespace platform {
class ImageButton;
class ProgressBar;
class ServerBeat;
class Slider;
namespace media {
class MediaPlayer;
} // namespace media
} // namespace platform

namespace player {

class ClickLabel;
class SearchWindow;
class AddFolderWindow;
class SwitchButton;
class EditorWindow;

// The main window's elements, named as on the window. The window inherits them privately, so its own code
// reads `Play[d]` as it always did while no other class can reach in; tests drive them through the window's
// one test accessor. Every element lies where mainlayout.h puts it.
struct MainElements {
    MainElements() = default;
    // A copy would go stale as soon as a window below is made again: hold it by reference.
    MainElements(const MainElements&) = delete;
    MainElements& operator=(const MainElements&) = delete;

    // --- the title strip ---
    ClickLabel* lblCaption = nullptr;
    platform::ImageButton* Min = nullptr;
    std::array<platform::ImageButton*, 2> Close{};
    platform::ImageButton* About = nullptr;
    // Recording the mix, and beside it the time recorded (or where the last recording went).
    SwitchButton* Rec = nullptr;
    QLabel* lblRec = nullptr;
    // The DJ view's switch in the footer, lit while the view is open.
    SwitchButton* DJ = nullptr;

    // --- the decks and the mixer ---
    std::array<platform::ImageButton*, 2> LoadToPlayer{};
    std::array<platform::ImageButton*, 2> Vorig{};
    std::array<platform::ImageButton*, 2> Play{};
    std::array<platform::ImageButton*, 2> Pause{};
    std::array<platform::ImageButton*, 2> Stop{};
    std::array<platform::ImageButton*, 2> Volgend{};
    std::array<CaptionViewport*, 2> SongInfo{};
    std::array<CaptionLabel*, 2> lblnow{};
    std::array<platform::ProgressBar*, 2> PB1{};
    QWidget* PB = nullptr; // the hosted gradient bar; nothing here reads or changes it
    std::array<platform::Slider*, 2> Vol{};
    platform::Slider* volMain = nullptr;
    // Pre-listen on headphones, per deck; off at every start.
    std::array<SwitchButton*, 2> Cue{};

    // --- the song list and its commands ---
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
    // The three pop-up menus; never shown in a menu bar.
    QMenu* mnuAdd = nullptr; // "AddToList"
    QAction* MnuAddFile = nullptr;
    QAction* mnuAddPlaylist = nullptr;
    QAction* mnuAddDir = nullptr;
    QMenu* mnuremove = nullptr; // "Remove"
    QAction* mnuRmvLst = nullptr;
    QAction* mnuDelete = nullptr;
    QAction* mnuRmvMissing = nullptr;
    QMenu* mnuPlaylist = nullptr;      // "Playlist"
    QMenu* mnuremoveselsong = nullptr; // "Remove selected song"
    QAction* mnuFromList = nullptr;
    QAction* mnuFromPc = nullptr;

    // --- the auto-mix switches ---
    QCheckBox* chbgoon = nullptr;
    QCheckBox* chbrandom = nullptr;

    // --- the work area, cut off unless the debug word is on ---
    QLabel* lblWerkgebied = nullptr;
    QListWidget* lstFiles = nullptr;
    std::array<platform::media::MediaPlayer*, 2> MP{};

    // The footer: says so while the program plays without sound; a right-click opens the Sound window.
    ClickLabel* lblSound = nullptr;

    // The display tick and the caption scroll tick together, so one timer drives both handlers: Timer2 is
    // the same timer as Timer1, kept under its own name for whoever stops or reads it. On X11 (elsewhere it
    // is null) `captionBeat` steps the captions on a thread of its own while no deck plays, no bar moves
    // and nothing records, and the timer then rests; otherwise the timer ticks fast and steps them itself.
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    platform::ServerBeat* captionBeat = nullptr;

    // --- the windows the song list commands and F1 open; null (or unloaded) until opened, and the
    // add-folder and search windows are built again after they unload ---
    QPointer<AddFolderWindow> m_addDir;
    QPointer<SearchWindow> m_search;
    QPointer<EditorWindow> m_editor;
    QPointer<QWidget> frmKeys; // the key help window
};

} // namespace player
