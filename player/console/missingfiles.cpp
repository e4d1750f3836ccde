#include "missingfiles.h"

#include <QFileInfo>
#include <QPromise>
#include <QStyledItemDelegate>
#include <QThreadPool>
#include <memory>

namespace player {

// A light grey: set apart from the list's green, and still readable on its dark grey.
const QColor MissingFiles::kDimmed(190, 190, 190);
const QString MissingFiles::kMark = QStringLiteral("\u2715 ");

namespace {

// Draws the mark before a missing entry's name; the name itself, which other code reads, stays as it is.
class MissingMarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(MissingFiles::kMissingRole).toBool())
            option->text.prepend(MissingFiles::kMark);
    }
};

} // namespace

MissingFiles::MissingFiles(QListWidget* names, QListWidget* files)
    : QObject(names), m_names(names), m_files(files) {
    names->setItemDelegate(new MissingMarkDelegate(names));
    // The path list is filled after the names list, so a new path finds its name already in place.
    connect(files->model(), &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { entriesArrived(first, last); });
}

bool MissingFiles::isMissing(const QListWidget* names, int row) {
    const QListWidgetItem* it = names->item(row);
    return it && it->data(kMissingRole).toBool();
}

QList<int> MissingFiles::missingRows() const {
    QList<int> rows;
    for (int i = 0; i < m_names->count(); ++i)
        if (isMissing(m_names, i))
            rows.append(i);
    return rows;
}

bool MissingFiles::recheck(int row) {
    const QListWidgetItem* file = m_files->item(row);
    if (!file)
        return false;
    const bool missing = !QFileInfo::exists(file->text());
    mark(row, missing);
    return missing;
}

void MissingFiles::mark(int row, bool missing) {
    QListWidgetItem* it = m_names->item(row);
    if (!it || it->data(kMissingRole).toBool() == missing)
        return;
    it->setData(kMissingRole, missing ? QVariant(true) : QVariant());
    it->setForeground(missing ? QBrush(kDimmed) : QBrush());
    it->setToolTip(missing ? QStringLiteral("The file of this song is missing") : QString());
}

void MissingFiles::entriesArrived(int first, int last) {
    if (last - first + 1 < kBackgroundFrom) {
        for (int row = first; row <= last; ++row)
            recheck(row);
        return;
    }
    QStringList paths;
    paths.reserve(last - first + 1);
    for (int row = first; row <= last; ++row)
        paths.append(m_files->item(row)->text());
    // The answer is matched by path when it comes back: by then entries may have moved or gone.
    auto promise = std::make_shared<QPromise<QHash<QString, bool>>>();
    auto* watcher = new QFutureWatcher<QHash<QString, bool>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        --m_pending;
        if (watcher->future().resultCount() > 0)
            apply(watcher->future().result());
        watcher->deleteLater();
        emit checked();
    });
    ++m_pending;
    watcher->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, paths] {
        QHash<QString, bool> missing;
        missing.reserve(paths.size());
        for (const QString& p : paths)
            if (!missing.contains(p))
                missing.insert(p, !QFileInfo::exists(p));
        promise->addResult(missing);
        promise->finish();
    });
}

void MissingFiles::apply(const QHash<QString, bool>& missing) {
    const int n = std::min(m_names->count(), m_files->count());
    for (int row = 0; row < n; ++row) {
        const auto it = missing.constFind(m_files->item(row)->text());
        if (it != missing.constEnd())
            mark(row, it.value());
    }
}

} // namespace player
