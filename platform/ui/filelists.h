#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QStringList>

// What the add-folder window stands on: drives (on Linux the mounted volumes), the folders of a folder and
// the files of a folder that match a pattern. The listing rules are plain functions; the widgets only show
// them.
namespace platform {

// Root paths of the mounted, ready volumes, "/" first, then by path; pseudo file systems left out.
QStringList listDrives();
// Sub-folder names of `path`, sorted by name (letter case ignored), hidden ones left out. Empty when
// unreadable.
QStringList listFolders(const QString& path);
// File names in `path` matching any of the ";"-separated patterns ("*.mp3;*.wav"), letter case ignored,
// sorted by name, hidden files left out. Empty when unreadable.
QStringList listFiles(const QString& path, const QString& pattern);
// `folder` and `name` joined by one separator (a root folder "/" gives "/name", not "//name").
QString joinPath(const QString& folder, const QString& name);
// The drive (of listDrives) that holds `path`: the longest root that is `path` or a folder above it.
QString driveOf(const QString& path);

class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);
    QString drive() const;
    // Shows `drive` (adding it when not listed) without raising `driveChanged`.
    void setDrive(const QString& drive);
    void refresh();

signals:
    void driveChanged(const QString& drive);
};

// The classic folder list: the path from the drive's root down to the current folder, one open folder per
// level, each indented one step further, then the current folder's sub-folders one step further still. The
// current folder is the selected row, so the user always sees where the list stands.
class FolderList : public QListWidget {
    Q_OBJECT
public:
    static constexpr int kPathRole = Qt::UserRole;      // the row's full path
    static constexpr int kLevelRole = Qt::UserRole + 1; // its indentation step, 0 for the drive's root

    explicit FolderList(QWidget* parent = nullptr);
    QString path() const { return m_path; }
    // Shows `path`; false, and the list unchanged, when the folder cannot be read.
    bool setPath(const QString& path);
    // The row of the current folder.
    int currentFolderRow() const { return m_currentRow; }

signals:
    void pathChanged(const QString& path);

private:
    void open(QListWidgetItem* item);
    void addFolder(const QString& text, const QString& path, int level, bool open);
    QString m_path;
    int m_currentRow = -1;
};

class FileList : public QListWidget {
    Q_OBJECT
public:
    explicit FileList(QWidget* parent = nullptr);
    void setPattern(const QString& pattern);
    QString path() const { return m_path; }
    void setPath(const QString& path);
    QString fileName(int i) const;

private:
    QString m_pattern = QStringLiteral("*.*");
    QString m_path;
};

} // namespace platform
