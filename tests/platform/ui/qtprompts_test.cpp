// The prompts on Qt's own dialogs: where they open, how they look, and file dialogs that never open a file to
// list it.
#include <QApplication>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tempdir.h"
#include "ui/qtprompts.h"
#include "ui/windowplace.h"
#include "waitfor.h"

using namespace platform;

namespace {

// Runs `prompt` and, once its dialog is up, hands the dialog to `look` and closes it.
template <class Prompt> void whenUp(Prompt prompt, const std::function<void(QDialog*)>& look) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        seen = true;
        look(d);
        d->reject();
    });
    prompt();
    EXPECT_TRUE(seen);
}

// True while nobody holds the FIFO open for reading (a writer that does not wait only gets in beside a
// reader); a reader stuck in open() is let go by this.
bool nobodyReads(const QString& fifo) {
    const int fd = ::open(fifo.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) {
        ::close(fd);
        return false;
    }
    return errno == ENXIO;
}

// The files (not folders) of a folder that anyone opened since the watch began.
class OpenWatch {
public:
    explicit OpenWatch(const QString& folder)
        : m_fd(::inotify_init1(IN_NONBLOCK)),
          m_watch(::inotify_add_watch(m_fd, folder.toLocal8Bit().constData(), IN_OPEN)) {}
    ~OpenWatch() { ::close(m_fd); }
    bool ok() const { return m_fd >= 0 && m_watch >= 0; }
    QStringList opened() {
        QStringList names;
        alignas(inotify_event) char buf[4096];
        for (ssize_t n; (n = ::read(m_fd, buf, sizeof buf)) > 0;) {
            for (char* p = buf; p < buf + n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if (!(e->mask & IN_ISDIR) && e->len > 0)
                    names << QString::fromLocal8Bit(e->name);
                p += sizeof(inotify_event) + e->len;
            }
        }
        return names;
    }

private:
    int m_fd;
    int m_watch;
};

} // namespace

class PromptOwner : public ::testing::Test {
protected:
    QWidget main, other;
    QtPrompts qt;
    void SetUp() override {
        QPixmap red(16, 16);
        red.fill(Qt::red);
        QApplication::setWindowIcon(QIcon(red));
        main.setGeometry(20, 20, 500, 400);
        other.setGeometry(450, 250, 300, 250);
        main.show();
        other.show();
    }
    void expectOver(QWidget* owner, QDialog* d) {
        EXPECT_EQ(d->parentWidget(), owner);
        EXPECT_LE((d->geometry().center() - owner->geometry().center()).manhattanLength(), 4)
            << d->metaObject()->className();
        EXPECT_EQ(d->windowIcon().cacheKey(), QApplication::windowIcon().cacheKey());
    }
};

// The window shown last owns the prompt while it is on screen; once it is hidden (a dialog that just closed)
// the one before it does, even when the window system has not handed the focus back yet.
TEST_F(PromptOwner, BoxesOpenCentredOverTheWindowTheyBelongTo) {
    for (QWidget* owner : {&other, &main}) {
        whenUp([&] { qt.message("Song removed", Buttons::Ok, Icon::Information, "Song removed"); },
               [&](QDialog* d) { expectOver(owner, d); });
        whenUp([&] { qt.input("Please type the new songname here.", "Rename song", "x"); },
               [&](QDialog* d) { expectOver(owner, d); });
        whenUp(
            [&] {
                qt.saveFile({"Playlist files|*.mdp", {}, {}, {}});
            },
            [&](QDialog* d) { EXPECT_EQ(d->parentWidget(), owner); });
        other.hide();
    }
}

// A box whose text is short still shows its whole title in the window manager's bar.
TEST_F(PromptOwner, AShortBoxMakesRoomForItsTitle) {
    whenUp([&] { qt.message("0\r\n0", Buttons::Ok, Icon::None, "Deckmora"); },
           [&](QDialog* d) { EXPECT_GE(d->width(), titleBarWidth("Deckmora")); });
}

