#include "ui/filelists.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

namespace platform {

namespace {

void sortByName(QStringList& names) {
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
}

bool isPseudoFileSystem(const QByteArray& type) {
    static const QList<QByteArray> pseudo = {"proc",        "sysfs",      "devtmpfs",        "devpts",
                                             "cgroup",      "cgroup2",    "mqueue",          "debugfs",
                                             "tracefs",     "securityfs", "pstore",          "bpf",
                                             "autofs",      "hugetlbfs",  "configfs",        "fusectl",
                                             "binfmt_misc", "nsfs",       "overlay_internal"};
    return pseudo.contains(type);
}

constexpr int kIndentPixels = 10;

// Draws each row of the folder list shifted right by its level.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem o = option;
        o.rect.adjust(indent(index), 0, 0, 0);
        QStyledItemDelegate::paint(p, o, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent(index), 0);
    }

private:
    static int indent(const QModelIndex& index) {
        return kIndentPixels * index.data(FolderList::kLevelRole).toInt();
    }
};

} // namespace

QStringList listDrives() {
    QStringList roots;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady() || isPseudoFileSystem(v.fileSystemType()))
            continue;
        const QString root = v.rootPath();
        if (root.startsWith(QLatin1String("/proc")) || root.startsWith(QLatin1String("/sys")) ||
            root.startsWith(QLatin1String("/dev")) || root.startsWith(QLatin1String("/run")))
            continue;
        if (!roots.contains(root))
            roots << root;
    }
    if (!roots.contains(QStringLiteral("/")))
        roots << QStringLiteral("/");
    std::sort(roots.begin(), roots.end(), [](const QString& a, const QString& b) {
        if (a == QLatin1String("/") || b == QLatin1String("/"))
            return a == QLatin1String("/") && b != QLatin1String("/");
        return a < b;
    });
    return roots;
}

QStringList listFolders(const QString& path) {
    QDir dir(path);
    if (!dir.exists() || !dir.isReadable())
        return {};
    QStringList names = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort);
    sortByName(names);
    return names;
}

QStringList listFiles(const QString& path, const QString& pattern) {
    QDir dir(path);
    if (!dir.exists() || !dir.isReadable())
        return {};
    QStringList filters;
    for (const QString& p : pattern.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        filters << p.trimmed();
    dir.setNameFilters(filters);
    // Qt matches name filters without regard to case unless told otherwise; hidden files stay out.
    QStringList names = dir.entryList(QDir::Files, QDir::NoSort);
    sortByName(names);
    return names;
}

QString joinPath(const QString& folder, const QString& name) {
    if (folder.endsWith(QDir::separator()) || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString driveOf(const QString& path) {
    QString best = QStringLiteral("/");
    for (const QString& d : listDrives()) {
        const QString prefix = d.endsWith(QLatin1Char('/')) ? d : d + QLatin1Char('/');
        if ((path == d || path.startsWith(prefix)) && d.size() > best.size())
            best = d;
    }
    return best;
}

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    refresh();
    connect(this, &QComboBox::activated, this, [this](int) { emit driveChanged(drive()); });
}

QString DriveList::drive() const {
    return currentText();
}

void DriveList::setDrive(const QString& d) {
    QSignalBlocker block(this);
    int i = findText(d);
    if (i < 0) {
        addItem(d);
        i = count() - 1;
    }
    setCurrentIndex(i);
}

void DriveList::refresh() {
    const QString current = drive();
    QSignalBlocker block(this);
    clear();
    addItems(listDrives());
    if (!current.isEmpty())
        setDrive(current);
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setItemDelegate(new IndentDelegate(this));
    connect(this, &QListWidget::itemActivated, this, &FolderList::open);
}

bool FolderList::setPath(const QString& path) {
    QDir dir(path);
    if (!dir.exists() || !dir.isReadable())
        return false;
    const QString clean = QDir::cleanPath(dir.absolutePath());
    const QStringList names = listFolders(clean);
    clear();
    const QString root = driveOf(clean);
    addFolder(root, root, 0, true);
    QString walked = root;
    int level = 0;
    for (const QString& step : clean.mid(root.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        walked = joinPath(walked, step);
        addFolder(step, walked, ++level, true);
    }
    m_currentRow = count() - 1;
    for (const QString& name : names)
        addFolder(name, joinPath(clean, name), level + 1, false);
    setCurrentRow(m_currentRow);
    const bool changed = clean != m_path;
    m_path = clean;
    if (changed)
        emit pathChanged(m_path);
    return true;
}

void FolderList::addFolder(const QString& text, const QString& path, int level, bool open) {
    auto* item = new QListWidgetItem(
        style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon), text, this);
    item->setData(kPathRole, path);
    item->setData(kLevelRole, level);
}

void FolderList::open(QListWidgetItem* item) {
    if (item)
        setPath(item->data(kPathRole).toString());
}

FileList::FileList(QWidget* parent) : QListWidget(parent) {}

void FileList::setPattern(const QString& pattern) {
    m_pattern = pattern;
    setPath(m_path);
}

void FileList::setPath(const QString& path) {
    m_path = path;
    clear();
    if (!path.isEmpty())
        addItems(listFiles(path, m_pattern));
}

QString FileList::fileName(int i) const {
    const QListWidgetItem* it = item(i);
    return it ? it->text() : QString();
}

} // namespace platform
