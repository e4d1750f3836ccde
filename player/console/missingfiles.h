#pragma once

#include <QColor>
#include <QFutureWatcher>
#include <QHash>
#include <QList>
#include <QListWidget>
#include <QObject>

namespace player {

// Marks the song list's entries whose file does not exist: their names are drawn in another ink after a mark,
// the names themselves stay as they are. Existence is looked up once, when entries arrive (on a worker thread
// when many arrive at once, so a large playlist does not freeze the window), and again on request, never on a
// paint.
class MissingFiles : public QObject {
    Q_OBJECT
public:
    // Batches at least this large are looked up on a worker thread.
    static constexpr int kBackgroundFrom = 256;
    static constexpr int kMissingRole = Qt::UserRole + 1;
    static const QColor kDimmed;
    // Drawn before a missing entry's name.
    static const QString kMark;

    // Watches `files` for new entries and marks their names in `names`; a child of `names`.
    MissingFiles(QListWidget* names, QListWidget* files);

    static bool isMissing(const QListWidget* names, int row);
    // The entries marked missing, in index order.
    QList<int> missingRows() const;
    // Looks entry `row` up again at once (after a load failed, or before it is removed as missing).
    bool recheck(int row);
    // Whether a lookup is still running on a worker thread.
    bool busy() const { return m_pending > 0; }

signals:
    // Marks changed after a lookup on a worker thread.
    void checked();

private:
    void entriesArrived(int first, int last);
    void mark(int row, bool missing);
    void apply(const QHash<QString, bool>& missing);

    QListWidget* m_names;
    QListWidget* m_files;
    int m_pending = 0;
};

} // namespace player