// No path typed into a file dialog may block it: the lists and the completer judge files by their names and
// never open one (a FIFO's open waits for a writer, /proc/kmsg's read for the kernel), in either dialog.
TEST(FileDialogs, ListFoldersWithoutOpeningAFile) {
    TempDir d;
    const QString folder = QDir::cleanPath(d.path());
    const QString fifo = d.file("pipe.mdp");
    ASSERT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    d.write("song.mp3", "ID3");
    d.write("track01", "words"); // no extension: only its content could tell its type
    // With an icon theme Qt's own provider looks for each file's icon by its content type.
    const QString theme = QIcon::themeName();
    QIcon::setThemeName(QStringLiteral("hicolor"));
    for (const auto mode : {QFileDialog::AcceptOpen, QFileDialog::AcceptSave}) {
        for (const QString& at : {folder, QStringLiteral("/proc")}) {
            OpenWatch watch(folder);
            ASSERT_TRUE(watch.ok());
            const auto dialog = makeFileDialog({"Playlist files|*.mdp", {}, at, {}}, mode, nullptr);
            dialog->setNameFilter(QStringLiteral("All (*)"));
            dialog->show();
            auto* model = dialog->findChild<QFileSystemModel*>();
            ASSERT_NE(model, nullptr);
            // What a user types into the name box: the completer lists the folder as well.
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            QTest::keyClicks(name, at + QLatin1Char('/'));
            const QString probe = at == folder ? d.file("track01") : QStringLiteral("/proc/kmsg");
            // Generous: only a dialog that hangs misses it.
            EXPECT_TRUE(waitFor([&] { return !model->type(model->index(probe)).isEmpty(); },
                                std::chrono::seconds(30)))
                << at.toStdString();
            if (at == folder) {
                EXPECT_EQ(model->type(model->index(fifo)), QStringLiteral("Special file"));
            }
            const QStringList opened = watch.opened();
            EXPECT_TRUE(opened.isEmpty())
                << opened.join(' ').toStdString() << " opened, at " << at.toStdString();
            EXPECT_TRUE(nobodyReads(fifo));
            dialog->reject();
        }
    }
    QIcon::setThemeName(theme);
}

// Escape and the close button call a question off, even one with Yes and No alone; Enter takes the default
// asked for, and Qt's own (Yes) otherwise.
TEST(QtMessageBoxes, EscapeAndTheCloseButtonCancelAndEnterTakesTheDefault) {
    const std::function<void(QMessageBox*)> escape = [](QMessageBox* b) {
        QTest::keyClick(b, Qt::Key_Escape);
    };
    const std::function<void(QMessageBox*)> close = [](QMessageBox* b) { b->close(); };
    const std::function<void(QMessageBox*)> enter = [](QMessageBox* b) {
        QTest::keyClick(b, Qt::Key_Return);
    };
    const struct {
        Buttons buttons;
        std::optional<Answer> asked;
        std::function<void(QMessageBox*)> act;
        Answer expected;
    } cases[] = {
        {Buttons::YesNo, std::nullopt, escape, Answer::Cancel},
        {Buttons::YesNo, Answer::No, close, Answer::Cancel},
        {Buttons::YesNoCancel, std::nullopt, escape, Answer::Cancel},
        {Buttons::Ok, std::nullopt, escape, Answer::Ok},
        {Buttons::YesNo, Answer::No, enter, Answer::No},
        {Buttons::YesNo, std::nullopt, enter, Answer::Yes},
    };
    QtPrompts qt;
    for (const auto& c : cases) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            EXPECT_NE(box, nullptr);
            if (box)
                c.act(box);
        });
        const Answer a = c.asked ? qt.ask("Delete it?", c.buttons, Icon::Question, "Delete", *c.asked)
                                 : qt.message("Delete it?", c.buttons, Icon::Question, "Delete");
        EXPECT_EQ(a, c.expected) << int(c.buttons);
    }
}
